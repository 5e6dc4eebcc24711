// The main window: document, link state, actions and the activity log.
#pragma once

#include "app/activitylog.h"
#include "app/safesend.h"
#include "link/equipmentlink.h"
#include "profile/equipmentprofile.h"

#include <QDateTime>
#include <QHash>
#include <QMainWindow>

#include <array>
#include <cstdint>
#include <ctime>

class QAction;
class QCloseEvent;
class QDialog;
class QLabel;
class QPlainTextEdit;
class QToolBar;
class QToolButton;
class TAboutBox;
class TScratchPad;
class TCfgEditorDlg;
class TDetPointsDlg;
class TMessEditDlg;
class TPasswordDlg;
class TMonitorDlg;
class Prompts;
class TerminalPort;

// The windows created after the main window, handed to it once they exist.
struct AppWindows {
    TAboutBox* AboutBox = nullptr;
    TScratchPad* ScratchPad = nullptr;
    TCfgEditorDlg* CfgEditorDlg = nullptr;
    TDetPointsDlg* DetPointsDlg = nullptr;
    TMessEditDlg* MessEditDlg = nullptr;
    TPasswordDlg* PasswordDlg = nullptr;
    TMonitorDlg* MonitorDlg = nullptr;
};

class TMainForm : public QMainWindow, private LinkEvents {
    Q_OBJECT
public:
    // The name of a document that has never been saved.
    static inline const QString UntitledName = QStringLiteral("Untitled.PRO");
    static constexpr int PanelCount = 3;
    enum Panel { FilePanel = 0, EquipmentPanel = 1, PortPanel = 2 };

    // How a running command shares the window. A Tool keeps only its own action from
    // starting again. A Conversation with the unit lets window events through while it
    // waits, so it also keeps every command that could talk to the unit, replace the
    // document or open an editor from starting, and the window from closing.
    enum class CommandKind { Tool, Conversation };

    // Marks a command as running for the guard's lifetime; guards nest.
    class CommandGuard {
    public:
        CommandGuard(TMainForm& form, QAction* action, CommandKind kind);
        ~CommandGuard();
        CommandGuard(const CommandGuard&) = delete;
        CommandGuard& operator=(const CommandGuard&) = delete;

    private:
        TMainForm& form_;
        QAction* action_;
        CommandKind kind_;
    };

    // The driver opens the serial ports for every conversation, the terminal port is the
    // one the terminal command runs on; both must outlive the window.
    TMainForm(Prompts& prompts, PortDriver& driver, TerminalPort& terminalPort,
              QWidget* parent = nullptr);
    ~TMainForm() override;

    void AttachWindows(const AppWindows& windows) { windows_ = windows; }

    EquipmentProfile& GetProfile() { return CurrentProfile; }
    void SetModified() { Modified = true; }
    // Asks whether a changed document is to be saved before it is replaced or the program
    // ends; true means go on.
    bool QuerySaveChanges();

    // Ends the program in order without asking anything, for a signal or the end of the
    // desktop session: the conversation in progress stops after its current exchange and
    // closes the port, every other window closes, a changed document is written as a
    // recovery file beside the LOG file, and the close writes its log lines and the LOG
    // file. `why` is logged. Returns at once; the window closes from the event loop.
    void EndWithoutAsking(const QString& why);
    bool Ending() const { return ending_; }
    // The name of the file a changed document is written to when the program is ended
    // without asking, for the time `when`.
    static QString RecoveryFileName(const QDateTime& when);

    ActivityLog& Log() { return log_; }
    const ActivityLog& Log() const { return log_; }

    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString& text);

    // Shows image `index` of the image list on the detect button (the action keeps its own).
    void SetDetectImage(int index);
    int DetectImage() const { return detectImage_; }

    // Sets every action's enabled state from the document, the profile, the link and the
    // commands running; the one place that enables or disables an action.
    void UpdateActions();
    bool ConversationRunning() const { return conversations_ > 0; }

    // The document and link state, read-only for the windows around.
    const QString& GetFileName() const { return FileName; }
    bool GetDocumentPresent() const { return DocumentPresent; }
    bool GetModified() const { return Modified; }
    const ScriptLineList& GetScriptLines() const { return ScriptLines; }
    const EquipmentLink& Link() const { return link_; }
    bool GetEquipmentFound() const { return link_.EquipmentFound(); }
    int GetPortIndex() const { return link_.PortIndex(); }
    const QString& GetLogFileName() const { return LogFileName; }

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void FileNewExecute();
    void FileOpenExecute();
    void FileSaveExecute();
    void FileSaveAsExecute();
    void FileExitExecute();
    void EditPointExecute();
    void EditConfigExecute();
    void EditMessageExecute();
    void SendDataExecute();
    void ReceiveDataExecute();
    void ToolsEditorExecute();
    void ToolsTermExecute();
    void ToolsMonitorExecute();
    void ToolsDetectExecute();
    void HelpAboutExecute();
    void SendVerifyExecute();
    void CompareUnitExecute();
    void ToolsBackupsExecute();

