// The configuration editor driven through its real controls.
#include "dialogs/cfgeditordlg.h"

#include "dialogtesting.h"
#include "profile/equipmentprofile.h"
#include "support/scriptedprompts.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class CfgEditorDlgTest : public ::testing::Test {
protected:
    CfgEditorDlgTest() {
        profile.SetDefaults();
        dialog.show();
    }

    QLineEdit* Edit(const char* name) { return Child<QLineEdit>(dialog, name); }
    void Type(const char* name, const char* text) {
        Edit(name)->setText(QString::fromLatin1(text));
    }
    void PressOK() { Child<QPushButton>(dialog, "OKBtn")->click(); }
    QString Shown(const char* name) { return Edit(name)->text(); }

    ScriptLineList lines;
    EquipmentProfile profile{lines};
    ScriptedPrompts prompts;
    int modified = 0;
    TCfgEditorDlg dialog{profile, [this] { ++modified; }, prompts};
};

TEST_F(CfgEditorDlgTest, IsAFixedDialogWithItsCaptionControlsAndTabOrder) {
    EXPECT_EQ(dialog.windowTitle(), "Configuration editor");
    EXPECT_TRUE(HasFixedSize(dialog));
    EXPECT_TRUE(Child<QPushButton>(dialog, "OKBtn")->isDefault());
    EXPECT_EQ(Child<QPushButton>(dialog, "CancelBtn")->text(), "Cancel");
    EXPECT_EQ(
        TabChain(Child<QPushButton>(dialog, "OKBtn"), 6),
        QStringList({"OKBtn", "CancelBtn", "AlarmMER", "WarningMER", "AlarmBER", "WarningBER"}));
    EXPECT_GT(Edit("AlarmBER")->width(), Edit("AlarmMER")->width());
}

TEST_F(CfgEditorDlgTest, ShowsTheDefaultThresholds) {
    EXPECT_EQ(Shown("AlarmMER"), "22");
    EXPECT_EQ(Shown("WarningMER"), "28");
    EXPECT_EQ(Shown("AlarmBER"), "1.00E-04");
    EXPECT_EQ(Shown("WarningBER"), "1.00E-05");
}

TEST_F(CfgEditorDlgTest, OkStoresEveryThresholdAndMarksTheDocumentModified) {
    Type("AlarmMER", "30");
    Type("WarningMER", "25"); // no order check between alarm and warning
    Type("AlarmBER", "1e-3xyz");
    Type("WarningBER", "2.5E-6");
    PressOK();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(modified, 1);
    EXPECT_EQ(profile.AlarmMER(), 30);
    EXPECT_EQ(profile.WarningMER(), 25);
    EXPECT_EQ(profile.AlarmBER(), 0.001f);
    EXPECT_EQ(profile.WarningBER(), 2.5e-6f);

    dialog.show();
    EXPECT_EQ(Shown("AlarmBER"), "1.00E-03");
    EXPECT_EQ(Shown("WarningBER"), "2.50E-06");
}

TEST_F(CfgEditorDlgTest, OkWithoutChangesKeepsTheDefaultsBitForBit) {
    PressOK();
    EXPECT_EQ(modified, 1);
    EXPECT_EQ(profile.AlarmMER(), 22);
    EXPECT_EQ(profile.WarningMER(), 28);
    EXPECT_EQ(profile.AlarmBER(), 9.99999975e-05f);
    EXPECT_EQ(profile.WarningBER(), 9.99999975e-06f);
}

// A PRO file or a unit holds each BER threshold as a 32-bit count of 1e-8: the largest count
// reads as 42.94967296 (4294967295 in single precision, times 1e-8).
TEST_F(CfgEditorDlgTest, OkWithoutChangesTakesTheHighestThresholdsAFileCanHold) {
    profile.SetAlarmBER(42.94967296f);
    profile.SetWarningBER(2.0f);
    dialog.hide();
    dialog.show();
    EXPECT_EQ(Shown("AlarmBER"), "4.29E+01");
    EXPECT_EQ(Shown("WarningBER"), "2.00E+00");
    PressOK();
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(modified, 1);
    EXPECT_EQ(profile.AlarmBER(), 42.9f);
    EXPECT_EQ(profile.WarningBER(), 2.0f);
}

