// The PRO script form of an equipment profile: line classification, writing, reading and
// applying one memory block.
#include "profile/proscript.h"

#include "profile/equipmentprofile.h"
#include "profile/hexfields.h"
#include "profile/memorycommands.h"
#include "profile/memorymap.h"
#include "profile/programidentity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <span>
#include <string>

using HexFields::FieldValue;
using HexFields::ReverseBytes32;
using HexFields::SwapBytes16;

namespace {

// The unit keeps a BER threshold as a whole number of 10^-8.
constexpr double BerUnitsPerRatio = 1.0E8;
constexpr double BerRatioPerUnit = 1.0E-8;
using MemoryMap::HzPerKHz;
using MemoryMap::MaxFrequencyKHz;

// Field positions inside the configuration block.
constexpr std::size_t WarningMERPosition = 0;
constexpr std::size_t AlarmMERPosition = 4;
constexpr std::size_t WarningBERPosition = 8;
constexpr std::size_t AlarmBERPosition = 16;
constexpr std::size_t Digits16 = 4;
constexpr std::size_t Digits32 = 8;
constexpr std::size_t Bytes16 = 2;
constexpr std::size_t Bytes32 = 4;

// Field positions inside a detection point block.
constexpr std::size_t NumberPosition = 0;
constexpr std::size_t ActivePosition = 2;
constexpr std::size_t FrequencyPosition = 4;
constexpr std::size_t WarningPowerPosition = 12;
constexpr std::size_t AlarmPowerPosition = 14;
constexpr std::size_t ByteDigits = 2;

// The bytes of a configuration block and of the used part of a point block, as written.
constexpr std::size_t ConfigurationBytes = MemoryMap::ConfigurationDataDigits / ByteDigits;
constexpr std::size_t PointBytes = MemoryMap::PointDataDigits / ByteDigits;

// Puts `value` into `bytes` at `at`, low byte first, as the unit keeps numbers.
void PutLowByteFirst(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value,
                     std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// The threshold as the unit's whole number of 10^-8. Thresholds the unit cannot hold
// (negative, not a number, or beyond 32 bits) are written as the nearest value it can.
std::uint32_t BerToUnits(float ratio) {
    const double units = std::round(static_cast<double>(ratio) * BerUnitsPerRatio);
    if (!(units > 0.0)) {
        return 0;
    }
    if (units >= static_cast<double>(std::numeric_limits<std::uint32_t>::max())) {
        return std::numeric_limits<std::uint32_t>::max();
    }
    return static_cast<std::uint32_t>(units);
}

float BerFromUnits(std::uint32_t units) {
    return static_cast<float>(static_cast<double>(static_cast<float>(units)) * BerRatioPerUnit);
}

// The unit's field holds Hz in 32 bits; a frequency above 4294.967 MHz is written as that
// highest one rather than wrapping round to an unrelated low frequency.
std::uint32_t HzFromKHz(std::uint32_t kHz) {
    if (kHz > MaxFrequencyKHz) {
        kHz = MaxFrequencyKHz;
    }
    return kHz * HzPerKHz;
}

// The file name and time go into comment lines; a line break in them would start a new
// line that the reader would classify, so it is written as a blank.
std::string CommentText(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c == '\n' || c == '\r' || c == '\0') {
            c = ' ';
        }
    }
    return result;
}

std::string DataLine(std::uint16_t address, std::span<const std::uint8_t> bytes) {
    return std::string(ProScript::DataLineStart) + MemoryCommands::Write(address, bytes);
}

std::string ConfigurationLine(const ConfigurationData& configuration) {
    std::array<std::uint8_t, ConfigurationBytes> bytes{};
    PutLowByteFirst(bytes, WarningMERPosition / ByteDigits, configuration.WarningMER, Bytes16);
    PutLowByteFirst(bytes, AlarmMERPosition / ByteDigits, configuration.AlarmMER, Bytes16);
    PutLowByteFirst(bytes, WarningBERPosition / ByteDigits, BerToUnits(configuration.WarningBER),
                    Bytes32);
    PutLowByteFirst(bytes, AlarmBERPosition / ByteDigits, BerToUnits(configuration.AlarmBER),
                    Bytes32);
    return DataLine(MemoryMap::ConfigurationAddress, bytes);
}

std::string PointLine(int index, const DetectionPoint& point) {
    std::array<std::uint8_t, PointBytes> bytes{};
    PutLowByteFirst(bytes, NumberPosition / ByteDigits, point.Number, 1);
    PutLowByteFirst(bytes, ActivePosition / ByteDigits, point.Active, 1);
    PutLowByteFirst(bytes, FrequencyPosition / ByteDigits, HzFromKHz(point.FrequencyKHz), Bytes32);
    PutLowByteFirst(bytes, WarningPowerPosition / ByteDigits, point.WarningPower, 1);
    PutLowByteFirst(bytes, AlarmPowerPosition / ByteDigits, point.AlarmPower, 1);
    char comment[16];
    std::snprintf(comment, sizeof comment, ProScript::PointCommentFormat,
                  static_cast<int>(point.Number));
    return DataLine(MemoryMap::PointAddress(index), bytes) + comment;
}

