// The main window: document, link state, actions and the activity log.
#include "app/mainform.h"

#include "app/imagelist.h"
#include "dialogs/cfgeditordlg.h"
#include "dialogs/detpointsdlg.h"
#include "dialogs/monitordlg.h"
#include "files/backupfiles.h"
#include "files/codepage.h"
#include "files/textfile.h"
#include "profile/programidentity.h"
#include "tools/about/aboutbox.h"
#include "tools/editor/scratchpad.h"
#include "tools/terminal/terminalrunner.h"
#include "ui/captions.h"
#include "ui/prompts.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QColor>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

const QString NoEquipmentText = QStringLiteral("Equipment?");
const QString NoPortText = QStringLiteral("Port?");
constexpr std::array<int, TMainForm::PanelCount> PanelWidths = {270, 150, 50};

const QString SaveQuestionCaption = QStringLiteral("RIVAN Editor");
const QString SaveFailedText = QStringLiteral("Unable to save the file");
const QString SendFailedText = QStringLiteral("Unable to send data");
const QString ReceiveFailedText = QStringLiteral("Unable to receive data");
const QString WarningCaption = QStringLiteral("Warning");
const QString ReceiveIncompleteText =
    QStringLiteral("Error loading equipment data. Using default.");
const QString SendNoUnitLine = QStringLiteral("ERROR: unable to send data. Check connection");
const QString ReceiveNoUnitLine = QStringLiteral("ERROR: unable to receive data. Check connection");

const QString OpenProTitle = QStringLiteral("Open PRO file");
const QString OpenProFilter = QStringLiteral("PRO files (*.pro)");
const QString SaveProTitle = QStringLiteral("Save As...");
const QString SaveProFilter = QStringLiteral("PRO file (*.pro)");
const QString ProSuffix = QStringLiteral("pro");

const QString MonitorButtonHint = QStringLiteral("Remote control RIVAN");
const QString LogFileExtension = QStringLiteral(".LOG");
const QString RecoveryPrefix = QStringLiteral("-recovered-");
const QString RecoveryExtension = QStringLiteral(".PRO");
// How often an end without asking looks again whether the commands running have ended.
constexpr int EndingRetryMilliseconds = 20;
// How many lines of an opened file the log shows: for a file the program wrote, the rule,
// the "created at" line and the "# by" line.
constexpr int OpenedLinesLogged = 3;

const QColor LogBackground(0xC0, 0xC0, 0xC0); // silver
const QColor LogText(0x00, 0x00, 0x80);       // navy

struct ActionRow {
    QAction* TMainForm::*Member;
    const char* Name;
    const char* Caption;
    const char* Hint;
    int Image; // -1: none
    void (TMainForm::*Handler)();
};

// The folder part of a document name; empty when the name has none (an untitled document).
QString FolderOf(const QString& name) {
    if (!QDir::fromNativeSeparators(name).contains(QLatin1Char('/')))
        return {};
    return QDir::toNativeSeparators(QFileInfo(name).path());
}

// Error texts travel as the system's 8-bit text, as the standard error report reads them.
std::string Local8Bit(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

} // namespace

TMainForm::CommandGuard::CommandGuard(TMainForm& form, QAction* action, CommandKind kind)
    : form_(form), action_(action), kind_(kind) {
    assert(action_ && "a command guard needs the command's action");
    ++form_.running_[action_];
    if (kind_ == CommandKind::Conversation) {
        ++form_.conversations_;
        // Lines come faster than the panel can be repainted for each.
        form_.log_.HoldPanel();
    }
    form_.UpdateActions();
}

TMainForm::CommandGuard::~CommandGuard() {
    if (--form_.running_[action_] == 0)
        form_.running_.remove(action_);
    if (kind_ == CommandKind::Conversation) {
        --form_.conversations_;
        form_.log_.ReleasePanel();
    }
    form_.UpdateActions();
}

