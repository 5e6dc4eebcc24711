// The main window: layout, start-up, the close query, the LOG file and the action states.
#include "mainformfixture.h"
#include "support/filesizelimit.h"
#include "support/unprivileged.h"

#include "app/imagelist.h"
#include "dialogs/cfgeditordlg.h"
#include "dialogs/detpointsdlg.h"
#include "tools/about/aboutbox.h"
#include "tools/about/versionblocksource.h"
#include "tools/editor/scratchpad.h"

#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <unistd.h>

namespace {

const QString HeaderLine = QStringLiteral("RIVAN - v2.00 - b00");
const QString Copyright = QStringLiteral("Copyright (c) 2026 Qelvar Instruments");
const QRegularExpression StartedLine(QStringLiteral("^Started at \\S.*\\d \\d{1,2}:\\d\\d:\\d\\d"));
const QRegularExpression EndedLine(QStringLiteral("^Ended at \\S.*\\d \\d{1,2}:\\d\\d:\\d\\d"));
// "%5.2f" of a whole number of seconds: at least five characters, padded with blanks.
const QRegularExpression ElapsedLine(QStringLiteral("^Elapsed time: ( \\d|\\d{2,})\\.00 seconds$"));

bool Matches(const QRegularExpression& pattern, const QString& text) {
    return pattern.match(text).hasMatch();
}

// ---- Layout -------------------------------------------------------------------------------

struct ActionRow {
    const char* Name;
    const char* Caption;
    const char* Hint;
    int Image; // -1: none
};

const ActionRow ActionTable[] = {
    {"FileNew", "&New", "Create file", 1},
    {"FileOpen", "&Open", "Open file", 2},
    {"FileSave", "&Save", "Save file", 3},
    {"FileSaveAs", "Save &As", "Save file as", -1},
    {"FileExit", "E&xit", "Exit application", 0},
    {"EditPoint", "&Point", "Edit detection points", 4},
    {"EditConfig", "&Config", "Edit equipment configuration", 5},
    {"EditMessage", "&Message", "Edit text messages", 6},
    {"SendData", "&Send", "Send data to equipment", 9},
    {"ReceiveData", "&Receive", "Receive data from the equipment", 10},
    {"ToolsEditor", "&Editor", "Text editor application", 7},
    {"ToolsTerm", "&Terminal", "Terminal for remote control", 8},
    {"ToolsMonitor", "&Monitor", "Remote control", 12},
    {"ToolsDetect", "&Detect", "Detect COM port", 13},
    {"HelpAbout", "&About", "Show application info", 11},
    {"SendVerify", "Send and &verify...", "Back up the unit, send, and read back", 15},
    {"CompareUnit", "&Compare with unit...", "Show what differs between the document and the unit",
     16},
    {"ToolsBackups", "&Backups...", "Open or restore a backup of a unit", 17},
};

QImage Picture(const QIcon& icon) {
    return icon.pixmap(24, 24).toImage();
}

TEST_F(MainFormTest, ActionsCarryTheirCaptionsHintsAndImages) {
    for (const ActionRow& row : ActionTable) {
        SCOPED_TRACE(row.Name);
        QAction* action = Action(QString::fromLatin1(row.Name));
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), QString::fromLatin1(row.Caption));
        EXPECT_EQ(action->toolTip(), QString::fromLatin1(row.Hint));
        // Hints show as tool tips only: the status bar keeps its three panels in view.
        EXPECT_TRUE(action->statusTip().isEmpty());
        if (row.Image < 0) {
            EXPECT_TRUE(action->icon().isNull());
            continue;
        }
        EXPECT_EQ(Picture(action->icon()), Picture(ImageList::Icon(row.Image)));
    }
}

TEST_F(MainFormTest, EveryImageRendersAndNoTwoLookAlike) {
    std::vector<QImage> pictures;
    for (int index = 0; index < ImageList::Count; ++index) {
        SCOPED_TRACE(index);
        const QImage picture = Picture(ImageList::Icon(index));
        ASSERT_FALSE(picture.isNull()) << "the SVG icon engine is missing";
        int painted = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                painted += qAlpha(picture.pixel(x, y)) > 0 ? 1 : 0;
        EXPECT_GT(painted, 24 * 24 / 5);
        for (const QImage& earlier : pictures)
            EXPECT_NE(picture, earlier);
        pictures.push_back(picture);
    }
}