// Splits the next token off `rest` the way the reader always has: leading delimiters are
// skipped, the token runs to the next delimiter, and `rest` continues from that delimiter.
std::string_view NextToken(std::string_view& rest, std::string_view delimiters) {
    const std::size_t begin = rest.find_first_not_of(delimiters);
    if (begin == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(begin);
    const std::size_t end = std::min(rest.find_first_of(delimiters), rest.size());
    const std::string_view token = rest.substr(0, end);
    rest.remove_prefix(end);
    return token;
}

} // namespace

ScriptLineClass ParseScriptLine(std::string_view line) {
    ScriptLineClass result;
    // A line ends at its first LF; a zero byte ends it too, as it ends any text.
    line = line.substr(0, line.find_first_of(std::string_view("\n\0", 2)));
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == ProScript::CommentMark) {
        return result;
    }
    std::string copy(line.substr(first));
    for (char& c : copy) {
        c = HexFields::ToUpperAscii(c);
    }
    std::string_view rest(copy);
    if (NextToken(rest, ProScript::KeywordDelimiters) != ProScript::SendKeyword) {
        return result;
    }
    const std::string_view argument = NextToken(rest, ProScript::ArgumentDelimiters);
    if (argument.empty() || argument.front() == ProScript::CommentMark) {
        result.Kind = ScriptLineKind::Malformed;
        return result;
    }
    if (!argument.starts_with(MemoryCommands::WritePrefix)) {
        return result;
    }
    result.Kind = ScriptLineKind::DataLine;
    result.Token = std::string(argument);
    return result;
}

void EquipmentProfile::WriteScript(ScriptLineList& lines, const std::string& fileName,
                                   const std::string& now) {
    scriptLines_ = &lines;
    lines.clear();
    const std::string rule(ProScript::HeaderRuleLength, ProScript::CommentMark);
    const std::string name = CommentText(fileName);
    lines.push_back(rule);
    lines.push_back("# " + name + " created at " + CommentText(now));
    lines.push_back(std::string("# by ") + ProgramName + " (v" + ProgramVersion + ")");
    lines.push_back(std::string("# ") + CopyrightLine);
    lines.push_back(rule);
    lines.push_back(ProScript::ConfigurationHeading);
    lines.push_back(ConfigurationLine(configuration_));
    lines.push_back(ProScript::PointsHeading);
    for (int point = 0; point < PointCount; ++point) {
        lines.push_back(PointLine(point, points_[point]));
    }
    // Text messages are never written: the unit's own texts stay as they are on sending.
    lines.push_back("# End of file " + name);
}

void EquipmentProfile::ReadScript() {
    LoadDefaultMessages();
    LoadDefaultConfiguration();
    LoadDefaultPoints();
    for (const std::string& line : *scriptLines_) {
        const ScriptLineClass kind = ParseScriptLine(line);
        if (kind.Kind == ScriptLineKind::Malformed) {
            return;
        }
        if (kind.Kind != ScriptLineKind::DataLine) {
            continue;
        }
        const MemoryCommands::WrittenBlock block = MemoryCommands::DecodeWrite(kind.Token);
        ApplyDataBlock(block.Address, block.Data);
    }
}

void EquipmentProfile::ApplyDataBlock(std::uint16_t address, std::string_view data) {
    const std::optional<MemoryMap::Block> block = MemoryMap::LocateBlock(address);
    if (!block || data.size() < static_cast<std::size_t>(block->DataDigits)) {
        return;
    }
    switch (block->Kind) {
    case MemoryMap::BlockKind::Configuration:
        configuration_.WarningMER = SwapBytes16(FieldValue(data, WarningMERPosition, Digits16));
        configuration_.AlarmMER = SwapBytes16(FieldValue(data, AlarmMERPosition, Digits16));
        configuration_.WarningBER =
            BerFromUnits(ReverseBytes32(FieldValue(data, WarningBERPosition, Digits32)));
        configuration_.AlarmBER =
            BerFromUnits(ReverseBytes32(FieldValue(data, AlarmBERPosition, Digits32)));
        configurationLoaded_ = true;
        return;
    case MemoryMap::BlockKind::Message: {
        std::string& text = messages_[static_cast<std::size_t>(block->Index)].Text;
        text.clear();
        for (std::size_t k = 0; k < static_cast<std::size_t>(MessageLength); ++k) {
            const auto byte = static_cast<char>(FieldValue(data, ByteDigits * k, ByteDigits));
            // The display text is zero-terminated in the unit: a zero byte ends it.
            if (byte == '\0') {
                break;
            }
            text.push_back(byte);
        }
        messagesLoaded_ = true;
        return;
    }
    case MemoryMap::BlockKind::Point: {
        DetectionPoint& target = points_[static_cast<std::size_t>(block->Index)];
        target.Number = static_cast<std::uint8_t>(FieldValue(data, NumberPosition, ByteDigits));
        target.Active = static_cast<std::uint8_t>(FieldValue(data, ActivePosition, ByteDigits));
        target.FrequencyKHz =
            ReverseBytes32(FieldValue(data, FrequencyPosition, Digits32)) / HzPerKHz;
        target.WarningPower =
            static_cast<std::uint16_t>(FieldValue(data, WarningPowerPosition, ByteDigits));
        target.AlarmPower =
            static_cast<std::uint16_t>(FieldValue(data, AlarmPowerPosition, ByteDigits));
        pointsLoaded_ = true;
        return;
    }
    }
}
