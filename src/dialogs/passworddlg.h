// The service password dialog: raises the messages editor's access level.
#pragma once

#include <QDialog>

class QKeyEvent;
class QLineEdit;
class QPushButton;
class QShowEvent;
class TMessEditDlg;

class TPasswordDlg : public QDialog {
    Q_OBJECT
public:
    // Serves `editor`, and is the dialog its password button opens.
    explicit TPasswordDlg(TMessEditDlg& editor, QWidget* parent = nullptr);

    void FormShow();
    void OKBtnClick();
    // Ctrl+Enter applies the password and keeps the dialog open; true when it took the key.
    bool FormKeyPress(const QKeyEvent& event);
    // The exact service password gives level 1, anything else level 0.
    void CheckPassword();

protected:
    void showEvent(QShowEvent* event) override;
    // The form sees key presses before its controls.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TMessEditDlg& editor_;
    QLineEdit* PasswordEdit;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
};