// The items of a menu or tool bar by object name or text; "|" for a separator.
QStringList Items(const QList<QAction*>& actions) {
    QStringList items;
    for (const QAction* action : actions) {
        if (action->isSeparator())
            items << QStringLiteral("|");
        else
            items << (action->objectName().isEmpty() ? action->text() : action->objectName());
    }
    return items;
}

TEST_F(MainFormTest, MenuHoldsTheActionsInTheirGroups) {
    QMenuBar* bar = form->menuBar();
    EXPECT_EQ(bar->objectName(), QStringLiteral("MainMenu1"));
    QStringList titles;
    QList<QStringList> menus;
    for (QAction* item : bar->actions()) {
        titles << item->text();
        menus << Items(item->menu()->actions());
    }
    EXPECT_EQ(titles, QStringList({"&File", "&Edit", "&Tools", "&Help"}));
    ASSERT_EQ(menus.size(), 4);
    EXPECT_EQ(menus[0],
              QStringList({"FileNew", "FileOpen", "FileSave", "FileSaveAs", "|", "FileExit"}));
    EXPECT_EQ(menus[1], QStringList({"EditPoint", "EditConfig", "EditMessage"}));
    EXPECT_EQ(menus[2],
              QStringList({"SendData", "ReceiveData", "SendVerify", "CompareUnit", "ToolsBackups",
                           "|", "ToolsEditor", "ToolsTerm", "ToolsMonitor", "|", "ToolsDetect"}));
    EXPECT_EQ(menus[3], QStringList({"HelpAbout"}));
}

TEST_F(MainFormTest, ToolBarShowsTheButtonsInGroups) {
    auto* bar = form->findChild<QToolBar*>(QStringLiteral("ToolBar1"));
    ASSERT_NE(bar, nullptr);
    QStringList buttons;
    for (QAction* item : bar->actions()) {
        if (item->isSeparator()) {
            buttons << QStringLiteral("|");
            continue;
        }
        QWidget* widget = bar->widgetForAction(item);
        auto* button = qobject_cast<QToolButton*>(widget);
        ASSERT_NE(button, nullptr);
        buttons << (button->defaultAction() ? button->defaultAction()->objectName()
                                            : button->objectName());
    }
    EXPECT_EQ(buttons, QStringList({"FileExit",    "|",           "FileNew",       "FileOpen",
                                    "FileSave",    "|",           "EditPoint",     "EditConfig",
                                    "EditMessage", "|",           "ToolButDetect", "ToolButMonitor",
                                    "SendData",    "SendVerify",  "CompareUnit",   "ReceiveData",
                                    "|",           "ToolsEditor", "ToolsTerm",     "|",
                                    "HelpAbout"}));
}

TEST_F(MainFormTest, OwnButtonsFollowTheirActionsButKeepTheirHintsAndPictures) {
    auto* detect = form->findChild<QToolButton*>(QStringLiteral("ToolButDetect"));
    auto* monitor = form->findChild<QToolButton*>(QStringLiteral("ToolButMonitor"));
    ASSERT_NE(detect, nullptr);
    ASSERT_NE(monitor, nullptr);
    EXPECT_EQ(monitor->toolTip(), QStringLiteral("Remote control RIVAN"));
    EXPECT_EQ(detect->toolTip(), QStringLiteral("Detect COM port"));
    EXPECT_EQ(form->DetectImage(), 13);
    EXPECT_EQ(Picture(detect->icon()), Picture(ImageList::Icon(13)));

    form->SetDetectImage(14);
    EXPECT_EQ(form->DetectImage(), 14);
    EXPECT_EQ(Picture(detect->icon()), Picture(ImageList::Icon(14)));
    // The action keeps picture 13, and a change of the action leaves the button's alone.
    EXPECT_EQ(Picture(Action("ToolsDetect")->icon()), Picture(ImageList::Icon(13)));
    {
        TMainForm::CommandGuard running(*form, Action("ToolsDetect"),
                                        TMainForm::CommandKind::Conversation);
        EXPECT_FALSE(detect->isEnabled());
        EXPECT_FALSE(monitor->isEnabled());
    }
    EXPECT_TRUE(detect->isEnabled());
    EXPECT_FALSE(monitor->isEnabled()); // no RIVAN unit identified yet
    EXPECT_EQ(Picture(detect->icon()), Picture(ImageList::Icon(14)));
    EXPECT_EQ(monitor->toolTip(), QStringLiteral("Remote control RIVAN"));
    form->SetDetectImage(13);
    EXPECT_EQ(Picture(detect->icon()), Picture(ImageList::Icon(13)));
}

