// Placeholder for the service password dialog.
#include "dialogs/passworddlg.h"

TPasswordDlg::TPasswordDlg(QWidget* parent) : QDialog(parent) { setObjectName(QStringLiteral("PasswordDlg")); }
