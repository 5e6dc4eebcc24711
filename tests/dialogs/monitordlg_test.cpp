// The remote control monitor driven tick by tick against simulated units.
#include "dialogs/monitordlg.h"

#include "dialogtesting.h"
#include "link/serialport.h"
#include "link/sim/simulateddriver.h"
#include "link/sim/simulatedunit.h"
#include "support/answeringpeer.h"
#include "support/scriptedprompts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace {

using namespace std::chrono_literals;

// A driver whose reads start throwing on demand: an error no link code expects.
class BreakingDriver : public SimulatedDriver {
public:
    bool Broken = false;
    ByteRead ReadByte(PortHandle port) override {
        if (Broken)
            throw std::runtime_error("driver gone");
        return SimulatedDriver::ReadByte(port);
    }
};

QString Number(const char* kind, int number) {
    return QString::fromLatin1(kind) + QString::number(number);
}

class MonitorDlgFixture {
public:
    explicit MonitorDlgFixture(LinePeer& peer) {
        driver.AttachPeer("COM1", peer);
        EXPECT_TRUE(port.Open());
        port.Configure();
    }

    QLineEdit* Edit(const char* kind, int number) {
        return dialog.findChild<QLineEdit*>(Number(kind, number));
    }
    QString Shown(const char* kind, int number) { return Edit(kind, number)->text(); }
    // One letter per channel, "Channel 1" first: 1 where the box is checked.
    QString Checked(const char* kind) {
        QString flags;
        for (int number = 1; number <= 6; ++number)
            flags += dialog.findChild<QCheckBox*>(Number(kind, number))->isChecked() ? '1' : '0';
        return flags;
    }
    QTimer* Timer() { return Child<QTimer>(dialog, "Timer1"); }
    QPushButton* Ok() { return Child<QPushButton>(dialog, "BtOk"); }
    std::string Wire() { return driver.Wire("COM1"); }
    void Start() {
        dialog.SetPort(port);
        dialog.StartMonitor();
    }

    BreakingDriver driver;
    SerialPort port{driver, 0};
    ScriptedPrompts prompts;
    TMonitorDlg dialog{prompts};
};

class MonitorDlgTest : public ::testing::Test {
protected:
    SimulatedUnit unit;
    MonitorDlgFixture f{unit};
};

// A unit whose replies the test sets per command; a command without a reply is refused.
class ScriptedMonitorDlgTest : public ::testing::Test {
protected:
    ScriptedMonitorDlgTest() {
        for (int channel = 0; channel < 6; ++channel) {
            const std::string n = "0" + std::to_string(channel);
            replies["*?REG" + n] = "*REG" + n + "00100.00MHz";
            replies["*?MER" + n] = "*MER2" + std::to_string(channel) + ".0";
            replies["*?BER" + n] = "*BER1.00E-0" + std::to_string(channel + 3);
        }
    }

    std::map<std::string, std::string> replies;
    AnsweringPeer peer{[this](const std::string& command) -> std::optional<std::string> {
        const auto reply = replies.find(command);
        if (reply == replies.end())
            return std::nullopt;
        return reply->second;
    }};
    MonitorDlgFixture f{peer};
};

TEST_F(MonitorDlgTest, SixChannelPanelsSideBySideAndABoldOk) {
    TMonitorDlg& dialog = f.dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Monitor");
    EXPECT_TRUE(dialog.isModal());
    EXPECT_TRUE(HasFixedSize(dialog));
    EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));

    int left = -1;
    for (int number = 1; number <= 6; ++number) {
        auto* group = Child<QGroupBox>(dialog, Number("GroupBox", number).toLatin1().constData());
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->title(), QStringLiteral("Channel ") + QString::number(number));
        EXPECT_GT(group->x(), left) << "left to right";
        left = group->x();
        for (const char* kind : {"Freq", "Power", "MER", "BER"}) {
            auto* edit = group->findChild<QLineEdit*>(Number(kind, number));
            ASSERT_NE(edit, nullptr) << kind << number;
            EXPECT_TRUE(edit->isReadOnly());
        }
        int top = -1;
        for (const auto& [kind, label] :
             {std::pair{"Active", "Enable"}, std::pair{"Alarm", "Alarm"},
              std::pair{"Warning", "Warning"}}) {
            auto* box = group->findChild<QCheckBox*>(Number(kind, number));
            ASSERT_NE(box, nullptr) << kind << number;
            EXPECT_EQ(box->text(), label);
            EXPECT_GT(box->y(), top) << "Enable, then Alarm, then Warning";
            top = box->y();
        }
        EXPECT_EQ(f.Shown("Freq", number), "650.00MHz");
    }
    EXPECT_EQ(f.Ok()->text(), "OK");
    EXPECT_TRUE(f.Ok()->font().bold());
    EXPECT_EQ(f.Timer()->interval(), 1000);
    EXPECT_FALSE(f.Timer()->isActive());
}