TEST_F(MainFormTest, LogPanelAndStatusBarAreLaidOut) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("RIVAN"));
    auto* log = form->findChild<QPlainTextEdit*>(QStringLiteral("LogRichEdit"));
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(form->centralWidget(), log);
    EXPECT_TRUE(log->isReadOnly());
    EXPECT_EQ(log->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(log->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_FALSE(log->tabChangesFocus());
    EXPECT_EQ(log->palette().color(QPalette::Base), QColor(192, 192, 192));
    EXPECT_EQ(log->palette().color(QPalette::Text), QColor(0, 0, 128));
    EXPECT_EQ(log->toPlainText(), Lines().join(QLatin1Char('\n')));

    auto* bar = form->findChild<QStatusBar*>(QStringLiteral("MainStatusBar"));
    ASSERT_NE(bar, nullptr);
    QList<int> widths;
    for (int i = 0; i < TMainForm::PanelCount; ++i) {
        auto* panel = bar->findChild<QLabel*>(QStringLiteral("Panel%1").arg(i));
        ASSERT_NE(panel, nullptr);
        widths << panel->width();
    }
    EXPECT_EQ(widths, QList<int>({270, 150, 50}));
    form->SetPanelText(1, QStringLiteral("RIVAN"));
    EXPECT_EQ(form->PanelText(1), QStringLiteral("RIVAN"));
}

// ---- Start-up and closing -----------------------------------------------------------------

TEST_F(MainFormTest, StartUpWritesTheHeaderAndResetsTheState) {
    ASSERT_EQ(Lines().size(), 3);
    EXPECT_EQ(Lines()[0], HeaderLine);
    EXPECT_EQ(Lines()[1], Copyright);
    EXPECT_TRUE(Matches(StartedLine, Lines()[2])) << Lines()[2].toStdString();
    EXPECT_EQ(form->PanelText(0), QString());
    EXPECT_EQ(form->PanelText(1), QStringLiteral("Equipment?"));
    EXPECT_EQ(form->PanelText(2), QStringLiteral("Port?"));
    EXPECT_TRUE(form->GetFileName().isEmpty());
    EXPECT_FALSE(form->GetDocumentPresent());
    EXPECT_FALSE(form->GetModified());
    EXPECT_TRUE(form->GetScriptLines().empty());
    EXPECT_FALSE(form->GetEquipmentFound());
    EXPECT_EQ(form->GetPortIndex(), -1);
    EXPECT_TRUE(form->GetLogFileName().isEmpty());
}

TEST_F(MainFormTest, StartAndCloseAtOnceLogsFiveLinesAndWritesThemToTheLogFile) {
    // A LOG file of an earlier run is replaced.
    ASSERT_TRUE(WriteBytes(Path("RIVAN.LOG"), QByteArray(3000, 'x')));
    Trigger("FileExit");
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(prompts.Messages.empty());

    ASSERT_EQ(Lines().size(), 5);
    EXPECT_EQ(Lines()[0], HeaderLine);
    EXPECT_EQ(Lines()[1], Copyright);
    EXPECT_TRUE(Matches(StartedLine, Lines()[2])) << Lines()[2].toStdString();
    EXPECT_TRUE(Matches(EndedLine, Lines()[3])) << Lines()[3].toStdString();
    EXPECT_TRUE(Matches(ElapsedLine, Lines()[4])) << Lines()[4].toStdString();
    EXPECT_EQ(form->GetLogFileName(), QStringLiteral("RIVAN.LOG"));

    const QByteArray expected = (Lines().join(QStringLiteral("\r\n")) + "\r\n").toUtf8();
    EXPECT_EQ(ReadBytes(Path("RIVAN.LOG")), expected);
}

TEST_F(MainFormTest, ClosingWithoutChangesAsksNothing) {
    Trigger("FileNew");
    prompts.FileNames.push_back(Path("kept.pro"));
    Trigger("FileSave");
    ASSERT_FALSE(form->GetModified());
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_TRUE(Matches(ElapsedLine, Lines().constLast()));
}

TEST_F(MainFormTest, CloseAfterNewAsksAndCancelKeepsTheWindowOpen) {
    Trigger("FileNew");
    const qsizetype before = Lines().size();
    prompts.Answers.push_back(Prompts::Answer::Cancel);
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, QStringLiteral("RIVAN Editor"));
    EXPECT_EQ(prompts.Messages[0].Text,
              QStringLiteral("The current file has been modified. Save changes?"));
    EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Warning);
    EXPECT_EQ(prompts.Messages[0].Choice, Prompts::Buttons::YesNoCancel);
    EXPECT_EQ(Lines().size(), before);
    EXPECT_FALSE(QFile::exists(Path("RIVAN.LOG")));
}