TMainForm::TMainForm(Prompts& prompts, PortDriver& driver, TerminalPort& terminalPort,
                     QWidget* parent)
    : QMainWindow(parent), prompts_(prompts), terminalPort_(terminalPort),
      LogRichEdit(new QPlainTextEdit(this)), log_(*LogRichEdit), link_(driver) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromLatin1(ProgramName));
    setWindowIcon(ImageList::Icon(ImageList::Monitor));
    resize(544, 189);
    CreateActions();
    CreateMenu();
    CreateToolBar();
    CreateLogPanel();
    CreateStatusBar();
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateActions() {
    static const ActionRow rows[] = {
        {&TMainForm::FileNew, "FileNew", "&New", "Create file", ImageList::New,
         &TMainForm::FileNewExecute},
        {&TMainForm::FileOpen, "FileOpen", "&Open", "Open file", ImageList::Open,
         &TMainForm::FileOpenExecute},
        {&TMainForm::FileSave, "FileSave", "&Save", "Save file", ImageList::Save,
         &TMainForm::FileSaveExecute},
        {&TMainForm::FileSaveAs, "FileSaveAs", "Save &As", "Save file as", -1,
         &TMainForm::FileSaveAsExecute},
        {&TMainForm::FileExit, "FileExit", "E&xit", "Exit application", ImageList::Exit,
         &TMainForm::FileExitExecute},
        {&TMainForm::EditPoint, "EditPoint", "&Point", "Edit detection points", ImageList::Points,
         &TMainForm::EditPointExecute},
        {&TMainForm::EditConfig, "EditConfig", "&Config", "Edit equipment configuration",
         ImageList::Configuration, &TMainForm::EditConfigExecute},
        {&TMainForm::EditMessage, "EditMessage", "&Message", "Edit text messages",
         ImageList::Messages, &TMainForm::EditMessageExecute},
        {&TMainForm::SendData, "SendData", "&Send", "Send data to equipment", ImageList::Send,
         &TMainForm::SendDataExecute},
        {&TMainForm::ReceiveData, "ReceiveData", "&Receive", "Receive data from the equipment",
         ImageList::Receive, &TMainForm::ReceiveDataExecute},
        {&TMainForm::ToolsEditor, "ToolsEditor", "&Editor", "Text editor application",
         ImageList::Editor, &TMainForm::ToolsEditorExecute},
        {&TMainForm::ToolsTerm, "ToolsTerm", "&Terminal", "Terminal for remote control",
         ImageList::Terminal, &TMainForm::ToolsTermExecute},
        {&TMainForm::ToolsMonitor, "ToolsMonitor", "&Monitor", "Remote control", ImageList::Monitor,
         &TMainForm::ToolsMonitorExecute},
        {&TMainForm::ToolsDetect, "ToolsDetect", "&Detect", "Detect COM port",
         ImageList::UnitUnknown, &TMainForm::ToolsDetectExecute},
        {&TMainForm::HelpAbout, "HelpAbout", "&About", "Show application info", ImageList::About,
         &TMainForm::HelpAboutExecute},
        {&TMainForm::SendVerify, "SendVerify", "Send and &verify...",
         "Back up the unit, send, and read back", ImageList::SendVerify,
         &TMainForm::SendVerifyExecute},
        {&TMainForm::CompareUnit, "CompareUnit", "&Compare with unit...",
         "Show what differs between the document and the unit", ImageList::Compare,
         &TMainForm::CompareUnitExecute},
        {&TMainForm::ToolsBackups, "ToolsBackups", "&Backups...",
         "Open or restore a backup of a unit", ImageList::Backups, &TMainForm::ToolsBackupsExecute},
    };
    for (const ActionRow& row : rows) {
        auto* action =
            new QAction(ImageList::Icon(row.Image), QString::fromLatin1(row.Caption), this);
        action->setObjectName(QString::fromLatin1(row.Name));
        action->setToolTip(QString::fromLatin1(row.Hint));
        const auto handler = row.Handler;
        // Qt lets no exception cross its event loop: every command reports its own.
        connect(action, &QAction::triggered, this, [this, handler] {
            RunReported(prompts_, [this, handler] { (this->*handler)(); });
        });
        this->*row.Member = action;
    }
}

