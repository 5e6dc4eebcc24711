// Tests of the main window's safe sending: Compare with unit, Send and verify, Backups.
#include "mainformfixture.h"

#include "link/sim/simulatedunit.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;

const QString SameText = QStringLiteral("The document and the unit hold the same settings.");
const QString SendQuestion = QStringLiteral("Send these changes to the unit?");
// The old point 3 as the default profile writes it: number 2, inactive, 650 MHz, -37 dBm
// warning, -47 dBm alarm.
const char* const OldPoint3Line = "send *I22A0044002008036BE26463C    #2";
// 474 MHz is 474000000 Hz, 0x1C40AA80, stored low byte first.
const std::vector<std::uint8_t> Frequency474 = {0x80, 0xAA, 0x40, 0x1C};
const std::vector<std::uint8_t> Frequency650 = {0x80, 0x36, 0xBE, 0x26};

class SafeSendTest : public MainFormTest {
protected:
    void SetUp() override {
        previousDataHome_ = qgetenv("XDG_DATA_HOME");
        ASSERT_TRUE(dataHome_.isValid());
        qputenv("XDG_DATA_HOME", dataHome_.path().toLocal8Bit());
        MainFormTest::SetUp();
        driver.AttachPeer("COM1", unit);
    }
    void TearDown() override {
        MainFormTest::TearDown();
        qputenv("XDG_DATA_HOME", previousDataHome_);
    }

    QString BackupFolder() const {
        return dataHome_.filePath(QStringLiteral("Qelvar/RIVAN/backups"));
    }
    QStringList Backups() const {
        return QDir(BackupFolder()).entryList({QStringLiteral("*.PRO")}, QDir::Files, QDir::Name);
    }

    // A new document, sent to the unit with plain Send, so that both hold the same.
    void UnitHoldsTheNewDocument() {
        Trigger("FileNew");
        Trigger("SendData");
        ASSERT_THAT(Lines().last().toStdString(), HasSubstr("Tools: send data exit at "));
        ASSERT_EQ(Lines()[Lines().size() - 2], "processed 7 data lines of 15");
    }

    std::vector<std::uint8_t> Point3Frequency() {
        const auto block = unit.Block(0x0440 + 2, 4);
        return {block.begin(), block.end()};
    }

    // Commands the unit took from `from` on that write its memory or reset it.
    QStringList WritesFrom(std::size_t from) const {
        QStringList writes;
        for (std::size_t i = from; i < unit.Commands().size(); ++i) {
            const std::string& command = unit.Commands()[i];
            if (command.rfind("*I22A0", 0) == 0 || command == "*RST")
                writes << QString::fromStdString(command);
        }
        return writes;
    }

    qsizetype IndexOf(const QString& line, qsizetype from = 0) const {
        return Lines().indexOf(line, from);
    }

    SimulatedUnit unit;

private:
    QTemporaryDir dataHome_;
    QByteArray previousDataHome_;
};

TEST_F(SafeSendTest, ActionsFollowSendAndBackupsStaysAvailable) {
    EXPECT_FALSE(Action("SendVerify")->isEnabled());
    EXPECT_FALSE(Action("CompareUnit")->isEnabled());
    EXPECT_TRUE(Action("ToolsBackups")->isEnabled());
    Trigger("FileNew");
    EXPECT_TRUE(Action("SendVerify")->isEnabled());
    EXPECT_TRUE(Action("CompareUnit")->isEnabled());

    QSet<QString> enabledWhileTalking;
    unit.SetTrace([&](const UnitExchange&) {
        for (const char* name : {"SendData", "SendVerify", "CompareUnit", "ToolsBackups",
                                 "ReceiveData", "FileOpen", "ToolsDetect"})
            if (Action(name)->isEnabled())
                enabledWhileTalking.insert(name);
    });
    prompts.Answers = {Prompts::Answer::Yes};
    Trigger("SendVerify");
    Trigger("CompareUnit");
    EXPECT_TRUE(enabledWhileTalking.isEmpty())
        << enabledWhileTalking.values().join(' ').toStdString();
    EXPECT_TRUE(Action("SendVerify")->isEnabled());
    EXPECT_TRUE(Action("ToolsBackups")->isEnabled());
}

