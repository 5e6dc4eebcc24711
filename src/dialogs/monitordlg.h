// Placeholder for the remote control monitor.
#pragma once

#include <QDialog>
class Prompts;
class TMonitorDlg : public QDialog {
    Q_OBJECT
public:
    TMonitorDlg(Prompts& prompts, QWidget* parent = nullptr);
};
