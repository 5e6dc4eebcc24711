// What each line of a PRO file does when the file is read: the offline check of a file.
#pragma once

#include "profile/equipmentprofile.h"

#include <string>
#include <vector>

enum class LineVerdict {
    Blank,     // nothing on it
    Comment,   // a "#" comment
    Ignored,   // not a "send" command, or a "send" whose argument is no data block
    Applied,   // a data block the reader stores
    Skipped,   // a data block the reader leaves aside (address or length)
    Malformed, // a "send" without a usable argument: reading stops here
    NotRead,   // after a malformed line
};

struct LineCheck {
    int Number = 0; // counted from 1
    LineVerdict Verdict = LineVerdict::Blank;
    // "comment", "data block applied to point 3", "data block skipped: address 0410 is no
    // block of the unit's memory", "malformed: reading stops here", ...
    std::string Text;
    bool Problem() const {
        return Verdict == LineVerdict::Skipped || Verdict == LineVerdict::Malformed;
    }
};

// Classifies every line of a file as reading it would, in order.
std::vector<LineCheck> CheckScript(const ScriptLineList& lines);
