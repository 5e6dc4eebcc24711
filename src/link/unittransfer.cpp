// Conversations on one open port that read a unit's settings, write a script into it, and
// read back what was written.
#include "link/unittransfer.h"

#include "link/exchangebuffer.h"
#include "link/modeltable.h"
#include "link/protocol.h"
#include "link/serialport.h"
#include "profile/hexfields.h"
#include "profile/memorycommands.h"
#include "profile/memorymap.h"
#include "profile/proscript.h"

#include <algorithm>
#include <optional>

namespace {

constexpr std::string_view ErrorAtPrefix = "error at: ";
constexpr std::string_view OkSuffix = " OK";
constexpr std::string_view SentSuffix = " sent to remote equipment";
constexpr std::string_view LoadingConfigurationLine = "loading configuration data...";
constexpr std::string_view LoadingPointsLine = "loading identification points data...";
constexpr std::string_view LoadingMessagesLine = "loading text messages data...";

// One step of reading a unit: a log line, then its requests, ending at the first failure.
struct ReadStep {
    std::string_view Heading;
    int Count;
    std::uint16_t (*Address)(int);
    int Length;
};

std::uint16_t ConfigurationAt(int) {
    return MemoryMap::ConfigurationAddress;
}

constexpr ReadStep ReadSteps[] = {
    {LoadingConfigurationLine, 1, ConfigurationAt, MemoryMap::ConfigurationReadLength},
    {LoadingPointsLine, MemoryMap::PointCount, MemoryMap::PointAddress, MemoryMap::PointReadLength},
    {LoadingMessagesLine, MemoryMap::MessageCount, MemoryMap::MessageAddress,
     MemoryMap::MessageReadLength},
};

// How many bytes to ask for to see a written block again: the block's own read length,
// or more when more was written.
int ReadBackLength(const WrittenBlock& block) {
    int length = static_cast<int>((block.Data.size() + 1) / 2);
    if (const std::optional<MemoryMap::Block> known = MemoryMap::LocateBlock(block.Address))
        length = std::max(length, known->ReadLength);
    return std::min(length, MemoryCommands::MaxReadLength);
}

bool SameDigits(std::string_view written, std::string_view read) {
    if (read.size() < written.size())
        return false;
    for (std::size_t i = 0; i < written.size(); ++i)
        if (HexFields::ToUpperAscii(written[i]) != HexFields::ToUpperAscii(read[i]))
            return false;
    return true;
}

// What differs between the digits written and read, in words where the block is known.
std::string DescribeMismatch(const WrittenBlock& block, std::string_view read) {
    const std::string name = BlockName(block.Address);
    ScriptLineList fileLines;
    ScriptLineList unitLines;
    EquipmentProfile written(fileLines);
    EquipmentProfile readBack(unitLines);
    written.SetDefaults();
    readBack.SetDefaults();
    written.ApplyDataBlock(block.Address, block.Data);
    readBack.ApplyDataBlock(block.Address, read);
    const std::vector<FieldDifference> differences =
        CompareProfiles(written, readBack, CompareScope::Block(block.Address));
    if (differences.empty()) {
        const std::string shown(read.substr(0, std::min(read.size(), block.Data.size())));
        return name + " differs: wrote " + block.Data + ", read " + shown;
    }
    std::string text = name + " differs: ";
    for (std::size_t i = 0; i < differences.size(); ++i)
        text += (i == 0 ? "" : "; ") + differences[i].DescribeField();
    return text;
}

} // namespace

std::optional<UnitIdentity> IdentifyUnit(SerialPort& port) {
    ExchangeBuffer buffer{};
    PutText(buffer, Protocol::NameQuery);
    if (!port.Query(buffer, ReplyCapacity) || TextOf(buffer).empty())
        return std::nullopt;
    const std::optional<std::string> name = Protocol::ReadModelName(TextOf(buffer));
    if (!name)
        return std::nullopt;
    UnitIdentity identity{*name, FindModelRow(*name), 0.0f};
    // A failed version query, or a reply without a number, leaves version 0.
    PutText(buffer, Protocol::VersionQuery);
    if (port.Query(buffer, ReplyCapacity) && !TextOf(buffer).empty())
        identity.FirmwareVersion = Protocol::ReadVersion(TextOf(buffer)).value_or(0.0f);
    return identity;
}

bool ReadBlock(SerialPort& port, std::uint16_t address, int length, std::string& data,
               std::string& logged) {
    ExchangeBuffer buffer{};
    PutText(buffer, MemoryCommands::Read(address, length));
    const bool answered = port.Query(buffer, ReplyCapacity);
    // The log shows what the exchange left: the reply, or the command when it failed.
    const std::string_view text = TextOf(buffer);
    logged = std::string(text);
    if (!answered || text.empty())
        return false;
    // A reply too short to hold data brings nothing; the read still counts as done.
    data = text.size() > Protocol::BlockReplyHeaderLength
               ? std::string(text.substr(Protocol::BlockReplyHeaderLength))
               : std::string();
    return true;
}