void TMainForm::CreateMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addActions({FileNew, FileOpen, FileSave, FileSaveAs});
    file->addSeparator();
    file->addAction(FileExit);
    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->addActions({EditPoint, EditConfig, EditMessage});
    QMenu* tools = bar->addMenu(QStringLiteral("&Tools"));
    tools->addActions({SendData, ReceiveData, SendVerify, CompareUnit, ToolsBackups});
    tools->addSeparator();
    tools->addActions({ToolsEditor, ToolsTerm, ToolsMonitor});
    tools->addSeparator();
    tools->addAction(ToolsDetect);
    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(HelpAbout);
}

QToolButton* TMainForm::AddOwnButton(QAction* action, const QString& name, const QString& hint) {
    // A button bound to its action takes the action's picture and hint back whenever the
    // action changes; these buttons keep their own and follow only the enabled state.
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(name);
    button->setIcon(action->icon());
    button->setText(action->iconText());
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(ToolBar1->iconSize());
    button->setToolButtonStyle(ToolBar1->toolButtonStyle());
    button->setEnabled(action->isEnabled());
    connect(ToolBar1, &QToolBar::iconSizeChanged, button, &QToolButton::setIconSize);
    connect(ToolBar1, &QToolBar::toolButtonStyleChanged, button, &QToolButton::setToolButtonStyle);
    connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
    connect(button, &QToolButton::clicked, action, &QAction::trigger);
    ToolBar1->addWidget(button);
    return button;
}

void TMainForm::CreateToolBar() {
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(22, 22));
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->addAction(FileExit);
    ToolBar1->addSeparator();
    ToolBar1->addActions({FileNew, FileOpen, FileSave});
    ToolBar1->addSeparator();
    ToolBar1->addActions({EditPoint, EditConfig, EditMessage});
    ToolBar1->addSeparator();
    ToolButDetect =
        AddOwnButton(ToolsDetect, QStringLiteral("ToolButDetect"), ToolsDetect->toolTip());
    detectImage_ = ImageList::UnitUnknown;
    AddOwnButton(ToolsMonitor, QStringLiteral("ToolButMonitor"), MonitorButtonHint);
    ToolBar1->addActions({SendData, SendVerify, CompareUnit, ReceiveData});
    ToolBar1->addSeparator();
    ToolBar1->addActions({ToolsEditor, ToolsTerm});
    ToolBar1->addSeparator();
    ToolBar1->addAction(HelpAbout);
}

void TMainForm::CreateLogPanel() {
    LogRichEdit->setObjectName(QStringLiteral("LogRichEdit"));
    LogRichEdit->setReadOnly(true);
    LogRichEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    LogRichEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogRichEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogRichEdit->setTabChangesFocus(false); // tab characters stay in the text
    LogRichEdit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QPalette colours = LogRichEdit->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Base, LogBackground);
        colours.setColor(group, QPalette::Text, LogText);
    }
    LogRichEdit->setPalette(colours);
    // The layout's placeholder text, which the creation handler clears.
    LogRichEdit->setPlainText(QStringLiteral("LogRichEdit"));
    setCentralWidget(LogRichEdit);
}

void TMainForm::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("MainStatusBar"));
    for (int i = 0; i < PanelCount; ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i));
        panel->setFixedWidth(PanelWidths[static_cast<std::size_t>(i)]);
        panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        panel->setIndent(3);
        bar->addWidget(panel);
        panels_[static_cast<std::size_t>(i)] = panel;
    }
}

