// The list of backups of units, newest first, to open one or restore it to the unit.
#pragma once

#include "ui/prompts.h"

#include <QDialog>

#include <optional>

class QLabel;
class QPushButton;
class QTableWidget;

class TBackupsDlg : public QDialog {
    Q_OBJECT
public:
    TBackupsDlg(const QString& folder, const QList<Prompts::BackupItem>& backups,
                QWidget* parent = nullptr);

    // Shows the list; what the user chose, or nothing when closed without a choice.
    std::optional<Prompts::BackupChoice> Choose();

private:
    void Choose(Prompts::BackupAction action);
    void UpdateButtons();

    QList<Prompts::BackupItem> backups_;
    std::optional<Prompts::BackupChoice> choice_;
    QLabel* FolderLabel = nullptr;
    QTableWidget* BackupTable = nullptr;
    QPushButton* OpenBtn = nullptr;
    QPushButton* RestoreBtn = nullptr;
    QPushButton* CloseBtn = nullptr;
};
