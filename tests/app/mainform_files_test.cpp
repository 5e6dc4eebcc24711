// The file commands of the main window: New, Open, Save and Save As.
#include "mainformfixture.h"
#include "support/filesizelimit.h"
#include "support/unprivileged.h"

#include <QPlainTextEdit>
#include <QRegularExpression>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The PRO lines of a default profile: the configuration and the six detection points.
const QStringList DefaultDataLines = {
    "send *I22A01F001C001600E803000010270000", "send *I22A0040000008036BE26463C    #0",
    "send *I22A0042001008036BE26463C    #1",   "send *I22A0044002008036BE26463C    #2",
    "send *I22A0046003008036BE26463C    #3",   "send *I22A0048004008036BE26463C    #4",
    "send *I22A004A005008036BE26463C    #5"};

const QString SaveFailed = QStringLiteral("Unable to save the file");

QStringList FileLines(const QByteArray& bytes) {
    QStringList lines = QString::fromLocal8Bit(bytes).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

// Everything of the window that a failed command must leave as it was.
struct Snapshot {
    QString FileName;
    bool DocumentPresent;
    bool Modified;
    ScriptLineList ScriptLines;
    QStringList Log;
    QString Panel0;
    bool operator==(const Snapshot&) const = default;
};

class FileCommandsTest : public MainFormTest {
protected:
    Snapshot Take() const {
        return {form->GetFileName(),
                form->GetDocumentPresent(),
                form->GetModified(),
                form->GetScriptLines(),
                Lines(),
                form->PanelText(0)};
    }

    void ExpectSaveFailureReported() {
        ASSERT_EQ(prompts.Messages.size(), 1u);
        EXPECT_EQ(prompts.Messages[0].Caption, QStringLiteral("RIVAN error"));
        EXPECT_EQ(prompts.Messages[0].Text, SaveFailed);
        EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Error);
        EXPECT_EQ(prompts.Messages[0].Choice, Prompts::Buttons::Ok);
    }

    // New, then Save As `name`.
    void SaveNewAs(const QString& path) {
        Trigger("FileNew");
        prompts.FileNames.push_back(path);
        Trigger("FileSaveAs");
        ASSERT_EQ(form->GetFileName(), path);
        prompts.SaveDialogs.clear();
    }

    void Open(const QString& path) {
        prompts.FileNames.push_back(path);
        Trigger("FileOpen");
    }
};

// ---- New ----------------------------------------------------------------------------------

TEST_F(FileCommandsTest, NewAfterStartUpAsksNothingAndMakesAnUntitledChangedDocument) {
    Trigger("FileNew");
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(form->GetFileName(), QStringLiteral("Untitled.PRO"));
    EXPECT_EQ(form->PanelText(0), QStringLiteral("Untitled.PRO"));
    EXPECT_TRUE(form->GetDocumentPresent());
    EXPECT_TRUE(form->GetModified());
    EXPECT_EQ(Lines().constLast(), QStringLiteral("new file Untitled.PRO"));
    EXPECT_TRUE(form->GetProfile().ConfigurationLoaded());
    EXPECT_TRUE(form->GetProfile().PointsLoaded());
}

TEST_F(FileCommandsTest, NewTwiceAsksTheSaveQuestion) {
    Trigger("FileNew");
    prompts.Answers.push_back(Prompts::Answer::Cancel);
    Trigger("FileNew");
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Text,
              QStringLiteral("The current file has been modified. Save changes?"));
    EXPECT_EQ(Lines().filter(QStringLiteral("new file")).size(), 1);

    prompts.Answers.push_back(Prompts::Answer::No);
    Trigger("FileNew");
    EXPECT_EQ(prompts.Messages.size(), 2u);
    EXPECT_EQ(Lines().filter(QStringLiteral("new file")).size(), 2);
}

// ---- Save As and Save ---------------------------------------------------------------------

