// Placeholder for the about box.
#pragma once

#include <QDialog>

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    TAboutBox(QWidget* parent = nullptr);
};
