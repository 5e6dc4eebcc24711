// The text messages editor and the service password dialog driven through their controls.
#include "dialogs/messeditdlg.h"
#include "dialogs/passworddlg.h"

#include "dialogtesting.h"
#include "profile/equipmentprofile.h"
#include "support/scriptedprompts.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

std::string Padded(const std::string& text) {
    return text + std::string(16 - text.size(), ' ');
}

class MessEditDlgTest : public ::testing::Test {
protected:
    MessEditDlgTest() {
        profile.SetDefaults();
        editor.show();
    }

    QLineEdit* Line(const char* name) { return Child<QLineEdit>(editor, name); }
    QSpinBox* Spin() { return Child<QSpinBox>(editor, "UpDown1"); }
    void ArrowUp() { QTest::keyClick(Spin(), Qt::Key_Up); }
    void ArrowDown() { QTest::keyClick(Spin(), Qt::Key_Down); }
    void UpTo(int message) {
        while (editor.CurrentMessage() != message)
            ArrowUp();
    }
    void TypeMessage(const char* text) {
        QLineEdit* edit = Line("MessageEdit");
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(text));
    }
    QString Current() { return Line("MessageNoEdit")->text(); }
    bool Editable() {
        QLineEdit* edit = Line("MessageEdit");
        return edit->isEnabled() && !edit->isReadOnly();
    }

    // Opens the password dialog with the editor's button and runs `answer` on it inside
    // its modal loop; the dialog is closed afterwards in any case.
    void WithPasswordDialog(const std::function<void(QLineEdit&)>& answer) {
        bool answered = false;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            EXPECT_EQ(modal, &password);
            if (modal == &password) {
                answer(*Child<QLineEdit>(password, "PasswordEdit"));
                answered = true;
            }
            if (password.isVisible())
                password.reject();
        });
        Child<QToolButton>(editor, "SpeedButton1")->click();
        EXPECT_TRUE(answered);
        EXPECT_FALSE(password.isVisible());
    }
    void EnterPassword(const char* text) {
        WithPasswordDialog([&](QLineEdit& edit) {
            QTest::keyClicks(&edit, QString::fromLatin1(text));
            QTest::keyClick(&edit, Qt::Key_Return);
        });
    }

    ScriptLineList lines;
    EquipmentProfile profile{lines};
    ScriptedPrompts prompts;
    int modified = 0;
    TMessEditDlg editor{profile, [this] { ++modified; }, prompts};
    TPasswordDlg password{editor, &editor};
};

TEST_F(MessEditDlgTest, IsAFixedDialogWithItsCaptionAndHints) {
    EXPECT_EQ(editor.windowTitle(), "Text messages editor");
    EXPECT_TRUE(HasFixedSize(editor));
    EXPECT_TRUE(Child<QPushButton>(editor, "OKBtn")->isDefault());
    EXPECT_EQ(Line("MessageNoEdit")->toolTip(), "current message");
    EXPECT_EQ(Line("StaticText1")->toolTip(), "hex index");
    EXPECT_EQ(Line("MessageEdit")->toolTip(), "editable window");
    EXPECT_EQ(Child<QToolButton>(editor, "RestoreButton")->toolTip(), "restore text");
    EXPECT_EQ(Child<QToolButton>(editor, "SpeedButton1")->toolTip(), "enter password");
    EXPECT_FALSE(Line("MessageNoEdit")->isEnabled());
    EXPECT_EQ(Line("MessageNoEdit")->palette().color(QPalette::Disabled, QPalette::Base),
              QColor(0xC0, 0xC0, 0xC0));
}

TEST_F(MessEditDlgTest, TheMessagesLineUpWithTheIndexInOneFixedPitchFont) {
    QLineEdit* index = Line("StaticText1");
    EXPECT_EQ(index->text(), "0123456789ABCDEF");
    const QFontMetrics metrics(index->font());
    for (const QChar c : QStringLiteral("iW .0F"))
        EXPECT_EQ(metrics.horizontalAdvance(c), metrics.horizontalAdvance(QLatin1Char('0')))
            << c.toLatin1();
    for (const char* name : {"MessageNoEdit", "MessageEdit"}) {
        SCOPED_TRACE(name);
        QLineEdit* line = Line(name);
        EXPECT_EQ(line->font(), index->font());
        EXPECT_EQ(line->x(), index->x());
        EXPECT_EQ(line->width(), index->width());
        EXPECT_EQ(line->textMargins(), index->textMargins());
        EXPECT_EQ(line->hasFrame(), index->hasFrame());
        EXPECT_EQ(line->alignment(), index->alignment());
    }
    // Sixteen characters fit without scrolling.
    EXPECT_GE(index->width(), metrics.horizontalAdvance(index->text()) + 8);
}

