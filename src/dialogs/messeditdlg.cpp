// Placeholder for the text messages editor.
#include "dialogs/messeditdlg.h"

TMessEditDlg::TMessEditDlg(EquipmentProfile&, std::function<void()>, Prompts&, QWidget* parent) : QDialog(parent) { setObjectName(QStringLiteral("MessEditDlg")); }
