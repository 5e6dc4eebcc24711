// The tools editor's modeless find box.
#include "tools/editor/finddlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFindDlg::TFindDlg(QWidget* parent)
    : QDialog(parent), findEdit_(new QLineEdit(this)),
      wholeWordBox_(new QCheckBox(QStringLiteral("Match &whole word only"), this)),
      matchCaseBox_(new QCheckBox(QStringLiteral("Match &case"), this)),
      findNextBtn_(new QPushButton(QStringLiteral("&Find Next"), this)),
      cancelBtn_(new QPushButton(QStringLiteral("Cancel"), this)) {
    setObjectName(QStringLiteral("FindDlg"));
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);
    findEdit_->setObjectName(QStringLiteral("FindEdit"));
    wholeWordBox_->setObjectName(QStringLiteral("WholeWordBox"));
    matchCaseBox_->setObjectName(QStringLiteral("MatchCaseBox"));
    findNextBtn_->setObjectName(QStringLiteral("FindNextBtn"));
    cancelBtn_->setObjectName(QStringLiteral("CancelBtn"));

    auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
    label->setBuddy(findEdit_);
    findNextBtn_->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(findEdit_, 0, 1);
    grid->addWidget(findNextBtn_, 0, 2);
    auto* options = new QVBoxLayout;
    options->addWidget(wholeWordBox_);
    options->addWidget(matchCaseBox_);
    grid->addLayout(options, 1, 0, 1, 2);
    grid->addWidget(cancelBtn_, 1, 2, Qt::AlignTop);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(findEdit_, &QLineEdit::textChanged, this, &TFindDlg::UpdateFindNext);
    connect(findNextBtn_, &QPushButton::clicked, this, &TFindDlg::Find);
    connect(cancelBtn_, &QPushButton::clicked, this, &TFindDlg::close);
    UpdateFindNext();
}

QString TFindDlg::FindText() const {
    return findEdit_->text();
}

void TFindDlg::SetFindText(const QString& text) {
    findEdit_->setText(text);
}

bool TFindDlg::WholeWord() const {
    return wholeWordBox_->isChecked();
}

bool TFindDlg::MatchCase() const {
    return matchCaseBox_->isChecked();
}

// Like the system's find box, Find Next waits for something to look for.
void TFindDlg::UpdateFindNext() {
    findNextBtn_->setEnabled(!findEdit_->text().isEmpty());
}
