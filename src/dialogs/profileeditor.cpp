// What the three profile editors share.
#include "dialogs/profileeditor.h"

#include "dialogs/dialogframe.h"
#include "ui/windowplacement.h"

#include <QShowEvent>

ProfileEditor::ProfileEditor(EquipmentProfile& profile, std::function<void()> setModified,
                             Prompts& prompts, QWidget* parent)
    : QDialog(parent), profile_(profile), setModified_(std::move(setModified)), prompts_(prompts) {
    setModal(true);
}

void ProfileEditor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    CentreOnScreen(*this);
    FormShow();
}

void ProfileEditor::SaveAndAccept() {
    AcceptReported(*this, prompts_, [this] {
        Save();
        setModified_();
    });
}

void ProfileEditor::RestoreAndReject() {
    RejectRestoring(*this, [this] { RestoreSnapshot(); });
}

void ProfileEditor::reject() {
    RestoreAndReject();
}