TEST_F(MonitorDlgTest, StartReadsTheRegistersAndStartsTheTimer) {
    f.Edit("Power", 2)->setText("left over");
    f.Start();

    EXPECT_EQ(f.Wire().find("*?REG00\r\n"), 0u);
    EXPECT_NE(f.Wire().find("*?REG05\r\n"), std::string::npos);
    EXPECT_EQ(f.Checked("Active"), "111110");
    EXPECT_EQ(f.Checked("Alarm"), "000000");
    EXPECT_EQ(f.Checked("Warning"), "000000");
    const QStringList frequencies = {"474.00MHz", "522.00MHz", "650.00MHz",
                                     "746.00MHz", "858.00MHz", "1210.0MHz"};
    for (int number = 1; number <= 6; ++number) {
        EXPECT_EQ(f.Shown("Freq", number), frequencies[number - 1]);
        EXPECT_EQ(f.Shown("Power", number), "");
        EXPECT_EQ(f.Shown("MER", number), "");
        EXPECT_EQ(f.Shown("BER", number), "");
    }
    EXPECT_TRUE(f.Timer()->isActive());
}

TEST_F(MonitorDlgTest, SixTicksFillEveryChannel) {
    f.Start();
    for (int tick = 0; tick < 6; ++tick)
        f.dialog.Timer1Timer();

    EXPECT_EQ(f.Checked("Active"), "111110");
    // Channel 5 of the simulation is far below its power alarm threshold.
    EXPECT_EQ(f.Checked("Alarm").at(4), '1');
    for (int number = 1; number <= 5; ++number) {
        EXPECT_EQ(f.Shown("Power", number).size(), 6) << f.Shown("Power", number).toStdString();
        EXPECT_FALSE(f.Shown("MER", number).isEmpty());
        EXPECT_TRUE(f.Shown("BER", number).contains('E'));
    }
    EXPECT_TRUE(f.prompts.Beeps == 0);
}

TEST_F(ScriptedMonitorDlgTest, StatusBoxesFollowTheMasks) {
    replies["*?STT"] = "*STAT:3F0102";
    f.Start();
    EXPECT_EQ(f.Checked("Active"), "000000") << "every register says 00";

    f.dialog.Timer1Timer();
    EXPECT_EQ(f.Checked("Active"), "111111");
    EXPECT_EQ(f.Checked("Alarm"), "100000");
    EXPECT_EQ(f.Checked("Warning"), "010000");

    replies["*?STT"] = "*STAT:2g0A20";
    f.dialog.Timer1Timer();
    EXPECT_EQ(f.Checked("Active"), "010000");
    EXPECT_EQ(f.Checked("Alarm"), "010100");
    EXPECT_EQ(f.Checked("Warning"), "000001");
    EXPECT_EQ(f.prompts.Beeps, 0);
}

TEST_F(ScriptedMonitorDlgTest, PowerMerAndBerOfOneChannelPerTick) {
    replies["*?STT"] = "*STAT:3F0000";
    replies["*?POW00"] = "*POW6000";
    replies["*?POW01"] = "*POW60.00";
    replies["*?POW02"] = "*POW10700";
    replies["*?POW03"] = "*POW11200";
    f.Start();

    f.dialog.Timer1Timer();
    EXPECT_EQ(f.Shown("Power", 1), "-47.00");
    EXPECT_EQ(f.Shown("MER", 1), "20.0");
    EXPECT_EQ(f.Shown("BER", 1), "1.00E-03");
    EXPECT_EQ(f.Shown("Power", 2), "") << "channel 2 waits for tick 2";

    f.dialog.Timer1Timer();
    f.dialog.Timer1Timer();
    f.dialog.Timer1Timer();
    EXPECT_EQ(f.Shown("Power", 2), "-47.00");
    EXPECT_EQ(f.Shown("Power", 3), " 0.00");
    EXPECT_EQ(f.Shown("Power", 4), " 5.00");
    EXPECT_EQ(f.Shown("MER", 4), "23.0");
    EXPECT_EQ(f.Shown("BER", 4), "1.00E-06");

    // Tick 5 reads channel 5, whose power reply holds no number: its field stays empty.
    replies["*?POW04"] = "*POW";
    f.dialog.Timer1Timer();
    EXPECT_EQ(f.Shown("Power", 5), "");
    EXPECT_EQ(f.Shown("MER", 5), "24.0");
}

