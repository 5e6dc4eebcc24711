// The main window's conversations with a unit that fails at one chosen exchange: silent,
// refusing, noisy, late or hanging up. Each row says what the user must see afterwards.
#include "mainformfixture.h"

#include "dialogs/monitordlg.h"
#include "link/sim/simulatedunit.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ostream>
#include <set>

namespace {

using namespace std::chrono_literals;

// One handshake wait that runs out: 32 reads of 105 ms.
constexpr SimTime HandshakeTimeout = 32 * 105ms;
// What a conversation costs beyond its time-outs: the unit's first XON comes a heartbeat
// after the port is opened, and a late reply a little later than the read that missed it.
constexpr SimTime AnswerTime = 1500ms;
// How many time-outs a user may sit through at most.
constexpr int DetectionCap = 2; // one port, one per query
constexpr int ReceiveCap = 3;   // each of the three steps stops at its first failure
constexpr int SendCap = 2;      // the failing line, then the reset
constexpr int TickCap = 5;      // two status queries and three measurements

constexpr SimTime LateReply = 200ms;
// Line noise before the unit's answer, with a NAK in it that must not count.
const std::string Noise("~\0\xFF\x15", 4);

enum class Fault { Silent, Nak, Garbage, Late, HangUp };

// An expected log line: the text itself, or a pattern when it starts with "~".
bool LineMatches(const QString& expected, const QString& actual) {
    if (!expected.startsWith(QLatin1Char('~')))
        return expected == actual;
    return QRegularExpression(QRegularExpression::anchoredPattern(expected.mid(1)))
        .match(actual)
        .hasMatch();
}

::testing::AssertionResult LinesMatch(const QStringList& expected, const QStringList& actual) {
    bool same = expected.size() == actual.size();
    for (qsizetype i = 0; same && i < expected.size(); ++i)
        same = LineMatches(expected[i], actual[i]);
    if (same)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected\n  " << expected.join("\n  ").toStdString()
                                         << "\nlogged\n  " << actual.join("\n  ").toStdString();
}

// "*?I22A0%04X%03X": the read command of a memory block.
QString ReadCommand(int address, int length) {
    char text[32];
    std::snprintf(text, sizeof text, "*?I22A0%04X%03X", static_cast<unsigned>(address),
                  static_cast<unsigned>(length));
    return QString::fromLatin1(text);
}

// A block reply: four characters, then two hex digits per byte.
QString BlockReply(int length) {
    return QStringLiteral("~\\*I22[0-9A-F]{%1}").arg(2 * length);
}

// The lines detection logs with the unit on COM1 and COM2 to COM8 missing.
QStringList DetectionLines(bool found, const QString& version) {
    QStringList lines{QStringLiteral("Detecting equipment and COM port")};
    if (found)
        return lines << QStringLiteral("COM1 -> RIVAN ver") + version;
    lines << QStringLiteral("COM1 -> not used");
    for (int port = 2; port <= 8; ++port)
        lines << QStringLiteral("COM%1 not available").arg(port);
    return lines;
}

class FaultMatrix : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        driver.AttachPeer("COM1", unit);
    }

    // The unit fails from the `exchange`-th command it is sent from now on (1 = the next).
    void InjectAt(Fault fault, int exchange) {
        const int command = static_cast<int>(unit.Exchanges().size()) + exchange;
        UnitSettings& settings = unit.Settings();
        switch (fault) {
        case Fault::Silent:
            settings.Silent = true;
            settings.FaultsFromCommand = command;
            break;
        case Fault::Nak:
            settings.NakOnCommand = command;
            break;
        case Fault::Garbage:
            settings.Garbage = Noise;
            settings.FaultsFromCommand = command;
            break;
        case Fault::Late:
            settings.ReplyDelay = LateReply;
            settings.FaultsFromCommand = command;
            break;
        case Fault::HangUp:
            settings.HangUpOnCommand = command;
            break;
        }
    }

    void DetectTheUnit() {
        Trigger("ToolsDetect");
        ASSERT_TRUE(form->GetEquipmentFound());
        ASSERT_FALSE(driver.IsOpen("COM1"));
    }

    // Runs `name` and returns the virtual time it took.
    SimTime Timed(const QString& name) {
        const SimTime start = driver.Now();
        Trigger(name);
        return driver.Now() - start;
    }

    static ::testing::AssertionResult WithinBounds(SimTime elapsed, int waits, int cap) {
        if (waits > cap)
            return ::testing::AssertionFailure() << waits << " time-outs exceed the cap " << cap;
        const auto ms = [](SimTime time) {
            return std::chrono::duration_cast<std::chrono::milliseconds>(time).count();
        };
        if (elapsed < waits * HandshakeTimeout || elapsed > waits * HandshakeTimeout + AnswerTime ||
            elapsed > cap * HandshakeTimeout + AnswerTime)
            return ::testing::AssertionFailure()
                   << "took " << ms(elapsed) << " ms for " << waits << " time-outs of "
                   << ms(HandshakeTimeout) << " ms (cap " << cap << ")";
        return ::testing::AssertionSuccess();
    }

    // The actions of the list except `disabled`.
    static std::vector<QString> AllBut(const std::set<QString>& disabled) {
        std::vector<QString> enabled;
        std::copy_if(AllActions.begin(), AllActions.end(), std::back_inserter(enabled),
                     [&](const QString& name) { return !disabled.contains(name); });
        return enabled;
    }

    // The lines logged by the last command, without its start and exit lines, which must
    // begin with `what` followed by "started at " and "exit at ".
    QStringList CommandLines(qsizetype from, const QString& what) {
        const QStringList lines = Lines().mid(from);
        if (lines.size() < 2) {
            ADD_FAILURE() << "no start and exit lines";
            return lines;
        }
        EXPECT_TRUE(lines.front().startsWith(what + QStringLiteral(" started at ")))
            << lines.front().toStdString();
        EXPECT_TRUE(lines.back().startsWith(what + QStringLiteral(" exit at ")))
            << lines.back().toStdString();
        return lines.mid(1, lines.size() - 2);
    }

    SimulatedUnit unit;
};

