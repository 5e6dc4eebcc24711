// Field-by-field differences between two profiles, in the words and units the editors use.
#include "profile/profilecompare.h"

#include "profile/memorycommands.h"
#include "profile/memorymap.h"
#include "profile/proscript.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

namespace {

constexpr int PowerOffsetDb = 107;
constexpr std::uint32_t KHzPerMHz = 1000;

// The unit holds a BER threshold as a whole number of 10^-8, so two thresholds that write
// the same number are the same to it, however their single-precision values differ.
std::int64_t BerUnits(float ber) {
    const double units = std::round(static_cast<double>(ber) * 1.0E8);
    if (!(units > 0.0))
        return 0;
    constexpr double Most = static_cast<double>(std::numeric_limits<std::uint32_t>::max());
    return static_cast<std::int64_t>(units >= Most ? Most : units);
}

// The BER text of a value; two values that differ on the unit but share their "%1.2E" text
// show with all the digits the unit keeps, so the difference can be seen.
std::string BerPair(float ber, float other) {
    const std::string text = FieldText::Ber(ber);
    if (text != FieldText::Ber(other))
        return text;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%1.7E", static_cast<double>(BerUnits(ber)) * 1.0E-8);
    return buffer;
}

std::string PointBlock(int point) {
    return "point " + std::to_string(point + 1);
}

std::string MessageBlock(int slot) {
    return "message " + std::to_string(slot);
}

void CompareConfiguration(const EquipmentProfile& file, const EquipmentProfile& unit,
                          std::vector<FieldDifference>& out) {
    const std::string block = "configuration";
    if (file.AlarmMER() != unit.AlarmMER())
        out.push_back(
            {block, "MER alarm", FieldText::Mer(file.AlarmMER()), FieldText::Mer(unit.AlarmMER())});
    if (file.WarningMER() != unit.WarningMER())
        out.push_back({block, "MER warning", FieldText::Mer(file.WarningMER()),
                       FieldText::Mer(unit.WarningMER())});
    if (BerUnits(file.AlarmBER()) != BerUnits(unit.AlarmBER()))
        out.push_back({block, "BER alarm", BerPair(file.AlarmBER(), unit.AlarmBER()),
                       BerPair(unit.AlarmBER(), file.AlarmBER())});
    if (BerUnits(file.WarningBER()) != BerUnits(unit.WarningBER()))
        out.push_back({block, "BER warning", BerPair(file.WarningBER(), unit.WarningBER()),
                       BerPair(unit.WarningBER(), file.WarningBER())});
}

void ComparePoint(const EquipmentProfile& file, const EquipmentProfile& unit, int point,
                  std::vector<FieldDifference>& out) {
    const std::string block = PointBlock(point);
    if (file.Active(point) != unit.Active(point))
        out.push_back({block, "active", FieldText::Active(file.Active(point)),
                       FieldText::Active(unit.Active(point))});
    if (file.FrequencyKHz(point) != unit.FrequencyKHz(point))
        out.push_back({block, "frequency", FieldText::Frequency(file.FrequencyKHz(point)),
                       FieldText::Frequency(unit.FrequencyKHz(point))});
    // Only the low byte of a power threshold reaches the unit.
    if ((file.AlarmPower(point) & 0xFF) != (unit.AlarmPower(point) & 0xFF))
        out.push_back({block, "power alarm", FieldText::Power(file.AlarmPower(point)),
                       FieldText::Power(unit.AlarmPower(point))});
    if ((file.WarningPower(point) & 0xFF) != (unit.WarningPower(point) & 0xFF))
        out.push_back({block, "power warning", FieldText::Power(file.WarningPower(point)),
                       FieldText::Power(unit.WarningPower(point))});
    if (file.Number(point) != unit.Number(point))
        out.push_back({block, "number", std::to_string(file.Number(point)),
                       std::to_string(unit.Number(point))});
}

} // namespace

CompareScope CompareScope::Written() {
    CompareScope scope;
    scope.Configuration = true;
    scope.Points.fill(true);
    return scope;
}

CompareScope CompareScope::Block(std::uint16_t address) {
    CompareScope scope;
    const std::optional<MemoryMap::Block> block = MemoryMap::LocateBlock(address);
    if (!block)
        return scope;
    const auto index = static_cast<std::size_t>(block->Index);
    switch (block->Kind) {
    case MemoryMap::BlockKind::Configuration:
        scope.Configuration = true;
        break;
    case MemoryMap::BlockKind::Point:
        scope.Points[index] = true;
        break;
    case MemoryMap::BlockKind::Message:
        scope.Messages[index] = true;
        break;
    }
    return scope;
}

