// Fuzz target for the serial port and the monitor's polling: a far end that sends arbitrary
// bytes at arbitrary times, and host exchanges in an order the input picks. Every exchange
// stays inside its buffer, ends its text, keeps its time bounds and reads only what came.
#include "link/serialport.h"
#include "fuzzcheck.h"
#include "link/exchangebuffer.h"
#include "link/monitorpoller.h"
#include "link/protocol.h"
#include "link/sim/simulateddriver.h"
#include "profile/memorycommands.h"
#include "profile/memorymap.h"

#include "fuzzedpeer.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr std::string_view PortName = "COM1";
constexpr std::size_t BufferSize = 256;
constexpr std::size_t GuardSize = 32;
constexpr char GuardByte = static_cast<char>(0xEE);
// A one-byte read waits 5 + 100 ms at most; a handshake wait gives up after 32 misses.
constexpr SimTime ReadTimeout = 105ms;
constexpr std::size_t MaxMisses = 32;
constexpr std::size_t MaxLineText = 253;
constexpr std::size_t MaxCapacity = 300;
constexpr int MaxOperations = 48;
constexpr int ChannelCount = MemoryMap::ChannelCount;
constexpr std::size_t FrequencyLength = 9;

using Storage = std::array<char, BufferSize + GuardSize>;
using Reads = std::vector<FuzzedPeer::HostRead>;

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

bool IsLineEnd(unsigned char c) {
    return c == '\0' || c == Protocol::CR || c == Protocol::LF;
}

// What a reply position shows for one read: TAB a blank, other control characters ".",
// a read that timed out a blank; line ends show as NUL, which no reply text holds.
char Shown(const FuzzedPeer::HostRead& read) {
    if (read.Silent || read.Byte == Protocol::TAB) {
        return ' ';
    }
    if (IsLineEnd(read.Byte)) {
        return '\0';
    }
    if (IsControl(read.Byte)) {
        return '.';
    }
    return static_cast<char>(read.Byte);
}

std::string ShownText(Reads::const_iterator first, Reads::const_iterator last) {
    std::string shown;
    for (auto read = first; read != last; ++read) {
        shown += Shown(*read);
    }
    return shown;
}

// The line a read of these bytes gives: one position per read up to the first line end;
// when the first read got nothing the text is empty.
std::string ExpectedLine(const Reads& reads) {
    if (!reads.empty() && reads.front().Silent) {
        return {};
    }
    std::string line;
    for (const FuzzedPeer::HostRead& read : reads) {
        if (!read.Silent && IsLineEnd(read.Byte)) {
            break;
        }
        line += Shown(read);
    }
    return line;
}

// "-47.00", " 5.10": blanks up to five characters, an optional minus, digits, a full stop
// and two decimals.
bool IsShownPower(std::string_view text) {
    const std::size_t start = text.find_first_not_of(' ');
    if (text.size() < 5 || start == std::string_view::npos || (start > 0 && text.size() != 5)) {
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
        if (i != point && (number[i] < '0' || number[i] > '9')) {
            return false;
        }
    }
    return true;
}

bool HasNoControl(std::string_view text) {
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return IsControl(static_cast<unsigned char>(c)); });
}

std::size_t Silences(const Reads& reads) {
    return static_cast<std::size_t>(
        std::count_if(reads.begin(), reads.end(), [](const auto& read) { return read.Silent; }));
}

bool Took(const Reads& reads, std::uint8_t byte) {
    return std::any_of(reads.begin(), reads.end(),
                       [byte](const auto& read) { return !read.Silent && read.Byte == byte; });
}

std::string LineOnWire(std::string_view text) {
    return std::string(text.substr(0, MaxLineText)) + std::string(Protocol::LineEnd);
}

// One host and its far end, for one input.
class Session {
public:
    explicit Session(FuzzedDataProvider& input) : input_(input), peer_(input) {
        driver_.AttachPeer(PortName, peer_);
        Require(port_.Open(), "a port with a peer opens");
        port_.Configure();
        poller_.SetPort(port_);
    }