// ---- Detection ----------------------------------------------------------------------------

struct DetectCase {
    const char* Name;
    int Exchange; // 1 the name query, 2 the version query
    Fault Kind;
    bool Found;
    const char* Version; // as the identification line shows it
    int Waits;
};

std::ostream& operator<<(std::ostream& out, const DetectCase& row) {
    return out << row.Name;
}

class DetectFaults : public FaultMatrix, public ::testing::WithParamInterface<DetectCase> {};

TEST_P(DetectFaults, ShowWhatTheUnitAnswered) {
    const DetectCase& row = GetParam();
    InjectAt(row.Kind, row.Exchange);
    const qsizetype start = Lines().size();

    const SimTime elapsed = Timed("ToolsDetect");

    EXPECT_TRUE(LinesMatch(DetectionLines(row.Found, row.Version), Lines().mid(start)));
    EXPECT_EQ(form->GetEquipmentFound(), row.Found);
    EXPECT_EQ(form->GetPortIndex(), row.Found ? 0 : -1);
    EXPECT_EQ(form->PanelText(TMainForm::EquipmentPanel), row.Found ? "RIVAN" : "");
    EXPECT_EQ(form->PanelText(TMainForm::PortPanel), row.Found ? "COM1" : "");
    EXPECT_EQ(form->DetectImage(), row.Found ? 14 : 13);
    EXPECT_EQ(EnabledActions(), row.Found
                                    ? AllBut({"FileSave", "FileSaveAs", "EditPoint", "EditConfig",
                                              "EditMessage", "SendData"})
                                    : AllBut({"FileSave", "FileSaveAs", "EditPoint", "EditConfig",
                                              "EditMessage", "SendData", "ToolsMonitor"}));
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(prompts.Beeps, 0);
    EXPECT_FALSE(driver.IsOpen("COM1"));
    EXPECT_TRUE(WithinBounds(elapsed, row.Waits, DetectionCap));
}