TEST_F(MessEditDlgTest, EachShowingStartsAtMessageZeroAndLevelZero) {
    UpTo(12);
    editor.SetAccessLevel(1);
    editor.hide();
    editor.show();

    EXPECT_EQ(Line("Edit1")->text(), "0");
    EXPECT_EQ(editor.CurrentMessage(), 0);
    EXPECT_EQ(editor.AccessLevel(), 0);
    EXPECT_EQ(Current().toStdString(), profile.GetMessageText(0));
    EXPECT_EQ(Line("MessageEdit")->text(), Current());
    EXPECT_FALSE(Line("MessageEdit")->isEnabled());
    EXPECT_TRUE(Line("MessageEdit")->isReadOnly());
}

TEST_F(MessEditDlgTest, TheArrowsWrapAroundBothEnds) {
    ArrowDown();
    EXPECT_EQ(editor.CurrentMessage(), 21);
    EXPECT_EQ(Line("Edit1")->text(), "21");
    EXPECT_EQ(Current(), "  Backlight OFF ");
    ArrowUp();
    EXPECT_EQ(editor.CurrentMessage(), 0);
    EXPECT_EQ(Line("Edit1")->text(), "0");
}

TEST_F(MessEditDlgTest, TypingANumberDoesNotMoveToThatMessage) {
    QTest::keyClicks(Line("Edit1"), "5");
    EXPECT_EQ(editor.CurrentMessage(), 0);
    EXPECT_EQ(Current().toStdString(), profile.GetMessageText(0));
}

TEST_F(MessEditDlgTest, LevelZeroEditsOnlyMessagesTwelveAndThirteen) {
    for (int message = 0; message < TMessEditDlg::ShownMessageCount; ++message) {
        UpTo(message);
        EXPECT_EQ(Editable(), message == 12 || message == 13) << message;
    }
}

TEST_F(MessEditDlgTest, LeavingAMessageStoresItsTextPaddedToSixteen) {
    UpTo(12);
    EXPECT_EQ(Current(), "User:           ");
    TypeMessage("ABCDEFGHIJK");
    ArrowUp();
    EXPECT_EQ(profile.GetMessageText(12), "ABCDEFGHIJK     ");
    EXPECT_EQ(modified, 0);

    ArrowDown();
    EXPECT_EQ(Current(), "ABCDEFGHIJK     ");
}

TEST_F(MessEditDlgTest, OkStoresTheFirstSixteenCharactersAndMarksTheDocumentModified) {
    UpTo(13);
    TypeMessage("12345678901234567890");
    Child<QPushButton>(editor, "OKBtn")->click();

    EXPECT_EQ(profile.GetMessageText(13), "1234567890123456");
    EXPECT_EQ(modified, 1);
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    EXPECT_FALSE(editor.isVisible());
}

TEST_F(MessEditDlgTest, TheRestoreButtonBringsBackTheStoredText) {
    UpTo(12);
    TypeMessage("scratch");
    Child<QToolButton>(editor, "RestoreButton")->click();
    EXPECT_EQ(Line("MessageEdit")->text(), "User:           ");
    ArrowUp();
    EXPECT_EQ(profile.GetMessageText(12), Padded("User:"));
}

