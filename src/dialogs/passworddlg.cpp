// The service password dialog: the exact service password gives the messages editor
// level 1; any other text takes it back to level 0, without a word.
#include "dialogs/passworddlg.h"

#include "dialogs/dialogframe.h"
#include "dialogs/messeditdlg.h"
#include "ui/windowplacement.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

const QString ServicePassword = QStringLiteral("bruvo");
constexpr std::int32_t ServiceLevel = 1;
constexpr std::int32_t NoLevel = 0;
constexpr char16_t LineFeed = u'\n';

} // namespace

TPasswordDlg::TPasswordDlg(TMessEditDlg& editor, QWidget* parent)
    : QDialog(parent), editor_(editor) {
    setObjectName(QStringLiteral("PasswordDlg"));
    setWindowTitle(QStringLiteral("Password"));
    setModal(true);

    auto* label = new QLabel(QStringLiteral("Enter service password:"), this);
    PasswordEdit = new QLineEdit(this);
    PasswordEdit->setObjectName(QStringLiteral("PasswordEdit"));
    PasswordEdit->setEchoMode(QLineEdit::Password);
    PasswordEdit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    label->setBuddy(PasswordEdit);

    QHBoxLayout* buttons = OkCancelRow(*this, OKBtn, CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(PasswordEdit);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    setTabOrder(PasswordEdit, OKBtn);
    setTabOrder(OKBtn, CancelBtn);
    for (QWidget* control : {static_cast<QWidget*>(PasswordEdit), static_cast<QWidget*>(OKBtn),
                             static_cast<QWidget*>(CancelBtn)})
        control->installEventFilter(this);

    connect(OKBtn, &QPushButton::clicked, this, &TPasswordDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    MakeFixedSizeFrame(*this);
    editor_.AttachPasswordDialog(*this);
}

void TPasswordDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    CentreOnScreen(*this);
    FormShow();
}

void TPasswordDlg::FormShow() {
    PasswordEdit->clear();
    PasswordEdit->setFocus();
}

void TPasswordDlg::OKBtnClick() {
    CheckPassword();
    accept();
}

bool TPasswordDlg::FormKeyPress(const QKeyEvent& event) {
    const bool enterKey = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
    const bool lineFeed = event.text() == QString(QChar(LineFeed)) ||
                          (enterKey && event.modifiers().testFlag(Qt::ControlModifier));
    if (!lineFeed)
        return false;
    CheckPassword();
    return true;
}

bool TPasswordDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && FormKeyPress(static_cast<QKeyEvent&>(*event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TPasswordDlg::CheckPassword() {
    editor_.SetAccessLevel(PasswordEdit->text() == ServicePassword ? ServiceLevel : NoLevel);
}
