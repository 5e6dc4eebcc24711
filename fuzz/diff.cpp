// Fuzz target for the comparison of two profiles: the input is two PRO texts, split at the
// first zero byte. Whatever they hold, the comparison of what a written file carries is
// empty exactly when the two profiles write the same data lines, and comparing the other
// way round names the same fields with the values swapped.
#include "fuzzcheck.h"
#include "profile/equipmentprofile.h"
#include "profile/profilecompare.h"
#include "profile/proscript.h"
#include "profilecompare.h"
#include "scriptlines.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The data lines a profile writes: what a written file carries to the unit.
ScriptLineList WrittenDataLines(EquipmentProfile profile) {
    ScriptLineList written;
    profile.WriteScript(written, "A.PRO", "01/01/2026 00:00:00");
    ScriptLineList data;
    for (const std::string& line : written) {
        if (ParseScriptLine(line).Kind == ScriptLineKind::DataLine) {
            // Without the point comment after the block.
            data.push_back(ParseScriptLine(line).Token);
        }
    }
    return data;
}

bool Within(const FieldDifference& difference, const CompareScope& scope) {
    if (difference.Block == "configuration") {
        return scope.Configuration;
    }
    for (int point = 0; point < EquipmentProfile::PointCount; ++point) {
        if (difference.Block == "point " + std::to_string(point + 1)) {
            return scope.Points[point];
        }
    }
    for (int slot = 0; slot < EquipmentProfile::MessageCount; ++slot) {
        if (difference.Block == "message " + std::to_string(slot)) {
            return scope.Messages[slot];
        }
    }
    return false;
}

void CheckSymmetry(const std::vector<FieldDifference>& forward,
                   const std::vector<FieldDifference>& backward) {
    Require(forward.size() == backward.size(), "both ways find as many differences");
    for (std::size_t i = 0; i < forward.size() && i < backward.size(); ++i) {
        Require(forward[i].Block == backward[i].Block && forward[i].Field == backward[i].Field,
                "both ways name the same fields in the same order");
        Require(forward[i].FileValue == backward[i].UnitValue &&
                    forward[i].UnitValue == backward[i].FileValue,
                "the other way round swaps the values");
    }
}

void CheckDescriptions(const std::vector<FieldDifference>& differences) {
    for (const FieldDifference& difference : differences) {
        Require(difference.FileValue != difference.UnitValue,
                "a difference shows two different values");
        const std::string described = difference.Describe();
        Require(described.find(difference.FileValue) != std::string::npos &&
                    described.find(difference.UnitValue) != std::string::npos,
                "a difference's line shows both values");
        Require(described.ends_with(": file " + difference.FileValue + ", unit " +
                                    difference.UnitValue),
                "the line ends with the two values");
        Require(difference.Block == "configuration" || described.starts_with(difference.Block),
                "a point's or message's line starts with its block");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const std::size_t split = text.find('\0');
    const std::string_view first = text.substr(0, split);
    const std::string_view second = split == std::string_view::npos ? text : text.substr(split + 1);

    ScriptLineList linesA = SplitLines(first);
    ScriptLineList linesB = SplitLines(second);
    EquipmentProfile a(linesA);
    a.ReadScript();
    EquipmentProfile b(linesB);
    b.ReadScript();

    const std::vector<FieldDifference> forward = CompareProfiles(a, b);
    const std::vector<FieldDifference> backward = CompareProfiles(b, a);
    Require(CompareProfiles(a, a).empty() && CompareProfiles(b, b).empty(),
            "a profile does not differ from itself");
    CheckSymmetry(forward, backward);
    CheckDescriptions(forward);
    Require(forward.empty() == (WrittenDataLines(a) == WrittenDataLines(b)),
            "no difference exactly when the written blocks are equal");

    // A file's own scope: only its blocks are compared, in the same order as everywhere.
    const CompareScope scope = CompareScope::OfScript(linesA);
    const std::vector<FieldDifference> scoped = CompareProfiles(a, b, scope);
    const std::vector<FieldDifference> scopedBack = CompareProfiles(b, a, scope);
    CheckSymmetry(scoped, scopedBack);
    CheckDescriptions(scoped);
    for (const FieldDifference& difference : scoped) {
        Require(Within(difference, scope), "a scoped comparison stays in its blocks");
    }
    CompareScope all;
    all.Configuration = true;
    all.Points.fill(true);
    all.Messages.fill(true);
    const std::vector<FieldDifference> everything = CompareProfiles(a, b, all);
    std::size_t next = 0;
    for (const FieldDifference& difference : scoped) {
        while (next < everything.size() && (everything[next].Block != difference.Block ||
                                            everything[next].Field != difference.Field)) {
            ++next;
        }
        Require(next < everything.size(), "a scoped difference is one of all the differences");
        ++next;
    }
    for (const FieldDifference& difference : everything) {
        if (Within(difference, scope)) {
            bool listed = false;
            for (const FieldDifference& kept : scoped) {
                listed =
                    listed || (kept.Block == difference.Block && kept.Field == difference.Field);
            }
            Require(listed, "every difference inside the scope is listed");
        }
    }
    return 0;
}
