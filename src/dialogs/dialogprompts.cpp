// The program's prompts, with its own comparison and backups windows.
#include "dialogs/dialogprompts.h"

#include "dialogs/backupsdlg.h"
#include "dialogs/comparedlg.h"

Prompts::Answer DialogPrompts::ShowComparison(const Comparison& comparison) {
    TCompareDlg dialog(comparison, Parent());
    return dialog.Ask();
}

std::optional<Prompts::BackupChoice> DialogPrompts::ChooseBackup(const QString& folder,
                                                                 const QList<BackupItem>& backups) {
    TBackupsDlg dialog(folder, backups, Parent());
    return dialog.Choose();
}
