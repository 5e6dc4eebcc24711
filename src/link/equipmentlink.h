// The link to the unit as the main window holds it, and the conversations over it:
// detection, sending a profile, receiving a profile.
#pragma once

#include "link/modeltable.h"
#include "link/serialport.h"
#include "link/stopflag.h"
#include "link/unittransfer.h"
#include "profile/equipmentprofile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// What a conversation tells the window that runs it.
class LinkEvents {
public:
    virtual ~LinkEvents() = default;
    virtual void AppendLine(const std::string& line) = 0;
    // Lets the window handle what the user did meanwhile.
    virtual void ProcessPendingEvents() = 0;
    // A detection run starts: nothing is known about the unit any more.
    virtual void DetectionStarted() = 0;
    // A port opened during detection; `holdsUnit` tells whether a unit answered on it.
    virtual void PortTried(bool holdsUnit) = 0;
    // A unit answered with the name of table row `row`.
    virtual void ModelRecognised(std::uint32_t row) = 0;
    // Detection ended with a unit found.
    virtual void EquipmentDetected(const std::string& modelName, const std::string& portName) = 0;
};

// A conversation of the window on the link: its lines go to the log, before each request
// the window handles what the user did meanwhile (unless `between` says to leave it to the
// end), and `stop` (when given) ends it between exchanges.
class LinkTransferEvents : public TransferEvents {
public:
    enum class Between : bool { HandleEvents, LeaveEvents };

    explicit LinkTransferEvents(LinkEvents& events, const StopFlag* stop = nullptr,
                                Between between = Between::HandleEvents)
        : events_(events), stop_(stop), between_(between) {}
    void AppendLine(const std::string& line) override { events_.AppendLine(line); }
    void BeforeRequest(int done, int total) override {
        if (done < total && between_ == Between::HandleEvents)
            events_.ProcessPendingEvents();
    }
    bool StopRequested() override { return stop_ && stop_->Requested(); }

private:
    LinkEvents& events_;
    const StopFlag* stop_;
    Between between_;
};

enum class SendOutcome {
    NoUnit,     // no unit was found; nothing went on the wire, the window reports it
    Sent,       // every line went through
    LineFailed, // a line failed; the lines after it were not sent
    Error,      // an error was raised while sending
    Stopped,    // a stop was requested; the lines after the last one sent were not sent
};

enum class ReceiveOutcome {
    NoUnit,     // no unit was found; the window reports it
    Complete,   // every request was answered
    Incomplete, // at least one request failed; the profile holds what came before it
    Error,      // an error was raised while receiving
    Stopped,    // a stop was requested; the blocks hold what came before it
};

// What a receive read, in the order it came, and how it ended.
struct ReceivedProfile {
    ReceiveOutcome Outcome = ReceiveOutcome::NoUnit;
    std::vector<ReceivedBlock> Blocks;

    // Stores every block into `profile` in the order it came; the profile takes what fits
    // its map.
    void ApplyTo(EquipmentProfile& profile) const;
};

class EquipmentLink {
public:
    // The driver must outlive the link.
    explicit EquipmentLink(PortDriver& driver);
    // Closes a port that is still held.
    ~EquipmentLink();
    EquipmentLink(const EquipmentLink&) = delete;
    EquipmentLink& operator=(const EquipmentLink&) = delete;

    bool EquipmentFound() const { return equipmentFound_; }
    int PortIndex() const { return portIndex_; }
    std::uint32_t ModelIndex() const { return modelIndex_; }
    const std::string& ModelName() const { return modelName_; }
    float FirmwareVersion() const { return firmwareVersion_; }
    int SentLineCount() const { return sentLineCount_; }
    // The port of the current conversation, or none.
    SerialPort* Port() const { return port_.get(); }

    // Set to end the conversation in progress after its current exchange: detection tries
    // no further port, Send and Receive send no further command and close the port. While
    // it is set no conversation starts. The link never clears it.
    StopFlag& Stop() { return *stop_; }
    bool StopRequested() const { return stop_->Requested(); }
    // Makes the link read `flag` (which must outlive it) instead of its own.
    void ShareStop(StopFlag& flag) { stop_ = &flag; }

    // Searches COM1 to COM8 for a unit, stopping at the first that answers.
    void Detect(LinkEvents& events);
    // With Port open and configured, asks the unit for its name and version. True when the
    // name is one of the model table.
    bool IdentifyEquipment(LinkEvents& events);
    // Detects first when no unit is known; then opens a fresh port on the unit's port.
    // False when no unit is known.
    bool OpenLink(LinkEvents& events);
    // Closes and discards the port.
    void CloseLink();

    // Executes one script line on Port: comments and lines that are not data lines succeed
    // without traffic; a data line is sent as a command. A "send" without a usable
    // argument fails.
    bool ExecuteScriptLine(std::string_view line);
    // Writes a profile into the unit: sends `script` (the PRO lines the window built from
    // the profile, named `scriptName` in the log) line by line and ends with the reset
    // command, unless a stop ended it.
    SendOutcome SendProfile(const ScriptLineList& script, const std::string& scriptName,
                            LinkEvents& events);
    // Reads the unit's configuration, detection points and messages.
    ReceivedProfile ReceiveProfile(LinkEvents& events);

private:
    // Logs that the conversation ends early; true when a stop was requested.
    bool Stopping(LinkEvents& events);

    PortDriver& driver_;
    StopFlag ownStop_;
    StopFlag* stop_ = &ownStop_;
    std::unique_ptr<SerialPort> port_;
    bool equipmentFound_ = false;
    int portIndex_ = -1;
    std::uint32_t modelIndex_ = 0;
    std::string modelName_;
    float firmwareVersion_ = 0.0f;
    int sentLineCount_ = 0;
};