    void Run() {
        for (int operation = 0; operation < MaxOperations && input_.remaining_bytes() > 0;
             ++operation) {
            peer_.ClearLog();
            switch (input_.ConsumeIntegralInRange(0, 8)) {
            case 0:
                WaitForByte();
                break;
            case 1:
                SendCommand();
                break;
            case 2:
                Query();
                break;
            case 3:
                ReadLine();
                break;
            case 4:
                WriteLine();
                break;
            case 5:
                StartPolling();
                break;
            case 6:
                Tick();
                break;
            case 7:
                Reopen();
                break;
            default:
                port_.Close();
                break;
            }
        }
    }

private:
    // Reads can fail only on a closed port or once the far end hung up.
    bool ReadsCanFail() const { return !port_.IsOpen() || !peer_.LineUp(); }
    SimTime Elapsed(SimTime since) const { return driver_.Now() - since; }

    // Each read that reached the peer took at most one read time-out; failed reads none.
    void CheckReadTime(SimTime start) const {
        const auto reads = static_cast<SimTime::rep>(peer_.Reads().size());
        Require(Elapsed(start) <= ReadTimeout * reads, "no read waits beyond its time-out");
    }

    char PickHandshakeByte() {
        switch (input_.ConsumeIntegralInRange(0, 4)) {
        case 0:
            return Protocol::XON;
        case 1:
            return Protocol::XOFF;
        case 2:
            return Protocol::ACK;
        case 3:
            return Protocol::NAK;
        default:
            return input_.ConsumeIntegral<char>();
        }
    }

    int PickChannel() { return input_.ConsumeIntegralInRange(0, ChannelCount - 1); }

    // A command the program sends, or a long text to see lines cut.
    std::string PickText() {
        switch (input_.ConsumeIntegralInRange(0, 12)) {
        case 0:
            return std::string(Protocol::NameQuery);
        case 1:
            return std::string(Protocol::VersionQuery);
        case 2:
            return std::string(Protocol::ResetCommand);
        case 3:
            return std::string(Protocol::StatusQuery);
        case 4:
            return Protocol::RegisterQuery(PickChannel());
        case 5:
            return Protocol::PowerQuery(PickChannel());
        case 6:
            return Protocol::MerQuery(PickChannel());
        case 7:
            return Protocol::BerQuery(PickChannel());
        case 8:
            return MemoryCommands::Read(input_.ConsumeIntegral<std::uint16_t>(),
                                        input_.ConsumeIntegralInRange(0, 0xFFF));
        case 9: {
            const std::vector<std::uint8_t> bytes(input_.ConsumeIntegralInRange(0, 130),
                                                  input_.ConsumeIntegral<std::uint8_t>());
            return MemoryCommands::Write(input_.ConsumeIntegral<std::uint16_t>(), bytes);
        }
        case 10:
            return std::string(Protocol::ResyncLine);
        case 11:
            return {};
        default:
            return std::string(input_.ConsumeIntegralInRange<std::size_t>(0, MaxCapacity),
                               static_cast<char>('A' + input_.ConsumeIntegralInRange(0, 25)));
        }
    }

    void WaitForByte() {
        const char expected = PickHandshakeByte();
        const auto wanted = static_cast<std::uint8_t>(expected);
        const SimTime start = driver_.Now();
        const bool seen = port_.WaitForByte(expected);
        const Reads& reads = peer_.Reads();
        Require(port_.LastOk() == seen, "a wait's outcome is the port's last outcome");
        Require(Silences(reads) <= MaxMisses, "a wait gives up after 32 reads without a byte");
        if (std::none_of(reads.begin(), reads.end(),
                         [](const auto& read) { return !read.Silent; })) {
            Require(Elapsed(start) <= ReadTimeout * static_cast<SimTime::rep>(MaxMisses),
                    "a silent wait lasts at most 32 read time-outs");
        }
        CheckReadTime(start);
        Require(peer_.Writes().empty(), "a wait writes nothing");
        const bool endedOnByte = !reads.empty() && !reads.back().Silent;
        const Reads before(reads.begin(), reads.end() - (endedOnByte ? 1 : 0));
        Require(!Took(before, wanted), "a wait ends at the first expected byte");
        const bool ackWait = expected == Protocol::ACK;
        if (ackWait) {
            Require(!Took(before, Protocol::NAK), "a wait for ACK ends at the first NAK");
        }
        if (seen) {
            Require(endedOnByte && reads.back().Byte == wanted, "a wait succeeds on its byte");
            return;
        }
        const bool refused = ackWait && endedOnByte && reads.back().Byte == Protocol::NAK;
        Require(refused || Silences(reads) == MaxMisses || ReadsCanFail(),
                "a wait fails only on NAK, 32 misses or a failed read");
    }