TEST_F(MainFormTest, CloseAfterNewAnsweredNoClosesWithoutSaving) {
    Trigger("FileNew");
    prompts.Answers.push_back(Prompts::Answer::No);
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(prompts.SaveDialogs.empty());
    EXPECT_TRUE(Matches(ElapsedLine, Lines().constLast()));
    EXPECT_TRUE(QFile::exists(Path("RIVAN.LOG")));
    EXPECT_EQ(QDir(Folder()).entryList({"*.pro", "*.PRO"}), QStringList());
}

TEST_F(MainFormTest, CloseAfterNewAnsweredYesSavesAsAndCancellingKeepsTheWindowOpen) {
    Trigger("FileNew");
    const qsizetype before = Lines().size();
    prompts.Answers.push_back(Prompts::Answer::Yes);
    prompts.FileNames.push_back(std::nullopt);
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(prompts.SaveDialogs.size(), 1u);
    EXPECT_EQ(Lines().size(), before);
    EXPECT_EQ(form->GetFileName(), QStringLiteral("Untitled.PRO"));
    EXPECT_TRUE(form->GetModified());

    // Saving under a name then lets the window close.
    prompts.Answers.push_back(Prompts::Answer::Yes);
    prompts.FileNames.push_back(Path("closing.pro"));
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(QFile::exists(Path("closing.pro")));
    EXPECT_EQ(Lines()[before], QStringLiteral("file saved as ") + Path("closing.pro"));
}

TEST_F(MainFormTest, LogFileThatCannotBeWrittenIsReportedAndTheWindowStaysOpen) {
    // A folder in the place of the LOG file stops the write for any user.
    ASSERT_TRUE(QDir(Folder()).mkdir(QStringLiteral("RIVAN.LOG")));
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, QStringLiteral("RIVAN"));
    EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Error);
    EXPECT_TRUE(prompts.Messages[0].Text.contains(QStringLiteral("RIVAN.LOG")));
    EXPECT_TRUE(prompts.Messages[0].Text.endsWith(QLatin1Char('.')));
    ASSERT_EQ(Lines().size(), 5);
    EXPECT_TRUE(Matches(EndedLine, Lines()[3]));

    // A second attempt appends the two lines again and writes all seven.
    ASSERT_TRUE(QDir(Folder()).rmdir(QStringLiteral("RIVAN.LOG")));
    EXPECT_TRUE(form->close());
    ASSERT_EQ(Lines().size(), 7);
    EXPECT_TRUE(Matches(EndedLine, Lines()[5]));
    EXPECT_TRUE(Matches(ElapsedLine, Lines()[6]));
    EXPECT_EQ(ReadBytes(Path("RIVAN.LOG")),
              (Lines().join(QStringLiteral("\r\n")) + "\r\n").toUtf8());
}

// A LOG file that breaks off half way, as on a full disk, is reported like any error and
// leaves the previous run's LOG file as it was.
TEST_F(MainFormTest, LogFileIntoAFullDiskKeepsThePreviousLogAndTheWindowOpen) {
    const QByteArray previous("the log of an earlier run\r\n");
    ASSERT_TRUE(WriteBytes(Path("RIVAN.LOG"), previous));

    bool closed = true;
    {
        FileSizeLimit limit(100);
        ASSERT_TRUE(limit.Active());
        closed = form->close();
    }

    EXPECT_FALSE(closed);
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, QStringLiteral("RIVAN"));
    EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Error);
    EXPECT_EQ(prompts.Messages[0].Choice, Prompts::Buttons::Ok);
    EXPECT_TRUE(prompts.Messages[0].Text.contains(QStringLiteral("RIVAN.LOG")))
        << prompts.Messages[0].Text.toStdString();
    EXPECT_TRUE(prompts.Messages[0].Text.endsWith(QLatin1Char('.')));
    EXPECT_EQ(ReadBytes(Path("RIVAN.LOG")), previous);
    EXPECT_EQ(QDir(Folder()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("RIVAN.LOG")});
    ASSERT_EQ(Lines().size(), 5);
    EXPECT_TRUE(Matches(EndedLine, Lines()[3]));
}

