// Tests of the tools editor window: its layout, the file commands and their prompt, find,
// and printing to PDF.
#include "support/filesizelimit.h"
#include "support/scriptedprompts.h"
#include "support/unprivileged.h"
#include "tools/editor/finddlg.h"
#include "tools/editor/scratchpad.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPageLayout>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

const QString Modified = QStringLiteral("The current file has been modified. Save changes?");

QByteArray ReadBytes(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

void WriteBytes(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class ScratchPadTest : public ::testing::Test {
protected:
    QString Path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }

    // Opens `name` through the open dialog.
    void Open(const QString& name) {
        prompts.FileNames.push_back(name);
        pad.FileOpenClick();
    }

    void TypeAtEnd(const QString& text) {
        QTextCursor cursor = pad.Memo()->textCursor();
        cursor.movePosition(QTextCursor::End);
        pad.Memo()->setTextCursor(cursor);
        pad.Memo()->insertPlainText(text);
    }

    QTemporaryDir folder;
    ScriptedPrompts prompts;
    TScratchPad pad{prompts};
};

// --- the window ---------------------------------------------------------------------------

TEST_F(ScratchPadTest, StartsEmptyWithItsCaptionAndSize) {
    EXPECT_EQ(pad.windowTitle(), "Tools Editor");
    EXPECT_EQ(pad.geometry(), QRect(97, 99, 614, 229));
    EXPECT_TRUE(pad.Memo()->toPlainText().isEmpty());
    EXPECT_FALSE(pad.IsModified());
    EXPECT_TRUE(pad.OpenedFileName().isEmpty());
    EXPECT_TRUE(pad.CurrentFileName().isEmpty());
    EXPECT_NE(pad.statusBar(), nullptr);
}

TEST_F(ScratchPadTest, TextAreaIsYellowOnNavyFixedPitchWithoutWrapping) {
    QPlainTextEdit* memo = pad.Memo();
    EXPECT_EQ(memo->palette().color(QPalette::Base), QColor(0, 0, 128));
    EXPECT_EQ(memo->palette().color(QPalette::Text), QColor(255, 255, 0));
    EXPECT_EQ(memo->font().family(), "Courier New");
    EXPECT_EQ(memo->font().pointSize(), 8);
    EXPECT_TRUE(QFontInfo(memo->font()).fixedPitch());
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_FALSE(memo->tabChangesFocus());
    EXPECT_EQ(pad.centralWidget(), memo);
}

// Captions of a menu's items, with "-" for a separator and the shortcut after a tab.
QStringList MenuItems(const QMenu* menu) {
    QStringList items;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            items << QStringLiteral("-");
            continue;
        }
        QString item = action->text();
        if (!action->shortcut().isEmpty())
            item += QLatin1Char('\t') + action->shortcut().toString();
        items << item;
    }
    return items;
}

TEST_F(ScratchPadTest, MenuHasItsCaptionsShortcutsAndSeparators) {
    const QList<QAction*> menus = pad.menuBar()->actions();
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(MenuItems(menus[0]->menu()),
              (QStringList{"&New\tCtrl+N", "&Open\tCtrl+O", "-", "&Save\tCtrl+S", "Save &as...",
                           "-", "&Print\tCtrl+I", "P&rinter setup...", "-", "E&xit"}));
    EXPECT_EQ(menus[1]->text(), "&Edit");
    EXPECT_EQ(MenuItems(menus[1]->menu()),
              (QStringList{"&Undo\tCtrl+Z", "&Select all\tCtrl+A", "-", "Cu&t\tCtrl+X",
                           "&Copy\tCtrl+C", "&Paste\tCtrl+V", "-", "&Search..."}));
}

TEST_F(ScratchPadTest, SpeedBarHasSixButtonsWithHints) {
    QStringList names;
    QStringList hints;
    for (const QAction* action : pad.SpeedBar()->actions()) {
        names << action->objectName();
        hints << action->toolTip();
        EXPECT_FALSE(action->icon().pixmap(16, 16).isNull()) << action->objectName().toStdString();
    }
    EXPECT_EQ(names, (QStringList{"SpeedExitBtn", "SpeedNewBtn", "SpeedOpenBtn", "SpeedSaveBtn",
                                  "SpeedSearchBtn", "SpeedPrintBtn"}));
    EXPECT_EQ(hints, (QStringList{"Exit editor", "New file", "Open a file", "Save to file",
                                  "Search", "Print"}));
}