    void SendCommand() {
        const std::string text = PickText();
        const SimTime start = driver_.Now();
        const bool taken = port_.SendCommand(text);
        const auto& writes = peer_.Writes();
        Require(port_.LastOk() == taken, "a command's outcome is the port's last outcome");
        Require(writes.size() <= 1, "a command is written at most once");
        if (taken) {
            Require(writes.size() == 1, "a taken command was written");
        }
        if (!writes.empty()) {
            Require(writes.front().Bytes == LineOnWire(text),
                    "a command goes out as at most 253 characters and CR LF");
        }
        CheckReadTime(start);
    }

    void Query() {
        Storage storage;
        storage.fill(GuardByte);
        const std::span<char> buffer(storage.data(), BufferSize);
        const std::string text = PickText();
        PutText(buffer, text);
        const std::string command(TextOf(buffer));
        const Storage before = storage;
        const auto capacity = input_.ConsumeIntegralInRange<std::size_t>(0, MaxCapacity);
        const std::size_t room = std::min(capacity, BufferSize - 1);
        const SimTime start = driver_.Now();

        const bool answered = port_.Query(buffer, capacity);

        Require(port_.LastOk() == answered, "a query's outcome is the port's last outcome");
        Require(std::equal(storage.begin() + static_cast<std::ptrdiff_t>(room) + 1, storage.end(),
                           before.begin() + static_cast<std::ptrdiff_t>(room) + 1),
                "a reply never reaches beyond its capacity");
        const std::string_view reply = TextOf(buffer);
        CheckReadTime(start);
        const auto& writes = peer_.Writes();
        Require(writes.size() <= 1, "a query's command is written at most once");
        if (!writes.empty()) {
            Require(writes.front().Bytes == LineOnWire(command),
                    "a query sends the command its buffer held");
        }
        if (!answered && !ReadsCanFail()) {
            Require(reply == command, "a failed query leaves the command in its buffer");
            return;
        }
        if (!answered && reply == command) {
            return; // a failed handshake on a line that went down
        }
        Require(reply.size() <= room, "a reply is NUL-terminated within its capacity");
        Require(writes.size() == 1, "a reply comes only after the command went out");
        Require(HasNoControl(reply), "a reply's text holds no control character");
        const auto& reads = peer_.Reads();
        const std::string shown = ShownText(
            reads.begin() + static_cast<std::ptrdiff_t>(writes.front().ReadsBefore), reads.end());
        Require(shown.ends_with(reply) ||
                    shown.find(std::string(reply) + '\0') != std::string::npos,
                "a reply is the last line read after the command");
    }

    void ReadLine() {
        Storage storage;
        storage.fill(GuardByte);
        const auto size = input_.ConsumeIntegralInRange<std::size_t>(0, BufferSize);
        const auto capacity = input_.ConsumeIntegralInRange<std::size_t>(0, MaxCapacity);
        const std::span<char> buffer(storage.data(), size);
        const Storage before = storage;
        const SimTime start = driver_.Now();

        const bool read = port_.ReadLine(buffer, capacity);

        CheckReadTime(start);
        Require(port_.LastOk() == read, "a read's outcome is the port's last outcome");
        if (size == 0) {
            Require(!read && storage == before, "an empty buffer takes no line");
            return;
        }
        const std::size_t room = std::min(capacity, size - 1);
        Require(std::equal(storage.begin() + static_cast<std::ptrdiff_t>(room) + 1, storage.end(),
                           before.begin() + static_cast<std::ptrdiff_t>(room) + 1),
                "a line never reaches beyond its capacity");
        const std::string_view line = TextOf(buffer.first(room + 1));
        Require(line.size() <= room, "a line is NUL-terminated within its capacity");
        Require(read || ReadsCanFail(), "a line read fails only when a read failed");
        const Reads& reads = peer_.Reads();
        Require(reads.size() <= room, "a line takes one read per position");
        Require(HasNoControl(line), "a line's text holds no control character");
        Require(line == ExpectedLine(reads), "a line shows the bytes that came, in order");
        Require(peer_.Writes().empty(), "reading writes nothing");
    }

