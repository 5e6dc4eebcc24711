// rivanctl as a user runs it: a process against rivan-sim units on pseudo-terminals, and on
// the network behind a socat bridge on 127.0.0.1.
#include "ctlfixture.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <memory>
#include <netinet/in.h>
#include <signal.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A port on 127.0.0.1 that takes connections (the kernel completes them) and then never says
// a word: a Telnet client waits in vain for the server's answer.
class SilentListener {
public:
    SilentListener() {
        socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::listen(socket_, 8) != 0 ||
            ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        port_ = ntohs(address.sin_port);
    }
    ~SilentListener() {
        if (socket_ >= 0)
            ::close(socket_);
    }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    int Port() const { return port_; }

private:
    int socket_ = -1;
    int port_ = 0;
};

TEST_F(RivanctlEndToEnd, ReceiveFindsTheUnitAndWritesItsProFile) {
    Unit(3);
    const CtlRun run = Ctl({"receive", "-o", Path("unit.pro")});
    ASSERT_EQ(run.Exit, 0) << run.Err;
    EXPECT_THAT(run.Out, HasSubstr("received RIVAN ver1.05 into"));
    const std::vector<std::string> lines = FileLines(Path("unit.pro"));
    ASSERT_GE(lines.size(), 15u);
    EXPECT_EQ(lines[0], std::string(58, '#'));
    EXPECT_EQ(lines[1].rfind("# " + Path("unit.pro").toStdString() + " created at ", 0), 0u);
    EXPECT_EQ(lines[2], "# by RIVAN (v2.00 - b00)");
    EXPECT_EQ(DataLines(Path("unit.pro")), SimDataLines);
    // Nothing went to the progress bar: standard error is no terminal here.
    EXPECT_EQ(run.Err, "");
}

TEST_F(RivanctlEndToEnd, AUnitThatStopsMidWayLeavesNoFileAndExits4) {
    Unit(2, {"--hangup", "10"});
    const CtlRun run = Ctl({"receive", "--port", "COM2", "-o", Path("partial.pro")});
    EXPECT_EQ(run.Exit, 4);
    EXPECT_THAT(run.Err, HasSubstr("COM2: the unit stopped answering mid-way"));
    EXPECT_FALSE(QFile::exists(Path("partial.pro")));
}

TEST_F(RivanctlEndToEnd, SendBacksUpSendsAndVerifies) {
    Unit(3);
    const QString file = EditedFile();
    const CtlRun run = Ctl({"send", "--port", "COM3", file});
    ASSERT_EQ(run.Exit, 0) << run.Err << run.Out;
    EXPECT_THAT(run.Out, HasSubstr("sent: processed 7 data lines of 15"));
    EXPECT_THAT(run.Out, HasSubstr("verified: 7 blocks match"));

    // The backup holds what the unit held before.
    const QStringList backups =
        QDir(DataHome() + "/Qelvar/RIVAN/backups").entryList({"RIVAN-COM3-*.PRO"}, QDir::Files);
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(backups.front().size(), QStringLiteral("RIVAN-COM3-20260314-091502.PRO").size());
    EXPECT_EQ(DataLines(DataHome() + "/Qelvar/RIVAN/backups/" + backups.front()), SimDataLines);

    // The unit now holds the file's settings.
    ASSERT_EQ(Ctl({"receive", "--port", "COM3", "-o", Path("after.pro")}).Exit, 0);
    std::vector<std::string> expected = SimDataLines;
    expected[0] = "send *I22A01F001C001300E803000010270000";
    expected[3] = "send *I22A00440020180AA401C463C    #2";
    EXPECT_EQ(DataLines(Path("after.pro")), expected);
}

TEST_F(RivanctlEndToEnd, SendRefusesAMalformedFileAndAnUnreadableOne) {
    Unit(3);
    WriteFile(Path("bad.pro"), {SimDataLines[0], "send", SimDataLines[1]});
    const CtlRun bad = Ctl({"send", "--port", "COM3", Path("bad.pro")});
    EXPECT_EQ(bad.Exit, 2);
    EXPECT_THAT(bad.Err, HasSubstr("line 2 is malformed; nothing sent"));
    const CtlRun missing = Ctl({"send", "--port", "COM3", Path("nowhere.pro")});
    EXPECT_EQ(missing.Exit, 2);
    EXPECT_THAT(missing.Err, HasSubstr("nowhere.pro"));
}