CompareScope CompareScope::OfScript(const ScriptLineList& lines) {
    CompareScope scope;
    for (const std::string& line : lines) {
        const ScriptLineClass parsed = ParseScriptLine(line);
        if (parsed.Kind == ScriptLineKind::Malformed)
            break;
        if (parsed.Kind != ScriptLineKind::DataLine)
            continue;
        const MemoryCommands::WrittenBlock block = MemoryCommands::DecodeWrite(parsed.Token);
        // Only a block the reader would apply counts: the right length at the right place.
        ScriptLineList one;
        EquipmentProfile probe(one);
        probe.ApplyDataBlock(block.Address, block.Data);
        if (!probe.ConfigurationLoaded() && !probe.PointsLoaded() && !probe.MessagesLoaded())
            continue;
        const CompareScope single = Block(block.Address);
        scope.Configuration = scope.Configuration || single.Configuration;
        for (int point = 0; point < EquipmentProfile::PointCount; ++point)
            scope.Points[point] = scope.Points[point] || single.Points[point];
        for (int slot = 0; slot < EquipmentProfile::MessageCount; ++slot)
            scope.Messages[slot] = scope.Messages[slot] || single.Messages[slot];
    }
    return scope;
}

bool CompareScope::Empty() const {
    for (bool point : Points)
        if (point)
            return false;
    for (bool message : Messages)
        if (message)
            return false;
    return !Configuration;
}

std::string FieldDifference::DescribeField() const {
    return Field + ": file " + FileValue + ", unit " + UnitValue;
}

std::string FieldDifference::Describe() const {
    if (Block == "configuration")
        return DescribeField();
    if (Field == "text")
        return Block + ": file " + FileValue + ", unit " + UnitValue;
    return Block + " " + DescribeField();
}

std::vector<FieldDifference> CompareProfiles(const EquipmentProfile& file,
                                             const EquipmentProfile& unit,
                                             const CompareScope& scope) {
    std::vector<FieldDifference> differences;
    if (scope.Configuration)
        CompareConfiguration(file, unit, differences);
    for (int point = 0; point < EquipmentProfile::PointCount; ++point)
        if (scope.Points[point])
            ComparePoint(file, unit, point, differences);
    for (int slot = 0; slot < EquipmentProfile::MessageCount; ++slot) {
        if (!scope.Messages[slot] || file.GetMessageText(slot) == unit.GetMessageText(slot))
            continue;
        differences.push_back({MessageBlock(slot), "text",
                               FieldText::Message(file.GetMessageText(slot)),
                               FieldText::Message(unit.GetMessageText(slot))});
    }
    return differences;
}

std::string BlockName(std::uint16_t address) {
    const CompareScope scope = CompareScope::Block(address);
    if (scope.Configuration)
        return "configuration";
    for (int point = 0; point < EquipmentProfile::PointCount; ++point)
        if (scope.Points[point])
            return PointBlock(point);
    for (int slot = 0; slot < EquipmentProfile::MessageCount; ++slot)
        if (scope.Messages[slot])
            return MessageBlock(slot);
    char name[16];
    std::snprintf(name, sizeof name, "block %04X", static_cast<unsigned>(address));
    return name;
}

namespace FieldText {

std::string Frequency(std::uint32_t frequencyKHz) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%03u MHz", static_cast<unsigned>(frequencyKHz / KHzPerMHz),
                  static_cast<unsigned>(frequencyKHz % KHzPerMHz));
    return text;
}

std::string Power(std::uint16_t stored) {
    return std::to_string(static_cast<int>(stored & 0xFF) - PowerOffsetDb) + " dBm";
}

std::string Mer(std::uint16_t mer) {
    return std::to_string(mer) + " dB";
}

std::string Ber(float ber) {
    char text[32];
    std::snprintf(text, sizeof text, "%1.2E", static_cast<double>(ber));
    return text;
}

std::string Active(std::uint8_t active) {
    if (active == 0)
        return "off";
    if (active == 1)
        return "on";
    return "on (" + std::to_string(active) + ")";
}

std::string Message(const std::string& text) {
    return "\"" + text + "\"";
}

} // namespace FieldText
