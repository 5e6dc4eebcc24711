// The backups of units' settings on disk: saving one before a send, and listing them.
#pragma once

#include "link/backup.h"
#include "profile/equipmentprofile.h"

#include <QDateTime>
#include <QList>
#include <QString>

// The backup folder of this user: under $XDG_DATA_HOME, or ~/.local/share without it.
QString UserBackupFolder();

// The local date and time now, as backup names take it.
LocalDateTime LocalNow();

struct BackupSaveResult {
    bool Ok = false;
    QString Path;  // the file written, or the one that could not be
    QString Error; // why nothing was saved; empty on success
};

// Writes `unit` as a PRO file named after the unit's model, port and `time` in `folder`,
// making the folder when needed. A name an earlier backup of the same second holds gets
// "-2", "-3" ... so no backup is ever replaced. `now` is the "created at" text. The PRO
// text goes into `unitLines`, which the profile is bound to from then on.
BackupSaveResult SaveBackup(const QString& folder, EquipmentProfile& unit,
                            ScriptLineList& unitLines, const std::string& model,
                            const std::string& portName, const LocalDateTime& time,
                            const std::string& now);

struct BackupEntry {
    QString Path;
    QString Model;
    QString PortName;
    QDateTime Taken; // local time
};

// The backups in `folder`, newest first; files whose names no backup has are left out.
QList<BackupEntry> ListBackups(const QString& folder);