TEST_F(RivanctlEndToEnd, SendToThreeUnitsAtOnce) {
    Unit(1);
    Unit(4, {"--name", "KALDORN-3C+"});
    Unit(7);
    const QString file = EditedFile();
    const CtlRun run = Ctl({"send", "--port", "COM1,COM4,COM7", "--no-backup", file});
    ASSERT_EQ(run.Exit, 0) << run.Err << run.Out;
    EXPECT_THAT(run.Out, HasSubstr("COM1: verified: 7 blocks match (exit 0)\n"
                                   "COM4: verified: 7 blocks match (exit 0)\n"
                                   "COM7: verified: 7 blocks match (exit 0)\n"));
    EXPECT_FALSE(QDir(DataHome()).exists());
}

TEST_F(RivanctlEndToEnd, DiffSaysEqualOrNamesEachField) {
    Unit(5);
    WriteFile(Path("same.pro"), SimDataLines);
    const CtlRun equal = Ctl({"diff", "--port", "COM5", Path("same.pro")});
    EXPECT_EQ(equal.Exit, 0) << equal.Err;
    EXPECT_THAT(equal.Out, HasSubstr("equal: RIVAN ver1.05 holds the settings of same.pro"));

    const CtlRun unequal = Ctl({"diff", "--port", "COM5", EditedFile()});
    EXPECT_EQ(unequal.Exit, 1);
    EXPECT_EQ(unequal.Out, "MER alarm: file 19 dB, unit 22 dB\n"
                           "point 3 frequency: file 474.000 MHz, unit 650.000 MHz\n"
                           "2 differences\n");
}

TEST_F(RivanctlEndToEnd, CheckTellsWhatEachLineDoes) {
    WriteFile(Path("good.pro"), {"# settings", SimDataLines[0], SimDataLines[3]});
    const CtlRun good = Ctl({"check", Path("good.pro")});
    EXPECT_EQ(good.Exit, 0);
    EXPECT_THAT(good.Out, HasSubstr("  1: comment\n"
                                    "  2: data block applied to configuration\n"
                                    "  3: data block applied to point 3\n"));
    EXPECT_THAT(good.Out, HasSubstr("  point 3: on, 650.000 MHz, power alarm -47 dBm, power "
                                    "warning -37 dBm\n"));

    WriteFile(Path("bad.pro"), {"send *I22A0041000", "send #1", SimDataLines[0]});
    const CtlRun bad = Ctl({"check", "--json", Path("bad.pro")});
    EXPECT_EQ(bad.Exit, 1);
    EXPECT_THAT(bad.Out, HasSubstr("\"kind\":\"skipped\""));
    EXPECT_THAT(bad.Out, HasSubstr("\"kind\":\"malformed\""));
    EXPECT_THAT(bad.Out, HasSubstr("\"kind\":\"not read\""));
    EXPECT_THAT(bad.Out, HasSubstr("\"problems\":2"));
}

TEST_F(RivanctlEndToEnd, MonitorWritesACsvRowPerChannelPerRound) {
    Unit(6);
    const CtlRun run = Ctl({"monitor", "--port", "COM6", "--interval", "0", "--count", "2", "--csv",
                            Path("readings.csv")});
    ASSERT_EQ(run.Exit, 0) << run.Err;
    const std::vector<std::string> rows = FileLines(Path("readings.csv"));
    ASSERT_EQ(rows.size(), 1u + 12u + 1u); // header, 2 x 6 rows, the empty tail after CR LF
    EXPECT_EQ(rows[0], "time,channel,enabled,frequency_khz,power_dbm,mer_db,ber,alarm,warning");
    EXPECT_EQ(rows.back(), "");
    for (std::size_t i = 1; i <= 12; ++i)
        EXPECT_EQ(std::count(rows[i].begin(), rows[i].end(), ','), 8) << rows[i];
    // Round one measures channel 1, round two channel 2; channel 6 is off at 1210 MHz.
    EXPECT_THAT(rows[1],
                ::testing::MatchesRegex(".*,1,1,474000,-?[0-9]+\\.[0-9]{2},[0-9]+\\.[0-9]{2},"
                                        "[0-9]\\.[0-9]{2}E-[0-9]{2},[01],[01]"));
    EXPECT_THAT(rows[6], ::testing::EndsWith(",6,0,1210000,,,,0,0"));
    EXPECT_THAT(rows[8], ::testing::MatchesRegex(".*,2,1,522000,-?[0-9]+\\.[0-9]{2},.*"));
    // Six text lines per round on standard output.
    EXPECT_EQ(std::count(run.Out.begin(), run.Out.end(), '\n'), 12);
}

