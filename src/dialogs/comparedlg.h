// The settings at hand beside a unit's: one row per setting that differs, and the question
// before a send.
#pragma once

#include "ui/prompts.h"

#include <QDialog>

class QLabel;
class QTableWidget;

class TCompareDlg : public QDialog {
    Q_OBJECT
public:
    explicit TCompareDlg(const Prompts::Comparison& comparison, QWidget* parent = nullptr);

    // Yes or No for a question (closing answers No), Ok for a notice.
    Prompts::Answer Ask();

private:
    void FillTable(const Prompts::Comparison& comparison);

    bool question_;
    QLabel* HeadingLabel = nullptr;
    QTableWidget* DiffTable = nullptr;
    QLabel* SameLabel = nullptr;
    QLabel* QuestionLabel = nullptr;
};