// --- open and save ------------------------------------------------------------------------

struct RoundTripCase {
    const char* Name;
    QByteArray Bytes;
    QString Text; // as the text area shows it
};

class ScratchPadRoundTripTest : public ScratchPadTest,
                                public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(ScratchPadRoundTripTest, OpenThenSaveKeepsTheBytes) {
    const QString name = Path("profile.pro");
    WriteBytes(name, GetParam().Bytes);

    Open(name);

    EXPECT_EQ(pad.Text(), GetParam().Text);
    EXPECT_FALSE(pad.IsModified());
    EXPECT_EQ(pad.windowTitle(), "Tools Editor  -  " + name);
    EXPECT_EQ(pad.OpenedFileName(), name);
    EXPECT_EQ(pad.CurrentFileName(), name);
    ASSERT_TRUE(pad.FileSaveClick());
    EXPECT_EQ(ReadBytes(name), GetParam().Bytes);
    EXPECT_TRUE(prompts.Messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScratchPadRoundTripTest,
    ::testing::Values(RoundTripCase{"CrLfWithTabs", "# RIVAN\r\nsend\t*I22A01F00\r\n\r\nend\r\n",
                                    "# RIVAN\nsend\t*I22A01F00\n\nend\n"},
                      RoundTripCase{"LineFeedsWithoutLastLineEnd", "first\nsecond",
                                    "first\nsecond"},
                      RoundTripCase{"CarriageReturnsOnly", "a\rb\r", "a\nb\n"},
                      RoundTripCase{"OneBytePerCharacter", "caf\xE9 \xA0 \xB0\r\n",
                                    QString::fromLatin1("caf\xE9 \xA0 \xB0\n")},
                      RoundTripCase{"Utf8WithByteOrderMark", "\xEF\xBB\xBF\xC2\xB5s\r\n",
                                    QChar(0xFEFF) + QString::fromUtf8("\xC2\xB5s\n")},
                      RoundTripCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ScratchPadTest, OpenOffersTheFourFiltersAndEveryFile) {
    const QString name = Path("noextension");
    WriteBytes(name, "plain\r\n");
    Open(name);
    ASSERT_EQ(prompts.OpenDialogs.size(), 1u);
    EXPECT_EQ(prompts.OpenDialogs[0].Filter,
              "PRO files (*.pro);;LOG files (*.log);;generic text files (*.txt);;All (*)");
    EXPECT_EQ(pad.Memo()->toPlainText(), "plain\n");
}

TEST_F(ScratchPadTest, EditedTextIsSavedWithTheFilesLineEnds) {
    const QString name = Path("run.log");
    WriteBytes(name, "Started\r\n");
    Open(name);

    TypeAtEnd(QStringLiteral("Ended\n"));
    EXPECT_TRUE(pad.IsModified());
    ASSERT_TRUE(pad.FileSaveClick());

    EXPECT_FALSE(pad.IsModified());
    EXPECT_EQ(ReadBytes(name), "Started\r\nEnded\r\n");
}

TEST_F(ScratchPadTest, SaveAsWritesExactlyTheChosenName) {
    pad.Memo()->setPlainText(QStringLiteral("one\ntwo"));
    const QString name = Path("notes");
    prompts.FileNames.push_back(name);

    ASSERT_TRUE(pad.FileSaveAsClick());

    ASSERT_EQ(prompts.SaveDialogs.size(), 1u);
    EXPECT_EQ(prompts.SaveDialogs[0].Title, "Save as...");
    EXPECT_TRUE(prompts.SaveDialogs[0].Filter.isEmpty());
    EXPECT_TRUE(prompts.SaveDialogs[0].DefaultSuffix.isEmpty());
    EXPECT_EQ(ReadBytes(name), "one\r\ntwo");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"notes"});
    EXPECT_EQ(pad.windowTitle(), "Tools Editor  -  " + name);
    EXPECT_EQ(pad.CurrentFileName(), name);
    EXPECT_TRUE(pad.OpenedFileName().isEmpty());
    EXPECT_FALSE(pad.IsModified());
}