    void WriteLine() {
        const std::string text = PickText();
        const bool written = port_.WriteLine(text);
        const auto& writes = peer_.Writes();
        Require(written == !ReadsCanFail(), "a line goes out while the port is open and up");
        Require(writes.size() == (written ? 1u : 0u), "a line is written once");
        if (written) {
            Require(writes.front().Bytes == LineOnWire(text),
                    "a line goes out as at most 253 characters and CR LF");
        }
        Require(peer_.Reads().empty(), "writing reads nothing");
    }

    // The reads that followed the last write of `command` within this step, as shown.
    std::string ShownAfter(const std::string& command) const {
        const auto& writes = peer_.Writes();
        const auto& reads = peer_.Reads();
        const std::string line = LineOnWire(command);
        for (std::size_t k = writes.size(); k-- > 0;) {
            if (writes[k].Bytes != line) {
                continue;
            }
            const std::size_t end =
                k + 1 < writes.size() ? writes[k + 1].ReadsBefore : reads.size();
            return ShownText(reads.begin() + static_cast<std::ptrdiff_t>(writes[k].ReadsBefore),
                             reads.begin() + static_cast<std::ptrdiff_t>(end));
        }
        return {};
    }

    // A reading that changed came from the reply to its own query in this step.
    void CheckFromReply(const std::string& reading, const std::string& previous,
                        const std::string& command) const {
        if (reading == previous || reading.empty()) {
            return;
        }
        Require(ShownAfter(command).find(reading) != std::string::npos,
                "a reading comes from the reply to its own query, never from older bytes");
        Require(HasNoControl(reading), "a reading holds no control character");
    }

    void StartPolling() {
        const SimTime start = driver_.Now();
        poller_.Start();
        CheckReadTime(start);
        Require(poller_.PollChannel() == 0, "polling starts at channel 0");
        for (int channel = 0; channel < ChannelCount; ++channel) {
            const ChannelReadings& readings = poller_.Readings()[channel];
            Require(readings.Power.empty() && readings.Mer.empty() && readings.Ber.empty() &&
                        !readings.Alarm && !readings.Warning,
                    "starting clears the measurements");
            Require(readings.Frequency.size() <= FrequencyLength,
                    "a frequency holds at most 9 characters");
            CheckFromReply(readings.Frequency, {}, Protocol::RegisterQuery(channel));
        }
    }

    void Tick() {
        const int channel = poller_.PollChannel();
        const MonitorPoller::Channels before = poller_.Readings();
        const SimTime start = driver_.Now();
        const TickOutcome outcome = poller_.Tick();
        CheckReadTime(start);
        const MonitorPoller::Channels& after = poller_.Readings();
        Require(outcome.PolledChannel == channel, "a tick reads the channel whose turn it is");
        Require(poller_.PollChannel() == (channel + 1) % ChannelCount,
                "the turn moves on to the next channel, 0 to 5");
        for (int other = 0; other < ChannelCount; ++other) {
            Require(after[other].Frequency == before[other].Frequency,
                    "a tick leaves the frequencies alone");
            if (outcome.StatusLost) {
                Require(after[other].Active == before[other].Active &&
                            after[other].Alarm == before[other].Alarm &&
                            after[other].Warning == before[other].Warning,
                        "a lost status leaves the flags as they were");
            }
            if (other == channel) {
                continue;
            }
            Require(after[other].Power == before[other].Power &&
                        after[other].Mer == before[other].Mer &&
                        after[other].Ber == before[other].Ber,
                    "a tick measures only its own channel");
        }
        const ChannelReadings& polled = after[channel];
        CheckFromReply(polled.Mer, before[channel].Mer, Protocol::MerQuery(channel));
        CheckFromReply(polled.Ber, before[channel].Ber, Protocol::BerQuery(channel));
        if (polled.Power != before[channel].Power) {
            Require(!ShownAfter(Protocol::PowerQuery(channel)).empty(),
                    "a power comes from the reply to its own query");
            Require(IsShownPower(polled.Power), "a power shows as a number with two decimals");
        }
    }

    void Reopen() {
        port_.Close();
        Require(port_.Open(), "a closed port opens again");
        port_.Configure();
    }

    FuzzedDataProvider& input_;
    FuzzedPeer peer_;
    SimulatedDriver driver_;
    SerialPort port_{driver_, 0};
    MonitorPoller poller_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider input(bytes, size);
    Session session(input);
    session.Run();
    return 0;
}
