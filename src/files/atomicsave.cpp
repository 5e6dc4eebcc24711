// The one way every file of the program is saved.
#include "files/atomicsave.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>

SaveResult SaveAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    // A file in a shared service folder, or on a mount whose folders are read-only, can
    // still be written by its user: there the old text cannot be kept, but refusing would
    // leave no way to save at all (and RIVAN.LOG is written on every close).
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString()};
    // The save file keeps its tail in a buffer, and a tail that fails to reach the disk (a
    // full disk, a size limit) does not stop it from replacing the old file: push the tail
    // out and check before the old file is given up.
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString error =
            errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString();
        file.cancelWriting();
        return {false, error};
    }
    if (!file.commit())
        return {false, file.errorString()};
    return {true, {}};
}