TEST_F(SafeSendTest, CompareDetectsFirstAndFindsNothingWhenBothHoldTheSame) {
    Trigger("FileNew");
    // No unit known yet: the compare finds it first, as Send would.
    Trigger("CompareUnit");
    ASSERT_TRUE(Lines().contains("Detecting equipment and COM port"));
    ASSERT_TRUE(Lines().contains("COM1 -> RIVAN ver1.05"));

    Trigger("SendData");
    const std::size_t commandsBefore = unit.Commands().size();
    const qsizetype start = Lines().size();
    Trigger("CompareUnit");

    ASSERT_EQ(prompts.Comparisons.size(), 2u);
    const Prompts::Comparison& shown = prompts.Comparisons.back();
    EXPECT_EQ(shown.Caption, "Compare with unit");
    EXPECT_TRUE(shown.Rows.isEmpty());
    EXPECT_EQ(shown.SameText, SameText);
    EXPECT_TRUE(shown.Question.isEmpty());
    EXPECT_EQ(shown.Heading, "RIVAN on COM1:");
    EXPECT_THAT(Lines()[start].toStdString(), HasSubstr("Tools: compare with unit started at "));
    EXPECT_TRUE(Lines().mid(start).contains(SameText));
    EXPECT_TRUE(Lines().mid(start).contains("loading configuration data..."));
    // Nothing is sent: reads only, no write and no reset.
    EXPECT_TRUE(WritesFrom(commandsBefore).isEmpty());
    EXPECT_EQ(unit.Commands().size() - commandsBefore, 39u);
}

TEST_F(SafeSendTest, CompareListsEveryDifferingSettingInTheEditorsUnits) {
    UnitHoldsTheNewDocument();
    form->GetProfile().SetAlarmMER(25);
    form->GetProfile().SetFrequencyKHz(2, 474000);
    Trigger("CompareUnit");

    ASSERT_EQ(prompts.Comparisons.size(), 1u);
    const Prompts::Comparison& shown = prompts.Comparisons.front();
    EXPECT_EQ(shown.Heading, "RIVAN on COM1: 2 settings differ.");
    EXPECT_EQ(shown.OursTitle, "Document");
    ASSERT_EQ(shown.Rows.size(), 2);
    EXPECT_EQ(shown.Rows[0].What, "configuration MER alarm");
    EXPECT_EQ(shown.Rows[0].Ours, "25 dB");
    EXPECT_EQ(shown.Rows[0].Unit, "22 dB");
    EXPECT_EQ(shown.Rows[1].What, "point 3 frequency");
    EXPECT_EQ(shown.Rows[1].Ours, "474.000 MHz");
    EXPECT_EQ(shown.Rows[1].Unit, "650.000 MHz");
    EXPECT_TRUE(Lines().contains("2 settings differ from the unit:"));
    EXPECT_TRUE(Lines().contains("point 3 frequency: file 474.000 MHz, unit 650.000 MHz"));
    EXPECT_EQ(Point3Frequency(), Frequency650);
}