private:
    void CreateActions();
    void CreateMenu();
    void CreateToolBar();
    void CreateLogPanel();
    void CreateStatusBar();
    QToolButton* AddOwnButton(QAction* action, const QString& name, const QString& hint);
    void FormCreate();
    bool FormCloseQuery();
    // The close query's log lines and LOG file.
    void WriteClosingLog();
    // The second half of EndWithoutAsking, once nothing runs any more.
    void FinishEnding();
    // Closes the windows other than this one, which ends their modal loops.
    void CloseOtherWindows();
    // Writes the changed document as a recovery file and logs where it went.
    void WriteRecoveryFile();
    // Logs the recovery files an earlier run left in the working directory.
    void LogRecoveryFiles();

    void SetFileName(const QString& name);
    // Writes the profile as a PRO file named `name`; false after reporting a failure.
    bool WriteProfile(const QString& name);
    void RunEditor(QDialog* dialog, const QString& what);
    // Closes the document and reads a new one from the unit.
    void ReceiveIntoNewDocument();
    // Reads the PRO file `path` as the document, as Open does once a file is chosen.
    void OpenDocument(const QString& path);
    // The document as Send and verify and Compare offer it to the unit; the script is
    // rebuilt from the profile, as Send does.
    OfferedSettings DocumentOffer();
    // Send and verify of the backup file `path`; the document stays as it is.
    void RestoreBackup(const QString& path);

    // What the conversations with the unit report while they run.
    void AppendLine(const std::string& line) override;
    void ProcessPendingEvents() override;
    void DetectionStarted() override;
    void PortTried(bool holdsUnit) override;
    void ModelRecognised(std::uint32_t row) override;
    void EquipmentDetected(const std::string& modelName, const std::string& portName) override;

    Prompts& prompts_;
    TerminalPort& terminalPort_;
    AppWindows windows_;

    // Layout.
    QAction* FileNew = nullptr;
    QAction* FileOpen = nullptr;
    QAction* FileSave = nullptr;
    QAction* FileSaveAs = nullptr;
    QAction* FileExit = nullptr;
    QAction* EditPoint = nullptr;
    QAction* EditConfig = nullptr;
    QAction* EditMessage = nullptr;
    QAction* SendData = nullptr;
    QAction* ReceiveData = nullptr;
    QAction* ToolsEditor = nullptr;
    QAction* ToolsTerm = nullptr;
    QAction* ToolsMonitor = nullptr;
    QAction* ToolsDetect = nullptr;
    QAction* HelpAbout = nullptr;
    QAction* SendVerify = nullptr;
    QAction* CompareUnit = nullptr;
    QAction* ToolsBackups = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButDetect = nullptr;
    QPlainTextEdit* LogRichEdit = nullptr;
    std::array<QLabel*, PanelCount> panels_{};
    int detectImage_ = 0;

    ActivityLog log_;

    // The document.
    QString FileName;
    bool DocumentPresent = false;
    bool Modified = false;
    ScriptLineList ScriptLines;
    EquipmentProfile CurrentProfile{ScriptLines};
    // The profile holds data the editors and Send may use: set by New, Open and a Receive
    // that reached the unit; cleared by a Receive that found no unit.
    bool ProfileInUse = false;

    // The equipment link: the unit found, its port, the port of the current conversation.
    EquipmentLink link_;
    // A RIVAN unit was identified, so the remote control monitor may run.
    bool MonitorAllowed = false;

    // The run.
    std::time_t StartTime = 0;
    QString LogFileName;

    // Ending without asking: requested, and done (the window may close).
    bool ending_ = false;
    bool ended_ = false;

    // Commands running: how many guards hold each action, and how many are conversations.
    QHash<QAction*, int> running_;
    int conversations_ = 0;
};
