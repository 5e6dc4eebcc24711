// Fuzz target for the readers of the unit's replies: whatever bytes come back, each reader
// keeps its promises, and a block reply for any of the 39 blocks leaves a sound profile.
#include "fuzzcheck.h"
#include "link/protocol.h"
#include "profile/equipmentprofile.h"
#include "profile/hexfields.h"
#include "profile/memorymap.h"
#include "profilecompare.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t ModelNameLength = 16;
constexpr std::size_t BlockHeaderLength = 4;
constexpr std::size_t FrequencyLength = 9;
constexpr std::uint16_t MaxByte = 0xFF;
constexpr std::uint32_t MaxFrequencyKHz = 4294967;
constexpr std::size_t MessageLength = EquipmentProfile::MessageLength;
// The unit's hex fields hold at most 32 bits: eight digits.
constexpr int MaxHexDigits = 8;
// A power reply holds at most 8 characters of a number: its magnitude stays below 10^8
// hundredths of a dB.
constexpr double PowerLimit = 1.0E8 * 0.01 + 107.0;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// True when `part` lies inside `whole`'s memory.
bool Inside(std::string_view part, std::string_view whole) {
    return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

// The data digits each block brings, straight from the memory map; 0 outside it.
std::size_t ExpectedDigits(std::uint16_t address) {
    if (address == MemoryMap::ConfigurationAddress) {
        return 24;
    }
    if (address < MemoryMap::MessageEnd && address % MemoryMap::MessageStride == 0) {
        return 32;
    }
    if (address >= MemoryMap::PointBase &&
        address < MemoryMap::PointBase + MemoryMap::PointStride * MemoryMap::PointCount &&
        (address - MemoryMap::PointBase) % MemoryMap::PointStride == 0) {
        return 16;
    }
    return 0;
}

// The 32 messages, the 6 detection points and the configuration.
std::vector<std::uint16_t> AllBlocks() {
    std::vector<std::uint16_t> blocks;
    for (int slot = 0; slot < MemoryMap::MessageCount; ++slot) {
        blocks.push_back(MemoryMap::MessageAddress(slot));
    }
    for (int point = 0; point < MemoryMap::PointCount; ++point) {
        blocks.push_back(MemoryMap::PointAddress(point));
    }
    blocks.push_back(MemoryMap::ConfigurationAddress);
    return blocks;
}

void CheckModelName(std::string_view reply) {
    const std::optional<std::string> name = Protocol::ReadModelName(reply);
    Require(name.has_value() == (reply.find('*') != std::string_view::npos),
            "a reply with a star has a name, one without has none");
    if (!name) {
        return;
    }
    Require(name->size() <= ModelNameLength, "a model name holds at most 16 characters");
    Require(name->find(' ') == std::string::npos, "a model name holds no blank");
    Require(UpperAscii(*name) == *name, "a model name is upper case");
    Require(UpperAscii(reply).find(*name) != std::string::npos,
            "a model name comes from the reply");
}

void CheckVersion(std::string_view reply) {
    const std::optional<float> version = Protocol::ReadVersion(reply);
    Require(version.has_value() == (reply.find_first_of("0123456789") != std::string_view::npos),
            "a reply with a digit has a version, one without has none");
    if (!version) {
        return;
    }
    Require(std::isfinite(*version) && *version >= 0.0f, "a version is a finite number >= 0");
}

// The memory map knows a block exactly where the map gives one, with its digits.
void CheckBlockLocation(std::uint16_t address) {
    const std::optional<MemoryMap::Block> block = MemoryMap::LocateBlock(address);
    const std::size_t needed = ExpectedDigits(address);
    Require(block.has_value() == (needed != 0), "a block starts only where the map gives one");
    if (!block) {
        return;
    }
    Require(block->DataDigits == static_cast<int>(needed),
            "a block brings the digits the memory map gives it");
}

void CheckHexDigits(std::string_view text, int count) {
    const std::size_t maxDigits = count <= 0 ? 0 : static_cast<std::size_t>(count);
    const std::uint32_t value = HexFields::LeadingHexValue(text, maxDigits);
    // The leading hex digits it may read, read again by the standard library.
    std::size_t digits = 0;
    const std::size_t limit =
        count <= 0 ? 0 : static_cast<std::size_t>(std::min(count, MaxHexDigits));
    while (digits < limit && digits < text.size() && IsHexDigit(text[digits])) {
        ++digits;
    }
    std::uint32_t expected = 0;
    if (digits > 0) {
        std::from_chars(text.data(), text.data() + digits, expected, 16);
    }
    Require(value == expected, "hex digits read as the standard library reads them");
}

void CheckRegister(std::string_view reply) {
    const Protocol::RegisterReading reading = Protocol::ReadRegisterReply(reply);
    Require(reading.Active == (reply.size() >= 8 && reply.substr(6, 2) == "01"),
            "a channel is active exactly when positions 7 and 8 read 01");
    Require(reading.Frequency.size() <= FrequencyLength, "a frequency holds at most 9 characters");
    Require(reading.Frequency == (reply.size() > 8 ? reply.substr(8, FrequencyLength) : ""),
            "a frequency is positions 9 to 17 of the reply");
}

void CheckStatus(std::string_view reply) {
    const Protocol::StatusMasks masks = Protocol::ReadStatusReply(reply);
    Require(masks.Active <= MaxByte && masks.Alarm <= MaxByte && masks.Warning <= MaxByte,
            "each status mask fits in a byte");
}

// "-47.00", " 5.10": an optional minus, digits, a full stop and two decimals, blanks in front
// up to five characters.
bool IsFormattedPower(std::string_view text) {
    if (text.size() < 5) {
        return false;
    }
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos || (start > 0 && text.size() != 5)) {
        return false;
    }
    std::string_view number = text.substr(start);
    if (number.starts_with('-')) {
        number.remove_prefix(1);
    }
    const std::size_t point = number.find('.');
    if (point == std::string_view::npos || point == 0 || number.size() != point + 3) {
        return false;
    }
    for (std::size_t i = 0; i < number.size(); ++i) {
        if (i != point && !IsDigit(number[i])) {
            return false;
        }
    }
    return true;
}