// A monitor run stopped by a signal once its first row is on disk: the round in progress
// is finished, every line of the file is whole, and the exit code names the signal.
TEST_F(RivanctlEndToEnd, MonitorStoppedBySignalLeavesWholeRowsAndExits128PlusTheSignal) {
    struct Row {
        int Signal;
        int Exit;
    };
    for (const Row row : {Row{SIGTERM, 143}, Row{SIGINT, 130}}) {
        SCOPED_TRACE(row.Signal);
        Unit(6);
        const QString csv = Path(row.Signal == SIGTERM ? "term.csv" : "int.csv");
        QProcess process;
        StartCtl(process,
                 {"monitor", "--port", "COM6", "--interval", "0", "--quiet", "--csv", csv});
        ASSERT_TRUE(process.waitForStarted(10000));
        // Bounded polling for the first row behind the header.
        const QDeadlineTimer deadline(60000);
        while (FileLines(csv).size() < 3 && !deadline.hasExpired() &&
               process.state() == QProcess::Running)
            process.waitForFinished(20);
        ASSERT_GE(FileLines(csv).size(), 3u) << process.readAllStandardError().toStdString();
        ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), row.Signal), 0);
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), row.Exit);

        const std::vector<std::string> rows = FileLines(csv);
        ASSERT_GE(rows.size(), 1u + 6u + 1u);
        EXPECT_EQ(rows.front(),
                  "time,channel,enabled,frequency_khz,power_dbm,mer_db,ber,alarm,warning");
        EXPECT_EQ(rows.back(), "") << "the file ends with a whole line";
        // Whole rounds only: six rows each.
        EXPECT_EQ((rows.size() - 2) % 6, 0u);
        for (std::size_t i = 1; i + 1 < rows.size(); ++i)
            EXPECT_THAT(rows[i], ::testing::MatchesRegex(
                                     "[^,]+,[1-6],[01],[0-9]+,(-?[0-9]+\\.[0-9]{2})?,"
                                     "([0-9]+\\.[0-9]{2})?,([0-9]\\.[0-9]{2}E[-+][0-9]{2})?,"
                                     "[01],[01]"))
                << i;
        sims.clear();
    }
}

TEST_F(RivanctlEndToEnd, DetectAllFindsThreeUnitsBesideFiveMissingPorts) {
    Unit(2);
    Unit(5, {"--name", "PELCAN", "--version", "2.5"});
    Unit(8);
    const CtlRun run = Ctl({"detect", "--all"});
    ASSERT_EQ(run.Exit, 0) << run.Err;
    EXPECT_THAT(run.Out, HasSubstr("COM2: RIVAN ver1.05\n"));
    EXPECT_THAT(run.Out, HasSubstr("COM5: PELCAN ver2.50\n"));
    EXPECT_THAT(run.Out, HasSubstr("COM8: RIVAN ver1.05\n"));
    EXPECT_THAT(run.Out, HasSubstr("COM1: cannot open " + ports[1].toStdString() + ": missing\n"));
    EXPECT_EQ(std::count(run.Out.begin(), run.Out.end(), '\n'), 8);
}

TEST_F(RivanctlEndToEnd, NoUnitAnywhereExits3AndBadArgumentsExit2) {
    const CtlRun none = Ctl({"detect"});
    EXPECT_EQ(none.Exit, 3);
    EXPECT_THAT(none.Out, HasSubstr("COM1 not available"));
    const CtlRun noDevice = Ctl({"diff", "--device", Path("nothing"), Path("x.pro")});
    EXPECT_EQ(noDevice.Exit, 2); // the file is read first
    WriteFile(Path("x.pro"), SimDataLines);
    const CtlRun notSerial = Ctl({"diff", "--device", Path("x.pro"), Path("x.pro")});
    EXPECT_EQ(notSerial.Exit, 3);
    EXPECT_THAT(notSerial.Err, HasSubstr("cannot be opened: not a serial port"));
    for (const QStringList& arguments :
         {QStringList{"--frobnicate"}, QStringList{"receive"}, QStringList{"send"},
          QStringList{"diff", "--port", "COM9", "x.pro"}, QStringList{"fly"},
          QStringList{"monitor", "--count", "0"}}) {
        const CtlRun run = Ctl(arguments);
        EXPECT_EQ(run.Exit, 2) << arguments.join(' ').toStdString();
        EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
    }
}

