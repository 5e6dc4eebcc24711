// The program's prompts: Qt's message boxes and file dialogs, and the program's own
// comparison and backups windows.
#pragma once

#include "ui/prompts.h"

class DialogPrompts : public QtPrompts {
public:
    using QtPrompts::QtPrompts;

    Answer ShowComparison(const Comparison& comparison) override;
    std::optional<BackupChoice> ChooseBackup(const QString& folder,
                                             const QList<BackupItem>& backups) override;
};
