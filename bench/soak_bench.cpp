// Soak run of the monitor against the simulated unit with faults injected at random
// (seeded): the polling core rivanctl monitor runs, for 10 000 rounds, and the monitor
// window, offscreen, for 1 000 ticks, each on the virtual clock and recording CSV. Prints
// resident memory at the start and the end (growth beyond 1 MB is reported as a failure)
// and checks and counts every CSV row.
// Usage: bench_soak [seed]
#include "dialogs/monitordlg.h"
#include "link/monitorpoller.h"
#include "link/monitorrecord.h"
#include "link/serialport.h"
#include "link/sim/simulateddriver.h"
#include "link/sim/simulatedunit.h"
#include "profile/equipmentprofile.h"
#include "ui/prompts.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr int CoreRounds = 10000;
constexpr int WindowTicks = 1000;
constexpr int TrendRounds = 600;
constexpr int RoundsPerLine = 500; // the simulated line is renewed, as after reconnecting
constexpr long MaxGrowthKiB = 1024;

class QuietPrompts : public Prompts {
public:
    std::optional<QString> FileName;
    Answer Message(const QString&, const QString&, Icon, Buttons) override { return Answer::Ok; }
    std::optional<QString> OpenFileName(const FileDialog&) override { return std::nullopt; }
    std::optional<QString> SaveFileName(const FileDialog&) override { return FileName; }
    void Beep() override {}
    Answer ShowComparison(const Comparison&) override { return Answer::No; }
    std::optional<BackupChoice> ChooseBackup(const QString&, const QList<BackupItem>&) override {
        return std::nullopt;
    }
    bool PrintDialog(QPrinter&) override { return false; }
    bool PageSetupDialog(QPrinter&) override { return false; }
};

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// A simulated line to one unit; a unit that fell silent or hung up is replaced by a new
// line, as a user reconnecting would find.
struct Line {
    SimulatedUnit Unit;
    SimulatedDriver Driver;
    SerialPort Port{Driver, 0};
    explicit Line(SimTime start) {
        Driver.Clock().Advance(start);
        Driver.AttachPeer("COM1", Unit);
        Port.Open();
        Port.Configure();
    }
};

enum class Fault { None, Silent, Nak, Garbage, Late, HangUp };

struct Faults {
    std::mt19937 Random;
    int Injected[6] = {};

    explicit Faults(unsigned seed) : Random(seed) {}

    // About one round in eight gets a fault at one of its next few commands; the faults of
    // the round before are cleared. Returns the fault chosen.
    Fault Inject(SimulatedUnit& unit) {
        UnitSettings& settings = unit.Settings();
        settings.NakOnCommand = 0;
        settings.Garbage.clear();
        settings.ReplyDelay = SimTime{0};
        settings.FaultsFromCommand = 0;
        if (Random() % 8 != 0)
            return Fault::None;
        const auto fault = static_cast<Fault>(1 + Random() % 5);
        const int command =
            static_cast<int>(unit.Exchanges().size()) + 1 + static_cast<int>(Random() % 4);
        switch (fault) {
        case Fault::Silent:
            settings.Silent = true;
            settings.FaultsFromCommand = command;
            break;
        case Fault::Nak:
            settings.NakOnCommand = command;
            break;
        case Fault::Garbage:
            settings.Garbage = std::string("~\0\xFF\x15", 4);
            settings.FaultsFromCommand = command;
            break;
        case Fault::Late:
            settings.ReplyDelay = 200ms;
            settings.FaultsFromCommand = command;
            break;
        case Fault::HangUp:
            settings.HangUpOnCommand = command;
            break;
        case Fault::None:
            break;
        }
        ++Injected[static_cast<int>(fault)];
        return fault;
    }
};

// time,channel,enabled,frequency_khz,power_dbm,mer_db,ber,alarm,warning
const std::regex RowPattern(
    R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d,[1-6],[01],\d*,(-?\d+\.\d\d)?,)"
    R"((-?\d+\.\d\d)?,(\d\.\d\dE[+-]\d\d)?,[01],[01])");

struct CsvCount {
    long Rows = 0;
    long Bad = 0;
};

// Checks every line of CSV text after its header; each must end in CR LF.
CsvCount CheckCsv(const std::string& text, bool header) {
    CsvCount count;
    std::size_t at = 0;
    bool first = header;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            ++count.Bad; // a row without its line end
            break;
        }
        const std::string row = text.substr(at, end - at);
        at = end + 2;
        if (first) {
            first = false;
            if (row != MonitorRecord::CsvHeader)
                ++count.Bad;
            continue;
        }
        ++count.Rows;
        if (!std::regex_match(row, RowPattern)) {
            if (count.Bad < 3)
                std::printf("  bad row: %s\n", row.c_str());
            ++count.Bad;
        }
    }
    return count;
}