TEST_F(RivanctlOverTheNetwork, PortsTellWhetherEachNetworkPortAnswers) {
    ports[1] = NetworkUnit();
    const RefusingPort refusing;
    const int refused = refusing.Port();
    ports[2] = QStringLiteral("tcp://127.0.0.1:%1").arg(refused);
    const SilentListener silent;
    ASSERT_NE(silent.Port(), 0);
    ports[3] = QStringLiteral("rfc2217://127.0.0.1:%1").arg(silent.Port());
    Unit(4);
    const std::string answering = ports[1].toStdString();

    const CtlRun words = Ctl({"ports"});
    ASSERT_EQ(words.Exit, 0) << words.Err;
    EXPECT_THAT(words.Out, HasSubstr("COM1  " + answering + "  answers\n"));
    EXPECT_THAT(words.Out,
                HasSubstr("COM2  tcp://127.0.0.1:" + std::to_string(refused) + "  refused\n"));
    EXPECT_THAT(words.Out, HasSubstr("COM3  rfc2217://127.0.0.1:" + std::to_string(silent.Port()) +
                                     "  no answer\n"));
    // A local device is listed as before.
    EXPECT_THAT(words.Out, HasSubstr("COM4  " + ports[4].toStdString()));
    EXPECT_THAT(words.Out, HasSubstr("COM5  " + ports[5].toStdString() + "  missing\n"));

    const CtlRun json = Ctl({"ports", "--json"});
    ASSERT_EQ(json.Exit, 0) << json.Err;
    const QJsonArray listed =
        QJsonDocument::fromJson(QByteArray::fromStdString(json.Out)).object()["ports"].toArray();
    ASSERT_EQ(listed.size(), 8);
    struct Row {
        int Index;
        bool Network;
        QString Address;
        QString Answer;
        bool Usable;
    };
    const Row rows[] = {
        {0, true, ports[1], "answers", true},
        {1, true, ports[2], "refused", false},
        {2, true, ports[3], "no answer", false},
        {3, false, "", "", true},
        {4, false, "", "", false},
    };
    for (const Row& row : rows) {
        const QJsonObject port = listed[row.Index].toObject();
        SCOPED_TRACE(port["port"].toString().toStdString());
        EXPECT_EQ(port["port"].toString(), QStringLiteral("COM%1").arg(row.Index + 1));
        EXPECT_EQ(port["device"].toString(), ports[row.Index + 1]);
        EXPECT_EQ(port["network"].toBool(), row.Network);
        EXPECT_EQ(port["address"].toString(), row.Address);
        EXPECT_EQ(port["answer"].toString(), row.Answer);
        EXPECT_EQ(port["usable"].toBool(), row.Usable);
    }
}

TEST_F(RivanctlOverTheNetwork, CommandsReachAUnitByPortAndByDevice) {
    ports[2] = NetworkUnit();
    const CtlRun detect = Ctl({"detect"});
    ASSERT_EQ(detect.Exit, 0) << detect.Err;
    // Detection's log names the address once; the port keeps its name.
    EXPECT_THAT(detect.Out, HasSubstr("COM2 (" + ports[2].toStdString() + ") -> RIVAN ver1.05"));
    EXPECT_THAT(detect.Out, HasSubstr("found RIVAN on COM2"));

    const CtlRun byPort = Ctl({"receive", "--port", "COM2", "-o", Path("com2.pro")});
    ASSERT_EQ(byPort.Exit, 0) << byPort.Err;
    EXPECT_EQ(DataLines(Path("com2.pro")), SimDataLines);

    // A send backs up under the host and port, then writes and reads back.
    const CtlRun send = Ctl({"send", "--device", ports[2], EditedFile()});
    ASSERT_EQ(send.Exit, 0) << send.Err << send.Out;
    EXPECT_THAT(send.Out, HasSubstr("verified: 7 blocks match"));
    const QStringList backups = QDir(DataHome() + "/Qelvar/RIVAN/backups")
                                    .entryList({"RIVAN-127.0.0.1_*-*.PRO"}, QDir::Files);
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(DataLines(DataHome() + "/Qelvar/RIVAN/backups/" + backups.front()), SimDataLines);

    const RefusingPort refusing;
    const CtlRun refused =
        Ctl({"detect", "--device", QStringLiteral("tcp://127.0.0.1:%1").arg(refusing.Port())});
    EXPECT_EQ(refused.Exit, 3);
    EXPECT_THAT(refused.Out + refused.Err, HasSubstr("cannot be opened: refused"));
}

TEST_F(RivanctlEndToEnd, HelpListsEveryCommandOptionAndExitCode) {
    const CtlRun run = Ctl({"--help"});
    EXPECT_EQ(run.Exit, 0);
    for (const char* word : {"ports",
                             "detect",
                             "receive",
                             "send",
                             "diff",
                             "check",
                             "monitor",
                             "--port",
                             "--device",
                             "--all",
                             "--output",
                             "--no-backup",
                             "--no-verify",
                             "--interval",
                             "--count",
                             "--csv",
                             "--json",
                             "--quiet",
                             "--help",
                             "--version",
                             "  0  success",
                             "  1  differences",
                             "  2  usage error",
                             "  3  no unit found",
                             "  4  the unit refused",
                             "  130, 143  stopped by Ctrl+C (SIGINT) or SIGTERM"})
        EXPECT_THAT(run.Out, HasSubstr(word));
}

} // namespace
