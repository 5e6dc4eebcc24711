// Placeholder for the tools editor.
#pragma once

#include <QMainWindow>

class Prompts;

class TScratchPad : public QMainWindow {
    Q_OBJECT
public:
    explicit TScratchPad(Prompts& prompts, QWidget* parent = nullptr);
};
