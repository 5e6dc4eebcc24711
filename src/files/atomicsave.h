// The one way every file of the program is saved: a save that fails leaves the previous file
// exactly as it was, wherever the folder allows it.
#pragma once

#include <QByteArray>
#include <QString>

struct SaveResult {
    bool Ok = false;
    QString Error; // the system's reason why the file could not be written; empty on success
};

// Writes `bytes` into a temporary file beside `path` and puts it in the place of `path` only
// once all of it reached the disk. In a folder the user may not write, where no temporary
// file can stand, a file the user may write is written in place instead.
SaveResult SaveAtomically(const QString& path, const QByteArray& bytes);