TEST_F(FileCommandsTest, SaveAsWritesTheProfileUnderTheChosenName) {
    Trigger("FileNew");
    const QString path = Path("first.pro");
    prompts.FileNames.push_back(path);
    Trigger("FileSaveAs");

    ASSERT_EQ(prompts.SaveDialogs.size(), 1u);
    const Prompts::FileDialog& dialog = prompts.SaveDialogs[0];
    EXPECT_EQ(dialog.Title, QStringLiteral("Save As..."));
    EXPECT_EQ(dialog.Filter, QStringLiteral("PRO file (*.pro)"));
    EXPECT_EQ(dialog.DefaultSuffix, QStringLiteral("pro"));
    EXPECT_EQ(dialog.FileName, QStringLiteral("Untitled.PRO"));
    EXPECT_EQ(dialog.Folder, QString());

    const QByteArray bytes = ReadBytes(path);
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
    const QStringList lines = FileLines(bytes);
    ASSERT_EQ(lines.size(), 15);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("# ") + path + QStringLiteral(" created at ")))
        << lines[1].toStdString();
    EXPECT_EQ(lines[2], QStringLiteral("# by RIVAN (v2.00 - b00)"));
    EXPECT_EQ(lines[6], DefaultDataLines[0]);
    EXPECT_EQ(lines.mid(8, 6), DefaultDataLines.mid(1));
    EXPECT_EQ(lines[14], QStringLiteral("# End of file ") + path);

    EXPECT_EQ(form->GetFileName(), path);
    EXPECT_EQ(form->PanelText(0), path);
    EXPECT_FALSE(form->GetModified());
    EXPECT_EQ(Lines().constLast(), QStringLiteral("file saved as ") + path);

    // The next Save As starts from the document's name and folder.
    prompts.FileNames.push_back(std::nullopt);
    Trigger("FileSaveAs");
    ASSERT_EQ(prompts.SaveDialogs.size(), 2u);
    EXPECT_EQ(prompts.SaveDialogs[1].FileName, path);
    EXPECT_EQ(prompts.SaveDialogs[1].Folder, QDir::toNativeSeparators(Folder()));
}

TEST_F(FileCommandsTest, SaveOfANamedDocumentRewritesItWithoutADialog) {
    const QString path = Path("named.pro");
    SaveNewAs(path);
    form->SetModified();
    Trigger("FileSave");
    EXPECT_TRUE(prompts.SaveDialogs.empty());
    EXPECT_FALSE(form->GetModified());
    EXPECT_EQ(Lines().constLast(), QStringLiteral("file saved ") + path);
    EXPECT_EQ(FileLines(ReadBytes(path)).size(), 15);
}

TEST_F(FileCommandsTest, SaveOfAnUntitledDocumentRunsSaveAsAndCancelKeepsItUntitled) {
    Trigger("FileNew");
    const Snapshot before = Take();
    prompts.FileNames.push_back(std::nullopt);
    Trigger("FileSave");
    EXPECT_EQ(prompts.SaveDialogs.size(), 1u);
    EXPECT_EQ(Take(), before);
    EXPECT_EQ(form->GetFileName(), QStringLiteral("Untitled.PRO"));
    EXPECT_TRUE(form->GetModified());
}

TEST_F(FileCommandsTest, SaveInPlaceOfAFolderIsReportedAndKeepsTheFolder) {
    const QString path = Path("target.pro");
    SaveNewAs(path);
    // The document's file has turned into a folder, which no user can overwrite.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir(Folder()).mkdir(QStringLiteral("target.pro")));
    ASSERT_TRUE(WriteBytes(Path("target.pro/inside"), "kept"));
    const QStringList log = Lines();

    Trigger("FileSave");
    ExpectSaveFailureReported();
    EXPECT_EQ(Lines(), log);
    EXPECT_TRUE(form->GetModified());
    EXPECT_EQ(form->GetFileName(), path);
    EXPECT_EQ(ReadBytes(Path("target.pro/inside")), QByteArray("kept"));

    // Closing afterwards asks to save.
    prompts.Answers.push_back(Prompts::Answer::Cancel);
    EXPECT_FALSE(form->close());
    EXPECT_EQ(prompts.Messages.size(), 2u);
}

TEST_F(FileCommandsTest, SaveToAReadOnlyFileIsReportedAndLeavesItAlone) {
    const QString path = Path("readonly.pro");
    SaveNewAs(path);
    const QByteArray old = ReadBytes(path);
    ASSERT_TRUE(Unprivileged::HandOver(Folder()) && Unprivileged::HandOver(path));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    const QStringList log = Lines();
    RunUnprivileged([this] { Trigger("FileSave"); });
    if (IsSkipped())
        return;
    ExpectSaveFailureReported();
    EXPECT_EQ(Lines(), log);
    EXPECT_TRUE(form->GetModified());
    EXPECT_EQ(ReadBytes(path), old);
}