TEST_F(SafeSendTest, SendAndVerifyBacksUpSendsAndReadsBack) {
    UnitHoldsTheNewDocument();
    form->GetProfile().SetFrequencyKHz(2, 474000);
    const std::size_t commandsBefore = unit.Commands().size();
    const qsizetype start = Lines().size();
    prompts.Answers = {Prompts::Answer::Yes};

    Trigger("SendVerify");

    ASSERT_EQ(prompts.Comparisons.size(), 1u);
    EXPECT_EQ(prompts.Comparisons[0].Question, SendQuestion);
    ASSERT_EQ(prompts.Comparisons[0].Rows.size(), 1);
    EXPECT_EQ(prompts.Comparisons[0].Rows[0].What, "point 3 frequency");
    // The unit holds the new settings, taken into use by the reset.
    EXPECT_EQ(Point3Frequency(), Frequency474);
    EXPECT_EQ(WritesFrom(commandsBefore).size(), 8); // seven data lines and the reset
    // The backup holds the settings from before.
    ASSERT_EQ(Backups().size(), 1);
    EXPECT_THAT(Backups().front().toStdString(),
                ::testing::MatchesRegex("RIVAN-COM1-[0-9]{8}-[0-9]{6}\\.PRO"));
    const QString backup = QDir(BackupFolder()).filePath(Backups().front());
    EXPECT_TRUE(ReadBytes(backup).contains(QByteArray(OldPoint3Line) + "\r\n"));
    // The log, step by step.
    const QStringList log = Lines().mid(start);
    EXPECT_THAT(log.front().toStdString(), HasSubstr("Tools: send and verify started at "));
    const qsizetype saved = log.indexOf("backup saved to " + QDir::toNativeSeparators(backup));
    const qsizetype sent = log.indexOf("Untitled.PRO sent to remote equipment");
    const qsizetype processed = log.indexOf("processed 7 data lines of 15");
    const qsizetype verified = log.indexOf("verified: 7 blocks match");
    EXPECT_GT(saved, 0);
    EXPECT_GT(sent, saved);
    EXPECT_EQ(processed, sent + 1);
    EXPECT_GT(verified, processed);
    EXPECT_TRUE(log.contains("send *I22A00440020080AA401C463C    #2 OK"));
    EXPECT_THAT(log.back().toStdString(), HasSubstr("Tools: send and verify exit at "));
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(SafeSendTest, NoAtTheQuestionSendsNothing) {
    UnitHoldsTheNewDocument();
    form->GetProfile().SetFrequencyKHz(2, 474000);
    const std::size_t commandsBefore = unit.Commands().size();
    prompts.Answers = {Prompts::Answer::No};
    Trigger("SendVerify");
    EXPECT_TRUE(WritesFrom(commandsBefore).isEmpty());
    EXPECT_TRUE(Backups().isEmpty());
    EXPECT_TRUE(Lines().contains("nothing sent"));
}

TEST_F(SafeSendTest, NothingDifferingIsSaidAndStillAsked) {
    UnitHoldsTheNewDocument();
    prompts.Answers = {Prompts::Answer::Yes};
    Trigger("SendVerify");
    ASSERT_EQ(prompts.Comparisons.size(), 1u);
    EXPECT_TRUE(prompts.Comparisons[0].Rows.isEmpty());
    EXPECT_EQ(prompts.Comparisons[0].SameText, SameText);
    EXPECT_EQ(prompts.Comparisons[0].Question, SendQuestion);
    EXPECT_TRUE(Lines().contains("verified: 7 blocks match"));
}

TEST_F(SafeSendTest, ARefusedFourthDataLineFailsAndTheErrorNamesTheBackup) {
    UnitHoldsTheNewDocument();
    form->GetProfile().SetFrequencyKHz(2, 474000);
    // 39 reads of the unit, then the fourth data line: point 3.
    unit.Settings().NakOnCommand = static_cast<int>(unit.Commands().size()) + 39 + 4;
    prompts.Answers = {Prompts::Answer::Yes};
    const qsizetype start = Lines().size();

    Trigger("SendVerify");

    ASSERT_EQ(Backups().size(), 1);
    const QString backup =
        QDir::toNativeSeparators(QDir(BackupFolder()).filePath(Backups().front()));
    EXPECT_TRUE(ReadBytes(backup).contains(OldPoint3Line));
    EXPECT_TRUE(Lines().contains("error at: send *I22A00440020080AA401C463C    #2"));
    EXPECT_TRUE(Lines().contains("verify FAILED: point 3 not written"));
    EXPECT_TRUE(Lines().contains("ERROR: unable to send data. Check connection"));
    EXPECT_FALSE(Lines().mid(start).contains("processed 7 data lines of 15"));
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, "RIVAN error");
    EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Error);
    EXPECT_THAT(prompts.Messages[0].Text.toStdString(), HasSubstr(backup.toStdString()));
    EXPECT_EQ(Point3Frequency(), Frequency650);
}