// RIVAN.LOG that the user may write in a folder the user may not: written in place, and the
// program closes.
TEST_F(MainFormTest, LogFileInAFolderTheUserCannotWriteIsWrittenInPlace) {
    ASSERT_TRUE(WriteBytes(Path("RIVAN.LOG"), "the log of an earlier run\r\n"));
    ASSERT_TRUE(Unprivileged::HandOver(Folder()) && Unprivileged::HandOver(Path("RIVAN.LOG")));
    ASSERT_TRUE(QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::ExeOwner));

    bool closed = false;
    RunUnprivileged([&] {
        ASSERT_TRUE(Unprivileged::RefusesNewFiles(Folder()));
        closed = form->close();
    });
    QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (IsSkipped())
        return;

    EXPECT_TRUE(closed);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(prompts.Messages.empty());
    ASSERT_EQ(Lines().size(), 5);
    EXPECT_EQ(ReadBytes(Path("RIVAN.LOG")),
              (Lines().join(QStringLiteral("\r\n")) + "\r\n").toUtf8());
    EXPECT_EQ(QDir(Folder()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList{QStringLiteral("RIVAN.LOG")});
}

TEST_F(MainFormTest, LogFileThatCannotBeWrittenKeepsThePreviousLogAndTheWindowOpen) {
    const QByteArray previous("the log of an earlier run\r\n");
    ASSERT_TRUE(WriteBytes(Path("RIVAN.LOG"), previous));
    ASSERT_TRUE(Unprivileged::HandOver(Folder()) && Unprivileged::HandOver(Path("RIVAN.LOG")));
    ASSERT_TRUE(QFile::setPermissions(Path("RIVAN.LOG"), QFile::ReadOwner));
    ASSERT_TRUE(QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::ExeOwner));

    bool closed = true;
    RunUnprivileged([&] { closed = form->close(); });
    QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (IsSkipped())
        return;

    EXPECT_FALSE(closed);
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, QStringLiteral("RIVAN"));
    EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Error);
    EXPECT_TRUE(prompts.Messages[0].Text.contains(QStringLiteral("RIVAN.LOG")));
    EXPECT_TRUE(prompts.Messages[0].Text.endsWith(QLatin1Char('.')));
    EXPECT_EQ(ReadBytes(Path("RIVAN.LOG")), previous);
    EXPECT_EQ(QDir(Folder()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("RIVAN.LOG")});
}

// ---- Action states ------------------------------------------------------------------------

TEST_F(MainFormTest, ActionStatesAfterStartUp) {
    EXPECT_EQ(EnabledActions(),
              std::vector<QString>({"FileNew", "FileOpen", "FileExit", "ReceiveData", "ToolsEditor",
                                    "ToolsTerm", "ToolsDetect", "HelpAbout"}));
}

TEST_F(MainFormTest, ActionStatesAfterNew) {
    Trigger("FileNew");
    EXPECT_EQ(EnabledActions(),
              std::vector<QString>({"FileNew", "FileOpen", "FileSave", "FileSaveAs", "FileExit",
                                    "EditPoint", "EditConfig", "SendData", "ReceiveData",
                                    "ToolsEditor", "ToolsTerm", "ToolsDetect", "HelpAbout"}));
}

TEST_F(MainFormTest, MessageEditorIsNeverOffered) {
    Trigger("FileNew");
    EXPECT_FALSE(Action("EditMessage")->isEnabled());
    const qsizetype before = Lines().size();
    Trigger("EditMessage");
    EXPECT_EQ(Lines().size(), before);
}

TEST_F(MainFormTest, ToolGuardDisablesOnlyItsOwnAction) {
    Trigger("FileNew");
    const std::vector<QString> before = EnabledActions();
    {
        TMainForm::CommandGuard editor(*form, Action("ToolsEditor"), TMainForm::CommandKind::Tool);
        std::vector<QString> expected = before;
        std::erase(expected, QStringLiteral("ToolsEditor"));
        EXPECT_EQ(EnabledActions(), expected);
        EXPECT_FALSE(form->ConversationRunning());
    }
    EXPECT_EQ(EnabledActions(), before);
}

