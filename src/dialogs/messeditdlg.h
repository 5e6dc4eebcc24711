// The text messages editor: steps through the unit's first 22 display messages and edits
// those the current access level allows.
#pragma once

#include "dialogs/profileeditor.h"

#include <cstdint>
#include <functional>

class EquipmentProfile;
class Prompts;
class QLineEdit;
class QPushButton;
class QToolButton;
class StepSpinBox;

class TMessEditDlg : public ProfileEditor {
    Q_OBJECT
public:
    // Messages 0 to 21 are the ones the editor offers.
    static constexpr int ShownMessageCount = 22;

    TMessEditDlg(EquipmentProfile& profile, std::function<void()> setModified, Prompts& prompts,
                 QWidget* parent = nullptr);

    // The dialog that asks for the service password; it is created after the editor.
    void AttachPasswordDialog(QDialog& dialog) { passwordDlg_ = &dialog; }

    std::int32_t AccessLevel() const { return accessLevel_; }
    std::uint16_t CurrentMessage() const { return currentMessage_; }
    // Called by the password dialog; shows the current message again under the new level.
    void SetAccessLevel(std::int32_t level);

    // Each showing: message 0, level 0, a snapshot of all message texts.
    void FormShow() override;
    void ShowCurrentMessage();
    void StoreCurrentMessage();

    void UpDown1Click(int position);
    void RestoreButtonClick();
    void SpeedButton1Click();
    void OKBtnClick() { SaveAndAccept(); }
    void CancelBtnClick() { RestoreAndReject(); }

protected:
    void Save() override { StoreCurrentMessage(); }
    void RestoreSnapshot() override;

private:
    QDialog* passwordDlg_ = nullptr;
    std::uint16_t currentMessage_ = 0;
    std::int32_t accessLevel_ = 0;

    StepSpinBox* UpDown1;
    QLineEdit* Edit1;
    QLineEdit* MessageNoEdit;
    QLineEdit* StaticText1;
    QLineEdit* MessageEdit;
    QToolButton* RestoreButton;
    QToolButton* SpeedButton1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
};
