// Texts that several windows show in their message boxes.
#pragma once

#include <QString>

namespace Captions {

// The caption of the box that reports a command which failed.
inline const QString Error = QStringLiteral("RIVAN error");
// The question asked before a changed file is replaced or left.
inline const QString SaveChangesQuestion =
    QStringLiteral("The current file has been modified. Save changes?");

} // namespace Captions