TEST_F(ScriptedMonitorDlgTest, AFailedStatusQueryIsRetriedAfterTheResyncLine) {
    replies["*?STT"] = "*STAT:3F0000";
    f.Start();
    f.dialog.Timer1Timer();
    replies.erase("*?STT");
    const std::size_t before = f.Wire().size();
    std::string wireAtBeep;
    f.prompts.OnBeep = [&] { wireAtBeep = f.Wire().substr(before); };
    f.dialog.Timer1Timer();

    EXPECT_EQ(f.Wire().substr(before),
              "*?STT\r\n*\r\r\n*?STT\r\n*?POW01\r\n*?MER01\r\n*?BER01\r\n");
    EXPECT_EQ(f.prompts.Beeps, 1);
    EXPECT_EQ(wireAtBeep, "*?STT\r\n*\r\r\n*?STT\r\n") << "the beep comes before the measurements";
    EXPECT_EQ(f.Checked("Active"), "111111") << "kept from the last status that came";
}

TEST_F(MonitorDlgTest, AnUnpluggedUnitBeepsEveryTickAndShowsNothingStale) {
    f.Start();
    for (int tick = 0; tick < 6; ++tick)
        f.dialog.Timer1Timer();
    ASSERT_EQ(f.prompts.Beeps, 0);
    std::map<QString, QString> texts;
    for (int number = 1; number <= 6; ++number) {
        for (const char* kind : {"Freq", "Power", "MER", "BER"})
            texts[Number(kind, number)] = f.Shown(kind, number);
    }
    const QString active = f.Checked("Active");
    const QString alarm = f.Checked("Alarm");
    const QString warning = f.Checked("Warning");

    unit.Settings().Silent = true;
    for (int tick = 1; tick <= 6; ++tick) {
        f.dialog.Timer1Timer();
        EXPECT_EQ(f.prompts.Beeps, tick);
    }
    for (const auto& [name, text] : texts)
        EXPECT_EQ(f.dialog.findChild<QLineEdit*>(name)->text(), text) << name.toStdString();
    EXPECT_EQ(f.Checked("Active"), active);
    EXPECT_EQ(f.Checked("Alarm"), alarm);
    EXPECT_EQ(f.Checked("Warning"), warning);
    EXPECT_TRUE(f.prompts.Messages.empty());
}

TEST_F(MonitorDlgTest, ASecondRunStartsAtChannelOne) {
    f.Start();
    f.dialog.Timer1Timer();
    f.dialog.Timer1Timer();
    f.dialog.BtOkClick();

    f.Start();
    f.dialog.Timer1Timer();
    const std::string wire = f.Wire();
    const std::size_t secondRun = wire.rfind("*?REG05\r\n");
    ASSERT_NE(secondRun, std::string::npos);
    EXPECT_EQ(wire.substr(secondRun), "*?REG05\r\n*?STT\r\n*?POW00\r\n*?MER00\r\n*?BER00\r\n");
    EXPECT_EQ(f.Shown("Power", 2), "") << "the second run starts with empty fields";
}

struct CloseCase {
    const char* Behaviour;
    void (*Close)(TMonitorDlg& dialog);
};

class ClosingTheMonitor : public ::testing::TestWithParam<CloseCase> {};

