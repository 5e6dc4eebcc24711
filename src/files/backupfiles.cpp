// The backups of units' settings on disk: saving one before a send, and listing them.
#include "files/backupfiles.h"

#include "files/codepage.h"

#include "files/textfile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

// A backup name that no earlier backup already has.
QString FreeBackupPath(const QString& folder, const QString& name) {
    QString path = QDir(folder).filePath(name);
    const QString stem = path.chopped(4);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + QStringLiteral("-%1.PRO").arg(n);
    return path;
}

} // namespace

QString UserBackupFolder() {
    return QString::fromStdString(BackupFolder(qEnvironmentVariable("XDG_DATA_HOME").toStdString(),
                                               QDir::homePath().toStdString()));
}

LocalDateTime LocalNow() {
    const QDateTime now = QDateTime::currentDateTime();
    return {now.date().year(), now.date().month(),  now.date().day(),
            now.time().hour(), now.time().minute(), now.time().second()};
}

BackupSaveResult SaveBackup(const QString& folder, EquipmentProfile& unit,
                            ScriptLineList& unitLines, const std::string& model,
                            const std::string& portName, const LocalDateTime& time,
                            const std::string& now) {
    BackupSaveResult result;
    const QString name = FromCodePage(BackupFileName(model, portName, time));
    result.Path = QDir(folder).filePath(name);
    if (!QDir().mkpath(folder)) {
        result.Error = QStringLiteral("cannot make the backup folder \"%1\"").arg(folder);
        return result;
    }
    result.Path = FreeBackupPath(folder, name);
    unit.WriteScript(unitLines, ToCodePage(result.Path), now);
    const TextFileResult written = WriteTextLines(result.Path, unitLines);
    result.Ok = written.Ok;
    result.Error = written.Error;
    return result;
}

QList<BackupEntry> ListBackups(const QString& folder) {
    QList<BackupEntry> entries;
    const QDir dir(folder);
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files, QDir::Name)) {
        const std::optional<BackupNameParts> parts =
            ParseBackupFileName(file.fileName().toStdString());
        if (!parts)
            continue;
        const LocalDateTime& t = parts->Time;
        entries.append(
            {file.absoluteFilePath(), QString::fromStdString(parts->Model),
             QString::fromStdString(parts->PortName),
             QDateTime(QDate(t.Year, t.Month, t.Day), QTime(t.Hour, t.Minute, t.Second))});
    }
    // Newest first; backups of the same second by their "-2", "-3" ... last taken first.
    std::stable_sort(
        entries.begin(), entries.end(), [](const BackupEntry& a, const BackupEntry& b) {
            if (a.Taken != b.Taken)
                return a.Taken > b.Taken;
            return QFileInfo(a.Path).fileName().size() > QFileInfo(b.Path).fileName().size() ||
                   (QFileInfo(a.Path).fileName().size() == QFileInfo(b.Path).fileName().size() &&
                    a.Path > b.Path);
        });
    return entries;
}
