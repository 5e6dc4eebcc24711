// Placeholder for the detection points editor.
#include "dialogs/detpointsdlg.h"

TDetPointsDlg::TDetPointsDlg(EquipmentProfile&, std::function<void()>, Prompts&, QWidget* parent) : QDialog(parent) { setObjectName(QStringLiteral("DetPointsDlg")); }