TEST_F(ScratchPadTest, SaveWithoutNameAsksForOne) {
    pad.Memo()->setPlainText(QStringLiteral("x"));
    prompts.FileNames.push_back(std::nullopt);
    EXPECT_FALSE(pad.FileSaveClick());
    EXPECT_EQ(prompts.SaveDialogs.size(), 1u);
    EXPECT_EQ(pad.windowTitle(), "Tools Editor");
}

TEST_F(ScratchPadTest, FailedWriteIsReportedAndKeepsTheTextModified) {
    TypeAtEnd(QStringLiteral("keep me"));
    prompts.FileNames.push_back(Path("missing-folder/file.txt"));

    EXPECT_FALSE(pad.FileSaveAsClick());

    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, "Tools Editor");
    EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Error);
    EXPECT_TRUE(pad.IsModified());
    EXPECT_TRUE(pad.CurrentFileName().isEmpty());
    EXPECT_EQ(pad.windowTitle(), "Tools Editor");
}

TEST_F(ScratchPadTest, FailedSaveLeavesThePreviousFileWhole) {
    const QString name = Path("keep.pro");
    WriteBytes(name, "old\r\n");
    Open(name);
    QFile::remove(name);
    ASSERT_TRUE(QDir().mkdir(name)); // a folder in the file's place cannot be replaced
    TypeAtEnd(QStringLiteral("new"));

    EXPECT_FALSE(pad.FileSaveClick());
    EXPECT_TRUE(pad.IsModified());
    EXPECT_TRUE(QFileInfo(name).isDir());
}

// A save that breaks off half way, as on a full disk: the toolkit's reason in the editor's
// own box, the text still marked as changed, and the previous file byte for byte.
TEST_F(ScratchPadTest, SaveIntoAFullDiskLeavesThePreviousFileByteForByte) {
    const QString name = Path("full.log");
    const QByteArray old("an older text\r\nof two lines\r\n");
    WriteBytes(name, old);
    Open(name);
    TypeAtEnd(QString(400, QLatin1Char('N')));

    bool saved = true;
    {
        FileSizeLimit limit(100);
        ASSERT_TRUE(limit.Active());
        saved = pad.FileSaveClick();
    }

    EXPECT_FALSE(saved);
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, "Tools Editor");
    EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Error);
    EXPECT_EQ(prompts.Messages[0].Choice, Prompts::Buttons::Ok);
    EXPECT_TRUE(prompts.Messages[0].Text.contains(name)) << prompts.Messages[0].Text.toStdString();
    EXPECT_TRUE(pad.IsModified());
    EXPECT_EQ(ReadBytes(name), old);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("full.log")});
}

// A folder nobody may write into: a name below a plain file, for any user; a folder without
// write permission, for users other than the superuser. The files there stay as they were.
TEST_F(ScratchPadTest, SaveAsBelowAPlainFileLeavesThatFileAlone) {
    const QString plain = Path("plain.txt");
    WriteBytes(plain, "plain\r\n");
    Open(plain);
    TypeAtEnd(QStringLiteral("more"));
    prompts.FileNames.push_back(Path("plain.txt/below.txt"));

    EXPECT_FALSE(pad.FileSaveAsClick());

    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, "Tools Editor");
    EXPECT_TRUE(pad.IsModified());
    EXPECT_EQ(pad.CurrentFileName(), plain);
    EXPECT_EQ(ReadBytes(plain), QByteArray("plain\r\n"));
}

// A file the user may write in a folder the user may not: written in place.
TEST_F(ScratchPadTest, SaveIntoAFolderTheUserCannotWriteWritesTheFileInPlace) {
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("locked")));
    const QString name = Path("locked/kept.txt");
    WriteBytes(name, "kept\r\n");
    Open(name);
    TypeAtEnd(QStringLiteral("more"));
    const QString locked = Path("locked");
    for (const QString& path : {folder.path(), locked, name})
        ASSERT_TRUE(Unprivileged::HandOver(path));
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));

    bool saved = false;
    RunUnprivileged([&] {
        ASSERT_TRUE(Unprivileged::RefusesNewFiles(locked));
        saved = pad.FileSaveClick();
    });
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (IsSkipped())
        return;

    EXPECT_TRUE(saved);
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_FALSE(pad.IsModified());
    EXPECT_EQ(ReadBytes(name), QByteArray("kept\r\nmore"));
    EXPECT_EQ(QDir(locked).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList{QStringLiteral("kept.txt")});
}

