// Detection, sending and receiving over the link to the unit.
#include "link/equipmentlink.h"

#include "link/portnames.h"
#include "link/protocol.h"
#include "link/unittransfer.h"

#include <cassert>
#include <cstdio>
#include <exception>

namespace {

constexpr std::string_view DetectingLine = "Detecting equipment and COM port";
constexpr std::string_view NotAvailableSuffix = " not available";
constexpr std::string_view PermissionDeniedSuffix =
    " -> permission denied: add yourself to the dialout group";
constexpr std::string_view NotUsedSuffix = " -> not used";
constexpr std::string_view ReceivedLine = "received data from remote equipment";
constexpr std::string_view StoppedLine = "stopped: the program is ending";

std::string IdentificationLine(std::string_view portName, const std::string& modelName,
                               float version) {
    // A float prints with at most 39 digits before the point.
    char versionText[64];
    std::snprintf(versionText, sizeof versionText, "ver%4.2f", static_cast<double>(version));
    std::string line(portName);
    line += " -> " + modelName + " " + versionText;
    return line;
}

} // namespace

void ReceivedProfile::ApplyTo(EquipmentProfile& profile) const {
    for (const ReceivedBlock& block : Blocks)
        profile.ApplyDataBlock(block.Address, block.Data);
}

EquipmentLink::EquipmentLink(PortDriver& driver) : driver_(driver) {}

EquipmentLink::~EquipmentLink() {
    CloseLink();
}

void EquipmentLink::Detect(LinkEvents& events) {
    events.AppendLine(std::string(DetectingLine));
    events.ProcessPendingEvents();

    CloseLink();
    port_ = std::make_unique<SerialPort>(driver_, 1);
    equipmentFound_ = false;
    portIndex_ = -1;
    events.DetectionStarted();

    for (int index = 0; index < SerialPort::PortCount; ++index) {
        if (Stopping(events))
            break;
        port_->SelectPort(index);
        // A port on the network is named with its address, so the technician sees which
        // site answered or failed; a local port by its name alone.
        const std::string portName = PortLabel(port_->PortName());
        if (!port_->Open()) {
            events.AppendLine(portName + std::string(NotAvailableSuffix));
            if (driver_.LastOpenFailure() == OpenFailure::PermissionDenied)
                events.AppendLine(portName + std::string(PermissionDeniedSuffix));
            continue;
        }
        events.ProcessPendingEvents();
        port_->Configure();
        if (IdentifyEquipment(events)) {
            events.PortTried(true);
            events.AppendLine(IdentificationLine(portName, modelName_, firmwareVersion_));
            equipmentFound_ = true;
            portIndex_ = index;
            break;
        }
        events.PortTried(false);
        events.AppendLine(portName + std::string(NotUsedSuffix));
        port_->Close();
    }

    if (!equipmentFound_)
        return;
    // Selecting closes the port; the port object stays, closed, for the unit's port.
    port_->SelectPort(portIndex_);
    events.EquipmentDetected(modelName_, std::string(port_->PortName()));
}

bool EquipmentLink::IdentifyEquipment(LinkEvents& events) {
    assert(port_ && "identification needs an open port");
    const std::optional<UnitIdentity> identity = IdentifyUnit(*port_);
    // A name outside the table is no unit of ours: nothing is sent to it by accident.
    if (!identity || identity->ModelRow == UnknownModelRow)
        return false;
    modelIndex_ = identity->ModelRow;
    modelName_ = identity->ModelName;
    firmwareVersion_ = identity->FirmwareVersion;
    events.ModelRecognised(identity->ModelRow);
    return true;
}

bool EquipmentLink::OpenLink(LinkEvents& events) {
    if (!equipmentFound_)
        Detect(events);
    if (!equipmentFound_)
        return false;
    CloseLink();
    // Open and Configure are not checked: an unusable port shows as failing exchanges.
    port_ = std::make_unique<SerialPort>(driver_, portIndex_);
    port_->SelectPort(portIndex_);
    port_->Open();
    port_->Configure();
    return true;
}

bool EquipmentLink::Stopping(LinkEvents& events) {
    if (!stop_->Requested())
        return false;
    events.AppendLine(std::string(StoppedLine));
    return true;
}

void EquipmentLink::CloseLink() {
    if (!port_)
        return;
    port_->Close();
    port_.reset();
}

bool EquipmentLink::ExecuteScriptLine(std::string_view line) {
    assert((port_ || ParseScriptLine(line).Kind != ScriptLineKind::DataLine) &&
           "a data line needs an open port");
    if (!port_)
        return ParseScriptLine(line).Kind == ScriptLineKind::Ignored;
    return ::ExecuteScriptLine(*port_, line, sentLineCount_);
}

SendOutcome EquipmentLink::SendProfile(const ScriptLineList& script, const std::string& scriptName,
                                       LinkEvents& events) {
    if (stop_->Requested())
        return SendOutcome::Stopped;
    // No unit: the window reports it, with a beep first.
    if (!OpenLink(events))
        return stop_->Requested() ? SendOutcome::Stopped : SendOutcome::NoUnit;

    SendOutcome outcome = SendOutcome::Sent;
    try {
        // A send is a few short exchanges: drawing the log between them would slow it.
        LinkTransferEvents transfer(events, stop_, LinkTransferEvents::Between::LeaveEvents);
        const ScriptRun run = SendScript(*port_, script, scriptName, transfer);
        sentLineCount_ = run.SentLines;
        if (run.Stopped) {
            Stopping(events);
            outcome = SendOutcome::Stopped;
        } else if (!run.Completed) {
            outcome = SendOutcome::LineFailed;
        }
    } catch (const std::exception&) {
        outcome = SendOutcome::Error;
        // The unit takes the stored settings into use on reset, whatever happened before.
        port_->SendCommand(Protocol::ResetCommand);
    }
    CloseLink();
    return outcome;
}

ReceivedProfile EquipmentLink::ReceiveProfile(LinkEvents& events) {
    ReceivedProfile received;
    if (stop_->Requested()) {
        received.Outcome = ReceiveOutcome::Stopped;
        return received;
    }
    if (!OpenLink(events)) {
        if (stop_->Requested())
            received.Outcome = ReceiveOutcome::Stopped;
        return received;
    }

    received.Outcome = ReceiveOutcome::Complete;
    try {
        sentLineCount_ = 0;
        // All three steps run whatever the earlier ones gave.
        LinkTransferEvents transfer(events, stop_);
        UnitReading reading = ReadUnitBlocks(*port_, transfer);
        received.Blocks = std::move(reading.Blocks);
        if (Stopping(events))
            received.Outcome = ReceiveOutcome::Stopped;
        else if (!reading.Complete())
            received.Outcome = ReceiveOutcome::Incomplete;
        else
            events.AppendLine(std::string(ReceivedLine));
    } catch (const std::exception&) {
        received.Outcome = ReceiveOutcome::Error;
    }
    CloseLink();
    return received;
}
