// The main window: document, link state, actions and the activity log.
#pragma once

#include "profile/equipmentprofile.h"

#include <QMainWindow>

class TAboutBox;
class TScratchPad;
class TCfgEditorDlg;
class TDetPointsDlg;
class TMessEditDlg;
class TPasswordDlg;
class TMonitorDlg;
class Prompts;

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

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(Prompts& prompts, QWidget* parent = nullptr);
    ~TMainForm() override;

    void AttachWindows(const AppWindows& windows) { windows_ = windows; }

    EquipmentProfile& GetProfile() { return CurrentProfile; }
    void SetModified() { Modified = true; }

private:
    Prompts& prompts_;
    AppWindows windows_;
    bool Modified = false;
    ScriptLineList ScriptLines;
    EquipmentProfile CurrentProfile{ScriptLines};
};