TEST_F(ScratchPadTest, SaveIntoAReadOnlyFolderOverAReadOnlyFileLeavesThePreviousFile) {
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("locked")));
    const QString name = Path("locked/kept.txt");
    WriteBytes(name, "kept\r\n");
    Open(name);
    TypeAtEnd(QStringLiteral("more"));
    const QString locked = Path("locked");
    for (const QString& path : {folder.path(), locked, name})
        ASSERT_TRUE(Unprivileged::HandOver(path));
    ASSERT_TRUE(QFile::setPermissions(name, QFile::ReadOwner));
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));

    bool saved = true;
    RunUnprivileged([&] { saved = pad.FileSaveClick(); });
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (IsSkipped())
        return;

    EXPECT_FALSE(saved);
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, "Tools Editor");
    EXPECT_TRUE(pad.IsModified());
    EXPECT_EQ(ReadBytes(name), QByteArray("kept\r\n"));
    EXPECT_EQ(QDir(locked).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("kept.txt")});
}

// Every failure to read a file gives the same message; the text and the name it is saved
// under stay as they were, so a following Save cannot empty the previous file.
TEST_F(ScratchPadTest, ReadFailuresSayTheFileIsTooLongAndKeepTheText) {
    const QString previous = Path("previous.txt");
    WriteBytes(previous, "previous\r\n");
    Open(previous);

    const QString huge = Path("huge.log");
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(PlainTextFile::MaxBytes + 1)); // sparse, costs no disk
    }
    const QString failures[] = {Path("vanished.pro"), huge, folder.path()};
    for (const QString& name : failures) {
        SCOPED_TRACE(name.toStdString());
        prompts.Messages.clear();
        Open(name);
        ASSERT_EQ(prompts.Messages.size(), 1u);
        EXPECT_EQ(prompts.Messages[0].Caption, "Tools Editor");
        EXPECT_EQ(prompts.Messages[0].Text, "Unable to edit: the file is too long");
        EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Error);
        EXPECT_EQ(prompts.Messages[0].Choice, Prompts::Buttons::Ok);
        EXPECT_EQ(pad.Memo()->toPlainText(), "previous\n");
        EXPECT_EQ(pad.CurrentFileName(), previous);
        EXPECT_EQ(pad.windowTitle(), "Tools Editor  -  " + previous);
    }
}

TEST_F(ScratchPadTest, CancelledOpenKeepsTheTextButForgetsTheOpenedName) {
    const QString name = Path("a.pro");
    WriteBytes(name, "a\r\n");
    Open(name);
    prompts.FileNames.push_back(std::nullopt);
    pad.FileOpenClick();
    EXPECT_EQ(pad.Memo()->toPlainText(), "a\n");
    EXPECT_TRUE(pad.OpenedFileName().isEmpty());
    EXPECT_EQ(pad.CurrentFileName(), name);
}

// --- the modified prompt ------------------------------------------------------------------

TEST_F(ScratchPadTest, UnchangedTextIsReplacedWithoutAsking) {
    pad.Memo()->setPlainText(QStringLiteral("loaded"));
    pad.Memo()->document()->setModified(false);
    pad.FileNewClick();
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_TRUE(pad.Memo()->toPlainText().isEmpty());
}

TEST_F(ScratchPadTest, NewAsksAndCancelKeepsEverything) {
    const QString name = Path("a.pro");
    WriteBytes(name, "a\r\n");
    Open(name);
    TypeAtEnd(QStringLiteral("b"));
    prompts.Answers.push_back(Prompts::Answer::Cancel);

    pad.FileNewClick();

    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, "Tools Editor");
    EXPECT_EQ(prompts.Messages[0].Text, Modified);
    EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Warning);
    EXPECT_EQ(prompts.Messages[0].Choice, Prompts::Buttons::YesNoCancel);
    EXPECT_EQ(pad.Memo()->toPlainText(), "a\nb");
    EXPECT_TRUE(pad.IsModified());
    EXPECT_EQ(pad.CurrentFileName(), name);
    EXPECT_EQ(ReadBytes(name), "a\r\n");
}