TEST_F(SafeSendTest, AUnitThatKeepsTheOldValueFailsTheVerifyInWords) {
    UnitHoldsTheNewDocument();
    form->GetProfile().SetFrequencyKHz(2, 474000);
    // Point 3 always reads back as it was.
    unit.Settings().Replies["*?I22A00440020"] = "*I22"
                                                "02008036BE26463C" +
                                                std::string(48, '0');
    prompts.Answers = {Prompts::Answer::Yes};

    Trigger("SendVerify");

    EXPECT_TRUE(Lines().contains(
        "verify FAILED: point 3 differs: frequency: file 474.000 MHz, unit 650.000 MHz"));
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, "RIVAN error");
    ASSERT_EQ(Backups().size(), 1);
    EXPECT_THAT(prompts.Messages[0].Text.toStdString(), HasSubstr(Backups().front().toStdString()));
}

TEST_F(SafeSendTest, AUnitFallingSilentWhileSendingGivesTheCheckConnectionLine) {
    UnitHoldsTheNewDocument();
    unit.Settings().Silent = true;
    unit.Settings().FaultsFromCommand = static_cast<int>(unit.Commands().size()) + 39 + 2;
    prompts.Answers = {Prompts::Answer::Yes};
    Trigger("SendVerify");
    EXPECT_TRUE(Lines().contains("ERROR: unable to send data. Check connection"));
    EXPECT_GE(prompts.Beeps, 1);
    EXPECT_EQ(Backups().size(), 1); // left in place
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_THAT(prompts.Messages[0].Text.toStdString(), HasSubstr(Backups().front().toStdString()));
}

TEST_F(SafeSendTest, ABackupThatCannotBeWrittenStopsBeforeAnythingIsSent) {
    UnitHoldsTheNewDocument();
    form->GetProfile().SetFrequencyKHz(2, 474000);
    // A plain file stands where the backup folder should be.
    ASSERT_TRUE(QDir().mkpath(QFileInfo(BackupFolder()).path()));
    ASSERT_TRUE(WriteBytes(BackupFolder(), "not a folder"));
    const std::size_t commandsBefore = unit.Commands().size();
    prompts.Answers = {Prompts::Answer::Yes};

    Trigger("SendVerify");

    // On the wire: the reads of the unit and nothing else.
    EXPECT_TRUE(WritesFrom(commandsBefore).isEmpty());
    EXPECT_EQ(unit.Commands().size() - commandsBefore, 39u);
    EXPECT_EQ(Point3Frequency(), Frequency650);
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, "RIVAN error");
    EXPECT_THAT(prompts.Messages[0].Text.toStdString(), HasSubstr("Nothing was sent"));
    EXPECT_FALSE(Lines().filter("ERROR: backup not saved to ").isEmpty());
    EXPECT_TRUE(Lines().filter("backup saved to").isEmpty());
}

TEST_F(SafeSendTest, NoUnitGivesTheSendLineAndNoQuestion) {
    unit.Settings().Silent = true;
    Trigger("FileNew");
    Trigger("SendVerify");
    EXPECT_TRUE(Lines().contains("ERROR: unable to send data. Check connection"));
    EXPECT_TRUE(prompts.Comparisons.empty());
    EXPECT_EQ(prompts.Beeps, 1);
}

// A backup as an earlier Send and verify left it: the default profile with point 3 at 474 MHz.
QByteArray BackupText(const QString& path) {
    return "# " + path.toLocal8Bit() +
           " created at 14.03.2026 09:15:02\r\n"
           "send *I22A01F001C001600E803000010270000\r\n"
           "send *I22A0040000008036BE26463C    #0\r\n"
           "send *I22A0042001008036BE26463C    #1\r\n"
           "send *I22A00440020080AA401C463C    #2\r\n"
           "send *I22A0046003008036BE26463C    #3\r\n"
           "send *I22A0048004008036BE26463C    #4\r\n"
           "send *I22A004A005008036BE26463C    #5\r\n";
}

