// The lines of a file as the program reads them, for the fuzz targets that start from text.
#pragma once

#include "profile/equipmentprofile.h"

#include <string>
#include <string_view>

// CR LF, LF alone and CR alone each end a line; a last line without an end still counts.
inline ScriptLineList SplitLines(std::string_view text) {
    ScriptLineList lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            line.push_back(c);
            continue;
        }
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
        }
        lines.push_back(line);
        line.clear();
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}