TEST_F(ScratchPadTest, NewAnsweredNoDropsTheChanges) {
    const QString name = Path("a.pro");
    WriteBytes(name, "a\r\n");
    Open(name);
    TypeAtEnd(QStringLiteral("b"));
    prompts.Answers.push_back(Prompts::Answer::No);

    pad.FileNewClick();

    EXPECT_TRUE(pad.Memo()->toPlainText().isEmpty());
    EXPECT_FALSE(pad.IsModified());
    EXPECT_TRUE(pad.CurrentFileName().isEmpty());
    EXPECT_EQ(pad.windowTitle(), "Tools Editor  -  " + name); // the caption stays
    EXPECT_EQ(ReadBytes(name), "a\r\n");
}

TEST_F(ScratchPadTest, NewAnsweredYesSavesFirst) {
    const QString name = Path("a.pro");
    WriteBytes(name, "a\r\n");
    Open(name);
    TypeAtEnd(QStringLiteral("b"));
    prompts.Answers.push_back(Prompts::Answer::Yes);

    pad.FileNewClick();

    EXPECT_EQ(ReadBytes(name), "a\r\nb");
    EXPECT_TRUE(pad.Memo()->toPlainText().isEmpty());
    EXPECT_TRUE(pad.CurrentFileName().isEmpty());
}

TEST_F(ScratchPadTest, YesWhoseSaveAsIsCancelledKeepsTheText) {
    TypeAtEnd(QStringLiteral("unsaved"));
    prompts.Answers.push_back(Prompts::Answer::Yes);
    prompts.FileNames.push_back(std::nullopt);

    pad.FileNewClick();

    EXPECT_EQ(prompts.SaveDialogs.size(), 1u);
    EXPECT_EQ(pad.Memo()->toPlainText(), "unsaved");
    EXPECT_TRUE(pad.IsModified());
}

TEST_F(ScratchPadTest, AfterNewSaveAsksForANameWhileTheCaptionShowsTheOldFile) {
    const QString name = Path("a.pro");
    WriteBytes(name, "a\r\n");
    Open(name);
    pad.FileNewClick();
    TypeAtEnd(QStringLiteral("fresh"));
    const QString other = Path("b.txt");
    prompts.FileNames.push_back(other);

    EXPECT_EQ(pad.windowTitle(), "Tools Editor  -  " + name);
    ASSERT_TRUE(pad.FileSaveClick());
    EXPECT_EQ(prompts.SaveDialogs.size(), 1u);
    EXPECT_EQ(ReadBytes(other), "fresh");
    EXPECT_EQ(ReadBytes(name), "a\r\n");
}

TEST_F(ScratchPadTest, OpenAsksFirstAndCancelOpensNothing) {
    TypeAtEnd(QStringLiteral("draft"));
    prompts.Answers.push_back(Prompts::Answer::Cancel);
    pad.FileOpenClick();
    EXPECT_TRUE(prompts.OpenDialogs.empty());
    EXPECT_EQ(pad.Memo()->toPlainText(), "draft");
}

// --- exit and the close box ---------------------------------------------------------------

TEST_F(ScratchPadTest, ExitEmptiesTextAndNamesAndCloses) {
    const QString name = Path("a.pro");
    WriteBytes(name, "a\r\n");
    Open(name);
    TypeAtEnd(QStringLiteral("b"));
    pad.show();
    prompts.Answers.push_back(Prompts::Answer::No);

    pad.FileExitClick();

    EXPECT_FALSE(pad.isVisible());
    EXPECT_TRUE(pad.Memo()->toPlainText().isEmpty());
    EXPECT_FALSE(pad.IsModified());
    EXPECT_TRUE(pad.OpenedFileName().isEmpty());
    EXPECT_TRUE(pad.CurrentFileName().isEmpty());
    EXPECT_EQ(pad.windowTitle(), "Tools Editor  -  " + name);
}

TEST_F(ScratchPadTest, ExitCancelledStaysOpen) {
    TypeAtEnd(QStringLiteral("b"));
    pad.show();
    prompts.Answers.push_back(Prompts::Answer::Cancel);
    pad.FileExitClick();
    EXPECT_TRUE(pad.isVisible());
    EXPECT_EQ(pad.Memo()->toPlainText(), "b");
}