TEST_F(MainFormTest, ConversationKeepsOtherCommandsAndClosingAway) {
    Trigger("FileNew");
    const std::vector<QString> before = EnabledActions();
    {
        TMainForm::CommandGuard receive(*form, Action("ReceiveData"),
                                        TMainForm::CommandKind::Conversation);
        EXPECT_TRUE(form->ConversationRunning());
        EXPECT_EQ(EnabledActions(), std::vector<QString>({"FileExit", "ToolsEditor", "HelpAbout"}));
        {
            // Receive runs detection itself; the nested run leaves the outer one in force.
            TMainForm::CommandGuard detect(*form, Action("ToolsDetect"),
                                           TMainForm::CommandKind::Conversation);
        }
        EXPECT_EQ(EnabledActions(), std::vector<QString>({"FileExit", "ToolsEditor", "HelpAbout"}));

        const qsizetype lines = Lines().size();
        Trigger("FileExit");
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(prompts.Beeps, 1);
        EXPECT_TRUE(prompts.Messages.empty());
        EXPECT_EQ(Lines().size(), lines);
    }
    EXPECT_FALSE(form->ConversationRunning());
    EXPECT_EQ(EnabledActions(), before);
}

// ---- Editors and the about box -------------------------------------------------------------

TEST_F(MainFormTest, AboutBoxIsShownAndLogsNothing) {
    NoVersionBlockSource noVersions;
    TAboutBox about(noVersions, form.get());
    AppWindows windows;
    windows.AboutBox = &about;
    form->AttachWindows(windows);
    bool shown = false;
    QTimer::singleShot(0, &about, [&] {
        shown = about.isVisible() && about.isModal();
        about.reject();
    });
    const qsizetype before = Lines().size();
    Trigger("HelpAbout");
    EXPECT_TRUE(shown);
    EXPECT_EQ(Lines().size(), before);
}

TEST_F(MainFormTest, ToolsEditorRunsModallyBetweenItsStartAndExitLines) {
    TScratchPad editor(prompts);
    AppWindows windows;
    windows.ScratchPad = &editor;
    form->AttachWindows(windows);
    bool shownModally = false;
    bool actionDisabled = false;
    QTimer::singleShot(0, &editor, [&] {
        shownModally = editor.isVisible() && editor.isModal();
        actionDisabled = !Action(QStringLiteral("ToolsEditor"))->isEnabled();
        editor.close();
    });
    const qsizetype before = Lines().size();

    Trigger(QStringLiteral("ToolsEditor"));

    EXPECT_TRUE(shownModally);
    EXPECT_TRUE(actionDisabled);
    EXPECT_TRUE(Action(QStringLiteral("ToolsEditor"))->isEnabled());
    ASSERT_EQ(Lines().size(), before + 2);
    EXPECT_TRUE(Lines()[before].startsWith(QStringLiteral("Tools: text editor started at ")));
    EXPECT_TRUE(Lines()[before + 1].startsWith(QStringLiteral("Tools: text editor exit at ")));
    EXPECT_GT(Lines()[before + 1].size(), QStringLiteral("Tools: text editor exit at ").size());
}

struct EditorRow {
    const char* Action;
    const char* Started;
    const char* Exit;
};

TEST_F(MainFormTest, EditorsRunModallyBetweenTheirStartAndExitLines) {
    TCfgEditorDlg config(
        form->GetProfile(), [this] { form->SetModified(); }, prompts, form.get());
    TDetPointsDlg points(
        form->GetProfile(), [this] { form->SetModified(); }, prompts, form.get());
    AppWindows windows;
    windows.CfgEditorDlg = &config;
    windows.DetPointsDlg = &points;
    form->AttachWindows(windows);
    Trigger("FileNew");

    const EditorRow rows[] = {
        {"EditConfig", "Edit: configuration editor started at ",
         "Edit: configuration editor exit at "},
        {"EditPoint", "Edit: MPoints editor started at ", "Edit: MPoints editor exit at "},
    };
    for (const EditorRow& row : rows) {
        SCOPED_TRACE(row.Action);
        QDialog* dialog = QString::fromLatin1(row.Action) == QStringLiteral("EditConfig")
                              ? static_cast<QDialog*>(&config)
                              : static_cast<QDialog*>(&points);
        bool shownModally = false;
        QTimer::singleShot(0, dialog, [&] {
            shownModally = dialog->isVisible() && dialog->isModal();
            dialog->reject();
        });
        const qsizetype before = Lines().size();
        Trigger(QString::fromLatin1(row.Action));
        EXPECT_TRUE(shownModally);
        ASSERT_EQ(Lines().size(), before + 2);
        EXPECT_TRUE(Lines()[before].startsWith(QString::fromLatin1(row.Started)));
        EXPECT_TRUE(Lines()[before + 1].startsWith(QString::fromLatin1(row.Exit)));
        EXPECT_GT(Lines()[before + 1].size(), QString::fromLatin1(row.Exit).size());
    }
}

} // namespace
