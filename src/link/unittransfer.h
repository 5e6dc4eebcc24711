// Conversations on one open port that read a unit's settings, write a script into it, and
// read back what was written: receiving, sending and verifying, for the window and the
// command line alike.
#pragma once

#include "profile/equipmentprofile.h"
#include "profile/profilecompare.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class SerialPort;

// What a conversation tells whoever runs it. Every hook does nothing unless overridden.
class TransferEvents {
public:
    virtual ~TransferEvents() = default;
    // One line for the activity log, exactly as the window writes it.
    virtual void AppendLine(const std::string& line) { (void)line; }
    // Before each request to the unit; `done` requests of at most `total` are behind. The
    // window lets pending events through here; the command line draws its progress.
    virtual void BeforeRequest(int done, int total) {
        (void)done;
        (void)total;
    }
    // Asked after BeforeRequest: true ends the conversation there, with no further exchange.
    virtual bool StopRequested() { return false; }
};

// Who answered on a port.
struct UnitIdentity {
    std::string ModelName;  // upper case, at most 16 characters
    std::uint32_t ModelRow; // row of the model table, or UnknownModelRow
    float FirmwareVersion;  // 0 when the version query failed or held no number
};

// Asks the unit on an open, configured port for its name and version. None when the name
// query failed, came back empty or held no name; a name outside the model table still
// comes back, with UnknownModelRow.
std::optional<UnitIdentity> IdentifyUnit(SerialPort& port);

// One block read on an open port. `data` receives the reply's data digits (nothing from a
// reply too short to hold any) when the query went through; `logged` what the log shows:
// the reply, or the command when the exchange failed. False when the query failed or the
// reply was empty.
bool ReadBlock(SerialPort& port, std::uint16_t address, int length, std::string& data,
               std::string& logged);

// One memory block as a reading got it: its address and the data digits of the reply.
struct ReceivedBlock {
    std::uint16_t Address = 0;
    std::string Data;
};

// How reading a unit went: the configuration, the six points and the 32 messages in three
// steps; a step ends at its first failed request and the next step still runs.
struct UnitReading {
    static constexpr int RequestCount = 39;
    int FailedSteps = 0;               // 0 to 3
    int BlocksRead = 0;                // requests answered, at most 39
    bool Stopped = false;              // a stop ended it before every request was made
    std::vector<ReceivedBlock> Blocks; // the answered requests' blocks, in order
    bool Complete() const { return FailedSteps == 0 && !Stopped; }
};

// Reads the unit on an open port with the window's log lines: "loading configuration
// data...", each reply or failed command, and so on.
UnitReading ReadUnitBlocks(SerialPort& port, TransferEvents& events);
// The same, stored into `profile` over what it holds (the window loads the defaults first).
UnitReading ReadUnit(SerialPort& port, EquipmentProfile& profile, TransferEvents& events);

// Executes one script line on an open port: comments and lines that are not data lines
// succeed without traffic; a data line is sent as a command and counted in `sentLines`; a
// "send" without a usable argument fails.
bool ExecuteScriptLine(SerialPort& port, std::string_view line, int& sentLines);

// One memory block a script writes: its address and its data digits as sent.
struct WrittenBlock {
    std::uint16_t Address = 0;
    std::string Data;
};

// The blocks the data lines of a script write, in order, up to the first malformed line.
std::vector<WrittenBlock> ScriptBlocks(const ScriptLineList& lines);

// How sending a script went.
struct ScriptRun {
    bool Completed = false;            // every line went through
    bool Stopped = false;              // a stop ended it before the next line; no reset
    int SentLines = 0;                 // data lines handed to the unit
    std::size_t TotalLines = 0;        // lines of the script
    std::string FailedLine;            // the line the run stopped at, when it did not complete
    std::vector<WrittenBlock> Written; // blocks the unit accepted, in order
};

// Sends a script's lines on an open port as the window's Send does: every line logged with
// " OK" or as "error at: " with the line, the first failure ending the run; on success
// "<fileName> sent to remote equipment" and "processed N data lines of M". The reset
// command ends the conversation, whatever happened before, unless a stop ended it.
ScriptRun SendScript(SerialPort& port, const ScriptLineList& lines, std::string_view fileName,
                     TransferEvents& events);

// How reading back written blocks went.
struct Verification {
    int Blocks = 0;          // blocks to verify
    int Matching = 0;        // blocks read back equal to what was written
    bool ReadFailed = false; // the unit stopped answering; the blocks after it were not read
    std::vector<std::string> Problems; // "point 3 differs: frequency: file ..., unit ..."
    bool Ok() const { return !ReadFailed && Problems.empty(); }
    // "verified: 7 blocks match" or "verify FAILED: " with the first problem.
    std::string Summary() const;
};

// Reads back every block on an open port and compares the digits the unit returns with the
// ones written (in either letter case). A differing block is described field by field
// where it is one of the map's blocks.
Verification VerifyBlocks(SerialPort& port, const std::vector<WrittenBlock>& blocks,
                          TransferEvents& events);
