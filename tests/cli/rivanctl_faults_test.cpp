// rivanctl against units that fail at one chosen exchange: silent, refusing, noisy, late or
// hanging up; on local ports and through the network. Each row says what the user sees, and
// no unit is ever written without its backup on disk.
#include "ctlfixture.h"

#include <QDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <ostream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

enum class Fault { Silent, Nak, Garbage, Late, HangUp };
constexpr std::array<Fault, 5> Faults = {Fault::Silent, Fault::Nak, Fault::Garbage, Fault::Late,
                                         Fault::HangUp};
constexpr const char* FaultNames[] = {"silent", "NAK", "garbage", "late", "hang-up"};

// rivan-sim's options for a unit that fails from the `command`-th command it takes (from 1).
std::vector<std::string> FaultOptions(Fault fault, int command) {
    const std::string from = std::to_string(command);
    switch (fault) {
    case Fault::Silent:
        return {"--trace", "--silent", "--from", from};
    case Fault::Nak:
        return {"--trace", "--nak", from};
    case Fault::Garbage:
        return {"--trace", "--garbage", "--from", from};
    case Fault::Late:
        // Reply lines start 200 ms after the ACK, beyond the 105 ms a read waits.
        return {"--trace", "--late", "200", "--from", from};
    case Fault::HangUp:
        break;
    }
    return {"--trace", "--hangup-on", from};
}

enum class Transport { Local, Network };

// The units of one run: one per fault on COM1 to COM5, through the chosen transport.
class FaultyUnits : public RivanctlEndToEnd {
protected:
    void PlaceUnits(Transport transport, int command) {
        if (transport == Transport::Network && !ProgramAvailable("socat"))
            GTEST_SKIP() << "socat is not installed";
        for (std::size_t i = 0; i < Faults.size(); ++i) {
            const int n = static_cast<int>(i) + 1;
            if (transport == Transport::Local)
                Unit(n, FaultOptions(Faults[i], command));
            else
                ports[n] = NetworkUnit(FaultOptions(Faults[i], command));
            ASSERT_FALSE(ports[n].isEmpty());
        }
    }

    // The commands each unit took, in port order; call once rivanctl has ended.
    std::vector<std::vector<std::string>> Commands() {
        std::vector<std::vector<std::string>> taken;
        for (const std::unique_ptr<SimProcess>& sim : sims) {
            taken.emplace_back();
            std::istringstream trace(sim->Finish());
            for (std::string line; std::getline(trace, line);)
                if (line.starts_with("> "))
                    taken.back().push_back(line.substr(2));
        }
        return taken;
    }

    // The backups of COMn kept in the user's backup folder.
    QStringList Backups(int n) const {
        return QDir(DataHome() + "/Qelvar/RIVAN/backups")
            .entryList({QStringLiteral("RIVAN-COM%1-*.PRO").arg(n)}, QDir::Files);
    }
};

std::string TransportName(Transport transport) {
    return transport == Transport::Local ? "Local" : "Network";
}

// ---- detect --all -------------------------------------------------------------------------

struct DetectCase {
    const char* Name;
    int Command; // the exchange that fails: 1 the name query, 2 the version query
    std::array<const char*, 5> Seen; // what the port's line says, for each fault in turn
};

void PrintTo(const DetectCase& row, std::ostream* out) {
    *out << row.Name;
}

class DetectAllFaults : public FaultyUnits,
                        public ::testing::WithParamInterface<std::tuple<Transport, DetectCase>> {};

TEST_P(DetectAllFaults, EachPortShowsWhatItsUnitAnswered) {
    const auto& [transport, row] = GetParam();
    PlaceUnits(transport, row.Command);
    if (IsSkipped() || HasFatalFailure())
        return;
    Unit(6); // a sound unit beside them is found as always
    const CtlRun run = Ctl({"detect", "--all"});
    EXPECT_EQ(run.Exit, 0) << run.Err;
    for (std::size_t i = 0; i < Faults.size(); ++i)
        EXPECT_THAT(run.Out, HasSubstr("COM" + std::to_string(i + 1) + ": " + row.Seen[i] + "\n"))
            << FaultNames[i] << "\n"
            << run.Out;
    EXPECT_THAT(run.Out, HasSubstr("COM6: RIVAN ver1.05\n"));
    // Detection only asks: no unit is written to.
    for (const std::vector<std::string>& commands : Commands())
        for (const std::string& command : commands)
            EXPECT_TRUE(command.starts_with("*?")) << command;
}

constexpr const char* NoUnit = "no unit answers";

INSTANTIATE_TEST_SUITE_P(
    Rows, DetectAllFaults,
    ::testing::Combine(::testing::Values(Transport::Local, Transport::Network),
                       ::testing::Values(
                           DetectCase{
                               "NameQuery", 1, {NoUnit, NoUnit, "RIVAN ver1.05", NoUnit, NoUnit}},
                           DetectCase{"VersionQuery",
                                      2,
                                      {"RIVAN ver0.00", "RIVAN ver0.00", "RIVAN ver1.05",
                                       "RIVAN ver0.00", "RIVAN ver0.00"}})),
    [](const auto& info) {
        return TransportName(std::get<0>(info.param)) + std::get<1>(info.param).Name;
    });