INSTANTIATE_TEST_SUITE_P(
    Exchanges, DetectFaults,
    ::testing::Values(DetectCase{"NameQuerySilent", 1, Fault::Silent, false, "", 1},
                      DetectCase{"NameQueryNak", 1, Fault::Nak, false, "", 0},
                      DetectCase{"NameQueryGarbage", 1, Fault::Garbage, true, "1.05", 0},
                      DetectCase{"NameQueryLate", 1, Fault::Late, false, "", 0},
                      DetectCase{"NameQueryHangUp", 1, Fault::HangUp, false, "", 0},
                      // A recognised name counts, whatever becomes of the version.
                      DetectCase{"VersionQuerySilent", 2, Fault::Silent, true, "0.00", 1},
                      DetectCase{"VersionQueryNak", 2, Fault::Nak, true, "0.00", 0},
                      DetectCase{"VersionQueryGarbage", 2, Fault::Garbage, true, "1.05", 0},
                      DetectCase{"VersionQueryLate", 2, Fault::Late, true, "0.00", 0},
                      DetectCase{"VersionQueryHangUp", 2, Fault::HangUp, true, "0.00", 0}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- Receive ------------------------------------------------------------------------------

// What the unit holds where it differs from a profile's defaults.
constexpr std::array<std::uint32_t, 6> UnitFrequenciesKHz = {474000, 522000, 666000,
                                                             746000, 858000, 1210000};
constexpr std::uint32_t DefaultFrequencyKHz = 650000;
constexpr std::uint16_t UnitWarningMER = 30;
constexpr std::uint16_t DefaultWarningMER = 28;

QString UnitMessage(int slot) {
    return QStringLiteral("UNIT MESSAGE %1 ").arg(slot, 2, 10, QLatin1Char('0'));
}

struct ReceiveCase {
    const char* Name;
    bool DetectFirst; // otherwise the receive runs detection itself
    int Exchange;     // counted from the first command of the receive's own conversation
    Fault Kind;
    bool NoUnit;        // detection found nothing
    bool Configuration; // the configuration request was answered
    int Points;         // detection point requests answered before one failed (6: all)
    int Messages;       // message requests answered before one failed (32: all)
    int Waits;
};

std::ostream& operator<<(std::ostream& out, const ReceiveCase& row) {
    return out << row.Name;
}

class ReceiveFaults : public FaultMatrix, public ::testing::WithParamInterface<ReceiveCase> {
protected:
    void SetUp() override {
        FaultMatrix::SetUp();
        // MER warning 30 dB; point 2 at 666 000 000 Hz = 0x27B25A80; every message its own.
        unit.Memory()[0x1F00] = UnitWarningMER;
        const std::array<std::uint8_t, 4> frequency = {0x80, 0x5A, 0xB2, 0x27};
        std::copy(frequency.begin(), frequency.end(), unit.Memory().begin() + 0x0442);
        for (int slot = 0; slot < 32; ++slot) {
            const QByteArray text = UnitMessage(slot).toLatin1();
            std::copy(text.begin(), text.end(), unit.Memory().begin() + 16 * slot);
        }
    }

    // The line a failed request leaves in the log: its command, or nothing when the reply
    // came too late to be read.
    QString FailedRequest(int address, int length) const {
        return GetParam().Kind == Fault::Late ? QString() : ReadCommand(address, length);
    }
};

TEST_P(ReceiveFaults, KeepWhatCameAndTellTheUser) {
    const ReceiveCase& row = GetParam();
    if (row.DetectFirst)
        DetectTheUnit();
    InjectAt(row.Kind, row.Exchange);
    const qsizetype start = Lines().size();

    const SimTime elapsed = Timed("ReceiveData");

    QStringList expected;
    if (!row.DetectFirst)
        expected << DetectionLines(!row.NoUnit, "1.05");
    const bool complete = !row.NoUnit && row.Configuration && row.Points == 6 && row.Messages == 32;
    if (row.NoUnit) {
        expected << QStringLiteral("ERROR: unable to receive data. Check connection");
    } else {
        expected << QStringLiteral("loading configuration data...")
                 << (row.Configuration ? BlockReply(12) : FailedRequest(0x1F00, 12))
                 << QStringLiteral("loading identification points data...");
        for (int point = 0; point < row.Points; ++point)
            expected << BlockReply(32);
        if (row.Points < 6)
            expected << FailedRequest(0x0400 + 32 * row.Points, 32);
        expected << QStringLiteral("loading text messages data...");
        for (int slot = 0; slot < row.Messages; ++slot)
            expected << BlockReply(16);
        if (row.Messages < 32)
            expected << FailedRequest(16 * row.Messages, 16);
        if (complete)
            expected << QStringLiteral("received data from remote equipment");
    }
    EXPECT_TRUE(LinesMatch(expected, CommandLines(start, "Tools: receive data")));

    // The document.
    EXPECT_EQ(form->GetDocumentPresent(), complete);
    EXPECT_EQ(form->GetModified(), complete);
    EXPECT_EQ(form->PanelText(TMainForm::FilePanel), complete ? "Untitled.PRO" : "");
    EXPECT_EQ(form->GetScriptLines().size(), complete ? 15u : 0u);
    const EquipmentProfile& profile = form->GetProfile();
    EXPECT_EQ(profile.WarningMER(), row.Configuration ? UnitWarningMER : DefaultWarningMER);
    for (int point = 0; point < 6; ++point)
        EXPECT_EQ(profile.FrequencyKHz(point),
                  point < row.Points ? UnitFrequenciesKHz[point] : DefaultFrequencyKHz)
            << "point " << point;
    for (int slot = 0; slot < 32; ++slot)
        EXPECT_EQ(QString::fromStdString(profile.GetMessageText(slot)) == UnitMessage(slot),
                  slot < row.Messages)
            << "message " << slot;

    // What the user is told, and what may come next.
    if (row.NoUnit) {
        EXPECT_EQ(prompts.Beeps, 1);
        EXPECT_TRUE(prompts.Messages.empty());
        EXPECT_EQ(EnabledActions(), AllBut({"FileSave", "FileSaveAs", "EditPoint", "EditConfig",
                                            "EditMessage", "SendData", "ToolsMonitor"}));
    } else if (complete) {
        EXPECT_EQ(prompts.Beeps, 0);
        EXPECT_TRUE(prompts.Messages.empty());
        EXPECT_EQ(EnabledActions(), AllBut({"EditMessage"}));
    } else {
        EXPECT_EQ(prompts.Beeps, 0);
        ASSERT_EQ(prompts.Messages.size(), 1u);
        EXPECT_EQ(prompts.Messages[0].Caption, "Warning");
        EXPECT_EQ(prompts.Messages[0].Text, "Error loading equipment data. Using default.");
        EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Warning);
        EXPECT_EQ(prompts.Messages[0].Choice, Prompts::Buttons::Ok);
        EXPECT_EQ(EnabledActions(), AllBut({"FileSave", "FileSaveAs", "EditMessage"}));
    }
    EXPECT_FALSE(driver.IsOpen("COM1"));
    EXPECT_TRUE(
        WithinBounds(elapsed, row.Waits, ReceiveCap + (row.DetectFirst ? 0 : DetectionCap)));
}

INSTANTIATE_TEST_SUITE_P(
    Exchanges, ReceiveFaults,
    ::testing::Values(
        // The configuration request, the first of 39: a unit that is gone fails each step once.
        ReceiveCase{"ConfigurationSilent", true, 1, Fault::Silent, false, false, 0, 0, 3},
        ReceiveCase{"ConfigurationNak", true, 1, Fault::Nak, false, false, 6, 32, 0},
        ReceiveCase{"ConfigurationGarbage", true, 1, Fault::Garbage, false, true, 6, 32, 0},
        ReceiveCase{"ConfigurationLate", true, 1, Fault::Late, false, false, 0, 0, 0},
        ReceiveCase{"ConfigurationHangUp", true, 1, Fault::HangUp, false, false, 0, 0, 0},
        // The third detection point request: the rest of the points are skipped.
        ReceiveCase{"ThirdPointSilent", true, 4, Fault::Silent, false, true, 2, 0, 2},
        ReceiveCase{"ThirdPointNak", true, 4, Fault::Nak, false, true, 2, 32, 0},
        ReceiveCase{"ThirdPointGarbage", true, 4, Fault::Garbage, false, true, 6, 32, 0},
        ReceiveCase{"ThirdPointLate", true, 4, Fault::Late, false, true, 2, 0, 0},
        ReceiveCase{"ThirdPointHangUp", true, 4, Fault::HangUp, false, true, 2, 0, 0},
        // The sixth message request, the thirteenth of all.
        ReceiveCase{"SixthMessageSilent", true, 13, Fault::Silent, false, true, 6, 5, 1},
        ReceiveCase{"SixthMessageNak", true, 13, Fault::Nak, false, true, 6, 5, 0},
        ReceiveCase{"SixthMessageGarbage", true, 13, Fault::Garbage, false, true, 6, 32, 0},
        ReceiveCase{"SixthMessageLate", true, 13, Fault::Late, false, true, 6, 5, 0},
        ReceiveCase{"SixthMessageHangUp", true, 13, Fault::HangUp, false, true, 6, 5, 0},
        // The name query of the detection that a receive without a known unit runs first.
        ReceiveCase{"OwnDetectionSilent", false, 1, Fault::Silent, true, false, 0, 0, 1},
        ReceiveCase{"OwnDetectionNak", false, 1, Fault::Nak, true, false, 0, 0, 0},
        ReceiveCase{"OwnDetectionGarbage", false, 1, Fault::Garbage, false, true, 6, 32, 0},
        ReceiveCase{"OwnDetectionLate", false, 1, Fault::Late, true, false, 0, 0, 0},
        ReceiveCase{"OwnDetectionHangUp", false, 1, Fault::HangUp, true, false, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- Send ---------------------------------------------------------------------------------

// Where the data lines stand in the 15-line script of a profile: the configuration line,
// then the six detection point lines after a comment.
constexpr std::array<int, 7> DataLineIndex = {6, 8, 9, 10, 11, 12, 13};

struct SendCase {
    const char* Name;
    bool DetectFirst;
    int Exchange; // 1 to 7 the data lines, 8 the reset
    Fault Kind;
    bool NoUnit;
    int LinesTaken;  // data lines the unit acknowledged before one failed (7: all)
    bool ResetTaken; // the unit acknowledged "*RST"
    int Waits;
};

std::ostream& operator<<(std::ostream& out, const SendCase& row) {
    return out << row.Name;
}

class SendFaults : public FaultMatrix, public ::testing::WithParamInterface<SendCase> {};

TEST_P(SendFaults, StopAtTheFailingLineAndStillReset) {
    const SendCase& row = GetParam();
    Trigger("FileNew");
    if (row.DetectFirst)
        DetectTheUnit();
    InjectAt(row.Kind, row.Exchange);
    prompts.Messages.clear();
    const qsizetype start = Lines().size();

    const SimTime elapsed = Timed("SendData");

    const ScriptLineList& script = form->GetScriptLines();
    QStringList expected;
    if (!row.DetectFirst)
        expected << DetectionLines(!row.NoUnit, "1.05");
    if (row.NoUnit) {
        expected << QStringLiteral("ERROR: unable to send data. Check connection");
    } else {
        ASSERT_EQ(script.size(), 15u);
        const int failed = row.LinesTaken < 7 ? DataLineIndex[row.LinesTaken] : 15;
        for (int i = 0; i < failed; ++i)
            expected << QString::fromStdString(script[i]) + QStringLiteral(" OK");
        if (failed < 15)
            expected << QStringLiteral("error at: ") + QString::fromStdString(script[failed]);
        else
            expected << QStringLiteral("Untitled.PRO sent to remote equipment")
                     << QStringLiteral("processed 7 data lines of 15");
    }
    EXPECT_TRUE(LinesMatch(expected, CommandLines(start, "Tools: send data")));

    // The unit took exactly the lines acknowledged; the reset goes last whatever happened.
    std::vector<std::string> taken;
    for (const UnitExchange& exchange : unit.Exchanges()) {
        if (exchange.Accepted && exchange.Command.starts_with("*I22A0"))
            taken.push_back(exchange.Command);
    }
    EXPECT_EQ(taken.size(), static_cast<std::size_t>(row.NoUnit ? 0 : row.LinesTaken));
    EXPECT_EQ(unit.ResetCount(), row.ResetTaken ? 1 : 0);
    if (!row.NoUnit && row.Kind != Fault::Silent && row.Kind != Fault::HangUp) {
        EXPECT_EQ(unit.Commands().back(), "*RST");
    }

    // Sending changes nothing of the document and asks nothing.
    EXPECT_TRUE(form->GetDocumentPresent());
    EXPECT_TRUE(form->GetModified());
    EXPECT_EQ(form->PanelText(TMainForm::FilePanel), "Untitled.PRO");
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(prompts.Beeps, row.NoUnit ? 1 : 0);
    EXPECT_EQ(EnabledActions(),
              row.NoUnit ? AllBut({"EditMessage", "ToolsMonitor"}) : AllBut({"EditMessage"}));
    EXPECT_FALSE(driver.IsOpen("COM1"));
    EXPECT_TRUE(WithinBounds(elapsed, row.Waits, SendCap + (row.DetectFirst ? 0 : DetectionCap)));
}

INSTANTIATE_TEST_SUITE_P(
    Exchanges, SendFaults,
    ::testing::Values(
        // The third data line: the lines after it are not sent, the reset still is.
        SendCase{"ThirdDataLineSilent", true, 3, Fault::Silent, false, 2, false, 2},
        SendCase{"ThirdDataLineNak", true, 3, Fault::Nak, false, 2, true, 0},
        SendCase{"ThirdDataLineGarbage", true, 3, Fault::Garbage, false, 7, true, 0},
        // Commands without a reply line do not mind a slow reply.
        SendCase{"ThirdDataLineLate", true, 3, Fault::Late, false, 7, true, 0},
        SendCase{"ThirdDataLineHangUp", true, 3, Fault::HangUp, false, 2, false, 0},
        // The reset's outcome is not the user's business: the lines went through.
        SendCase{"ResetSilent", true, 8, Fault::Silent, false, 7, false, 1},
        SendCase{"ResetNak", true, 8, Fault::Nak, false, 7, false, 0},
        SendCase{"ResetGarbage", true, 8, Fault::Garbage, false, 7, true, 0},
        SendCase{"ResetLate", true, 8, Fault::Late, false, 7, true, 0},
        SendCase{"ResetHangUp", true, 8, Fault::HangUp, false, 7, false, 0},
        // The name query of the detection a send without a known unit runs first: nothing
        // goes out, not even the reset.
        SendCase{"OwnDetectionSilent", false, 1, Fault::Silent, true, 0, false, 1},
        SendCase{"OwnDetectionNak", false, 1, Fault::Nak, true, 0, false, 0},
        SendCase{"OwnDetectionGarbage", false, 1, Fault::Garbage, false, 7, true, 0},
        SendCase{"OwnDetectionLate", false, 1, Fault::Late, true, 0, false, 0},
        SendCase{"OwnDetectionHangUp", false, 1, Fault::HangUp, true, 0, false, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- Monitor tick -------------------------------------------------------------------------

// The monitor's commands: six register queries at the start, then per tick the status
// query and channel 1's power, MER and BER.
constexpr int StatusQuery = 7;
constexpr int PowerQuery = 8;
constexpr int MerQuery = 9;
constexpr int BerQuery = 10;

struct TickCase {
    const char* Name;
    int Exchange;
    Fault Kind;
    bool StatusRefusedFirst; // the status query before the faulty exchange is refused
    bool ResyncSent;         // the plain "*" line went out after a failed status query
    bool StatusLost;         // both status queries failed: a beep
    bool Power;              // channel 1's power, MER and BER came
    bool Mer;
    bool Ber;
    int Waits;
};

std::ostream& operator<<(std::ostream& out, const TickCase& row) {
    return out << row.Name;
}

class TickFaults : public FaultMatrix, public ::testing::WithParamInterface<TickCase> {};

TEST_P(TickFaults, BeepWhenTheStatusIsLostAndKeepWhatDidNotCome) {
    const TickCase& row = GetParam();
    DetectTheUnit();
    TMonitorDlg monitor(prompts, form.get());
    AppWindows windows;
    windows.MonitorDlg = &monitor;
    form->AttachWindows(windows);
    if (row.StatusRefusedFirst) {
        unit.Settings().NakOnCommand = static_cast<int>(unit.Exchanges().size()) + StatusQuery;
        unit.Settings().NakCount = row.Kind == Fault::Nak ? 2 : 1;
        if (row.Kind != Fault::Nak)
            InjectAt(row.Kind, row.Exchange);
    } else {
        InjectAt(row.Kind, row.Exchange);
    }
    const qsizetype start = Lines().size();

    // One tick, by hand rather than by the one-second timer, then OK.
    SimTime tickTime{};
    QString power, mer, ber, alarms, actives;
    bool portOpenDuringTick = false;
    QTimer::singleShot(0, &monitor, [&] {
        monitor.findChild<QTimer*>("Timer1")->stop();
        const SimTime before = driver.Now();
        portOpenDuringTick = driver.IsOpen("COM1");
        monitor.Timer1Timer();
        tickTime = driver.Now() - before;
        power = monitor.findChild<QLineEdit*>("Power1")->text();
        mer = monitor.findChild<QLineEdit*>("MER1")->text();
        ber = monitor.findChild<QLineEdit*>("BER1")->text();
        for (int channel = 1; channel <= 6; ++channel) {
            alarms +=
                monitor.findChild<QCheckBox*>(QStringLiteral("Alarm%1").arg(channel))->isChecked()
                    ? '1'
                    : '0';
            actives +=
                monitor.findChild<QCheckBox*>(QStringLiteral("Active%1").arg(channel))->isChecked()
                    ? '1'
                    : '0';
        }
        monitor.findChild<QPushButton*>("BtOk")->click();
    });
    Trigger("ToolsMonitor");

    EXPECT_TRUE(portOpenDuringTick);
    EXPECT_TRUE(LinesMatch({}, CommandLines(start, "Tools: remote control monitor")));
    EXPECT_EQ(prompts.Beeps, row.StatusLost ? 1 : 0);
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(driver.Wire("COM1").find("*\r\r\n") != std::string::npos, row.ResyncSent);

    // The unit's channels 1 to 5 measure and channel 5 is always below its alarm power.
    // A status that came shows it; a lost one leaves the boxes as the registers set them.
    EXPECT_EQ(actives, "111110");
    EXPECT_EQ(alarms, row.StatusLost ? "000000" : "000010");
    // Power 74 +- 1.5 dB above 1 microvolt, MER 33 +- 1 dB, BER about 3E-08.
    EXPECT_TRUE(LineMatches(row.Power ? "~-3[1-5]\\.\\d\\d" : "", power)) << power.toStdString();
    EXPECT_TRUE(LineMatches(row.Mer ? "~3[2-4]\\.\\d" : "", mer)) << mer.toStdString();
    EXPECT_TRUE(LineMatches(row.Ber ? "~\\d\\.\\d\\dE-0[78]" : "", ber)) << ber.toStdString();

    EXPECT_EQ(EnabledActions(), AllBut({"FileSave", "FileSaveAs", "EditPoint", "EditConfig",
                                        "EditMessage", "SendData"}));
    EXPECT_FALSE(driver.IsOpen("COM1"));
    EXPECT_TRUE(WithinBounds(tickTime, row.Waits, TickCap));
}

INSTANTIATE_TEST_SUITE_P(
    Exchanges, TickFaults,
    ::testing::Values(
        // The status query: a refusal is mended by the resync and the second query.
        TickCase{"StatusSilent", StatusQuery, Fault::Silent, false, true, true, false, false, false,
                 5},
        TickCase{"StatusNak", StatusQuery, Fault::Nak, false, true, false, true, true, true, 0},
        TickCase{"StatusGarbage", StatusQuery, Fault::Garbage, false, false, false, true, true,
                 true, 0},
        TickCase{"StatusLate", StatusQuery, Fault::Late, false, true, true, false, false, false, 0},
        // A gone line takes no resync line either.
        TickCase{"StatusHangUp", StatusQuery, Fault::HangUp, false, false, true, false, false,
                 false, 0},
        // The second status query, after the first was refused and the resync line went out.
        TickCase{"SecondStatusSilent", StatusQuery + 1, Fault::Silent, true, true, true, false,
                 false, false, 4},
        TickCase{"SecondStatusNak", StatusQuery + 1, Fault::Nak, true, true, true, true, true, true,
                 0},
        TickCase{"SecondStatusGarbage", StatusQuery + 1, Fault::Garbage, true, true, false, true,
                 true, true, 0},
        TickCase{"SecondStatusLate", StatusQuery + 1, Fault::Late, true, true, true, false, false,
                 false, 0},
        TickCase{"SecondStatusHangUp", StatusQuery + 1, Fault::HangUp, true, true, true, false,
                 false, false, 0},
        // The measurements: each query stands alone; what failed keeps its field.
        TickCase{"PowerSilent", PowerQuery, Fault::Silent, false, false, false, false, false, false,
                 3},
        TickCase{"PowerNak", PowerQuery, Fault::Nak, false, false, false, false, true, true, 0},
        TickCase{"PowerGarbage", PowerQuery, Fault::Garbage, false, false, false, true, true, true,
                 0},
        TickCase{"PowerLate", PowerQuery, Fault::Late, false, false, false, false, false, false, 0},
        TickCase{"PowerHangUp", PowerQuery, Fault::HangUp, false, false, false, false, false, false,
                 0},
        TickCase{"MerSilent", MerQuery, Fault::Silent, false, false, false, true, false, false, 2},
        TickCase{"MerNak", MerQuery, Fault::Nak, false, false, false, true, false, true, 0},
        TickCase{"MerGarbage", MerQuery, Fault::Garbage, false, false, false, true, true, true, 0},
        TickCase{"MerLate", MerQuery, Fault::Late, false, false, false, true, false, false, 0},
        TickCase{"MerHangUp", MerQuery, Fault::HangUp, false, false, false, true, false, false, 0},
        TickCase{"BerSilent", BerQuery, Fault::Silent, false, false, false, true, true, false, 1},
        TickCase{"BerNak", BerQuery, Fault::Nak, false, false, false, true, true, false, 0},
        TickCase{"BerGarbage", BerQuery, Fault::Garbage, false, false, false, true, true, true, 0},
        TickCase{"BerLate", BerQuery, Fault::Late, false, false, false, true, true, false, 0},
        TickCase{"BerHangUp", BerQuery, Fault::HangUp, false, false, false, true, true, false, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- Send and verify, compare, restore from a backup ---------------------------------------

// The unit's point 3 before anything is sent, as a backup holds it, and as sent after.
const char* const OldPoint3Line = "send *I22A0044002008036BE26463C    #2";
const char* const NewPoint3Line = "send *I22A00440020080AA401C463C    #2";
const QString SendNoUnitLine = QStringLiteral("ERROR: unable to send data. Check connection");
const QString ReceiveNoUnitLine = QStringLiteral("ERROR: unable to receive data. Check connection");

enum class Conversation { SendVerify, Compare, Restore };
// Where the fault strikes: a block read of the whole unit before anything else, the third
// data line written, or the first block read back.
enum class Phase { Reading, Writing, ReadingBack };
// What the user is left with.
enum class Outcome {
    Verified,      // backup, every line written and read back the same
    Compared,      // the comparison shown, nothing written
    NoUnit,        // the unit could not be read whole: the check-connection line, no backup
    NotWritten,    // backup, then a line refused or lost: "verify FAILED: point 2 not written"
    ReadBackFailed // backup, every line written, the reading back failed
};

struct SafeCase {
    const char* Name;
    Conversation Command;
    Phase Where;
    Fault Kind;
    Outcome Result;
};

std::ostream& operator<<(std::ostream& out, const SafeCase& row) {
    return out << row.Name;
}

class SafeFaults : public FaultMatrix, public ::testing::WithParamInterface<SafeCase> {
protected:
    void SetUp() override {
        previousDataHome_ = qgetenv("XDG_DATA_HOME");
        ASSERT_TRUE(dataHome_.isValid());
        qputenv("XDG_DATA_HOME", dataHome_.path().toLocal8Bit());
        FaultMatrix::SetUp();
    }
    void TearDown() override {
        FaultMatrix::TearDown();
        qputenv("XDG_DATA_HOME", previousDataHome_);
    }

    QString Folder() const { return dataHome_.filePath(QStringLiteral("Qelvar/RIVAN/backups")); }
    QStringList Backups() const {
        return QDir(Folder()).entryList({QStringLiteral("*.PRO")}, QDir::Files, QDir::Name);
    }

    // The unit holds the new document, sent with plain Send; the document then moves point 3
    // to 474 MHz. A restore offers a backup that holds the same change.
    void Prepare(Conversation command) {
        Trigger("FileNew");
        Trigger("SendData");
        ASSERT_EQ(Lines()[Lines().size() - 2], "processed 7 data lines of 15");
        form->GetProfile().SetFrequencyKHz(2, 474000);
        if (command != Conversation::Restore)
            return;
        ASSERT_TRUE(QDir().mkpath(Folder()));
        restored_ = QDir(Folder()).filePath(QStringLiteral("RIVAN-COM1-20260101-000000.PRO"));
        QFile file(restored_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray text;
        for (const std::string& line : form->GetScriptLines())
            text += QByteArray::fromStdString(line) + "\r\n";
        text.replace(OldPoint3Line, NewPoint3Line);
        file.write(text);
        file.close();
        prompts.BackupChoices = {Prompts::BackupChoice{Prompts::BackupAction::Restore, restored_}};
    }

    // The backups this conversation saved.
    QStringList NewBackups() const {
        QStringList backups;
        for (const QString& name : Backups())
            if (QDir(Folder()).filePath(name) != restored_)
                backups << QDir::toNativeSeparators(QDir(Folder()).filePath(name));
        return backups;
    }

    // The data lines the unit took from `from` on.
    int Written(std::size_t from) const {
        int written = 0;
        for (std::size_t i = from; i < unit.Exchanges().size(); ++i)
            written +=
                unit.Exchanges()[i].Accepted && unit.Exchanges()[i].Command.starts_with("*I22A0");
        return written;
    }

    QString restored_;

private:
    QTemporaryDir dataHome_;
    QByteArray previousDataHome_;
};

// Commands of a safe send after detection: 39 block reads of the whole unit, then the seven
// data lines, then the reset and the seven blocks read back.
constexpr int ThirdPointRead = 4;
constexpr int ThirdDataLine = 39 + 3;
constexpr int FirstReadBack = 39 + 7 + 2;

TEST_P(SafeFaults, NeverWriteWithoutABackupAndNameItWhenFailing) {
    const SafeCase& row = GetParam();
    Prepare(row.Command);
    DetectTheUnit();
    const std::vector<QString> actionsBefore = EnabledActions();
    const bool modifiedBefore = form->GetModified();
    prompts.Messages.clear();
    prompts.Answers = {Prompts::Answer::Yes};
    const std::size_t from = unit.Exchanges().size();
    const int exchange = row.Where == Phase::Reading   ? ThirdPointRead
                         : row.Where == Phase::Writing ? ThirdDataLine
                                                       : FirstReadBack;
    InjectAt(row.Kind, exchange);
    const qsizetype start = Lines().size();

    switch (row.Command) {
    case Conversation::SendVerify:
        Trigger("SendVerify");
        break;
    case Conversation::Compare:
        Trigger("CompareUnit");
        break;
    case Conversation::Restore:
        Trigger("ToolsBackups");
        break;
    }
    const QStringList log = Lines().mid(start);
    const QString dump = log.join(QLatin1Char('\n'));

    // Never a line written without the unit's old settings on disk first.
    const int written = Written(from);
    const QStringList backups = NewBackups();
    if (written > 0) {
        ASSERT_EQ(backups.size(), 1) << dump.toStdString();
        const QString saved = QStringLiteral("backup saved to ") + backups.front();
        const qsizetype firstWrite = log.indexOf(QRegularExpression("^send \\*I22A0.* OK$"));
        EXPECT_GE(log.indexOf(saved), 0) << dump.toStdString();
        EXPECT_LT(log.indexOf(saved), firstWrite) << dump.toStdString();
        QByteArray old = ReadBytes(QDir::fromNativeSeparators(backups.front()));
        EXPECT_TRUE(old.contains(QByteArray(OldPoint3Line) + "\r\n"));
    }

    const bool failed = row.Result == Outcome::NotWritten || row.Result == Outcome::ReadBackFailed;
    switch (row.Result) {
    case Outcome::Verified:
        EXPECT_EQ(written, 7);
        EXPECT_TRUE(log.contains("verified: 7 blocks match")) << dump.toStdString();
        EXPECT_EQ(unit.Block(0x0442, 4)[3], 0x1C); // 474 MHz is 0x1C40AA80
        break;
    case Outcome::Compared:
        EXPECT_EQ(written, 0);
        EXPECT_TRUE(backups.isEmpty());
        ASSERT_EQ(prompts.Comparisons.size(), 1u);
        EXPECT_TRUE(prompts.Comparisons[0].Question.isEmpty());
        ASSERT_EQ(prompts.Comparisons[0].Rows.size(), 1);
        EXPECT_EQ(prompts.Comparisons[0].Rows[0].What, "point 3 frequency");
        break;
    case Outcome::NoUnit:
        EXPECT_EQ(written, 0);
        EXPECT_TRUE(backups.isEmpty());
        EXPECT_TRUE(prompts.Comparisons.empty());
        EXPECT_TRUE(
            log.contains(row.Command == Conversation::Compare ? ReceiveNoUnitLine : SendNoUnitLine))
            << dump.toStdString();
        EXPECT_EQ(unit.Block(0x0442, 4)[3], 0x26); // still 650 MHz
        break;
    case Outcome::NotWritten:
        EXPECT_EQ(written, 2);
        EXPECT_TRUE(log.contains("verify FAILED: point 2 not written")) << dump.toStdString();
        EXPECT_TRUE(log.contains(SendNoUnitLine)) << dump.toStdString();
        break;
    case Outcome::ReadBackFailed:
        EXPECT_EQ(written, 7);
        EXPECT_FALSE(log.contains("verified: 7 blocks match")) << dump.toStdString();
        EXPECT_TRUE(log.filter(QRegularExpression("^verify FAILED: ")).size() >= 1)
            << dump.toStdString();
        break;
    }
    // A failure after the backup names it in the error box; nothing else asks or tells.
    if (failed) {
        ASSERT_EQ(backups.size(), 1);
        ASSERT_EQ(prompts.Messages.size(), 1u) << dump.toStdString();
        EXPECT_EQ(prompts.Messages[0].Caption, "RIVAN error");
        EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Error);
        EXPECT_TRUE(prompts.Messages[0].Text.contains(backups.front()))
            << prompts.Messages[0].Text.toStdString();
    } else {
        EXPECT_TRUE(prompts.Messages.empty());
    }
    // Whenever the unit stopped answering as it should, the beep: a refused read-back too.
    EXPECT_EQ(prompts.Beeps, row.Result == Outcome::NoUnit || failed ? 1 : 0);
    // The document stays as it was, the window as ready as before, the port closed.
    EXPECT_EQ(form->GetModified(), modifiedBefore);
    EXPECT_EQ(EnabledActions(), actionsBefore);
    EXPECT_FALSE(driver.IsOpen("COM1"));
}

#define RIVAN_SAFE_ROWS(Command, Prefix)                                                           \
    SafeCase{Prefix "ReadingSilent", Command, Phase::Reading, Fault::Silent, Outcome::NoUnit},     \
        SafeCase{Prefix "ReadingNak", Command, Phase::Reading, Fault::Nak, Outcome::NoUnit},       \
        SafeCase{Prefix "ReadingGarbage", Command, Phase::Reading, Fault::Garbage,                 \
                 Outcome::Verified},                                                               \
        SafeCase{Prefix "ReadingLate", Command, Phase::Reading, Fault::Late, Outcome::NoUnit},     \
        SafeCase{Prefix "ReadingHangUp", Command, Phase::Reading, Fault::HangUp, Outcome::NoUnit}, \
        SafeCase{Prefix "WritingSilent", Command, Phase::Writing, Fault::Silent,                   \
                 Outcome::NotWritten},                                                             \
        SafeCase{Prefix "WritingNak", Command, Phase::Writing, Fault::Nak, Outcome::NotWritten},   \
        SafeCase{Prefix "WritingGarbage", Command, Phase::Writing, Fault::Garbage,                 \
                 Outcome::Verified},                                                               \
        SafeCase{Prefix "WritingLate", Command, Phase::Writing, Fault::Late,                       \
                 Outcome::ReadBackFailed},                                                         \
        SafeCase{Prefix "WritingHangUp", Command, Phase::Writing, Fault::HangUp,                   \
                 Outcome::NotWritten},                                                             \
        SafeCase{Prefix "ReadingBackSilent", Command, Phase::ReadingBack, Fault::Silent,           \
                 Outcome::ReadBackFailed},                                                         \
        SafeCase{Prefix "ReadingBackNak", Command, Phase::ReadingBack, Fault::Nak,                 \
                 Outcome::ReadBackFailed},                                                         \
        SafeCase{Prefix "ReadingBackGarbage", Command, Phase::ReadingBack, Fault::Garbage,         \
                 Outcome::Verified},                                                               \
        SafeCase{Prefix "ReadingBackLate", Command, Phase::ReadingBack, Fault::Late,               \
                 Outcome::ReadBackFailed},                                                         \
        SafeCase {                                                                                 \
        Prefix "ReadingBackHangUp", Command, Phase::ReadingBack, Fault::HangUp,                    \
            Outcome::ReadBackFailed                                                                \
    }

INSTANTIATE_TEST_SUITE_P(
    Exchanges, SafeFaults,
    ::testing::Values(RIVAN_SAFE_ROWS(Conversation::SendVerify, "SendVerify"),
                      RIVAN_SAFE_ROWS(Conversation::Restore, "Restore"),
                      // Compare reads the unit and shows what differs; it never writes.
                      SafeCase{"CompareSilent", Conversation::Compare, Phase::Reading,
                               Fault::Silent, Outcome::NoUnit},
                      SafeCase{"CompareNak", Conversation::Compare, Phase::Reading, Fault::Nak,
                               Outcome::NoUnit},
                      SafeCase{"CompareGarbage", Conversation::Compare, Phase::Reading,
                               Fault::Garbage, Outcome::Compared},
                      SafeCase{"CompareLate", Conversation::Compare, Phase::Reading, Fault::Late,
                               Outcome::NoUnit},
                      SafeCase{"CompareHangUp", Conversation::Compare, Phase::Reading,
                               Fault::HangUp, Outcome::NoUnit}),
    [](const auto& info) { return std::string(info.param.Name); });

#undef RIVAN_SAFE_ROWS

} // namespace
