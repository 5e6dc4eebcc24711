// Field-by-field differences between two profiles, in the words and units the editors use.
#pragma once

#include "profile/equipmentprofile.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Which blocks of a profile take part in a comparison.
struct CompareScope {
    bool Configuration = false;
    std::array<bool, EquipmentProfile::PointCount> Points{};
    std::array<bool, EquipmentProfile::MessageCount> Messages{};

    // The blocks a PRO file written by the program carries: the configuration and the six
    // detection points (messages are never written).
    static CompareScope Written();
    // The one block at `address`; nothing for an address outside the memory map.
    static CompareScope Block(std::uint16_t address);
    // The blocks the data lines of `lines` set, up to the first malformed line, as reading
    // the file applies them.
    static CompareScope OfScript(const ScriptLineList& lines);

    bool Empty() const;
};

// One field whose values differ. Points are named as the editors name their channels,
// "point 1" to "point 6"; messages by their slot, "message 0" to "message 31".
struct FieldDifference {
    std::string Block;     // "configuration", "point 3", "message 5"
    std::string Field;     // "MER alarm", "frequency", "text"
    std::string FileValue; // as the editors show it: "650.000 MHz", "22 dB", "1.00E-05"
    std::string UnitValue;

    // "MER alarm: file 22 dB, unit 30 dB", "point 3 frequency: file 650.000 MHz, unit ...".
    std::string Describe() const;
    // The field and values without the block: "frequency: file 650.000 MHz, unit ...".
    std::string DescribeField() const;
};

// The differences of `file` against `unit` in the blocks of `scope`, in block order:
// configuration, points, messages.
std::vector<FieldDifference> CompareProfiles(const EquipmentProfile& file,
                                             const EquipmentProfile& unit,
                                             const CompareScope& scope = CompareScope::Written());

// The name of the block at `address` as differences name it ("configuration", "point 3",
// "message 5"), or "block 0410" for an address outside the memory map.
std::string BlockName(std::uint16_t address);

// Field texts as the editors and the differences show them.
namespace FieldText {
std::string Frequency(std::uint32_t frequencyKHz); // "650.000 MHz": every kHz shows
std::string Power(std::uint16_t stored);           // stored dBm + 107, shown "-37 dBm"
std::string Mer(std::uint16_t mer);                // "22 dB"
std::string Ber(float ber);                        // "%1.2E": "1.00E-05"
std::string Active(std::uint8_t active);           // "on", "off" ("on (2)" for odd values)
std::string Message(const std::string& text);      // the text in double quotes
} // namespace FieldText
