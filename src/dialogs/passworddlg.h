// Placeholder for the service password dialog.
#pragma once

#include <QDialog>

class TPasswordDlg : public QDialog {
    Q_OBJECT
public:
    TPasswordDlg(QWidget* parent = nullptr);
};
