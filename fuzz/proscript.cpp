// Fuzz target for the PRO reader: any text, read as a file or handed over as one memory
// block, must leave a profile that keeps its promises and that saves and reads back intact.
#include "profile/proscript.h"
#include "fuzzcheck.h"
#include "profile/equipmentprofile.h"
#include "profile/memorycommands.h"
#include "profilecompare.h"
#include "scriptlines.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr int PointCount = EquipmentProfile::PointCount;
constexpr int MessageCount = EquipmentProfile::MessageCount;
constexpr std::size_t MessageLength = EquipmentProfile::MessageLength;
constexpr std::size_t WrittenLineCount = 15;
constexpr std::size_t RuleLength = 58;
constexpr std::size_t ConfigurationLineIndex = 6;
constexpr std::size_t FirstPointLineIndex = 8;
constexpr std::uint16_t ConfigurationAddress = 0x1F00;
constexpr std::uint16_t PointBase = 0x0400;
constexpr std::uint16_t PointStride = 32;
constexpr std::uint16_t MessageEnd = 0x0200;
constexpr std::uint16_t MessageStride = 16;
constexpr std::size_t ConfigurationDigits = 24;
constexpr std::size_t PointDigits = 16;
constexpr std::size_t MessageDigits = 32;
constexpr std::uint32_t MaxByte = 0xFF;
// The highest frequency a block can carry: the largest 32-bit number of Hz, in whole kHz.
constexpr std::uint32_t MaxFrequencyKHz = 4294967;
// Above 2^24 units a BER threshold is no longer a whole number of units in single
// precision, so saving it may move it to the neighbouring float once; it then stays there.
constexpr float ExactBerLimit = 16777216.0E-8f;
constexpr std::string_view DataPrefix = "*I22A0";
constexpr std::string_view TokenDelimiters = " \t\n\r,()";

std::string LowerAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool SameClass(const ScriptLineClass& a, const ScriptLineClass& b) {
    return a.Kind == b.Kind && a.Token == b.Token;
}

// Equal, or one float apart where single precision cannot hold the units exactly.
bool SameBerAfterSaving(float read, float saved) {
    if (read == saved) {
        return true;
    }
    return read >= ExactBerLimit && std::nextafter(read, saved) == saved;
}

// A profile with every default loaded and no block read, to compare untouched blocks with.
struct Defaults {
    ScriptLineList Lines;
    EquipmentProfile Profile{Lines};
    Defaults() {
        Profile.LoadDefaultMessages();
        Profile.LoadDefaultConfiguration();
        Profile.LoadDefaultPoints();
    }
};

void CheckLineClass(std::string_view line) {
    const ScriptLineClass result = ParseScriptLine(line);
    if (result.Kind != ScriptLineKind::DataLine) {
        Require(result.Token.empty(), "only a data line carries a token");
    } else {
        const std::string& token = result.Token;
        Require(token.starts_with(DataPrefix), "a data token begins with *I22A0");
        Require(UpperAscii(token) == token, "a data token is upper case");
        Require(token.find_first_of(TokenDelimiters) == std::string::npos,
                "a data token holds no delimiter");
        Require(UpperAscii(line).find(token) != std::string::npos,
                "a data token comes from its line");
    }
    if (result.Kind != ScriptLineKind::Ignored) {
        Require(UpperAscii(line).find("SEND") != std::string::npos,
                "only a send command is a data line or malformed");
    }
    Require(SameClass(ParseScriptLine(LowerAscii(line)), result),
            "letter case does not change a line's class");
    Require(SameClass(ParseScriptLine(UpperAscii(line)), result),
            "letter case does not change a line's class");
    Require(SameClass(ParseScriptLine(" \t" + std::string(line)), result),
            "leading blanks and tabs do not change a line's class");
}

// Whatever text came before the first LF decides the class; the rest is not looked at.
void CheckLineEnd(std::string_view text) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) {
        return;
    }
    Require(SameClass(ParseScriptLine(text), ParseScriptLine(text.substr(0, end))),
            "a line ends at its first LF");
}