TEST_F(FileCommandsTest, SaveThatFailsHalfWayLeavesTheOldFileByteForByte) {
    const QString path = Path("old.pro");
    const QByteArray old("# an older profile\r\nsend *I22A01F001C001600E803000010270000\r\n");
    ASSERT_TRUE(WriteBytes(path, old));
    Open(path);
    ASSERT_EQ(form->GetFileName(), path);
    const QStringList log = Lines();

    // Files may grow to 100 bytes only, so the new text breaks off half way, for any user.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Trigger("FileSave");
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    ExpectSaveFailureReported();
    EXPECT_EQ(Lines(), log);
    EXPECT_TRUE(form->GetModified());
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(QDir(Folder()).entryList(QDir::Files), QStringList{QStringLiteral("old.pro")});
}

TEST_F(FileCommandsTest, SaveAsThatFailsKeepsTheNameAndMarksTheDocumentChanged) {
    const QString path = Path("good.pro");
    SaveNewAs(path);
    ASSERT_FALSE(form->GetModified());
    const QByteArray good = ReadBytes(path);
    const QStringList log = Lines();
    // A name below a plain file cannot be created by anyone.
    prompts.FileNames.push_back(Path("good.pro/below.pro"));
    Trigger("FileSaveAs");
    ExpectSaveFailureReported();
    EXPECT_EQ(Lines(), log);
    EXPECT_EQ(form->GetFileName(), path);
    EXPECT_EQ(form->PanelText(0), path);
    EXPECT_TRUE(form->GetModified());
    EXPECT_EQ(ReadBytes(path), good);
}

TEST_F(FileCommandsTest, SaveAsOverAnotherFileIntoAFullDiskLeavesBothFilesAndTheName) {
    const QString path = Path("mine.pro");
    SaveNewAs(path);
    const QByteArray mine = ReadBytes(path);
    const QString other = Path("other.pro");
    const QByteArray old("# somebody else's profile\r\n");
    ASSERT_TRUE(WriteBytes(other, old));
    const QStringList log = Lines();

    prompts.FileNames.push_back(other);
    {
        FileSizeLimit limit(100);
        ASSERT_TRUE(limit.Active());
        Trigger("FileSaveAs");
    }

    ExpectSaveFailureReported();
    EXPECT_EQ(Lines(), log);
    EXPECT_EQ(form->GetFileName(), path);
    EXPECT_EQ(form->PanelText(0), path);
    EXPECT_TRUE(form->GetModified());
    EXPECT_EQ(ReadBytes(other), old);
    EXPECT_EQ(ReadBytes(path), mine);
    EXPECT_EQ(QDir(Folder()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList({QStringLiteral("mine.pro"), QStringLiteral("other.pro")}));
}

// A file the user may write in a folder the user may not (a shared service folder): there is
// no room for a temporary file beside it, so the file is written in place.
TEST_F(FileCommandsTest, SaveIntoAFolderTheUserCannotWriteWritesTheFileInPlace) {
    ASSERT_TRUE(QDir(Folder()).mkdir(QStringLiteral("locked")));
    const QString locked = Path("locked");
    const QString path = Path("locked/kept.pro");
    SaveNewAs(path);
    ASSERT_TRUE(WriteBytes(path, "# an older profile\r\n"));
    for (const QString& name : {Folder(), locked, path})
        ASSERT_TRUE(Unprivileged::HandOver(name));
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));

    RunUnprivileged([&] {
        ASSERT_TRUE(Unprivileged::RefusesNewFiles(locked));
        Trigger("FileSave");
    });
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (IsSkipped())
        return;

    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_FALSE(form->GetModified());
    EXPECT_EQ(Lines().constLast(), QStringLiteral("file saved ") + path);
    EXPECT_EQ(FileLines(ReadBytes(path)).filter(QStringLiteral("send *")), DefaultDataLines);
    EXPECT_EQ(QDir(locked).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList{QStringLiteral("kept.pro")});
}