void TMainForm::FormCreate() {
    SetFileName(QString());
    DocumentPresent = false;
    Modified = false;
    SetPanelText(EquipmentPanel, NoEquipmentText);
    SetPanelText(PortPanel, NoPortText);
    ScriptLines.clear();
    log_.Clear();
    log_.AppendLine(QString::fromLatin1(ProgramName) + QStringLiteral(" - v") +
                    QString::fromLatin1(ProgramVersion));
    log_.AppendLine(QString::fromLatin1(CopyrightLine));
    log_.AppendStamped(QStringLiteral("Started at "));
    StartTime = static_cast<std::time_t>(QDateTime::currentSecsSinceEpoch());
    LogRecoveryFiles();
    MonitorAllowed = false;
    UpdateActions();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (ended_) {
        event->accept();
        return;
    }
    if (ending_) {
        event->ignore();
        return;
    }
    // A conversation waiting for the unit still delivers window events; closing now would
    // pull the window from under it.
    if (ConversationRunning()) {
        prompts_.Beep();
        event->ignore();
        return;
    }
    bool allowed = false;
    RunReported(prompts_, [this, &allowed] { allowed = FormCloseQuery(); });
    if (allowed)
        event->accept();
    else
        event->ignore();
}

bool TMainForm::FormCloseQuery() {
    if (!QuerySaveChanges())
        return false;
    WriteClosingLog();
    ScriptLines.clear();
    return true;
}

void TMainForm::WriteClosingLog() {
    log_.AppendStamped(QStringLiteral("Ended at "));
    const auto elapsed = static_cast<double>(QDateTime::currentSecsSinceEpoch() - StartTime);
    char line[64];
    std::snprintf(line, sizeof line, "Elapsed time: %5.2f seconds", elapsed);
    log_.AppendLine(QString::fromLatin1(line));

    LogFileName = QString::fromLatin1(ProgramName) + LogFileExtension;
    ScriptLineList lines;
    lines.reserve(static_cast<std::size_t>(log_.Lines().size()));
    for (const QString& logLine : log_.Lines())
        lines.push_back(ToCodePage(logLine));
    const TextFileResult written = WriteTextLines(LogFileName, lines);
    if (!written.Ok)
        throw std::runtime_error(Local8Bit(written.Error));
}

QString TMainForm::RecoveryFileName(const QDateTime& when) {
    return QString::fromLatin1(ProgramName) + RecoveryPrefix +
           when.toString(QStringLiteral("yyyyMMdd-HHmmss")) + RecoveryExtension;
}

void TMainForm::EndWithoutAsking(const QString& why) {
    if (ending_)
        return;
    ending_ = true;
    UpdateActions();
    log_.AppendLine(QStringLiteral("Ending without questions: ") + why);
    link_.Stop().Request();
    CloseOtherWindows();
    QTimer::singleShot(0, this, &TMainForm::FinishEnding);
}

void TMainForm::CloseOtherWindows() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible())
            window->close();
}

void TMainForm::FinishEnding() {
    if (ended_)
        return;
    // A conversation, a tool or a question still runs its own loop: it ends once its
    // window has closed or its current exchange is over.
    if (!running_.isEmpty() || QApplication::activeModalWidget()) {
        CloseOtherWindows();
        QTimer::singleShot(EndingRetryMilliseconds, this, &TMainForm::FinishEnding);
        return;
    }
    ended_ = true;
    if (DocumentPresent && Modified)
        WriteRecoveryFile();
    try {
        WriteClosingLog();
    } catch (const std::exception& error) {
        // Nobody is there to answer a message box; the log is lost, the program still ends.
        std::fprintf(stderr, "%s: %s\n", ProgramName, error.what());
    }
    ScriptLines.clear();
    close();
}

void TMainForm::WriteRecoveryFile() {
    const QString name =
        QDir::current().absoluteFilePath(RecoveryFileName(QDateTime::currentDateTime()));
    ScriptLineList lines;
    CurrentProfile.WriteScript(lines, ToCodePage(QDir::toNativeSeparators(name)),
                               ToCodePage(ActivityLog::Now()));
    const TextFileResult written = WriteTextLines(name, lines);
    if (written.Ok)
        log_.AppendLine(QStringLiteral("Document saved for recovery as ") +
                        QDir::toNativeSeparators(name));
    else
        log_.AppendLine(QStringLiteral("ERROR: unable to save the document for recovery as ") +
                        QDir::toNativeSeparators(name) + QStringLiteral(": ") + written.Error);
}

