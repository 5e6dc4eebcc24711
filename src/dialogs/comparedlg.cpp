// The settings at hand beside a unit's, and the question before a send.
#include "dialogs/comparedlg.h"

#include "dialogs/dialogframe.h"
#include "ui/windowplacement.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { WhatColumn = 0, OursColumn = 1, UnitColumn = 2, ColumnCount = 3 };

// The two value columns in colours of their own, so a glance tells which side is which:
// the settings at hand in blue, the unit's in amber.
const QColor OursBackground(0xDD, 0xEB, 0xFF);
const QColor UnitBackground(0xFF, 0xEC, 0xCC);
constexpr int MostRowsShown = 14;

QTableWidgetItem* Cell(const QString& text, const QColor& background, bool bold) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (background.isValid())
        item->setBackground(background);
    if (bold) {
        QFont font = item->font();
        font.setBold(true);
        item->setFont(font);
    }
    return item;
}

} // namespace

TCompareDlg::TCompareDlg(const Prompts::Comparison& comparison, QWidget* parent)
    : QDialog(parent), question_(!comparison.Question.isEmpty()) {
    setObjectName(QStringLiteral("CompareDlg"));
    setWindowTitle(comparison.Caption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* layout = new QVBoxLayout(this);
    HeadingLabel = new QLabel(comparison.Heading, this);
    HeadingLabel->setObjectName(QStringLiteral("HeadingLabel"));
    HeadingLabel->setWordWrap(true);
    layout->addWidget(HeadingLabel);

    if (comparison.Rows.isEmpty()) {
        SameLabel = new QLabel(comparison.SameText, this);
        SameLabel->setObjectName(QStringLiteral("SameLabel"));
        QFont font = SameLabel->font();
        font.setBold(true);
        SameLabel->setFont(font);
        SameLabel->setWordWrap(true);
        layout->addWidget(SameLabel);
    } else {
        FillTable(comparison);
        layout->addWidget(DiffTable, 1);
    }

    QDialogButtonBox* buttons = nullptr;
    if (question_) {
        QuestionLabel = new QLabel(comparison.Question, this);
        QuestionLabel->setObjectName(QStringLiteral("QuestionLabel"));
        QFont font = QuestionLabel->font();
        font.setBold(true);
        QuestionLabel->setFont(font);
        layout->addWidget(QuestionLabel);
        buttons = new QDialogButtonBox(QDialogButtonBox::Yes | QDialogButtonBox::No, this);
        buttons->button(QDialogButtonBox::Yes)->setObjectName(QStringLiteral("YesBtn"));
        buttons->button(QDialogButtonBox::No)->setObjectName(QStringLiteral("NoBtn"));
        buttons->button(QDialogButtonBox::Yes)->setDefault(true);
        connect(buttons->button(QDialogButtonBox::Yes), &QPushButton::clicked, this,
                &QDialog::accept);
        connect(buttons->button(QDialogButtonBox::No), &QPushButton::clicked, this,
                &QDialog::reject);
    } else {
        buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
        buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("CloseBtn"));
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }
    layout->addWidget(buttons);
}

void TCompareDlg::FillTable(const Prompts::Comparison& comparison) {
    DiffTable = new QTableWidget(static_cast<int>(comparison.Rows.size()), ColumnCount, this);
    DiffTable->setObjectName(QStringLiteral("DiffTable"));
    DiffTable->setHorizontalHeaderLabels(
        {QStringLiteral("Setting"), comparison.OursTitle, QStringLiteral("Unit")});
    DiffTable->verticalHeader()->hide();
    DiffTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DiffTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    DiffTable->setWordWrap(false);
    // Nothing to edit or pick here: no cell takes the focus, Enter and Esc answer.
    DiffTable->setFocusPolicy(Qt::NoFocus);
    DiffTable->setSelectionMode(QAbstractItemView::NoSelection);
    DiffTable->verticalHeader()->setDefaultSectionSize(DiffTable->fontMetrics().height() + 8);
    DiffTable->horizontalHeaderItem(OursColumn)->setBackground(OursBackground);
    DiffTable->horizontalHeaderItem(UnitColumn)->setBackground(UnitBackground);
    for (int row = 0; row < comparison.Rows.size(); ++row) {
        const Prompts::DifferenceRow& difference = comparison.Rows[row];
        DiffTable->setItem(row, WhatColumn, Cell(difference.What, QColor(), false));
        DiffTable->setItem(row, OursColumn, Cell(difference.Ours, OursBackground, true));
        DiffTable->setItem(row, UnitColumn, Cell(difference.Unit, UnitBackground, true));
    }
    DiffTable->resizeColumnsToContents();
    QHeaderView* header = DiffTable->horizontalHeader();
    header->setStretchLastSection(true);
    header->setSectionResizeMode(OursColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(UnitColumn, QHeaderView::Stretch);

    // Tall enough for the rows up to a screenful, so a short list needs no scrolling.
    const int shown = std::min(DiffTable->rowCount(), MostRowsShown);
    const int height = header->height() +
                       shown * DiffTable->verticalHeader()->defaultSectionSize() +
                       2 * DiffTable->frameWidth() + 2;
    DiffTable->setMinimumHeight(height);
    DiffTable->setMinimumWidth(480);
}

Prompts::Answer TCompareDlg::Ask() {
    adjustSize();
    CentreOnScreen(*this);
    const int result = exec();
    if (!question_)
        return Prompts::Answer::Ok;
    return result == QDialog::Accepted ? Prompts::Answer::Yes : Prompts::Answer::No;
}