// Neither the folder nor the file may be written: the previous file stays.
TEST_F(FileCommandsTest, SaveIntoAReadOnlyFolderOverAReadOnlyFileLeavesThePreviousFile) {
    ASSERT_TRUE(QDir(Folder()).mkdir(QStringLiteral("locked")));
    const QString locked = Path("locked");
    const QString path = Path("locked/kept.pro");
    SaveNewAs(path);
    const QByteArray old = ReadBytes(path);
    for (const QString& name : {Folder(), locked, path})
        ASSERT_TRUE(Unprivileged::HandOver(name));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner));
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
    const QStringList log = Lines();

    RunUnprivileged([this] { Trigger("FileSave"); });
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (IsSkipped())
        return;

    ExpectSaveFailureReported();
    EXPECT_EQ(Lines(), log);
    EXPECT_TRUE(form->GetModified());
    EXPECT_EQ(form->GetFileName(), path);
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(QDir(locked).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList{QStringLiteral("kept.pro")});
}

// ---- Open ---------------------------------------------------------------------------------

TEST_F(FileCommandsTest, OpenReadsTheFileAndLogsItsFirstThreeLines) {
    const QString path = Path("mixed.pro");
    // Every kind of line end, and a comment the reader skips.
    ASSERT_TRUE(WriteBytes(path, "# one\r\n# two\n# three\rsend *I22A01F0020001000E803000010270000"
                                 "\r\n# five"));
    Open(path);
    ASSERT_EQ(prompts.OpenDialogs.size(), 1u);
    EXPECT_EQ(prompts.OpenDialogs[0].Title, QStringLiteral("Open PRO file"));
    EXPECT_EQ(prompts.OpenDialogs[0].Filter, QStringLiteral("PRO files (*.pro)"));
    EXPECT_EQ(prompts.OpenDialogs[0].DefaultSuffix, QStringLiteral("pro"));

    EXPECT_EQ(form->GetScriptLines(),
              (ScriptLineList{"# one", "# two", "# three",
                              "send *I22A01F0020001000E803000010270000", "# five"}));
    EXPECT_EQ(Lines().mid(3),
              QStringList({QStringLiteral("open file ") + path, "# one", "# two", "# three"}));
    EXPECT_EQ(form->GetFileName(), path);
    EXPECT_EQ(form->PanelText(0), path);
    EXPECT_TRUE(form->GetDocumentPresent());
    EXPECT_FALSE(form->GetModified());
    // The data line was applied: WarningMER 0x0020, AlarmMER 0x0010.
    EXPECT_EQ(form->GetProfile().WarningMER(), 32);
    EXPECT_EQ(form->GetProfile().AlarmMER(), 16);
}

// PRO files and RIVAN.LOG are Windows-1252: an 8-bit comment shows as its character in the
// log window and reaches RIVAN.LOG unchanged, byte for byte.
TEST_F(FileCommandsTest, EightBitCommentsShowRightAndReachTheLogFileUnchanged) {
    const QString path = Path("accents.pro");
    ASSERT_TRUE(WriteBytes(path, "# caf\xE9\r\n# \x80 5\r\n# \x81\x9D \xB0"
                                 "C\r\n"));
    Open(path);
    ASSERT_EQ(Lines().size(), 7);
    EXPECT_EQ(Lines().mid(4),
              QStringList({QStringLiteral(u"# caf\u00E9"), QStringLiteral(u"# \u20AC 5"),
                           QStringLiteral(u"# \u0081\u009D \u00B0C")}));
    auto* view = form->findChild<QPlainTextEdit*>(QStringLiteral("LogRichEdit"));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->toPlainText().endsWith(QStringLiteral(u"\n# caf\u00E9\n# \u20AC 5\n"
                                                            u"# \u0081\u009D \u00B0C")));

    EXPECT_TRUE(form->close());
    const QByteArray log = ReadBytes(Path("RIVAN.LOG"));
    EXPECT_TRUE(log.contains("\r\n# caf\xE9\r\n# \x80 5\r\n# \x81\x9D \xB0"
                             "C\r\n"))
        << log.toHex(' ').toStdString();
}

TEST_F(FileCommandsTest, OpeningAOneLineFileLogsThatLine) {
    const QString path = Path("one.pro");
    ASSERT_TRUE(WriteBytes(path, "just one line"));
    Open(path);
    EXPECT_EQ(Lines().mid(3), QStringList({QStringLiteral("open file ") + path, "just one line"}));
}