// ---- send with backup and verify through the network -----------------------------------------

// The commands of a send with backup and verify: the name and version queries, 39 block reads
// for the backup, the 7 data lines and the reset, then 7 block reads to verify.
constexpr int FirstBackupRead = 3;
constexpr int ThirdDataLine = FirstBackupRead + 39 + 2;
constexpr int FirstVerifyRead = FirstBackupRead + 39 + 8;

struct SendRow {
    int Exit;
    const char* Seen; // the port's last line
    bool Backup;      // a backup of the unit is on disk, and the unit was written to
};

struct SendCase {
    const char* Name;
    int Command;
    std::array<SendRow, 5> Rows; // for each fault in turn
};

void PrintTo(const SendCase& row, std::ostream* out) {
    *out << row.Name;
}

class NetworkSendFaults : public FaultyUnits, public ::testing::WithParamInterface<SendCase> {};

TEST_P(NetworkSendFaults, NeverWriteWithoutABackupAndNameItWhenFailing) {
    const SendCase& row = GetParam();
    PlaceUnits(Transport::Network, row.Command);
    if (IsSkipped() || HasFatalFailure())
        return;
    const QString file = EditedFile();
    const QStringList arguments = {"send", "--port", "COM1", "--port", "COM2", "--port",
                                   "COM3", "--port", "COM4", "--port", "COM5", file};
    const CtlRun run = Ctl(arguments);
    const std::vector<std::vector<std::string>> commands = Commands();
    ASSERT_EQ(commands.size(), Faults.size());
    int worst = 0;
    for (std::size_t i = 0; i < Faults.size(); ++i) {
        SCOPED_TRACE(FaultNames[i]);
        const SendRow& expected = row.Rows[i];
        const int n = static_cast<int>(i) + 1;
        worst = std::max(worst, expected.Exit);
        EXPECT_THAT(run.Out + run.Err, HasSubstr("COM" + std::to_string(n) + ": " + expected.Seen))
            << run.Out << run.Err;
        const QStringList backups = Backups(n);
        EXPECT_EQ(backups.size(), expected.Backup ? 1 : 0);
        // The user is told where the unit's old settings are, above all when it failed.
        if (!backups.isEmpty()) {
            const QString backup =
                QDir(DataHome() + "/Qelvar/RIVAN/backups").filePath(backups.front());
            EXPECT_THAT(run.Out + run.Err, HasSubstr("COM" + std::to_string(n) +
                                                     ": backup: " + backup.toStdString() + "\n"));
        }
        const bool written = std::any_of(commands[i].begin(), commands[i].end(),
                                         [](const std::string& c) { return !c.starts_with("*?"); });
        // A send begins only once its backup is on disk; without one nothing is written.
        EXPECT_EQ(written, expected.Backup);
        if (written && backups.isEmpty())
            ADD_FAILURE() << "the unit was written without a backup";
    }
    EXPECT_EQ(run.Exit, worst) << run.Out << run.Err;
}

constexpr const char* NoBackupFromNone =
    "the unit stopped answering mid-way: 0 of 39 blocks read; no backup, nothing sent (exit 4)";
// A refused block is passed over; the reading is still incomplete.
constexpr const char* NoBackupFromAllButOne =
    "the unit stopped answering mid-way: 38 of 39 blocks read; no backup, nothing sent (exit 4)";
constexpr const char* StoppedAtThirdLine =
    "the unit refused or did not answer at: send *I22A00420010180161D1F463C    #1 (exit 4)";
constexpr const char* NotReadBack = "verify FAILED: configuration could not be read back (exit 4)";
constexpr const char* Verified = "verified: 7 blocks match (exit 0)";

INSTANTIATE_TEST_SUITE_P(Rows, NetworkSendFaults,
                         ::testing::Values(SendCase{"FirstBackupRead",
                                                    FirstBackupRead,
                                                    {{{4, NoBackupFromNone, false},
                                                      {4, NoBackupFromAllButOne, false},
                                                      {0, Verified, true},
                                                      {4, NoBackupFromNone, false},
                                                      {4, NoBackupFromNone, false}}}},
                                           SendCase{"ThirdDataLine",
                                                    ThirdDataLine,
                                                    {{{4, StoppedAtThirdLine, true},
                                                      {4, StoppedAtThirdLine, true},
                                                      {0, Verified, true},
                                                      // late from then on: no read-back
                                                      {4, NotReadBack, true},
                                                      {4, StoppedAtThirdLine, true}}}},
                                           SendCase{"FirstVerifyRead",
                                                    FirstVerifyRead,
                                                    {{{4, NotReadBack, true},
                                                      {4, NotReadBack, true},
                                                      {0, Verified, true},
                                                      {4, NotReadBack, true},
                                                      {4, NotReadBack, true}}}}),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
