// A serial port driver for tests: ports wired to simulated peers, timed on a virtual clock.
#include "link/sim/simulateddriver.h"

#include <cassert>

void SimulatedDriver::AddPort(std::string_view portName) {
    Added(portName);
}

void SimulatedDriver::AttachPeer(std::string_view portName, LinePeer& peer) {
    Added(portName).Peer = &peer;
}

void SimulatedDriver::FailGetLineSettings(std::string_view portName, bool fail) {
    Added(portName).FailGet = fail;
}

void SimulatedDriver::FailSetLineSettings(std::string_view portName, bool fail) {
    Added(portName).FailSet = fail;
}

void SimulatedDriver::DenyPermission(std::string_view portName, bool deny) {
    Added(portName).Denied = deny;
}

void SimulatedDriver::PresetLineSettings(std::string_view portName, const LineSettings& settings) {
    Added(portName).Line = settings;
}

bool SimulatedDriver::IsOpen(std::string_view portName) const {
    return Known(portName).Handle != InvalidPortHandle;
}

bool SimulatedDriver::Dtr(std::string_view portName) const {
    return Known(portName).Dtr;
}

bool SimulatedDriver::Rts(std::string_view portName) const {
    return Known(portName).Rts;
}

const std::string& SimulatedDriver::Wire(std::string_view portName) const {
    return Known(portName).Wire;
}

const std::vector<std::string>& SimulatedDriver::Operations(std::string_view portName) const {
    return Known(portName).Operations;
}

const LineSettings& SimulatedDriver::Settings(std::string_view portName) const {
    return Known(portName).Line;
}

const PortTimeouts& SimulatedDriver::Timeouts(std::string_view portName) const {
    return Known(portName).Timeouts;
}

PortHandle SimulatedDriver::Open(std::string_view portName) {
    auto found = ports_.find(portName);
    if (found == ports_.end()) {
        lastOpenFailure_ = OpenFailure::Missing;
        return InvalidPortHandle;
    }
    Port& port = found->second;
    port.Operations.emplace_back("Open");
    if (port.Denied) {
        lastOpenFailure_ = OpenFailure::PermissionDenied;
        return InvalidPortHandle;
    }
    if (port.Handle != InvalidPortHandle) {
        lastOpenFailure_ = OpenFailure::Busy; // ports open exclusively
        return InvalidPortHandle;
    }
    lastOpenFailure_ = OpenFailure::None;
    port.Handle = nextHandle_++;
    return port.Handle;
}

bool SimulatedDriver::Purge(PortHandle handle, PurgeQueue queue) {
    Port* port = ByHandle(handle);
    if (!port)
        return false;
    if (queue == PurgeQueue::Transmit) {
        port->Operations.emplace_back("PurgeTx");
        return true; // writes leave at once, so the output queue is always empty
    }
    port->Operations.emplace_back("PurgeRx");
    if (port->Peer)
        port->Peer->Purge(clock_.Now());
    return true;
}

bool SimulatedDriver::GetLineSettings(PortHandle handle, LineSettings& settings) {
    Port* port = ByHandle(handle);
    if (!port)
        return false;
    port->Operations.emplace_back("GetLineSettings");
    if (port->FailGet)
        return false;
    settings = port->Line;
    return true;
}

bool SimulatedDriver::SetLineSettings(PortHandle handle, const LineSettings& settings) {
    Port* port = ByHandle(handle);
    if (!port)
        return false;
    port->Operations.emplace_back("SetLineSettings");
    if (port->FailSet)
        return false;
    port->Line = settings;
    return true;
}

bool SimulatedDriver::SetTimeouts(PortHandle handle, const PortTimeouts& timeouts) {
    Port* port = ByHandle(handle);
    if (!port)
        return false;
    port->Operations.emplace_back("SetTimeouts");
    port->Timeouts = timeouts;
    return true;
}

bool SimulatedDriver::EscapeFunction(PortHandle handle, ModemControl function) {
    Port* port = ByHandle(handle);
    if (!port)
        return false;
    switch (function) {
    case ModemControl::SetDtr:
        port->Operations.emplace_back("SetDtr");
        port->Dtr = true;
        break;
    case ModemControl::SetRts:
        port->Operations.emplace_back("SetRts");
        port->Rts = true;
        break;
    case ModemControl::ClearRts:
        port->Operations.emplace_back("ClearRts");
        port->Rts = false;
        break;
    case ModemControl::ClearDtr:
        port->Operations.emplace_back("ClearDtr");
        port->Dtr = false;
        break;
    }
    return true;
}

ByteRead SimulatedDriver::ReadByte(PortHandle handle) {
    Port* port = ByHandle(handle);
    if (!port)
        return {ReadStatus::Failed, 0};
    if (port->Peer && !port->Peer->LineUp())
        return {ReadStatus::Failed, 0};
    const auto wait = std::chrono::milliseconds(port->Timeouts.ReadTotalTimeoutMultiplier +
                                                port->Timeouts.ReadTotalTimeoutConstant);
    const SimTime deadline = clock_.Now() + wait;
    if (port->Peer) {
        if (auto byte = port->Peer->TakeByte(clock_.Now(), deadline)) {
            clock_.AdvanceTo(byte->Time);
            return {ReadStatus::Byte, byte->Byte};
        }
    }
    clock_.AdvanceTo(deadline);
    return {ReadStatus::TimedOut, 0};
}

bool SimulatedDriver::Write(PortHandle handle, std::string_view bytes, std::uint32_t& written) {
    written = 0;
    Port* port = ByHandle(handle);
    if (!port)
        return false;
    if (port->Peer && !port->Peer->LineUp())
        return false;
    port->Wire.append(bytes);
    written = static_cast<std::uint32_t>(bytes.size());
    if (port->Peer)
        port->Peer->Receive(bytes, clock_.Now());
    return true;
}

void SimulatedDriver::Close(PortHandle handle) {
    Port* port = ByHandle(handle);
    if (!port)
        return;
    port->Operations.emplace_back("Close");
    port->Handle = InvalidPortHandle;
}

SimulatedDriver::Port& SimulatedDriver::Added(std::string_view portName) {
    auto found = ports_.find(portName);
    if (found != ports_.end())
        return found->second;
    return ports_.emplace(std::string(portName), Port{}).first->second;
}

const SimulatedDriver::Port& SimulatedDriver::Known(std::string_view portName) const {
    auto found = ports_.find(portName);
    assert(found != ports_.end() && "ask only about ports that were set up");
    return found->second;
}

SimulatedDriver::Port* SimulatedDriver::ByHandle(PortHandle handle) {
    if (handle == InvalidPortHandle)
        return nullptr;
    for (auto& [name, port] : ports_) {
        if (port.Handle == handle)
            return &port;
    }
    return nullptr;
}