TEST_F(FileCommandsTest, OpenAfterStartUpOfAFileWithoutDataKeepsTheEditorsDisabled) {
    const QString path = Path("empty.pro");
    ASSERT_TRUE(WriteBytes(path, "# nothing here\r\n"));
    Open(path);
    EXPECT_EQ(EnabledActions(),
              std::vector<QString>({"FileNew", "FileOpen", "FileSave", "FileSaveAs", "FileExit",
                                    "SendData", "ReceiveData", "ToolsEditor", "ToolsTerm",
                                    "ToolsDetect", "HelpAbout"}));
}

TEST_F(FileCommandsTest, OpenOfAFileWithDataEnablesTheEditorsItFilled) {
    const QString path = Path("points.pro");
    ASSERT_TRUE(WriteBytes(path, (DefaultDataLines[1] + "\r\n").toLatin1()));
    Open(path);
    EXPECT_FALSE(Action("EditConfig")->isEnabled());
    EXPECT_TRUE(Action("EditPoint")->isEnabled());
    EXPECT_FALSE(Action("EditMessage")->isEnabled());
    EXPECT_TRUE(Action("SendData")->isEnabled());
}

TEST_F(FileCommandsTest, OpenAsksFirstAndCancelShowsNoDialog) {
    Trigger("FileNew");
    const Snapshot before = Take();
    prompts.Answers.push_back(Prompts::Answer::Cancel);
    Trigger("FileOpen");
    EXPECT_TRUE(prompts.OpenDialogs.empty());
    EXPECT_EQ(Take(), before);

    prompts.Answers.push_back(Prompts::Answer::No);
    prompts.FileNames.push_back(std::nullopt);
    Trigger("FileOpen");
    EXPECT_EQ(prompts.OpenDialogs.size(), 1u);
    EXPECT_EQ(Take(), before);
}

TEST_F(FileCommandsTest, FileThatCannotBeReadIsReportedAndChangesNothing) {
    const QString path = Path("current.pro");
    SaveNewAs(path);
    form->SetModified();
    ASSERT_TRUE(QDir(Folder()).mkdir(QStringLiteral("folder.pro")));
    for (const QString& name : {QStringLiteral("missing.pro"), QStringLiteral("folder.pro")}) {
        SCOPED_TRACE(name.toStdString());
        prompts.Messages.clear();
        const Snapshot before = Take();
        const std::vector<QString> actions = EnabledActions();
        prompts.Answers.push_back(Prompts::Answer::No);
        Open(Path(name));
        ASSERT_EQ(prompts.Messages.size(), 2u); // the save question, then the report
        EXPECT_EQ(prompts.Messages[1].Caption, QStringLiteral("RIVAN"));
        EXPECT_EQ(prompts.Messages[1].Kind, Prompts::Icon::Error);
        EXPECT_TRUE(prompts.Messages[1].Text.contains(Path(name)))
            << prompts.Messages[1].Text.toStdString();
        EXPECT_TRUE(prompts.Messages[1].Text.endsWith(QLatin1Char('.')));
        EXPECT_EQ(Take(), before);
        EXPECT_EQ(EnabledActions(), actions);
    }
}

TEST_F(FileCommandsTest, SaveAfterOpenRewritesTheFileFromTheProfile) {
    const QString path = Path("reader.pro");
    // A comment, a message line and a configuration line in lower case.
    ASSERT_TRUE(WriteBytes(path, "# my notes\r\n"
                                 "send *I22A0015031323334353637383930313233343536\r\n"
                                 "SEND *i22a01f001e001400e803000010270000\r\n"));
    Open(path);
    Trigger("FileSave");
    const QStringList lines = FileLines(ReadBytes(path));
    ASSERT_EQ(lines.size(), 15);
    EXPECT_FALSE(lines.contains(QStringLiteral("# my notes")));
    EXPECT_TRUE(lines.filter(QStringLiteral("*I22A00150")).isEmpty());
    EXPECT_EQ(lines[6], QStringLiteral("send *I22A01F001E001400E803000010270000"));
    EXPECT_EQ(lines.mid(8, 6), DefaultDataLines.mid(1));
    EXPECT_EQ(Lines().constLast(), QStringLiteral("file saved ") + path);
}

} // namespace
