// The configuration editor: the profile's MER and BER alarm and warning thresholds.
#pragma once

#include "dialogs/profileeditor.h"

#include <functional>

class EquipmentProfile;
class Prompts;
class QLineEdit;
class QPushButton;

class TCfgEditorDlg : public ProfileEditor {
    Q_OBJECT
public:
    TCfgEditorDlg(EquipmentProfile& profile, std::function<void()> setModified, Prompts& prompts,
                  QWidget* parent = nullptr);

    // Each showing: snapshot of the thresholds, then the edits filled from the profile.
    void FormShow() override;
    void ReloadData();
    // Converts the edits in order and stores each threshold at once; throws a
    // ConversionError at the first text it cannot take, leaving the rest as they were.
    void SaveData();

    void OKBtnClick() { SaveAndAccept(); }
    void CancelBtnClick() { RestoreAndReject(); }

protected:
    void Save() override { SaveData(); }
    void RestoreSnapshot() override;

private:
    QLineEdit* AlarmMER;
    QLineEdit* WarningMER;
    QLineEdit* AlarmBER;
    QLineEdit* WarningBER;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
};
