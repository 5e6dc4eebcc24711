// The monitor's alarm history, recording and trends, driven round by round against the
// simulated unit on the virtual clock.
#include "dialogs/monitordlg.h"
#include "dialogs/monitortrends.h"

#include "dialogtesting.h"
#include "link/serialport.h"
#include "link/sim/simulateddriver.h"
#include "link/sim/simulatedunit.h"
#include "profile/equipmentprofile.h"
#include "profile/memorymap.h"
#include "support/scriptedprompts.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// Every round is stamped with this moment plus the virtual time of the line.
const QDateTime Base(QDate(2026, 12, 8), QTime(14, 0, 0), Qt::OffsetFromUTC, 3600);

void SetShowTrends(bool shown) {
    QSettings settings(QStringLiteral("Qelvar"), QStringLiteral("CTL_RVN"));
    settings.setValue(QStringLiteral("Monitor/ShowTrends"), shown);
    settings.sync();
}

class MonitorHistoryTest : public ::testing::Test {
protected:
    MonitorHistoryTest() {
        SetShowTrends(true);
        profile.SetDefaults();
        driver.AttachPeer("COM1", unit);
        EXPECT_TRUE(port.Open());
        port.Configure();
        dialog.SetClock([this] {
            return Base.addMSecs(
                std::chrono::duration_cast<std::chrono::milliseconds>(driver.Now()).count());
        });
    }

    void Start() {
        dialog.SetPort(port);
        dialog.StartMonitor();
    }
    // One round a second after the last one began.
    void Round() {
        const SimTime next = lastRound_ + 1s;
        driver.Clock().AdvanceTo(next);
        lastRound_ = driver.Now();
        dialog.Timer1Timer();
    }
    // The history's entries without their time stamps, newest first.
    QStringList History() {
        QStringList texts;
        auto* list = Child<QListWidget>(dialog, "History");
        for (int row = 0; row < list->count(); ++row)
            texts << list->item(row)->text().section(QStringLiteral("  "), 1);
        return texts;
    }
    QString Record() {
        const QString name = folder.filePath(QStringLiteral("readings.csv"));
        prompts.FileNames.push_back(name);
        Child<QPushButton>(dialog, "BtRecord")->click();
        return name;
    }
    static QStringList Lines(const QString& fileName) {
        QFile file(fileName);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromLatin1(file.readAll());
        EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
        QStringList lines = text.split(QStringLiteral("\r\n"));
        lines.removeLast();
        return lines;
    }
    // Keeps the unit's readings but sets what turns them into alarms and warnings, then
    // resets it so that it takes them into use.
    void SetUnitLevels(int alarmMer, int warningMer, bool fifthChannelActive) {
        auto memory = unit.Memory();
        const std::size_t config = MemoryMap::ConfigurationAddress;
        memory[config] = static_cast<std::uint8_t>(warningMer);
        memory[config + 1] = 0;
        memory[config + 2] = static_cast<std::uint8_t>(alarmMer);
        memory[config + 3] = 0;
        for (int at = 4; at < 12; ++at)
            memory[config + at] = 0xFF; // BER levels far above any reading
        for (int point = 0; point < 6; ++point) {
            memory[MemoryMap::PointAddress(point) + 6] = 0; // power levels below any reading
            memory[MemoryMap::PointAddress(point) + 7] = 0;
        }
        memory[MemoryMap::PointAddress(4) + 1] = fifthChannelActive ? 1 : 0;
        ASSERT_TRUE(port.SendCommand("*RST"));
    }

    QTemporaryDir folder;
    ScriptedPrompts prompts;
    ScriptLineList lines;
    EquipmentProfile profile{lines};
    QStringList log;
    SimulatedUnit unit;
    SimulatedDriver driver;
    SerialPort port{driver, 0};
    TMonitorDlg dialog{prompts, profile, [this](const QString& line) { log << line; }};
    SimTime lastRound_{0};
};

TEST_F(MonitorHistoryTest, AMerThatFallsBelowTheAlarmLevelAndRisesGivesTwoEvents) {
    // Channel 3's MER wanders 27 +- 1 dB over 37 s: above 27 from 13 s to 32 s, below it
    // until 50 s, above again after.
    SetUnitLevels(27, 0, false);
    driver.Clock().AdvanceTo(20s);
    lastRound_ = driver.Now();
    Start();
    for (int round = 0; round < 40; ++round)
        Round();

    EXPECT_EQ(History(),
              QStringList({"channel 3 ALARM off", "channel 3 ALARM on", "monitor started"}));
    ASSERT_EQ(log.size(), 3);
    EXPECT_TRUE(log[1].startsWith("Monitor: channel 3 ALARM on at ")) << log[1].toStdString();
    EXPECT_TRUE(log[2].startsWith("Monitor: channel 3 ALARM off at ")) << log[2].toStdString();
}