void TMainForm::LogRecoveryFiles() {
    const QDir folder = QDir::current();
    const QStringList found = folder.entryList({QString::fromLatin1(ProgramName) + RecoveryPrefix +
                                                QStringLiteral("*") + RecoveryExtension},
                                               QDir::Files, QDir::Name);
    for (const QString& name : found)
        log_.AppendLine(QStringLiteral("Recovered document from an earlier run: ") +
                        QDir::toNativeSeparators(folder.absoluteFilePath(name)));
}

bool TMainForm::QuerySaveChanges() {
    if (!DocumentPresent || !Modified)
        return true;
    switch (prompts_.Message(SaveQuestionCaption, Captions::SaveChangesQuestion,
                             Prompts::Icon::Warning, Prompts::Buttons::YesNoCancel)) {
    case Prompts::Answer::Yes:
        FileSaveExecute();
        return !Modified;
    case Prompts::Answer::No:
        return true;
    case Prompts::Answer::Ok:
    case Prompts::Answer::Cancel:
        break;
    }
    return false;
}

QString TMainForm::PanelText(int panel) const {
    assert(panel >= 0 && panel < PanelCount && "status panel index");
    return panels_[static_cast<std::size_t>(panel)]->text();
}

void TMainForm::SetPanelText(int panel, const QString& text) {
    assert(panel >= 0 && panel < PanelCount && "status panel index");
    panels_[static_cast<std::size_t>(panel)]->setText(text);
}

void TMainForm::SetDetectImage(int index) {
    detectImage_ = index;
    ToolButDetect->setIcon(ImageList::Icon(index));
}

void TMainForm::UpdateActions() {
    const bool conversation = ConversationRunning();
    // `available`: what the document, the profile and the link allow; `conversationSafe`:
    // the command may start while a conversation waits for the unit.
    const auto set = [&](QAction* action, bool available, bool conversationSafe) {
        action->setEnabled(available && !ending_ && !running_.contains(action) &&
                           (conversationSafe || !conversation));
    };
    set(FileNew, true, false);
    set(FileOpen, true, false);
    set(FileSave, DocumentPresent, false);
    set(FileSaveAs, DocumentPresent, false);
    set(FileExit, true, true);
    set(EditPoint, ProfileInUse && CurrentProfile.PointsLoaded(), false);
    set(EditConfig, ProfileInUse && CurrentProfile.ConfigurationLoaded(), false);
    set(EditMessage, false, false); // the text messages editor is not offered here
    set(SendData, ProfileInUse, false);
    set(ReceiveData, true, false);
    set(ToolsEditor, true, true);
    set(ToolsTerm, true, false);
    set(ToolsMonitor, MonitorAllowed, false);
    set(ToolsDetect, true, false);
    set(HelpAbout, true, true);
    set(SendVerify, ProfileInUse, false);
    set(CompareUnit, ProfileInUse, false);
    set(ToolsBackups, true, false);
}

void TMainForm::SetFileName(const QString& name) {
    FileName = name;
    SetPanelText(FilePanel, FileName);
}

bool TMainForm::WriteProfile(const QString& name) {
    CurrentProfile.WriteScript(ScriptLines, ToCodePage(name), ToCodePage(ActivityLog::Now()));
    if (WriteTextLines(name, ScriptLines).Ok)
        return true;
    Modified = true;
    prompts_.Notify(Captions::Error, SaveFailedText, Prompts::Icon::Error);
    return false;
}

void TMainForm::RunEditor(QDialog* dialog, const QString& what) {
    log_.AppendStamped(what + QStringLiteral(" started at "));
    if (dialog)
        dialog->exec();
    log_.AppendStamped(what + QStringLiteral(" exit at "));
}