TEST_P(ClosingTheMonitor, StopsPolling) {
    SimulatedUnit unit;
    MonitorDlgFixture f(unit);
    f.Start();
    f.dialog.show();
    f.dialog.Timer1Timer();

    GetParam().Close(f.dialog);
    EXPECT_FALSE(f.dialog.isVisible());
    EXPECT_FALSE(f.Timer()->isActive());
    const std::string wire = f.Wire();
    f.dialog.Timer1Timer();
    EXPECT_EQ(f.Wire(), wire) << "a closed dialog never ticks";
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ClosingTheMonitor,
    ::testing::Values(
        CloseCase{"OkButton",
                  [](TMonitorDlg& dialog) {
                      Child<QPushButton>(dialog, "BtOk")->click();
                      EXPECT_EQ(dialog.result(), QDialog::Accepted);
                  }},
        CloseCase{"CloseBox", [](TMonitorDlg& dialog) { dialog.close(); }},
        CloseCase{"Escape", [](TMonitorDlg& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); }}),
    [](const auto& info) { return std::string(info.param.Behaviour); });

TEST_F(MonitorDlgTest, OkDuringATicksEventsEndsTheTickBeforeItsQueries) {
    f.Start();
    f.dialog.show();
    QMetaObject::invokeMethod(f.Ok(), &QPushButton::click, Qt::QueuedConnection);
    const std::string wire = f.Wire();
    f.dialog.Timer1Timer();

    EXPECT_EQ(f.dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(f.dialog.isVisible());
    EXPECT_EQ(f.Wire(), wire);
}

TEST_F(MonitorDlgTest, RunMonitorShowsTheDialogUntilOk) {
    QTimer::singleShot(0, &f.dialog, [this] {
        EXPECT_TRUE(f.dialog.isVisible());
        f.dialog.Timer1Timer();
        f.Ok()->click();
    });
    EXPECT_TRUE(f.dialog.RunMonitor(f.port));

    EXPECT_TRUE(f.prompts.Messages.empty());
    EXPECT_FALSE(f.Timer()->isActive());
    EXPECT_NE(f.Wire().find("*?REG05\r\n*?STT\r\n*?POW00\r\n"), std::string::npos);
    EXPECT_TRUE(f.port.IsOpen()) << "the port's owner closes it";
}

void ExpectControlFailure(const ScriptedPrompts& prompts) {
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, "RIVAN error");
    EXPECT_EQ(prompts.Messages[0].Text, "Unable to control equipment");
    EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Error);
    EXPECT_EQ(prompts.Messages[0].Choice, Prompts::Buttons::Ok);
}

TEST_F(MonitorDlgTest, AnErrorWhileStartingEndsTheRunWithAMessage) {
    f.driver.Broken = true;
    bool shown = false;
    QTimer::singleShot(0, &f.dialog, [&] {
        shown = true;
        f.dialog.reject();
    });
    EXPECT_FALSE(f.dialog.RunMonitor(f.port));

    EXPECT_FALSE(shown) << "the dialog is not shown after a failed start";
    ExpectControlFailure(f.prompts);
    EXPECT_FALSE(f.Timer()->isActive());
    EXPECT_TRUE(f.port.IsOpen()) << "the port's owner closes it";
}

TEST_F(MonitorDlgTest, AnErrorDuringATickEndsTheRunWithAMessage) {
    QTimer::singleShot(0, &f.dialog, [this] {
        f.driver.Broken = true;
        f.dialog.Timer1Timer();
    });
    EXPECT_FALSE(f.dialog.RunMonitor(f.port));

    ExpectControlFailure(f.prompts);
    EXPECT_FALSE(f.dialog.isVisible());
    EXPECT_FALSE(f.Timer()->isActive());
}

struct HexCase {
    const char* Text;
    int Count;
    std::uint16_t Value;
};

TEST(MonitorHexDigits, ReadUpToCountDigitsInEitherCase) {
    const HexCase cases[] = {{"3F", 2, 0x3F}, {"3f", 2, 0x3F},      {"2G", 2, 2},
                             {"G2", 2, 0},    {"12345", 5, 0x1234}, {"A", 2, 0xA},
                             {"", 2, 0},      {"FFFF", 4, 0xFFFF}};
    for (const HexCase& row : cases) {
        std::uint16_t target = 0x5555;
        EXPECT_EQ(TMonitorDlg::CONVo_AsciiToBytes(target, row.Text, row.Count), row.Value)
            << row.Text;
        EXPECT_EQ(target, row.Value) << row.Text;
    }
}

} // namespace