TEST_F(MonitorHistoryTest, ARecordingHoldsTheHeaderAndSixRowsPerRound) {
    Start();
    const QString name = Record();
    ASSERT_TRUE(dialog.Recording());
    for (int round = 0; round < 3; ++round)
        Round();

    // The unit's factory readings at 1, 2 and 3 s: channel 3's MER is below the warning
    // level, channel 5 below its power alarm level, channel 6 is off; each round measures
    // one channel.
    const QStringList expected = {
        "time,channel,enabled,frequency_khz,power_dbm,mer_db,ber,alarm,warning",
        "2026-12-08T14:00:01.000+01:00,1,1,474000,-32.60,33.20,5.36E-08,0,0",
        "2026-12-08T14:00:01.000+01:00,2,1,522000,,,,0,0",
        "2026-12-08T14:00:01.000+01:00,3,1,650000,,,,0,1",
        "2026-12-08T14:00:01.000+01:00,4,1,746000,,,,0,0",
        "2026-12-08T14:00:01.000+01:00,5,1,858000,,,,1,0",
        "2026-12-08T14:00:01.000+01:00,6,0,1210000,,,,0,0",
        "2026-12-08T14:00:02.000+01:00,1,1,474000,,,,0,0",
        "2026-12-08T14:00:02.000+01:00,2,1,522000,-34.51,30.70,2.91E-07,0,0",
        "2026-12-08T14:00:02.000+01:00,3,1,650000,,,,0,1",
        "2026-12-08T14:00:02.000+01:00,4,1,746000,,,,0,0",
        "2026-12-08T14:00:02.000+01:00,5,1,858000,,,,1,0",
        "2026-12-08T14:00:02.000+01:00,6,0,1210000,,,,0,0",
        "2026-12-08T14:00:03.000+01:00,1,1,474000,,,,0,0",
        "2026-12-08T14:00:03.000+01:00,2,1,522000,,,,0,0",
        "2026-12-08T14:00:03.000+01:00,3,1,650000,-38.24,26.00,1.20E-05,0,1",
        "2026-12-08T14:00:03.000+01:00,4,1,746000,,,,0,0",
        "2026-12-08T14:00:03.000+01:00,5,1,858000,,,,1,0",
        "2026-12-08T14:00:03.000+01:00,6,0,1210000,,,,0,0",
    };
    EXPECT_EQ(Lines(name), expected);
}

TEST_F(MonitorHistoryTest, ARoundWithoutAnAnswerIsAnEventAndWritesNoRow) {
    Start();
    const QString name = Record();
    Round();
    unit.Settings().Silent = true;
    Round();
    EXPECT_EQ(prompts.Beeps, 1);
    ASSERT_EQ(Lines(name).size(), 1 + 6) << "the silent round wrote nothing";
    unit.Settings().Silent = false;
    Round();

    EXPECT_EQ(Lines(name).size(), 1 + 12);
    // Newest first: the silent round between the first round's events and the unit's
    // return (the silent round took long enough for other channels to change).
    const QStringList history = History();
    EXPECT_EQ(history.count("no answer from the unit"), 1);
    const qsizetype silent = history.indexOf("no answer from the unit");
    ASSERT_GE(silent, 1);
    EXPECT_EQ(history.mid(silent - 1, 3),
              QStringList({"unit answers again", "no answer from the unit", "channel 5 ALARM on"}));
}

TEST_F(MonitorHistoryTest, ClosingTheMonitorStopsTheRecording) {
    Start();
    dialog.show();
    const QString name = Record();
    Round();
    EXPECT_FALSE(Child<QPushButton>(dialog, "BtRecord")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>(dialog, "BtStopRecording")->isEnabled());
    dialog.close();

    EXPECT_FALSE(dialog.Recording());
    EXPECT_EQ(History().mid(0, 2), QStringList({"monitor stopped", "recording stopped, " + name}));
    EXPECT_EQ(Lines(name).size(), 1 + 6);
}

TEST_F(MonitorHistoryTest, AFileThatCannotBeWrittenIsReportedAndNothingRecords) {
    Start();
    prompts.FileNames.push_back(folder.filePath(QStringLiteral("missing/readings.csv")));
    Child<QPushButton>(dialog, "BtRecord")->click();

    EXPECT_FALSE(dialog.Recording());
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, "RIVAN error");
    EXPECT_TRUE(prompts.Messages[0].Text.startsWith("Unable to record to "));
    EXPECT_EQ(prompts.SaveDialogs.at(0).Filter, "CSV files (*.csv);;All files (*)");
}