void TMainForm::FileNewExecute() {
    if (!QuerySaveChanges())
        return;
    ScriptLines.clear();
    SetFileName(UntitledName);
    DocumentPresent = true;
    CurrentProfile.SetDefaults();
    ProfileInUse = true;
    Modified = true; // a new document counts as changed until it is saved
    UpdateActions();
    log_.AppendLine(QStringLiteral("new file ") + FileName);
}

void TMainForm::FileOpenExecute() {
    if (!QuerySaveChanges())
        return;
    const std::optional<QString> chosen =
        prompts_.OpenFileName({OpenProTitle, OpenProFilter, ProSuffix, {}, {}});
    if (chosen)
        OpenDocument(*chosen);
}

void TMainForm::OpenDocument(const QString& path) {
    // Read into a list of its own first, so that a file that cannot be read changes nothing.
    ScriptLineList lines;
    const TextFileResult read = ReadTextLines(path, lines);
    if (!read.Ok)
        throw std::runtime_error(Local8Bit(read.Error));
    ScriptLines = std::move(lines);
    SetFileName(path);
    DocumentPresent = true;
    Modified = false;
    CurrentProfile.ReadScript();
    ProfileInUse = true;
    UpdateActions();
    log_.AppendLine(QStringLiteral("open file ") + FileName);
    const std::size_t shown = std::min<std::size_t>(ScriptLines.size(), OpenedLinesLogged);
    for (std::size_t i = 0; i < shown; ++i)
        log_.AppendLine(FromCodePage(ScriptLines[i]));
}

void TMainForm::FileSaveExecute() {
    if (FileName == UntitledName || FileName.isEmpty()) {
        FileSaveAsExecute();
        return;
    }
    if (!WriteProfile(FileName))
        return;
    Modified = false;
    log_.AppendLine(QStringLiteral("file saved ") + FileName);
}

void TMainForm::FileSaveAsExecute() {
    const std::optional<QString> chosen = prompts_.SaveFileName(
        {SaveProTitle, SaveProFilter, ProSuffix, FileName, FolderOf(FileName)});
    if (!chosen)
        return;
    if (!WriteProfile(*chosen))
        return;
    SetFileName(*chosen);
    Modified = false;
    log_.AppendLine(QStringLiteral("file saved as ") + FileName);
}

void TMainForm::FileExitExecute() {
    close();
}

void TMainForm::EditPointExecute() {
    RunEditor(windows_.DetPointsDlg, QStringLiteral("Edit: MPoints editor"));
}

void TMainForm::EditConfigExecute() {
    RunEditor(windows_.CfgEditorDlg, QStringLiteral("Edit: configuration editor"));
}

// The text messages editor is not opened from the main window.
void TMainForm::EditMessageExecute() {}

void TMainForm::SendDataExecute() {
    CommandGuard guard(*this, SendData, CommandKind::Conversation);
    log_.AppendStamped(QStringLiteral("Tools: send data started at "));
    // What goes to the unit is the profile as it stands now, not the lines of a file; the
    // document takes the new lines once the unit was found.
    const std::string scriptName = ToCodePage(FileName);
    ScriptLineList script;
    EquipmentProfile(CurrentProfile)
        .WriteScript(script, scriptName, ToCodePage(ActivityLog::Now()));
    const SendOutcome outcome = link_.SendProfile(script, scriptName, *this);
    if (outcome != SendOutcome::NoUnit)
        ScriptLines = std::move(script);
    switch (outcome) {
    case SendOutcome::NoUnit:
        prompts_.Beep();
        log_.AppendLine(SendNoUnitLine);
        break;
    case SendOutcome::Error:
        prompts_.Notify(Captions::Error, SendFailedText, Prompts::Icon::Error);
        break;
    case SendOutcome::Sent:
    case SendOutcome::LineFailed:
    case SendOutcome::Stopped:
        break;
    }
    log_.AppendStamped(QStringLiteral("Tools: send data exit at "));
}

