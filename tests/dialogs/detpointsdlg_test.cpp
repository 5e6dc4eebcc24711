// The detection points editor driven through its real controls, under both separators.
#include "dialogs/detpointsdlg.h"

#include "dialogtesting.h"
#include "profile/equipmentprofile.h"
#include "support/scriptedprompts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

QByteArray Name(const char* base, int channel) {
    return base + QByteArray::number(channel);
}

class DetPointsDlgTest : public ::testing::Test {
protected:
    DetPointsDlgTest() {
        QLocale::setDefault(QLocale::c());
        profile.SetDefaults();
    }
    ~DetPointsDlgTest() override { QLocale::setDefault(QLocale::system()); }

    // Shows the dialog with the user's numbers written as in `locale`.
    void ShowUnder(const QLocale& locale) {
        QLocale::setDefault(locale);
        dialog.show();
    }

    QLineEdit* Edit(const char* base, int channel) {
        return Child<QLineEdit>(dialog, Name(base, channel).constData());
    }
    QCheckBox* Active(int channel) {
        return Child<QCheckBox>(dialog, Name("Active", channel).constData());
    }
    void Type(const char* base, int channel, const char* text) {
        Edit(base, channel)->setText(QString::fromLatin1(text));
    }
    void PressOK() { Child<QPushButton>(dialog, "OKBtn")->click(); }

    ScriptLineList lines;
    EquipmentProfile profile{lines};
    ScriptedPrompts prompts;
    int modified = 0;
    TDetPointsDlg dialog{profile, [this] { ++modified; }, prompts};
};

const QLocale FullStop = QLocale::c();
const QLocale Comma{QLocale::German, QLocale::Germany};

TEST_F(DetPointsDlgTest, IsAFixedDialogWithSixChannelsSideBySide) {
    ShowUnder(FullStop);
    EXPECT_EQ(dialog.windowTitle(), "Detection points editor");
    EXPECT_TRUE(HasFixedSize(dialog));
    EXPECT_TRUE(Child<QPushButton>(dialog, "OKBtn")->isDefault());
    const QGroupBox* previous = nullptr;
    for (int n = 1; n <= 6; ++n) {
        const QGroupBox* box = Child<QGroupBox>(dialog, Name("GroupBox", n).constData());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->title(), QStringLiteral("Channel %1").arg(n));
        if (previous != nullptr) {
            EXPECT_EQ(box->y(), previous->y());
            EXPECT_GE(box->x(), previous->x() + previous->width());
        }
        previous = box;
        EXPECT_EQ(Active(n)->parentWidget(), box);
        EXPECT_EQ(Active(n)->text(), "Active");
        EXPECT_EQ(Edit("Freq", n)->parentWidget(), box);
        EXPECT_EQ(TabChain(Edit("Freq", n), 4),
                  QStringList({Name("Freq", n), Name("Active", n), Name("AlarmPower", n),
                               Name("WarningPower", n)}));
    }
}

TEST_F(DetPointsDlgTest, ShowsTheDefaultPointsWithTheLocalesSeparator) {
    for (const QLocale& locale : {FullStop, Comma}) {
        ShowUnder(locale);
        const QString frequency = locale == Comma ? "650,0" : "650.0";
        for (int n = 1; n <= 6; ++n) {
            SCOPED_TRACE(n);
            EXPECT_FALSE(Active(n)->isChecked());
            EXPECT_EQ(Edit("Freq", n)->text(), frequency);
            EXPECT_EQ(Edit("WarningPower", n)->text(), "-37");
            EXPECT_EQ(Edit("AlarmPower", n)->text(), "-47");
        }
        dialog.hide();
    }
}

TEST_F(DetPointsDlgTest, ShowsAFrequencyRoundedToOneDecimalAndOkStoresTheShownValue) {
    profile.SetFrequencyKHz(0, 650049);
    profile.SetFrequencyKHz(1, 650050);
    profile.SetActive(2, 1);
    ShowUnder(FullStop);
    EXPECT_EQ(Edit("Freq", 1)->text(), "650.0");
    EXPECT_EQ(Edit("Freq", 2)->text(), "650.1");
    EXPECT_TRUE(Active(3)->isChecked());

    PressOK();
    EXPECT_EQ(profile.FrequencyKHz(0), 650000u);
    EXPECT_EQ(profile.FrequencyKHz(1), 650100u);
    EXPECT_EQ(profile.Active(2), 1);
}

// The highest frequencies a PRO file or a unit can hold would round up beyond the limit.
TEST_F(DetPointsDlgTest, OkWithoutChangesTakesTheHighestFrequenciesBack) {
    profile.SetFrequencyKHz(0, 4294950);
    profile.SetFrequencyKHz(5, 4294967);
    ShowUnder(Comma);
    EXPECT_EQ(Edit("Freq", 1)->text(), "4294,950");
    EXPECT_EQ(Edit("Freq", 6)->text(), "4294,967");

    PressOK();
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(modified, 1);
    EXPECT_EQ(profile.FrequencyKHz(0), 4294950u);
    EXPECT_EQ(profile.FrequencyKHz(5), 4294967u);
}