void CheckLoadedPromises(const EquipmentProfile& profile, const Defaults& defaults) {
    for (int slot = 0; slot < MessageCount; ++slot) {
        const std::string& text = profile.GetMessageText(slot);
        Require(text.size() <= MessageLength, "a message holds at most 16 characters");
        Require(text.find('\0') == std::string::npos, "a zero byte ends a message");
        Require(profile.MessageEditLevel(slot) == defaults.Profile.MessageEditLevel(slot),
                "a block never changes a message's edit level");
    }
    for (int point = 0; point < PointCount; ++point) {
        Require(profile.WarningPower(point) <= MaxByte && profile.AlarmPower(point) <= MaxByte,
                "a power threshold is one byte");
        Require(profile.FrequencyKHz(point) <= MaxFrequencyKHz,
                "a frequency fits the unit's 32-bit Hz field");
    }
    if (!profile.MessagesLoaded()) {
        Require(SameMessages(profile, defaults.Profile), "unread messages keep their defaults");
    }
    if (!profile.ConfigurationLoaded()) {
        Require(SameConfiguration(profile, defaults.Profile),
                "an unread configuration keeps its defaults");
    }
    if (!profile.PointsLoaded()) {
        Require(SamePoints(profile, defaults.Profile), "unread points keep their defaults");
    }
}

// Reading stops at the first malformed line, and only data lines change the profile: the
// data lines above the first malformed one, read alone, give the same profile.
void CheckReadingStops(const ScriptLineList& lines, const EquipmentProfile& read) {
    ScriptLineList dataLines;
    for (const std::string& line : lines) {
        const ScriptLineKind kind = ParseScriptLine(line).Kind;
        if (kind == ScriptLineKind::Malformed) {
            break;
        }
        if (kind == ScriptLineKind::DataLine) {
            dataLines.push_back(line);
        }
    }
    EquipmentProfile alone(dataLines);
    alone.ReadScript();
    Require(SameProfile(alone, read), "reading stops at the first malformed line");
}

void CheckWrittenLines(const ScriptLineList& written) {
    Require(written.size() == WrittenLineCount, "a profile is written as 15 lines");
    const std::string rule(RuleLength, '#');
    Require(written[0] == rule && written[4] == rule, "the header is ruled with 58 #");
    for (std::size_t i = 0; i < written.size(); ++i) {
        const std::string& line = written[i];
        Require(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
                "a written line holds no line end");
        const ScriptLineClass result = ParseScriptLine(line);
        const bool dataLine = i == ConfigurationLineIndex ||
                              (i >= FirstPointLineIndex && i < FirstPointLineIndex + PointCount);
        if (!dataLine) {
            Require(result.Kind == ScriptLineKind::Ignored, "only the seven data lines count");
            continue;
        }
        Require(result.Kind == ScriptLineKind::DataLine, "the seven data lines are data lines");
        const MemoryCommands::WrittenBlock block = MemoryCommands::DecodeWrite(result.Token);
        const bool configuration = i == ConfigurationLineIndex;
        const std::uint16_t address =
            configuration
                ? ConfigurationAddress
                : static_cast<std::uint16_t>(PointBase + PointStride * (i - FirstPointLineIndex));
        Require(block.Address == address, "each block goes to its own address");
        Require(block.Data.size() == (configuration ? ConfigurationDigits : PointDigits),
                "a written block has exactly its digits");
        for (const char c : block.Data) {
            Require(IsUpperHex(c), "a written block is upper-case hex");
        }
    }
}

