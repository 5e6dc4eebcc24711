// Placeholder for the configuration editor.
#include "dialogs/cfgeditordlg.h"

TCfgEditorDlg::TCfgEditorDlg(EquipmentProfile&, std::function<void()>, Prompts&, QWidget* parent) : QDialog(parent) { setObjectName(QStringLiteral("CfgEditorDlg")); }