void TMainForm::ReceiveDataExecute() {
    CommandGuard guard(*this, ReceiveData, CommandKind::Conversation);
    log_.AppendStamped(QStringLiteral("Tools: receive data started at "));
    if (QuerySaveChanges())
        ReceiveIntoNewDocument();
    log_.AppendStamped(QStringLiteral("Tools: receive data exit at "));
}

void TMainForm::ReceiveIntoNewDocument() {
    // The current document is closed before the unit is asked.
    SetFileName(QString());
    DocumentPresent = false;
    Modified = false;
    CurrentProfile.SetDefaults();
    UpdateActions();

    const std::string now = ToCodePage(ActivityLog::Now());
    const ReceivedProfile received = link_.ReceiveProfile(*this);
    const ReceiveOutcome outcome = received.Outcome;
    ProfileInUse = outcome != ReceiveOutcome::NoUnit;
    if (ProfileInUse) {
        ScriptLines.clear();
        received.ApplyTo(CurrentProfile);
    }
    if (outcome == ReceiveOutcome::Complete)
        CurrentProfile.WriteScript(ScriptLines, ToCodePage(UntitledName), now);
    switch (outcome) {
    case ReceiveOutcome::NoUnit:
        prompts_.Beep();
        log_.AppendLine(ReceiveNoUnitLine);
        break;
    case ReceiveOutcome::Complete:
        SetFileName(UntitledName);
        DocumentPresent = true;
        Modified = true;
        break;
    case ReceiveOutcome::Incomplete:
        prompts_.Notify(WarningCaption, ReceiveIncompleteText, Prompts::Icon::Warning);
        break;
    case ReceiveOutcome::Error:
        prompts_.Notify(Captions::Error, ReceiveFailedText, Prompts::Icon::Error);
        break;
    case ReceiveOutcome::Stopped:
        // The program is ending: what came stays in the profile, and nobody is asked.
        break;
    }
    UpdateActions();
}

void TMainForm::ToolsEditorExecute() {
    const CommandGuard running(*this, ToolsEditor, CommandKind::Tool);
    log_.AppendStamped(QStringLiteral("Tools: text editor started at "));
    if (windows_.ScratchPad)
        windows_.ScratchPad->ShowModal();
    log_.AppendStamped(QStringLiteral("Tools: text editor exit at "));
}

void TMainForm::ToolsTermExecute() {
    const CommandGuard running(*this, ToolsTerm, CommandKind::Tool);
    log_.AppendStamped(QStringLiteral("Tools: terminal started at "));
    // A unit found by detection decides the port; otherwise the terminal's own setting.
    std::optional<std::string> detectedPort;
    if (link_.EquipmentFound())
        detectedPort = PanelText(PortPanel).toStdString();
    RunTerminal(
        this, prompts_, terminalPort_, [this](const std::string& line) { AppendLine(line); },
        detectedPort);
    log_.AppendStamped(QStringLiteral("Tools: terminal exit at "));
}

void TMainForm::ToolsMonitorExecute() {
    CommandGuard guard(*this, ToolsMonitor, CommandKind::Conversation);
    log_.AppendStamped(QStringLiteral("Tools: remote control monitor started at "));
    if (!link_.OpenLink(*this)) {
        prompts_.Beep();
        log_.AppendLine(SendNoUnitLine);
    } else if (windows_.MonitorDlg) {
        windows_.MonitorDlg->RunMonitor(*link_.Port());
    }
    link_.CloseLink();
    log_.AppendStamped(QStringLiteral("Tools: remote control monitor exit at "));
}

void TMainForm::ToolsDetectExecute() {
    CommandGuard guard(*this, ToolsDetect, CommandKind::Conversation);
    link_.Detect(*this);
}

OfferedSettings TMainForm::DocumentOffer() {
    CurrentProfile.WriteScript(ScriptLines, Local8Bit(FileName), Local8Bit(ActivityLog::Now()));
    return {&CurrentProfile, &ScriptLines, Local8Bit(FileName), QStringLiteral("Document"),
            QStringLiteral("The document and the unit hold the same settings.")};
}

