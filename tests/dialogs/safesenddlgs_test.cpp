// The comparison window and the backups list: what they show and what their buttons answer.
#include "dialogs/backupsdlg.h"
#include "dialogs/comparedlg.h"
#include "dialogtesting.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace {

Prompts::Comparison TwoDifferences(const QString& question) {
    Prompts::Comparison comparison;
    comparison.Caption = QStringLiteral("Send and verify");
    comparison.Heading = QStringLiteral("RIVAN on COM3: 2 settings differ.");
    comparison.OursTitle = QStringLiteral("Document");
    comparison.Rows = {{"configuration MER alarm", "25 dB", "22 dB"},
                       {"point 3 frequency", "474.000 MHz", "650.000 MHz"}};
    comparison.SameText = QStringLiteral("The document and the unit hold the same settings.");
    comparison.Question = question;
    return comparison;
}

// Clicks the button called `name` once the dialog's own event loop runs.
void ClickWhenShown(QDialog& dialog, const char* name) {
    QTimer::singleShot(0, &dialog, [&dialog, name] {
        if (auto* button = dialog.findChild<QPushButton*>(QString::fromLatin1(name)))
            button->click();
        else
            dialog.reject();
    });
}

TEST(CompareDlgTest, ShowsOneRowPerSettingWithBothValues) {
    TCompareDlg dialog(TwoDifferences(QString()));
    auto* table = Child<QTableWidget>(dialog, "DiffTable");
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->horizontalHeaderItem(1)->text(), "Document");
    EXPECT_EQ(table->horizontalHeaderItem(2)->text(), "Unit");
    EXPECT_EQ(table->item(1, 0)->text(), "point 3 frequency");
    EXPECT_EQ(table->item(1, 1)->text(), "474.000 MHz");
    EXPECT_EQ(table->item(1, 2)->text(), "650.000 MHz");
    // The two sides in colours of their own.
    EXPECT_NE(table->item(1, 1)->background(), table->item(1, 2)->background());
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("QuestionLabel")), nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Send and verify");
}

TEST(CompareDlgTest, NothingDifferingShowsTheSentenceInsteadOfATable) {
    Prompts::Comparison comparison = TwoDifferences(QString());
    comparison.Rows.clear();
    TCompareDlg dialog(comparison);
    EXPECT_EQ(dialog.findChild<QTableWidget*>(QStringLiteral("DiffTable")), nullptr);
    auto* same = Child<QLabel>(dialog, "SameLabel");
    ASSERT_NE(same, nullptr);
    EXPECT_EQ(same->text(), "The document and the unit hold the same settings.");
    ClickWhenShown(dialog, "CloseBtn");
    EXPECT_EQ(dialog.Ask(), Prompts::Answer::Ok);
}

struct AnswerCase {
    const char* Name;
    const char* Button;
    Prompts::Answer Answer;
};

class CompareQuestionTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(CompareQuestionTest, AnswersTheQuestion) {
    TCompareDlg dialog(TwoDifferences(QStringLiteral("Send these changes to the unit?")));
    EXPECT_EQ(Child<QLabel>(dialog, "QuestionLabel")->text(), "Send these changes to the unit?");
    ClickWhenShown(dialog, GetParam().Button);
    EXPECT_EQ(dialog.Ask(), GetParam().Answer);
}

INSTANTIATE_TEST_SUITE_P(Buttons, CompareQuestionTest,
                         ::testing::Values(AnswerCase{"Yes", "YesBtn", Prompts::Answer::Yes},
                                           AnswerCase{"No", "NoBtn", Prompts::Answer::No},
                                           AnswerCase{"ClosedIsNo", "NoSuchBtn",
                                                      Prompts::Answer::No}),
                         [](const auto& info) { return std::string(info.param.Name); });

QList<Prompts::BackupItem> TwoBackups() {
    return {{"/data/b/RIVAN-COM3-20260401-070000.PRO", "2026-04-01  07:00:00", "RIVAN", "COM3"},
            {"/data/b/RIVAN-COM1-20260314-091502.PRO", "2026-03-14  09:15:02", "RIVAN", "COM1"}};
}

TEST(BackupsDlgTest, ListsTheBackupsAndStartsOnTheNewest) {
    TBackupsDlg dialog(QStringLiteral("/data/b"), TwoBackups());
    auto* table = Child<QTableWidget>(dialog, "BackupTable");
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 0)->text(), "2026-04-01  07:00:00");
    EXPECT_EQ(table->item(1, 2)->text(), "COM1");
    EXPECT_EQ(table->item(1, 3)->text(), "RIVAN-COM1-20260314-091502.PRO");
    EXPECT_TRUE(Child<QPushButton>(dialog, "OpenBtn")->isEnabled());
    // Deleting is not offered.
    for (const QPushButton* button : dialog.findChildren<QPushButton*>())
        EXPECT_FALSE(button->text().contains(QStringLiteral("Delete")))
            << button->text().toStdString();
}

TEST(BackupsDlgTest, RestoreChoosesTheSelectedBackup) {
    TBackupsDlg dialog(QStringLiteral("/data/b"), TwoBackups());
    Child<QTableWidget>(dialog, "BackupTable")->selectRow(1);
    ClickWhenShown(dialog, "RestoreBtn");
    const std::optional<Prompts::BackupChoice> choice = dialog.Choose();
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->Action, Prompts::BackupAction::Restore);
    EXPECT_EQ(choice->Path, "/data/b/RIVAN-COM1-20260314-091502.PRO");
}

TEST(BackupsDlgTest, AnEmptyListOffersNothingAndClosesWithoutAChoice) {
    TBackupsDlg dialog(QStringLiteral("/data/b"), {});
    EXPECT_FALSE(Child<QPushButton>(dialog, "OpenBtn")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(dialog, "RestoreBtn")->isEnabled());
    EXPECT_TRUE(Child<QLabel>(dialog, "FolderLabel")->text().startsWith("No backups yet"));
    ClickWhenShown(dialog, "CloseBtn");
    EXPECT_FALSE(dialog.Choose().has_value());
}

} // namespace
