// The frame shared by the profile editors.
#include "dialogs/dialogframe.h"

#include "ui/prompts.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

void MakeFixedSizeFrame(QDialog& dialog) {
    dialog.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    dialog.setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);
    if (QLayout* layout = dialog.layout())
        layout->setSizeConstraint(QLayout::SetFixedSize);
}

QLineEdit* NewNumberEdit(const QString& name, int width, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFixedWidth(width);
    edit->setMaxLength(32767); // the largest length a line edit takes
    return edit;
}

QHBoxLayout* OkCancelRow(QDialog& dialog, QPushButton*& ok, QPushButton*& cancel) {
    ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
    cancel->setObjectName(QStringLiteral("CancelBtn"));

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

void AcceptReported(QDialog& dialog, Prompts& prompts, const std::function<void()>& save) {
    RunReported(prompts, save);
    dialog.accept();
}

void RejectRestoring(QDialog& dialog, const std::function<void()>& restore) {
    if (dialog.isVisible())
        restore();
    // The base class's own reject: the editors' reject() comes here.
    dialog.QDialog::reject();
}
