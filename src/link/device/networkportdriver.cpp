// Serial ports on the network behind the PortDriver interface.
#include "link/device/networkportdriver.h"

#include "link/device/networkline.h"
#include "link/networkaddress.h"
#include "link/portnames.h"

namespace {

// Writes are not timed by the link; this only keeps a wedged connection from hanging the
// program for good.
constexpr int WriteLimitMs = 10000;

OpenFailure OpenFailureOf(NetworkLine::OpenResult result) {
    switch (result) {
    case NetworkLine::OpenResult::Opened:
        return OpenFailure::None;
    case NetworkLine::OpenResult::Refused:
    case NetworkLine::OpenResult::NotFound:
        return OpenFailure::Missing;
    default:
        return OpenFailure::Other;
    }
}

} // namespace

struct NetworkPortDriver::Port {
    NetworkLine Line;
    // Until the link sets the line, it runs as the unit's ports do.
    LineSettings Settings{115200, 8, Parity::None, StopBits::One, false, false, false};
    int ReadTimeoutMs = 0;
};

NetworkPortDriver::NetworkPortDriver() = default;

NetworkPortDriver::~NetworkPortDriver() = default;

PortHandle NetworkPortDriver::Open(std::string_view portName) {
    const std::optional<NetworkAddress> address = ParseNetworkAddress(PortDevicePath(portName));
    if (!address) {
        lastOpenFailure_ = OpenFailure::Missing;
        lastOpenResult_ = NetworkLine::OpenResult::NotFound;
        return InvalidPortHandle;
    }
    auto port = std::make_unique<Port>();
    const NetworkLine::OpenResult result = port->Line.Open(*address);
    lastOpenFailure_ = OpenFailureOf(result);
    lastOpenResult_ = result;
    if (result != NetworkLine::OpenResult::Opened)
        return InvalidPortHandle;
    const PortHandle handle = nextHandle_++;
    ports_.emplace(handle, std::move(port));
    return handle;
}

bool NetworkPortDriver::Purge(PortHandle handle, PurgeQueue queue) {
    Port* port = Find(handle);
    if (!port)
        return false;
    return queue == PurgeQueue::Transmit ? port->Line.PurgeTransmit() : port->Line.PurgeReceived();
}

bool NetworkPortDriver::GetLineSettings(PortHandle handle, LineSettings& settings) {
    Port* port = Find(handle);
    if (!port)
        return false;
    settings = port->Settings;
    return true;
}

bool NetworkPortDriver::SetLineSettings(PortHandle handle, const LineSettings& settings) {
    Port* port = Find(handle);
    if (!port || !port->Line.SetLine(settings))
        return false;
    port->Settings = settings;
    return true;
}

bool NetworkPortDriver::SetTimeouts(PortHandle handle, const PortTimeouts& timeouts) {
    Port* port = Find(handle);
    if (!port)
        return false;
    // Every read is of one byte, so its limit is the multiplier plus the constant.
    port->ReadTimeoutMs =
        static_cast<int>(timeouts.ReadTotalTimeoutMultiplier + timeouts.ReadTotalTimeoutConstant);
    return true;
}

bool NetworkPortDriver::EscapeFunction(PortHandle handle, ModemControl function) {
    Port* port = Find(handle);
    return port && port->Line.SetModemLine(function);
}

ByteRead NetworkPortDriver::ReadByte(PortHandle handle) {
    Port* port = Find(handle);
    if (!port)
        return {ReadStatus::Failed, 0};
    const ByteRead read = port->Line.ReadByte(port->ReadTimeoutMs);
    // A dropped connection is a gone line: the port is closed, as a local one would be.
    if (read.Status == ReadStatus::Failed)
        Close(handle);
    return read;
}

bool NetworkPortDriver::Write(PortHandle handle, std::string_view bytes, std::uint32_t& written) {
    written = 0;
    Port* port = Find(handle);
    if (!port || !port->Line.Write(bytes, WriteLimitMs))
        return false;
    written = static_cast<std::uint32_t>(bytes.size());
    return true;
}

void NetworkPortDriver::Close(PortHandle handle) {
    ports_.erase(handle);
}

NetworkPortDriver::Port* NetworkPortDriver::Find(PortHandle handle) {
    auto found = ports_.find(handle);
    return found == ports_.end() ? nullptr : found->second.get();
}
