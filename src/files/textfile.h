// Whole text files as lists of lines: any line end is read, CR LF is written, and a write
// that fails leaves the previous file exactly as it was.
#pragma once

#include "profile/equipmentprofile.h"

#include <QString>

#include <string_view>

struct TextFileResult {
    bool Ok = false;
    QString Error; // why the file could not be read or written; empty on success
};

// Splits text into lines: CR LF, LF alone and CR alone each end a line, and a last line
// without an end still counts. The line ends are not kept.
ScriptLineList SplitLines(std::string_view text);

// Reads the whole file into `lines`; on failure `lines` is left untouched.
TextFileResult ReadTextLines(const QString& path, ScriptLineList& lines);

// Writes each line followed by CR LF through the atomic save (see SaveAtomically).
TextFileResult WriteTextLines(const QString& path, const ScriptLineList& lines);
