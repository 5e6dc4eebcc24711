// The list of backups of units, newest first, to open one or restore it to the unit.
#include "dialogs/backupsdlg.h"

#include "dialogs/dialogframe.h"
#include "ui/windowplacement.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { TakenColumn = 0, ModelColumn, PortColumn, FileColumn, ColumnCount };
constexpr int MostRowsShown = 12;

QTableWidgetItem* Cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

TBackupsDlg::TBackupsDlg(const QString& folder, const QList<Prompts::BackupItem>& backups,
                         QWidget* parent)
    : QDialog(parent), backups_(backups) {
    setObjectName(QStringLiteral("BackupsDlg"));
    setWindowTitle(QStringLiteral("Backups"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);

    const QString where = QDir::toNativeSeparators(folder);
    FolderLabel = new QLabel(
        backups_.isEmpty()
            ? QStringLiteral("No backups yet in %1.\nSend and verify saves one before it sends.")
                  .arg(where)
            : QStringLiteral("Backups in %1, newest first:").arg(where),
        this);
    FolderLabel->setObjectName(QStringLiteral("FolderLabel"));
    FolderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(FolderLabel);

    BackupTable = new QTableWidget(static_cast<int>(backups_.size()), ColumnCount, this);
    BackupTable->setObjectName(QStringLiteral("BackupTable"));
    BackupTable->setHorizontalHeaderLabels({QStringLiteral("Taken"), QStringLiteral("Model"),
                                            QStringLiteral("Port"), QStringLiteral("File")});
    BackupTable->verticalHeader()->hide();
    BackupTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    BackupTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    BackupTable->setSelectionMode(QAbstractItemView::SingleSelection);
    BackupTable->setAlternatingRowColors(true);
    BackupTable->setWordWrap(false);
    for (int row = 0; row < backups_.size(); ++row) {
        const Prompts::BackupItem& backup = backups_[row];
        BackupTable->setItem(row, TakenColumn, Cell(backup.Taken));
        BackupTable->setItem(row, ModelColumn, Cell(backup.Model));
        BackupTable->setItem(row, PortColumn, Cell(backup.PortName));
        BackupTable->setItem(row, FileColumn, Cell(QFileInfo(backup.Path).fileName()));
    }
    BackupTable->resizeColumnsToContents();
    BackupTable->horizontalHeader()->setStretchLastSection(true);
    const int shown = std::clamp(static_cast<int>(backups_.size()), 3, MostRowsShown);
    BackupTable->setMinimumHeight(BackupTable->horizontalHeader()->sizeHint().height() +
                                  shown * BackupTable->verticalHeader()->defaultSectionSize() +
                                  2 * BackupTable->frameWidth() + 2);
    BackupTable->setMinimumWidth(600);
    BackupTable->setVisible(!backups_.isEmpty());
    layout->addWidget(BackupTable, 1);

    OpenBtn = new QPushButton(QStringLiteral("&Open"), this);
    OpenBtn->setObjectName(QStringLiteral("OpenBtn"));
    OpenBtn->setToolTip(QStringLiteral("Load the backup as the document, as File > Open does"));
    RestoreBtn = new QPushButton(QStringLiteral("&Restore to unit"), this);
    RestoreBtn->setObjectName(QStringLiteral("RestoreBtn"));
    RestoreBtn->setToolTip(QStringLiteral("Send and verify the backup to the unit"));
    CloseBtn = new QPushButton(QStringLiteral("Close"), this);
    CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
    OpenBtn->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addWidget(OpenBtn);
    row->addWidget(RestoreBtn);
    row->addStretch(1);
    row->addWidget(CloseBtn);
    layout->addLayout(row);

    connect(OpenBtn, &QPushButton::clicked, this, [this] { Choose(Prompts::BackupAction::Open); });
    connect(RestoreBtn, &QPushButton::clicked, this,
            [this] { Choose(Prompts::BackupAction::Restore); });
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(BackupTable, &QTableWidget::cellDoubleClicked, this,
            [this] { Choose(Prompts::BackupAction::Open); });
    connect(BackupTable, &QTableWidget::itemSelectionChanged, this, &TBackupsDlg::UpdateButtons);
    if (!backups_.isEmpty())
        BackupTable->selectRow(0);
    UpdateButtons();
}

void TBackupsDlg::UpdateButtons() {
    const bool chosen = !BackupTable->selectionModel()->selectedRows().isEmpty();
    OpenBtn->setEnabled(chosen);
    RestoreBtn->setEnabled(chosen);
}

void TBackupsDlg::Choose(Prompts::BackupAction action) {
    const QModelIndexList rows = BackupTable->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    choice_ = Prompts::BackupChoice{action, backups_[rows.front().row()].Path};
    accept();
}

std::optional<Prompts::BackupChoice> TBackupsDlg::Choose() {
    choice_.reset();
    adjustSize();
    CentreOnScreen(*this);
    exec();
    return choice_;
}