TEST_F(ScratchPadTest, CloseBoxKeepsTextFlagAndNamesWithoutAsking) {
    const QString name = Path("a.pro");
    WriteBytes(name, "a\r\n");
    Open(name);
    TypeAtEnd(QStringLiteral("b"));
    pad.SpeedSearchBtnClick();
    ASSERT_TRUE(pad.FindDlg()->isVisible());

    pad.show();
    EXPECT_TRUE(pad.close());

    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_FALSE(pad.FindDlg()->isVisible());
    EXPECT_EQ(pad.Memo()->toPlainText(), "a\nb");
    EXPECT_TRUE(pad.IsModified());
    EXPECT_EQ(pad.OpenedFileName(), name);
    EXPECT_EQ(pad.CurrentFileName(), name);

    prompts.Answers.push_back(Prompts::Answer::Cancel);
    pad.FileNewClick(); // the next showing still knows the text is changed
    EXPECT_EQ(prompts.Messages.size(), 1u);
}

TEST_F(ScratchPadTest, ShowModalReturnsWhenTheWindowCloses) {
    bool shownWhileRunning = false;
    QTimer::singleShot(0, &pad, [&] {
        shownWhileRunning = pad.isVisible() && pad.isModal();
        pad.close();
    });
    pad.ShowModal();
    EXPECT_TRUE(shownWhileRunning);
    EXPECT_FALSE(pad.isVisible());
}

TEST_F(ScratchPadTest, SpeedButtonsRunTheirCommands) {
    TypeAtEnd(QStringLiteral("x"));
    prompts.Answers.push_back(Prompts::Answer::No);
    pad.SpeedBar()->findChild<QAction*>(QStringLiteral("SpeedNewBtn"))->trigger();
    EXPECT_TRUE(pad.Memo()->toPlainText().isEmpty());

    pad.SpeedBar()->findChild<QAction*>(QStringLiteral("SpeedSearchBtn"))->trigger();
    EXPECT_TRUE(pad.FindDlg()->isVisible());
    pad.FindDlg()->close();

    prompts.FileNames.push_back(std::nullopt);
    pad.SpeedBar()->findChild<QAction*>(QStringLiteral("SpeedOpenBtn"))->trigger();
    EXPECT_EQ(prompts.OpenDialogs.size(), 1u);
}

// --- edit commands --------------------------------------------------------------------------

TEST_F(ScratchPadTest, CutAndPasteGoThroughTheClipboardAndUndoTakesBack) {
    pad.Memo()->setPlainText(QStringLiteral("alpha"));
    pad.EditSelectAllClick();
    pad.EditCutClick();
    EXPECT_TRUE(pad.Memo()->toPlainText().isEmpty());
    pad.EditPasteClick();
    pad.EditPasteClick();
    EXPECT_EQ(pad.Memo()->toPlainText(), "alphaalpha");
    pad.EditUndoClick();
    EXPECT_EQ(pad.Memo()->toPlainText(), "alpha");
}

// --- find ---------------------------------------------------------------------------------

class ScratchPadFindTest : public ScratchPadTest {
protected:
    void SetUp() override {
        pad.Memo()->setPlainText(QStringLiteral("send *I22A0 Send sender\nsend end"));
        pad.Memo()->moveCursor(QTextCursor::Start);
        pad.SpeedSearchBtnClick();
    }

    // Clicks Find Next; the selection it leaves, or "" when nothing is selected.
    std::pair<int, QString> FindNext(const QString& text, bool wholeWord, bool matchCase) {
        pad.FindDlg()->FindEdit()->setText(text);
        pad.FindDlg()->WholeWordBox()->setChecked(wholeWord);
        pad.FindDlg()->MatchCaseBox()->setChecked(matchCase);
        pad.FindDlg()->FindNextBtn()->click();
        const QTextCursor cursor = pad.Memo()->textCursor();
        return {cursor.selectionStart(), cursor.selectedText()};
    }
};

