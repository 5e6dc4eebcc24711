// What the three profile editors share: shown centred with a fresh snapshot of what they
// edit; OK stores what the controls hold through the standard error report and marks the
// document changed; Cancel, Esc and the close box put the snapshot back.
#pragma once

#include <QDialog>

#include <functional>

class EquipmentProfile;
class Prompts;
class QShowEvent;

class ProfileEditor : public QDialog {
    Q_OBJECT
public:
    // Each showing: the snapshot, then the controls filled from the profile.
    virtual void FormShow() = 0;
    // Esc and the close box cancel as the Cancel button does.
    void reject() override;

protected:
    ProfileEditor(EquipmentProfile& profile, std::function<void()> setModified, Prompts& prompts,
                  QWidget* parent);

    // Stores the controls into the profile; may throw a ConversionError at the first text
    // it cannot take, leaving what it stored before.
    virtual void Save() = 0;
    // Puts back the snapshot FormShow took.
    virtual void RestoreSnapshot() = 0;

    // OK: stores, marks the document changed and closes; a refused text is reported and the
    // editor closes all the same.
    void SaveAndAccept();
    // Cancel: a shown editor puts its snapshot back, then closes.
    void RestoreAndReject();

    void showEvent(QShowEvent* event) override;

    EquipmentProfile& profile_;
    std::function<void()> setModified_;
    Prompts& prompts_;
};