void CheckFormattedPower(double dBm) {
    const std::string text = Protocol::FormatPower(dBm);
    Require(IsFormattedPower(text), "a power shows as a number with two decimals");
    double back = 0.0;
    const std::size_t start = text.find_first_not_of(' ');
    std::from_chars(text.data() + start, text.data() + text.size(), back);
    Require(std::fabs(back - dBm) <= 0.005 + std::fabs(dBm) * 1.0E-12,
            "a shown power is the power rounded to hundredths");
}

void CheckPower(std::string_view reply) {
    const std::optional<double> dBm = Protocol::ReadPowerReply(reply);
    if (!dBm) {
        return;
    }
    Require(std::isfinite(*dBm) && std::fabs(*dBm) <= PowerLimit,
            "a power reply gives a finite power within its eight characters");
    CheckFormattedPower(*dBm);
}

void CheckMeasurement(std::string_view reply) {
    const std::string_view text = Protocol::ReadMeasurementText(reply);
    const std::string_view expected = reply.size() >= 5 ? reply.substr(4) : std::string_view{};
    Require(text == expected, "a measurement is the reply from position 5");
    Require(text.empty() || Inside(text, reply), "a measurement never reaches beyond the reply");
}

// A profile with every default loaded and no block read, to compare blocks with.
struct Defaults {
    ScriptLineList Lines;
    EquipmentProfile Profile{Lines};
    Defaults() {
        Profile.LoadDefaultMessages();
        Profile.LoadDefaultConfiguration();
        Profile.LoadDefaultPoints();
    }
};

// What receiving a profile does with the reply to one block's read: everything from the
// fifth character on goes to the profile, which takes it only when it fits the block.
void CheckReceivedBlock(std::uint16_t address, std::string_view reply, const Defaults& defaults) {
    EquipmentProfile profile = defaults.Profile;
    const std::string_view data =
        reply.size() > BlockHeaderLength ? reply.substr(BlockHeaderLength) : std::string_view{};
    profile.ApplyDataBlock(address, data);
    const bool taken =
        ExpectedDigits(address) != 0 && reply.size() >= BlockHeaderLength + ExpectedDigits(address);
    const bool message = address < MemoryMap::MessageEnd;
    const bool configuration = address == MemoryMap::ConfigurationAddress;
    const bool point = !message && !configuration;
    Require(profile.MessagesLoaded() == (taken && message) &&
                profile.PointsLoaded() == (taken && point) &&
                profile.ConfigurationLoaded() == (taken && configuration),
            "a block is taken exactly when its reply brings all its digits");
    for (int slot = 0; slot < EquipmentProfile::MessageCount; ++slot) {
        const std::string& text = profile.GetMessageText(slot);
        Require(text.size() <= MessageLength, "a message holds at most 16 characters");
        Require(text.find('\0') == std::string::npos, "a zero byte ends a message");
        if (!taken || address != MemoryMap::MessageAddress(slot)) {
            Require(text == defaults.Profile.GetMessageText(slot),
                    "a block leaves other messages alone");
        }
        Require(profile.MessageEditLevel(slot) == defaults.Profile.MessageEditLevel(slot),
                "a block never changes a message's edit level");
    }
    for (int p = 0; p < EquipmentProfile::PointCount; ++p) {
        Require(profile.WarningPower(p) <= MaxByte && profile.AlarmPower(p) <= MaxByte,
                "a power threshold is one byte");
        Require(profile.FrequencyKHz(p) <= MaxFrequencyKHz,
                "a frequency fits the unit's 32-bit Hz field");
        if (!taken || address != MemoryMap::PointAddress(p)) {
            Require(SamePoint(profile, defaults.Profile, p), "a block leaves other points alone");
        }
    }
    if (!taken || !configuration) {
        Require(SameConfiguration(profile, defaults.Profile),
                "a block leaves the configuration alone");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view reply(reinterpret_cast<const char*>(bytes), size);
    static const Defaults defaults;
    static const std::vector<std::uint16_t> blocks = AllBlocks();

    CheckModelName(reply);
    CheckVersion(reply);
    CheckRegister(reply);
    CheckStatus(reply);
    CheckPower(reply);
    CheckMeasurement(reply);
    for (int count = -1; count <= MaxHexDigits + 1; ++count) {
        CheckHexDigits(reply, count);
    }
    for (const std::uint16_t address : blocks) {
        CheckBlockLocation(address);
        CheckReceivedBlock(address, reply, defaults);
    }
    // Any address at all, from the first two bytes: outside the map nothing is read.
    if (size >= 2) {
        const auto address = static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
        CheckBlockLocation(address);
        CheckReceivedBlock(address, reply.substr(2), defaults);
    }
    return 0;
}