TEST_F(ScratchPadFindTest, FindDialogOffersTextWholeWordMatchCaseAndNoDirection) {
    TFindDlg* dialog = pad.FindDlg();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->WholeWordBox()->text(), "Match &whole word only");
    EXPECT_EQ(dialog->MatchCaseBox()->text(), "Match &case");
    EXPECT_EQ(dialog->FindNextBtn()->text(), "&Find Next");
    EXPECT_EQ(dialog->CancelBtn()->text(), "Cancel");
    dialog->CancelBtn()->click();
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(ScratchPadFindTest, RepeatedFindMovesOnAndStopsAtTheEndWithoutWrapping) {
    // "send" ignoring case and word bounds: 0, 12 ("Send"), 17 ("sender"), 24, then none.
    EXPECT_EQ(FindNext("send", false, false), std::make_pair(0, QStringLiteral("send")));
    EXPECT_EQ(FindNext("send", false, false), std::make_pair(12, QStringLiteral("Send")));
    EXPECT_EQ(FindNext("send", false, false), std::make_pair(17, QStringLiteral("send")));
    EXPECT_EQ(FindNext("send", false, false), std::make_pair(24, QStringLiteral("send")));
    EXPECT_TRUE(prompts.Messages.empty());

    const auto last = FindNext("send", false, false);

    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, "Tools Editor");
    EXPECT_EQ(prompts.Messages[0].Text, "Text not found");
    EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Error);
    EXPECT_EQ(prompts.Messages[0].Choice, Prompts::Buttons::Ok);
    EXPECT_EQ(last.second, ""); // the caret stays after the last occurrence
    EXPECT_EQ(pad.Memo()->textCursor().position(), 28);
}

TEST_F(ScratchPadFindTest, WholeWordSkipsLongerWords) {
    EXPECT_EQ(FindNext("sen", true, false).second, "");
    EXPECT_EQ(prompts.Messages.size(), 1u);
    pad.Memo()->moveCursor(QTextCursor::Start);
    EXPECT_EQ(FindNext("send", true, false), std::make_pair(0, QStringLiteral("send")));
    EXPECT_EQ(FindNext("send", true, false), std::make_pair(12, QStringLiteral("Send")));
    EXPECT_EQ(FindNext("send", true, false), std::make_pair(24, QStringLiteral("send")));
}

TEST_F(ScratchPadFindTest, MatchCaseTellsUpperFromLowerCase) {
    EXPECT_EQ(FindNext("SEND", false, false), std::make_pair(0, QStringLiteral("send")));
    EXPECT_EQ(FindNext("Send", false, true), std::make_pair(12, QStringLiteral("Send")));
    EXPECT_EQ(FindNext("Send", false, true).second, "");
    EXPECT_EQ(prompts.Messages.size(), 1u);
}

TEST_F(ScratchPadFindTest, SearchStartsAtTheCaret) {
    QTextCursor cursor = pad.Memo()->textCursor();
    cursor.setPosition(13);
    pad.Memo()->setTextCursor(cursor);
    EXPECT_EQ(FindNext("send", false, false), std::make_pair(17, QStringLiteral("send")));
}

TEST_F(ScratchPadFindTest, FoundTextIsScrolledIntoView) {
    QString text;
    for (int line = 0; line < 300; ++line)
        text += QStringLiteral("filler %1\n").arg(line);
    pad.Memo()->setPlainText(text + QStringLiteral("needle"));
    pad.Memo()->moveCursor(QTextCursor::Start);
    pad.resize(614, 229);
    pad.show();
    EXPECT_EQ(pad.Memo()->verticalScrollBar()->value(), 0);

    EXPECT_EQ(FindNext("needle", false, false).second, "needle");
    EXPECT_GT(pad.Memo()->verticalScrollBar()->value(), 250);
}

// --- printing -----------------------------------------------------------------------------

// The text of each page of a PDF, by pdftotext.
QStringList PdfPages(const QString& pdf) {
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext failed on " << pdf.toStdString() << " (install poppler-utils)";
        return {};
    }
    QStringList pages = QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.constLast().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

class ScratchPadPrintTest : public ScratchPadTest {
protected:
    void SetUp() override {
        // A Letter page without margins: 10200 x 13200 units at 1200 dpi. The editor's
        // 8 pt lines are 186 units high, so the last slot is 13200 / 186 - 4 = 66: 62 lines
        // on the first page, 63 on each further page.
        pad.Printer().setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                                QMarginsF(0, 0, 0, 0)));
    }

    QStringList Print(const QString& text) {
        pad.Memo()->setPlainText(text);
        const QString pdf = Path("printout.pdf");
        prompts.PrintFiles.push_back(pdf);
        pad.FilePrintClick();
        return PdfPages(pdf);
    }

    static QString Lines(int count) {
        QString text;
        for (int line = 1; line <= count; ++line)
            text += QStringLiteral("line %1\r\n").arg(line, 3, 10, QLatin1Char('0'));
        return text;
    }
};