TEST_F(SafeSendTest, RestoreFromTheListSendsAndVerifiesTheBackupAndKeepsTheDocument) {
    UnitHoldsTheNewDocument();
    ASSERT_TRUE(QDir().mkpath(BackupFolder()));
    const QString path = QDir(BackupFolder()).filePath("RIVAN-COM1-20260314-091502.PRO");
    ASSERT_TRUE(WriteBytes(path, BackupText(path)));
    prompts.BackupChoices = {Prompts::BackupChoice{Prompts::BackupAction::Restore, path}};
    prompts.Answers = {Prompts::Answer::Yes};

    Trigger("ToolsBackups");

    ASSERT_EQ(prompts.BackupLists.size(), 1u);
    EXPECT_EQ(prompts.BackupLists[0].first, BackupFolder());
    ASSERT_EQ(prompts.BackupLists[0].second.size(), 1);
    const Prompts::BackupItem& item = prompts.BackupLists[0].second.front();
    EXPECT_EQ(item.Taken, "2026-03-14  09:15:02");
    EXPECT_EQ(item.Model, "RIVAN");
    EXPECT_EQ(item.PortName, "COM1");
    ASSERT_EQ(prompts.Comparisons.size(), 1u);
    EXPECT_EQ(prompts.Comparisons[0].OursTitle, "Backup");
    ASSERT_EQ(prompts.Comparisons[0].Rows.size(), 1);
    EXPECT_EQ(prompts.Comparisons[0].Rows[0].Ours, "474.000 MHz");
    EXPECT_EQ(Point3Frequency(), Frequency474);
    EXPECT_TRUE(Lines().contains("verified: 7 blocks match"));
    EXPECT_TRUE(Lines().contains(QDir::toNativeSeparators(path) + " sent to remote equipment") ||
                Lines().contains(path + " sent to remote equipment"));
    // The restore took a backup of its own first; the document is untouched.
    EXPECT_EQ(Backups().size(), 2);
    EXPECT_EQ(form->GetFileName(), "Untitled.PRO");
    EXPECT_EQ(form->GetProfile().FrequencyKHz(2), 650000u);
}

TEST_F(SafeSendTest, OpenFromTheListLoadsTheBackupAsTheDocument) {
    ASSERT_TRUE(QDir().mkpath(BackupFolder()));
    const QString older = QDir(BackupFolder()).filePath("RIVAN-COM1-20260314-091502.PRO");
    const QString newer = QDir(BackupFolder()).filePath("RIVAN-COM2-20260401-070000.PRO");
    ASSERT_TRUE(WriteBytes(older, BackupText(older)));
    ASSERT_TRUE(WriteBytes(newer, BackupText(newer)));
    prompts.BackupChoices = {Prompts::BackupChoice{Prompts::BackupAction::Open, older}};

    Trigger("ToolsBackups");

    ASSERT_EQ(prompts.BackupLists.size(), 1u);
    ASSERT_EQ(prompts.BackupLists[0].second.size(), 2);
    EXPECT_EQ(prompts.BackupLists[0].second[0].Path, newer); // newest first
    EXPECT_EQ(form->GetFileName(), older);
    EXPECT_EQ(form->GetProfile().FrequencyKHz(2), 474000u);
    EXPECT_TRUE(Lines().contains("open file " + older));
    EXPECT_TRUE(Action("SendVerify")->isEnabled());
}

TEST_F(SafeSendTest, ClosingTheListDoesNothing) {
    prompts.BackupChoices = {std::nullopt};
    const qsizetype before = Lines().size();
    Trigger("ToolsBackups");
    EXPECT_EQ(Lines().size(), before);
    EXPECT_FALSE(form->GetDocumentPresent());
}

} // namespace
