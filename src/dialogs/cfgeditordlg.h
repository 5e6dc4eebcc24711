// The configuration editor: the profile's MER and BER alarm and warning thresholds.
#pragma once

#include <QDialog>

#include <functional>

class EquipmentProfile;
class Prompts;
class QLineEdit;
class QPushButton;
class QShowEvent;

class TCfgEditorDlg : public QDialog {
    Q_OBJECT
public:
    TCfgEditorDlg(EquipmentProfile& profile, std::function<void()> setModified, Prompts& prompts,
                  QWidget* parent = nullptr);

    // Each showing: snapshot of the thresholds, then the edits filled from the profile.
    void FormShow();
    void ReloadData();
    // Converts the edits in order and stores each threshold at once; throws a
    // ConversionError at the first text it cannot take, leaving the rest as they were.
    void SaveData();

    void OKBtnClick();
    void CancelBtnClick();
    // Esc and the close box cancel as the Cancel button does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    EquipmentProfile& profile_;
    std::function<void()> setModified_;
    Prompts& prompts_;

    QLineEdit* AlarmMER;
    QLineEdit* WarningMER;
    QLineEdit* AlarmBER;
    QLineEdit* WarningBER;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
};