TEST_F(ScratchPadPrintTest, PrinterWorksInDeviceUnitsOfTheChosenPage) {
    EXPECT_EQ(pad.Printer().resolution(), 1200);
    prompts.PrintFiles.push_back(Path("empty.pdf"));
    pad.FilePrintClick();
    EXPECT_EQ(pad.Printer().height(), 13200);
    EXPECT_EQ(pad.Printer().width(), 10200);
}

TEST_F(ScratchPadPrintTest, TwoHundredLinesMakeFourNumberedPagesWithOneHeader) {
    const QString name = Path("long.log");
    WriteBytes(name, Lines(200).toLatin1());
    Open(name);
    prompts.PrintFiles.push_back(Path("printout.pdf"));
    pad.FilePrintClick();
    const QStringList pages = PdfPages(Path("printout.pdf"));

    EXPECT_EQ(pad.Printer().docName(), "Tools Editor - " + name);
    ASSERT_EQ(pages.size(), 4);
    const char* firstLines[] = {"line 001", "line 063", "line 126", "line 189"};
    const char* lastLines[] = {"line 062", "line 125", "line 188", "line 200"};
    for (int page = 0; page < 4; ++page) {
        SCOPED_TRACE(page + 1);
        const QString& text = pages[page];
        EXPECT_TRUE(text.contains(QStringLiteral("Page %1").arg(page + 1)));
        EXPECT_EQ(text.contains(QStringLiteral("Tools Editor: ") + name), page == 0);
        EXPECT_TRUE(text.contains(QLatin1String(firstLines[page])));
        EXPECT_TRUE(text.contains(QLatin1String(lastLines[page])));
    }
    EXPECT_FALSE(pages[0].contains(QLatin1String("line 063")));
    EXPECT_FALSE(pages[3].contains(QLatin1String("line 188")));
}

TEST_F(ScratchPadPrintTest, EmptyTextPrintsOnePageWithHeaderAndFooter) {
    const QStringList pages = Print(QString());
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(QLatin1String("Tools Editor:")));
    EXPECT_TRUE(pages[0].contains(QLatin1String("Page 1")));
}

TEST_F(ScratchPadPrintTest, FirstPageHoldsExactlyItsLines) {
    EXPECT_EQ(Print(Lines(62)).size(), 1);
    EXPECT_EQ(Print(Lines(63)).size(), 2);
}

TEST_F(ScratchPadPrintTest, LongLinesAreNotWrapped) {
    const QString longLine = QString(300, QLatin1Char('w')) + QStringLiteral("TAIL");
    const QStringList pages = Print(longLine + QStringLiteral("\nnext"));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_FALSE(pages[0].contains(QLatin1String("TAIL")));
    EXPECT_TRUE(pages[0].contains(QLatin1String("next")));
}

TEST_F(ScratchPadPrintTest, CancelledPrintDialogPrintsNothing) {
    pad.Memo()->setPlainText(QStringLiteral("x"));
    prompts.PrintFiles.push_back(std::nullopt);
    pad.FilePrintClick();
    EXPECT_EQ(prompts.PrintDialogs, 1);
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(ScratchPadPrintTest, CancelledOpenLeavesAnEmptyNameInTheJobTitle) {
    const QString name = Path("a.pro");
    WriteBytes(name, "a\r\n");
    Open(name);
    prompts.FileNames.push_back(std::nullopt);
    pad.FileOpenClick();
    prompts.PrintFiles.push_back(Path("printout.pdf"));
    pad.FilePrintClick();
    EXPECT_EQ(pad.Printer().docName(), "Tools Editor - ");
}

TEST_F(ScratchPadPrintTest, PrinterSetupRunsThePageSetupDialog) {
    prompts.PageSetupAnswers.push_back(true);
    pad.FilePrintSetupClick();
    EXPECT_EQ(prompts.PageSetupDialogs, 1);
}

} // namespace
