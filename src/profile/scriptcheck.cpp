// What each line of a PRO file does when the file is read: the offline check of a file.
#include "profile/scriptcheck.h"

#include "profile/memorycommands.h"
#include "profile/memorymap.h"
#include "profile/profilecompare.h"
#include "profile/proscript.h"

#include <cstdio>
#include <optional>

namespace {

std::string AddressText(std::uint16_t address) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(address));
    return text;
}

// The data digits a block at `address` needs; 0 when the address is no block of the map.
std::size_t NeededDigits(std::uint16_t address) {
    const std::optional<MemoryMap::Block> block = MemoryMap::LocateBlock(address);
    return block ? static_cast<std::size_t>(block->DataDigits) : 0;
}

LineCheck CheckDataLine(const std::string& token) {
    const MemoryCommands::WrittenBlock block = MemoryCommands::DecodeWrite(token);
    const std::size_t needed = NeededDigits(block.Address);
    if (needed == 0)
        return {0, LineVerdict::Skipped,
                "data block skipped: address " + AddressText(block.Address) +
                    " is no block of the unit's memory"};
    if (block.Data.size() < needed)
        return {0, LineVerdict::Skipped,
                "data block skipped: " + BlockName(block.Address) + " needs " +
                    std::to_string(needed) + " data digits, the line has " +
                    std::to_string(block.Data.size())};
    return {0, LineVerdict::Applied, "data block applied to " + BlockName(block.Address)};
}

} // namespace

std::vector<LineCheck> CheckScript(const ScriptLineList& lines) {
    std::vector<LineCheck> checks;
    bool stopped = false;
    for (const std::string& line : lines) {
        LineCheck check;
        const std::size_t first = line.find_first_not_of(" \t");
        const ScriptLineClass parsed = ParseScriptLine(line);
        if (stopped) {
            check = {0, LineVerdict::NotRead, "not read: reading stopped above"};
        } else if (first == std::string::npos) {
            check = {0, LineVerdict::Blank, "blank"};
        } else if (line[first] == ProScript::CommentMark) {
            check = {0, LineVerdict::Comment, "comment"};
        } else if (parsed.Kind == ScriptLineKind::Malformed) {
            check = {0, LineVerdict::Malformed,
                     "malformed: \"send\" without a data block, reading stops here"};
            stopped = true;
        } else if (parsed.Kind == ScriptLineKind::Ignored) {
            check = {0, LineVerdict::Ignored, "ignored"};
        } else {
            check = CheckDataLine(parsed.Token);
        }
        check.Number = static_cast<int>(checks.size()) + 1;
        checks.push_back(check);
    }
    return checks;
}
