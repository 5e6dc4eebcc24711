// Fuzz target for the offline check of a PRO file: whatever the text, the check gives one
// verdict per line, and the blocks it says are applied, applied alone to a fresh profile,
// give exactly the profile Open reads from the file.
#include "fuzzcheck.h"
#include "profile/equipmentprofile.h"
#include "profile/memorycommands.h"
#include "profile/profilecompare.h"
#include "profile/proscript.h"
#include "profile/scriptcheck.h"
#include "profilecompare.h"
#include "scriptlines.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::uint16_t ConfigurationAddress = 0x1F00;
constexpr std::uint16_t PointBase = 0x0400;
constexpr std::uint16_t PointStride = 32;
constexpr std::uint16_t MessageStride = 16;
constexpr int PointCount = EquipmentProfile::PointCount;
constexpr int MessageCount = EquipmentProfile::MessageCount;

bool OnlyBlanks(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos;
}

// The scope the applied blocks make, from the memory map alone.
struct AppliedScope {
    bool Configuration = false;
    bool Points[PointCount] = {};
    bool Messages[MessageCount] = {};

    void Add(std::uint16_t address) {
        if (address == ConfigurationAddress) {
            Configuration = true;
        } else if (address >= PointBase) {
            Points[(address - PointBase) / PointStride] = true;
        } else {
            Messages[address / MessageStride] = true;
        }
    }

    bool Matches(const CompareScope& scope) const {
        if (scope.Configuration != Configuration) {
            return false;
        }
        for (int point = 0; point < PointCount; ++point) {
            if (scope.Points[point] != Points[point]) {
                return false;
            }
        }
        for (int slot = 0; slot < MessageCount; ++slot) {
            if (scope.Messages[slot] != Messages[slot]) {
                return false;
            }
        }
        return true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const ScriptLineList lines = SplitLines(text);
    const std::vector<LineCheck> checks = CheckScript(lines);
    Require(checks.size() == lines.size(), "one verdict per line");

    ScriptLineList readLines = lines;
    EquipmentProfile read(readLines);
    read.ReadScript();

    ScriptLineList noLines;
    EquipmentProfile applied(noLines);
    // Open starts from the defaults, with no block loaded.
    applied.LoadDefaultMessages();
    applied.LoadDefaultConfiguration();
    applied.LoadDefaultPoints();
    AppliedScope scope;
    bool stopped = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const LineCheck& check = checks[i];
        Require(check.Number == static_cast<int>(i) + 1, "lines are numbered from 1");
        Require(!check.Text.empty(), "every verdict has its words");
        Require(check.Problem() == (check.Verdict == LineVerdict::Skipped ||
                                    check.Verdict == LineVerdict::Malformed),
                "only skipped and malformed lines are problems");
        if (stopped) {
            Require(check.Verdict == LineVerdict::NotRead,
                    "nothing is read after a malformed line");
            continue;
        }
        Require(check.Verdict != LineVerdict::NotRead, "lines above the stop are read");
        // A line alone gets the verdict it gets among the others.
        Require(CheckScript({line}).front().Verdict == check.Verdict,
                "a line's verdict depends on the line alone");
        const ScriptLineClass parsed = ParseScriptLine(line);
        switch (check.Verdict) {
        case LineVerdict::Blank:
            Require(OnlyBlanks(line), "a blank line holds only blanks");
            Require(parsed.Kind == ScriptLineKind::Ignored, "the reader passes over a blank line");
            break;
        case LineVerdict::Comment:
            Require(line[line.find_first_not_of(" \t")] == '#', "a comment starts with #");
            Require(parsed.Kind == ScriptLineKind::Ignored, "the reader passes over a comment");
            break;
        case LineVerdict::Ignored:
            Require(!OnlyBlanks(line), "an ignored line is not blank");
            Require(parsed.Kind == ScriptLineKind::Ignored, "the reader passes over it too");
            break;
        case LineVerdict::Malformed:
            Require(parsed.Kind == ScriptLineKind::Malformed, "the reader stops there too");
            stopped = true;
            break;
        case LineVerdict::Applied:
        case LineVerdict::Skipped: {
            Require(parsed.Kind == ScriptLineKind::DataLine, "only a data line carries a block");
            const MemoryCommands::WrittenBlock block = MemoryCommands::DecodeWrite(parsed.Token);
            const EquipmentProfile before = applied;
            applied.ApplyDataBlock(block.Address, block.Data);
            if (check.Verdict == LineVerdict::Skipped) {
                Require(SameProfile(applied, before), "a skipped block changes nothing");
            } else {
                Require(check.Text == "data block applied to " + BlockName(block.Address),
                        "an applied block names where it goes");
                Require(!CompareScope::Block(block.Address).Empty(),
                        "an applied block is a block of the memory map");
                scope.Add(block.Address);
            }
            break;
        }
        case LineVerdict::NotRead:
            break;
        }
    }
    // The promise the check makes to the user: what it lists as applied is what Open does.
    Require(SameProfile(applied, read), "the applied blocks make the profile Open reads");
    Require(scope.Matches(CompareScope::OfScript(lines)),
            "the blocks a comparison looks at are the applied ones");
    return 0;
}