UnitReading ReadUnitBlocks(SerialPort& port, TransferEvents& events) {
    UnitReading reading;
    int done = 0;
    for (const ReadStep& step : ReadSteps) {
        if (events.StopRequested()) {
            reading.Stopped = true;
            return reading;
        }
        events.AppendLine(std::string(step.Heading));
        for (int i = 0; i < step.Count; ++i) {
            events.BeforeRequest(done, UnitReading::RequestCount);
            if (events.StopRequested()) {
                reading.Stopped = true;
                return reading;
            }
            const std::uint16_t address = step.Address(i);
            std::string data;
            std::string logged;
            const bool answered = ReadBlock(port, address, step.Length, data, logged);
            events.AppendLine(logged);
            if (!answered) {
                ++reading.FailedSteps;
                break;
            }
            reading.Blocks.push_back({address, std::move(data)});
            ++done;
            ++reading.BlocksRead;
        }
    }
    events.BeforeRequest(UnitReading::RequestCount, UnitReading::RequestCount);
    return reading;
}

UnitReading ReadUnit(SerialPort& port, EquipmentProfile& profile, TransferEvents& events) {
    UnitReading reading = ReadUnitBlocks(port, events);
    for (const ReceivedBlock& block : reading.Blocks)
        profile.ApplyDataBlock(block.Address, block.Data);
    return reading;
}

bool ExecuteScriptLine(SerialPort& port, std::string_view line, int& sentLines) {
    const ScriptLineClass parsed = ParseScriptLine(line);
    switch (parsed.Kind) {
    case ScriptLineKind::Ignored:
        return true;
    case ScriptLineKind::Malformed:
        return false;
    case ScriptLineKind::DataLine:
        break;
    }
    ++sentLines;
    return port.SendCommand(parsed.Token);
}

std::vector<WrittenBlock> ScriptBlocks(const ScriptLineList& lines) {
    std::vector<WrittenBlock> blocks;
    for (const std::string& line : lines) {
        const ScriptLineClass parsed = ParseScriptLine(line);
        if (parsed.Kind == ScriptLineKind::Malformed)
            break;
        if (parsed.Kind != ScriptLineKind::DataLine)
            continue;
        const MemoryCommands::WrittenBlock block = MemoryCommands::DecodeWrite(parsed.Token);
        blocks.push_back({block.Address, std::string(block.Data)});
    }
    return blocks;
}

ScriptRun SendScript(SerialPort& port, const ScriptLineList& lines, std::string_view fileName,
                     TransferEvents& events) {
    ScriptRun run;
    run.TotalLines = lines.size();
    run.Completed = true;
    int done = 0;
    for (const std::string& line : lines) {
        events.BeforeRequest(done++, static_cast<int>(lines.size()));
        if (events.StopRequested()) {
            // Ending at once: no further exchange, not even the reset.
            run.Completed = false;
            run.Stopped = true;
            return run;
        }
        const ScriptLineClass parsed = ParseScriptLine(line);
        const int sentBefore = run.SentLines;
        if (!ExecuteScriptLine(port, line, run.SentLines)) {
            events.AppendLine(std::string(ErrorAtPrefix) + line);
            run.Completed = false;
            run.FailedLine = line;
            break;
        }
        events.AppendLine(line + std::string(OkSuffix));
        if (run.SentLines != sentBefore) {
            const MemoryCommands::WrittenBlock block = MemoryCommands::DecodeWrite(parsed.Token);
            run.Written.push_back({block.Address, std::string(block.Data)});
        }
    }
    if (run.Completed) {
        events.AppendLine(std::string(fileName) + std::string(SentSuffix));
        events.AppendLine("processed " + std::to_string(run.SentLines) + " data lines of " +
                          std::to_string(run.TotalLines));
    }
    // The unit takes the stored settings into use on reset, whatever happened before.
    port.SendCommand(Protocol::ResetCommand);
    return run;
}

std::string Verification::Summary() const {
    if (Ok())
        return "verified: " + std::to_string(Matching) + (Matching == 1 ? " block" : " blocks") +
               " match";
    return "verify FAILED: " + (Problems.empty() ? std::string("nothing read") : Problems.front());
}

Verification VerifyBlocks(SerialPort& port, const std::vector<WrittenBlock>& blocks,
                          TransferEvents& events) {
    Verification verification;
    verification.Blocks = static_cast<int>(blocks.size());
    int done = 0;
    for (const WrittenBlock& block : blocks) {
        events.BeforeRequest(done++, verification.Blocks);
        ExchangeBuffer buffer{};
        PutText(buffer, MemoryCommands::Read(block.Address, ReadBackLength(block)));
        const bool answered = port.Query(buffer, ReplyCapacity);
        const std::string_view text = TextOf(buffer);
        events.AppendLine(std::string(text));
        if (!answered || text.empty()) {
            verification.ReadFailed = true;
            verification.Problems.push_back(BlockName(block.Address) + " could not be read back");
            break;
        }
        const std::string_view read = text.size() > Protocol::BlockReplyHeaderLength
                                          ? text.substr(Protocol::BlockReplyHeaderLength)
                                          : std::string_view{};
        if (SameDigits(block.Data, read)) {
            ++verification.Matching;
            continue;
        }
        verification.Problems.push_back(DescribeMismatch(block, read));
    }
    return verification;
}