TEST_F(MessEditDlgTest, CancelEscAndTheCloseBoxRestoreEveryStoredMessage) {
    const auto cancelButton = [this] { Child<QPushButton>(editor, "CancelBtn")->click(); };
    const auto escape = [this] { QTest::keyClick(Line("MessageEdit"), Qt::Key_Escape); };
    const auto closeBox = [this] { editor.close(); };
    for (const auto& cancel : {std::function<void()>(cancelButton), std::function<void()>(escape),
                               std::function<void()>(closeBox)}) {
        editor.show();
        UpTo(12);
        TypeMessage("first");
        ArrowUp();
        TypeMessage("second");
        cancel();

        EXPECT_FALSE(editor.isVisible());
        EXPECT_EQ(editor.result(), QDialog::Rejected);
        EXPECT_EQ(profile.GetMessageText(12), Padded("User:"));
        EXPECT_EQ(profile.GetMessageText(13), Padded("Co:"));
        EXPECT_EQ(modified, 0);
    }
}

TEST_F(MessEditDlgTest, ThePasswordDialogAsksWithStarsAndEmptiesOnEachShowing) {
    EXPECT_EQ(password.windowTitle(), "Password");
    EXPECT_TRUE(HasFixedSize(password));
    WithPasswordDialog([&](QLineEdit& edit) {
        EXPECT_EQ(password.focusWidget(), &edit);
        QTest::keyClicks(&edit, "abc");
        EXPECT_EQ(edit.displayText(), "***");
    });
    WithPasswordDialog([&](QLineEdit& edit) { EXPECT_EQ(edit.text(), ""); });
}

TEST_F(MessEditDlgTest, TheServicePasswordGivesLevelOneAndAWrongOneTakesItBack) {
    UpTo(2);
    EXPECT_FALSE(Editable());

    EnterPassword("BRUVO");
    EXPECT_EQ(editor.AccessLevel(), 0);
    EXPECT_FALSE(Editable());

    EnterPassword("bruvo");
    EXPECT_EQ(editor.AccessLevel(), 1);
    EXPECT_TRUE(Editable());

    EnterPassword("bruvo ");
    EXPECT_EQ(editor.AccessLevel(), 0);
    EXPECT_FALSE(Editable());
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(MessEditDlgTest, LevelOneEditsAllButTheMakersMessages) {
    EnterPassword("bruvo");
    for (int message = 0; message < TMessEditDlg::ShownMessageCount; ++message) {
        UpTo(message);
        EXPECT_EQ(Editable(), message != 0 && message != 1 && message != 15) << message;
    }
}

TEST_F(MessEditDlgTest, ApplyingThePasswordReplacesUnstoredTyping) {
    UpTo(12);
    TypeMessage("unstored");
    EnterPassword("bruvo");
    EXPECT_EQ(Line("MessageEdit")->text(), "User:           ");
}

TEST_F(MessEditDlgTest, CtrlEnterAppliesThePasswordAndKeepsTheDialogOpen) {
    UpTo(2);
    WithPasswordDialog([&](QLineEdit& edit) {
        QTest::keyClicks(&edit, "bruvo");
        QTest::keyClick(&edit, Qt::Key_Return, Qt::ControlModifier);
        EXPECT_TRUE(password.isVisible());
        EXPECT_EQ(editor.AccessLevel(), 1);
        EXPECT_TRUE(Editable());

        edit.setText("wrong");
        QTest::keyClick(&edit, Qt::Key_Enter, Qt::ControlModifier);
        EXPECT_TRUE(password.isVisible());
        EXPECT_EQ(editor.AccessLevel(), 0);

        edit.setText("bruvo");
        QTest::keyClick(&edit, Qt::Key_Return);
        EXPECT_FALSE(password.isVisible());
        EXPECT_EQ(password.result(), QDialog::Accepted);
    });
    EXPECT_EQ(editor.AccessLevel(), 1);
}

TEST_F(MessEditDlgTest, CancellingThePasswordLeavesTheLevel) {
    EnterPassword("bruvo");
    WithPasswordDialog([&](QLineEdit& edit) {
        QTest::keyClicks(&edit, "wrong");
        Child<QPushButton>(password, "CancelBtn")->click();
    });
    EXPECT_EQ(editor.AccessLevel(), 1);
    WithPasswordDialog([&](QLineEdit& edit) {
        QTest::keyClicks(&edit, "wrong");
        QTest::keyClick(&edit, Qt::Key_Escape);
    });
    EXPECT_EQ(editor.AccessLevel(), 1);
}

} // namespace