// Saving what was read and reading it back gives the same configuration and points; the
// messages are not saved, so they come back as the defaults. Works on a copy, as saving
// rebinds the profile to the written lines.
void CheckRoundTrip(EquipmentProfile read, const std::string& name, const std::string& now,
                    const Defaults& defaults) {
    ScriptLineList written;
    read.WriteScript(written, name, now);
    Require(&read.ScriptLines() == &written, "writing binds the profile to the new lines");
    CheckWrittenLines(written);

    EquipmentProfile back(written);
    back.ReadScript();
    Require(back.ConfigurationLoaded() && back.PointsLoaded() && !back.MessagesLoaded(),
            "a written file loads configuration and points, no messages");
    Require(back.WarningMER() == read.WarningMER() && back.AlarmMER() == read.AlarmMER(),
            "MER thresholds survive saving");
    Require(SameBerAfterSaving(read.WarningBER(), back.WarningBER()) &&
                SameBerAfterSaving(read.AlarmBER(), back.AlarmBER()),
            "BER thresholds survive saving");
    Require(SamePoints(back, read), "detection points survive saving");
    Require(SameMessages(back, defaults.Profile), "messages are not saved");

    ScriptLineList again;
    back.WriteScript(again, name, now);
    EquipmentProfile twice(again);
    twice.ReadScript();
    Require(SameProfile(twice, back), "a saved profile reads back exactly");
    ScriptLineList third;
    twice.WriteScript(third, name, now);
    Require(third == again, "saving a saved profile gives the same text");
}

enum class Block { None, Message, Point, Configuration };

// Which block an address and data length select, straight from the memory map.
Block AcceptedBlock(std::uint16_t address, std::size_t length) {
    if (address == ConfigurationAddress && length >= ConfigurationDigits) {
        return Block::Configuration;
    }
    if (address < MessageEnd && address % MessageStride == 0 && length >= MessageDigits) {
        return Block::Message;
    }
    if (address >= PointBase && address < PointBase + PointStride * PointCount &&
        (address - PointBase) % PointStride == 0 && length >= PointDigits) {
        return Block::Point;
    }
    return Block::None;
}

// One block handed over directly, as Receive does: an address or length outside the map
// changes nothing; an accepted block changes only itself and sets only its own flag.
void CheckOneBlock(const EquipmentProfile& start, std::uint16_t address, std::string_view data,
                   const Defaults& defaults) {
    EquipmentProfile after = start;
    after.ApplyDataBlock(address, data);
    const Block block = AcceptedBlock(address, data.size());
    if (block == Block::None) {
        Require(SameProfile(after, start), "a block outside the map changes nothing");
        return;
    }
    Require(after.MessagesLoaded() == (start.MessagesLoaded() || block == Block::Message) &&
                after.PointsLoaded() == (start.PointsLoaded() || block == Block::Point) &&
                after.ConfigurationLoaded() ==
                    (start.ConfigurationLoaded() || block == Block::Configuration),
            "a block sets only its own flag");
    if (block != Block::Configuration) {
        Require(SameConfiguration(after, start), "a block leaves the configuration alone");
    }
    for (int point = 0; point < PointCount; ++point) {
        if (block != Block::Point || address != PointBase + PointStride * point) {
            Require(SamePoint(after, start, point), "a block leaves other points alone");
        }
    }
    for (int slot = 0; slot < MessageCount; ++slot) {
        if (block != Block::Message || address != MessageStride * slot) {
            Require(SameMessage(after, start, slot), "a block leaves other messages alone");
        }
    }
    CheckLoadedPromises(after, defaults);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    static const Defaults defaults;

    CheckLineEnd(text);
    ScriptLineList lines = SplitLines(text);
    for (const std::string& line : lines) {
        CheckLineClass(line);
    }

    EquipmentProfile read(lines);
    read.ReadScript();
    CheckLoadedPromises(read, defaults);
    CheckReadingStops(lines, read);

    // The file name and the time come from the input too: whatever they hold, the header
    // lines stay comments.
    const std::string name(text.substr(0, 40));
    const std::string now(text.substr(text.size() > 20 ? text.size() - 20 : 0));
    CheckRoundTrip(read, name, now, defaults);

    if (size >= 2) {
        const auto address = static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
        CheckOneBlock(read, address, text.substr(2), defaults);
    }
    return 0;
}