bool Report(const char* what, long startKiB, long endKiB, const CsvCount& csv, int rounds,
            const Faults& faults) {
    const long growth = endKiB - startKiB;
    std::printf("%s: %d rounds; faults silent %d, NAK %d, garbage %d, late %d, hang-up %d\n", what,
                rounds, faults.Injected[1], faults.Injected[2], faults.Injected[3],
                faults.Injected[4], faults.Injected[5]);
    std::printf("  resident memory: start %ld KiB, end %ld KiB, growth %ld KiB (limit %ld)\n",
                startKiB, endKiB, growth, MaxGrowthKiB);
    std::printf("  CSV rows: %ld, malformed: %ld\n", csv.Rows, csv.Bad);
    return growth <= MaxGrowthKiB && csv.Bad == 0 && csv.Rows > 0;
}

std::string ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

// The polling core as rivanctl monitor drives it: a tick a second, each answered round's
// rows appended to the CSV.
bool SoakCore(unsigned seed, const QString& csvPath) {
    Faults faults(seed);
    std::unique_ptr<Line> line = std::make_unique<Line>(SimTime{0});
    MonitorPoller poller;
    poller.SetPort(line->Port);
    poller.Start();
    // The rows as the file receives them; checked once at the end.
    // The rows go to the file as they come, as rivanctl writes them; checked at the end.
    std::ofstream csv(csvPath.toStdString(), std::ios::binary);
    csv << MonitorRecord::CsvHeader << MonitorRecord::CsvLineEnd;
    long startKiB = 0;
    int renewed = 0;
    for (int round = 0; round < CoreRounds; ++round) {
        if (round == 100)
            startKiB = ResidentKiB(); // after the first rounds have warmed up
        const Fault fault = faults.Inject(line->Unit);
        line->Driver.Clock().Advance(1s);
        const TickOutcome outcome = poller.Tick();
        const MonitorRecord::Round result = MonitorRecord::RoundOf(poller.Readings(), outcome);
        const auto seconds =
            std::chrono::duration_cast<std::chrono::milliseconds>(line->Driver.Now());
        const std::string time = MonitorRecord::FormatTime(
            std::chrono::sys_time<std::chrono::milliseconds>(seconds), std::chrono::seconds(3600));
        csv << MonitorRecord::CsvRows(time, result) << std::flush;
        const bool gone = fault == Fault::Silent || fault == Fault::HangUp;
        if (gone || (round + 1) % RoundsPerLine == 0) {
            const SimTime now = line->Driver.Now();
            line->Port.Close();
            line = std::make_unique<Line>(now);
            poller.SetPort(line->Port);
            poller.Start();
            ++renewed;
        }
    }
    const long endKiB = ResidentKiB();
    csv.close();
    std::printf("polling core: %d lines renewed\n", renewed);
    return Report("polling core (rivanctl monitor)", startKiB, endKiB,
                  CheckCsv(ReadAll(csvPath), true), CoreRounds, faults);
}

// The monitor window, recording, ticked by hand rather than by its timer.
bool SoakWindow(unsigned seed, const QString& csvPath) {
    Faults faults(seed);
    Line line(SimTime{0});
    QuietPrompts prompts;
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.SetDefaults();
    TMonitorDlg dialog(prompts, profile, [](const QString&) {});
    prompts.FileName = csvPath;
    dialog.SetPort(line.Port);
    dialog.StartMonitor();
    dialog.show();
    dialog.BtRecordClick();
    QApplication::processEvents();
    long startKiB = 0;
    for (int tick = 0; tick < WindowTicks; ++tick) {
        // The trends hold ten minutes of rounds: memory is compared once they are full.
        if (tick == 100)
            std::printf("monitor window: resident memory at tick 100: %ld KiB\n", ResidentKiB());
        if (tick == TrendRounds)
            startKiB = ResidentKiB();
        // A unit gone for good stays gone for the window: only faults it recovers from.
        Fault fault = faults.Inject(line.Unit);
        if (fault == Fault::Silent || fault == Fault::HangUp) {
            line.Unit.Settings().Silent = false;
            line.Unit.Settings().HangUpOnCommand = 0;
            line.Unit.Settings().NakOnCommand = static_cast<int>(line.Unit.Exchanges().size()) + 1;
        }
        line.Driver.Clock().Advance(1s);
        dialog.Timer1Timer();
        QApplication::processEvents();
    }
    const long endKiB = ResidentKiB();
    dialog.done(0);
    QApplication::processEvents();
    return Report("monitor window (from tick 600)", startKiB, endKiB,
                  CheckCsv(ReadAll(csvPath), true), WindowTicks, faults);
}

} // namespace

int main(int argc, char** argv) {
    const unsigned seed = argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 22;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    QApplication application(argc, argv);
    std::printf("seed %u\n", seed);
    const bool core = SoakCore(seed, home.filePath(QStringLiteral("core.csv")));
    const bool window = SoakWindow(seed, home.filePath(QStringLiteral("readings.csv")));
    std::printf("%s\n", core && window ? "soak passed" : "soak FAILED");
    return core && window ? 0 : 1;
}