TEST_F(MonitorHistoryTest, TheTrendsKeepTenMinutes) {
    Start();
    for (int round = 0; round < 700; ++round)
        Round();

    auto* trends = Child<MonitorTrends>(dialog, "Trends");
    const double now = double(Base.addSecs(700).toMSecsSinceEpoch());
    // Channel 1 is measured in rounds 1, 7, 13, ...: those from 100 s to 700 s are 103 to
    // 697, a hundred of them.
    for (auto quantity : {MonitorTrends::Quantity::Power, MonitorTrends::Quantity::Mer,
                          MonitorTrends::Quantity::Ber}) {
        const QList<QPointF> points = trends->Points(quantity, 1);
        ASSERT_EQ(points.size(), 100);
        EXPECT_EQ(points.front().x(), now - 597'000.0);
        EXPECT_EQ(points.back().x(), now - 3'000.0);
    }
    EXPECT_TRUE(trends->ShowsChannel(MonitorTrends::Quantity::Power, 5));
    EXPECT_FALSE(trends->ShowsChannel(MonitorTrends::Quantity::Power, 6)) << "channel 6 is off";
    EXPECT_TRUE(trends->Points(MonitorTrends::Quantity::Power, 6).isEmpty());
}

TEST_F(MonitorHistoryTest, TheLegendNamesAChannelThatIsOffAsOff) {
    Start();
    Round();
    // The factory unit measures channels 1 to 5; channel 6 is off.
    const QString on = Child<QLabel>(dialog, "TrendLegend5")->text();
    const QString off = Child<QLabel>(dialog, "TrendLegend6")->text();
    EXPECT_TRUE(on.contains(QStringLiteral("Channel 5"))) << on.toStdString();
    EXPECT_FALSE(on.contains(QStringLiteral("off"))) << on.toStdString();
    EXPECT_TRUE(off.contains(QStringLiteral("Channel 6 off"))) << off.toStdString();
}

TEST_F(MonitorHistoryTest, TheProfilesLevelsAreDrawnWhereTheyApply) {
    Start();
    auto* trends = Child<MonitorTrends>(dialog, "Trends");
    // Alarm and warning areas of the levels all points share, MER and BER.
    EXPECT_EQ(trends->BandCount(MonitorTrends::Quantity::Power), 2);
    EXPECT_EQ(trends->BandCount(MonitorTrends::Quantity::Mer), 2);
    EXPECT_EQ(trends->BandCount(MonitorTrends::Quantity::Ber), 2);

    // Points with levels of their own: an alarm and a warning line per enabled channel.
    profile.SetAlarmPower(2, 50);
    Start();
    EXPECT_EQ(trends->BandCount(MonitorTrends::Quantity::Power), 2 * 5);

    // A profile that holds nothing yet has no levels.
    ScriptLineList otherLines;
    EquipmentProfile empty(otherLines);
    TMonitorDlg bare(prompts, empty, {});
    bare.SetPort(port);
    bare.StartMonitor();
    auto* bareTrends = Child<MonitorTrends>(bare, "Trends");
    EXPECT_EQ(bareTrends->BandCount(MonitorTrends::Quantity::Power), 0);
    EXPECT_EQ(bareTrends->BandCount(MonitorTrends::Quantity::Mer), 0);
    bare.reject();
}

TEST_F(MonitorHistoryTest, HidingTheTrendsIsRemembered) {
    dialog.show();
    auto* button = Child<QPushButton>(dialog, "BtTrends");
    auto* trends = Child<MonitorTrends>(dialog, "Trends");
    EXPECT_EQ(button->text(), "Hide &trends");
    EXPECT_TRUE(trends->isVisible());
    const int tall = dialog.height();

    button->click();
    EXPECT_FALSE(trends->isVisible());
    EXPECT_EQ(button->text(), "Show &trends");
    dialog.adjustSize();
    EXPECT_LT(dialog.height(), tall) << "the window folds up";

    TMonitorDlg next(prompts);
    next.show();
    EXPECT_FALSE(Child<MonitorTrends>(next, "Trends")->isVisible());
    Child<QPushButton>(next, "BtTrends")->click();
    EXPECT_TRUE(Child<MonitorTrends>(next, "Trends")->isVisible());
    EXPECT_TRUE(QSettings("Qelvar", "CTL_RVN").value("Monitor/ShowTrends").toBool());
}

TEST_F(MonitorHistoryTest, FitsA1024By768ScreenWithTheTrendsShown) {
    Start();
    dialog.show();
    Child<QPushButton>(dialog, "BtTrends")->click();
    dialog.adjustSize();
    const int channelsWidth = dialog.width();
    Child<QPushButton>(dialog, "BtTrends")->click();
    dialog.adjustSize();

    EXPECT_EQ(dialog.width(), channelsWidth) << "the trends take the width of the channels";
    // Room is left for a title bar of 30 pixels.
    EXPECT_LE(dialog.height(), 768 - 30);
}

} // namespace