void TMainForm::SendVerifyExecute() {
    CommandGuard guard(*this, SendVerify, CommandKind::Conversation);
    log_.AppendStamped(QStringLiteral("Tools: send and verify started at "));
    SafeSend(link_, *this, prompts_, UserBackupFolder()).SendAndVerify(DocumentOffer());
    log_.AppendStamped(QStringLiteral("Tools: send and verify exit at "));
}

void TMainForm::CompareUnitExecute() {
    CommandGuard guard(*this, CompareUnit, CommandKind::Conversation);
    log_.AppendStamped(QStringLiteral("Tools: compare with unit started at "));
    SafeSend(link_, *this, prompts_, UserBackupFolder()).Compare(DocumentOffer());
    log_.AppendStamped(QStringLiteral("Tools: compare with unit exit at "));
}

void TMainForm::ToolsBackupsExecute() {
    const QString folder = UserBackupFolder();
    QList<Prompts::BackupItem> items;
    for (const BackupEntry& backup : ListBackups(folder))
        items.append({backup.Path, backup.Taken.toString(QStringLiteral("yyyy-MM-dd  HH:mm:ss")),
                      backup.Model, backup.PortName});
    std::optional<Prompts::BackupChoice> choice;
    {
        const CommandGuard listing(*this, ToolsBackups, CommandKind::Tool);
        choice = prompts_.ChooseBackup(folder, items);
    }
    if (!choice)
        return;
    switch (choice->Action) {
    case Prompts::BackupAction::Open:
        if (QuerySaveChanges())
            OpenDocument(choice->Path);
        break;
    case Prompts::BackupAction::Restore:
        RestoreBackup(choice->Path);
        break;
    }
}

void TMainForm::RestoreBackup(const QString& path) {
    CommandGuard guard(*this, ToolsBackups, CommandKind::Conversation);
    log_.AppendStamped(QStringLiteral("Tools: restore to unit started at "));
    log_.AppendLine(QStringLiteral("backup file ") + QDir::toNativeSeparators(path));
    ScriptLineList fileLines;
    const TextFileResult read = ReadTextLines(path, fileLines);
    if (!read.Ok)
        throw std::runtime_error(Local8Bit(read.Error));
    // What goes to the unit is the profile the file makes, written out again, as Send
    // does after Open.
    EquipmentProfile backup(fileLines);
    backup.ReadScript();
    ScriptLineList script;
    backup.WriteScript(script, Local8Bit(path), Local8Bit(ActivityLog::Now()));
    SafeSend(link_, *this, prompts_, UserBackupFolder())
        .SendAndVerify({&backup, &script, Local8Bit(path), QStringLiteral("Backup"),
                        QStringLiteral("The backup and the unit hold the same settings.")});
    log_.AppendStamped(QStringLiteral("Tools: restore to unit exit at "));
}

void TMainForm::AppendLine(const std::string& line) {
    log_.AppendLine(FromCodePage(line));
}

void TMainForm::ProcessPendingEvents() {
    QCoreApplication::processEvents();
}

void TMainForm::DetectionStarted() {
    SetPanelText(EquipmentPanel, QString());
    SetPanelText(PortPanel, QString());
}

void TMainForm::PortTried(bool holdsUnit) {
    SetDetectImage(holdsUnit ? ImageList::UnitFound : ImageList::UnitUnknown);
}

void TMainForm::ModelRecognised(std::uint32_t row) {
    MonitorAllowed = row == RivanModelRow;
    UpdateActions();
}

void TMainForm::EquipmentDetected(const std::string& modelName, const std::string& portName) {
    SetPanelText(EquipmentPanel, FromCodePage(modelName));
    SetPanelText(PortPanel, FromCodePage(portName));
}

void TMainForm::HelpAboutExecute() {
    if (windows_.AboutBox)
        windows_.AboutBox->exec();
}