struct RefusedCase {
    const char* Name;
    const char* AlarmMER;
    const char* WarningMER;
    const char* AlarmBER;
    const char* Box;
    // What the profile holds afterwards: converted before the refused text, old after it.
    std::uint16_t StoredAlarmMER;
    std::uint16_t StoredWarningMER;
};

TEST_F(CfgEditorDlgTest, ARefusedTextIsReportedAndKeepsWhatWasConvertedBeforeIt) {
    const RefusedCase cases[] = {
        {"letters as MER warning", "20", "abc", "5E-4", "'abc' is not a valid integer value.", 20,
         28},
        {"empty MER alarm", "", "25", "5E-4", "'' is not a valid integer value.", 22, 28},
        {"MER beyond 16 bits", "65536", "25", "5E-4",
         "'65536' is out of range (allowed: 0 to 65535 dB).", 22, 28},
        {"negative MER", "-1", "25", "5E-4", "'-1' is out of range (allowed: 0 to 65535 dB).", 22,
         28},
        {"BER alarm without a number", "20", "25", "xyz",
         "'xyz' is not a valid floating point value.", 20, 25},
        {"BER alarm beyond the 32-bit count", "20", "25", "43",
         "'43' is out of range (allowed: 0 to 42.94967295).", 20, 25},
        {"BER alarm with a decimal comma", "20", "25", "2,5E-6",
         "'2,5E-6' is not a valid floating point value: use a full stop as the decimal "
         "separator.",
         20, 25},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.Name);
        profile.SetDefaults();
        prompts.Messages.clear();
        dialog.show();
        Type("AlarmMER", c.AlarmMER);
        Type("WarningMER", c.WarningMER);
        Type("AlarmBER", c.AlarmBER);
        Type("WarningBER", "5E-5");
        PressOK();

        ASSERT_EQ(prompts.Messages.size(), 1u);
        EXPECT_EQ(prompts.Messages[0].Caption, "RIVAN");
        EXPECT_EQ(prompts.Messages[0].Text, c.Box);
        EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Error);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(modified, 0);
        EXPECT_EQ(profile.AlarmMER(), c.StoredAlarmMER);
        EXPECT_EQ(profile.WarningMER(), c.StoredWarningMER);
        EXPECT_EQ(profile.AlarmBER(), 9.99999975e-05f);
        EXPECT_EQ(profile.WarningBER(), 9.99999975e-06f);
    }
}

TEST_F(CfgEditorDlgTest, CancelEscAndTheCloseBoxPutTheShownThresholdsBack) {
    const auto cancelButton = [this] { Child<QPushButton>(dialog, "CancelBtn")->click(); };
    const auto escape = [this] { QTest::keyClick(Edit("AlarmMER"), Qt::Key_Escape); };
    const auto closeBox = [this] { dialog.close(); };
    for (const auto& cancel : {std::function<void()>(cancelButton), std::function<void()>(escape),
                               std::function<void()>(closeBox)}) {
        dialog.show();
        Type("AlarmMER", "10");
        // Whatever changed the live thresholds while shown, the snapshot comes back.
        profile.SetAlarmMER(10);
        profile.SetWarningBER(0.5f);
        cancel();

        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(profile.AlarmMER(), 22);
        EXPECT_EQ(profile.WarningBER(), 9.99999975e-06f);
        EXPECT_EQ(modified, 0);
        EXPECT_TRUE(prompts.Messages.empty());
    }
}

TEST_F(CfgEditorDlgTest, EachShowingRefillsTheEditsFromTheProfile) {
    Type("WarningMER", "abc");
    dialog.hide();
    profile.SetWarningMER(31);
    dialog.show();
    EXPECT_EQ(Shown("WarningMER"), "31");
}

} // namespace