TEST_F(DetPointsDlgTest, OkStoresEveryChannelAndMarksTheDocumentModified) {
    for (int i = 0; i < 6; ++i)
        profile.SetNumber(i, 9);
    ShowUnder(FullStop);
    Type("Freq", 1, "1234.5678");
    Active(2)->setChecked(true);
    Type("AlarmPower", 4, "-107");
    Type("WarningPower", 4, "148");
    Type("Freq", 6, "4294.967");
    PressOK();

    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(modified, 1);
    EXPECT_EQ(profile.FrequencyKHz(0), 1234567u);
    EXPECT_EQ(profile.Active(1), 1);
    EXPECT_EQ(profile.Active(0), 0);
    EXPECT_EQ(profile.AlarmPower(3), 0);
    EXPECT_EQ(profile.WarningPower(3), 255);
    EXPECT_EQ(profile.FrequencyKHz(5), 4294967u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(profile.Number(i), i);
}

TEST_F(DetPointsDlgTest, CommaLocaleTakesBothSeparatorsInFrequenciesAndCutsPowers) {
    ShowUnder(Comma);
    Type("Freq", 1, "650.5");
    Type("Freq", 2, "650,5");
    Type("WarningPower", 1, "-47.5");
    PressOK();

    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(profile.FrequencyKHz(0), 650500u);
    EXPECT_EQ(profile.FrequencyKHz(1), 650500u);
    EXPECT_EQ(profile.WarningPower(0), 60);
    // The edits hold the texts as they were read.
    EXPECT_EQ(Edit("Freq", 1)->text(), "650,5");
    EXPECT_EQ(Edit("WarningPower", 1)->text(), "-47");
}

struct RefusedCase {
    const char* Name;
    const QLocale* Locale;
    const char* Control;
    const char* Text;
    const char* Box;
};

TEST_F(DetPointsDlgTest, ARefusedTextIsReportedAsTheEditShowsIt) {
    const RefusedCase cases[] = {
        {"comma power under a comma locale", &Comma, "AlarmPower", "-47,5",
         "'-47,5' is not a valid integer value."},
        {"comma frequency under a full-stop locale", &FullStop, "Freq", "650,5",
         "'650,5' is not a valid floating point value."},
        {"fractional power under a full-stop locale", &FullStop, "WarningPower", "-47.5",
         "'-47.5' is not a valid integer value."},
        {"empty frequency", &FullStop, "Freq", "", "'' is not a valid floating point value."},
        {"power below what one byte holds", &FullStop, "WarningPower", "-120",
         "'-120' is out of range (allowed: -107 to 148 dBm)."},
        {"power above what one byte holds", &Comma, "AlarmPower", "149",
         "'149' is out of range (allowed: -107 to 148 dBm)."},
        {"frequency whose Hz exceed 32 bits", &FullStop, "Freq", "4294.968",
         "'4294.968' is out of range (allowed: 0 to 4294.967 MHz)."},
        {"negative frequency", &Comma, "Freq", "-1.5",
         "'-1,5' is out of range (allowed: 0 to 4294,967 MHz)."},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.Name);
        profile.SetDefaults();
        prompts.Messages.clear();
        ShowUnder(*c.Locale);
        Type(c.Control, 1, c.Text);
        PressOK();

        ASSERT_EQ(prompts.Messages.size(), 1u);
        EXPECT_EQ(prompts.Messages[0].Caption, "RIVAN");
        EXPECT_EQ(prompts.Messages[0].Text, c.Box);
        EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Error);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(modified, 0);
    }
}

TEST_F(DetPointsDlgTest, ARefusedPowerInChannelThreeKeepsWhatWasStoredBeforeIt) {
    for (int i = 0; i < 6; ++i)
        profile.SetNumber(i, 9);
    ShowUnder(FullStop);
    for (int n = 1; n <= 6; ++n) {
        Type("Freq", n, QByteArray::number(700 + n).constData());
        Type("AlarmPower", n, "-50");
        Active(n)->setChecked(true);
    }
    Type("WarningPower", 3, "x");
    PressOK();

    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Text, "'x' is not a valid integer value.");
    EXPECT_EQ(modified, 0);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(profile.FrequencyKHz(i), 701000u + 1000u * i);
        EXPECT_EQ(profile.Number(i), i);
        EXPECT_EQ(profile.Active(i), 1);
        EXPECT_EQ(profile.AlarmPower(i), 57);
    }
    // Channel 3: frequency, number and active flag come before the warning power.
    EXPECT_EQ(profile.FrequencyKHz(2), 703000u);
    EXPECT_EQ(profile.Number(2), 2);
    EXPECT_EQ(profile.Active(2), 1);
    EXPECT_EQ(profile.WarningPower(2), 70);
    EXPECT_EQ(profile.AlarmPower(2), 60);
    for (int i = 3; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(profile.FrequencyKHz(i), 650000u);
        EXPECT_EQ(profile.Number(i), 9);
        EXPECT_EQ(profile.Active(i), 0);
        EXPECT_EQ(profile.AlarmPower(i), 60);
    }
}

TEST_F(DetPointsDlgTest, CancelEscAndTheCloseBoxPutTheShownPointsBack) {
    const auto cancelButton = [this] { Child<QPushButton>(dialog, "CancelBtn")->click(); };
    const auto escape = [this] { QTest::keyClick(Edit("Freq", 1), Qt::Key_Escape); };
    const auto closeBox = [this] { dialog.close(); };
    for (const auto& cancel : {std::function<void()>(cancelButton), std::function<void()>(escape),
                               std::function<void()>(closeBox)}) {
        ShowUnder(FullStop);
        Type("Freq", 2, "900");
        Active(2)->setChecked(true);
        profile.SetFrequencyKHz(1, 900000);
        profile.SetActive(1, 1);
        profile.SetAlarmPower(5, 1);
        cancel();

        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(profile.FrequencyKHz(1), 650000u);
        EXPECT_EQ(profile.Active(1), 0);
        EXPECT_EQ(profile.AlarmPower(5), 60);
        EXPECT_EQ(modified, 0);
    }
}

} // namespace
