// Placeholder for the remote control monitor.
#include "dialogs/monitordlg.h"

TMonitorDlg::TMonitorDlg(Prompts&, QWidget* parent) : QDialog(parent) { setObjectName(QStringLiteral("MonitorDlg")); }
