// The terminal's serial port on the network.
#include "link/device/networkterminalport.h"

namespace {

// The numbers a local port gives for the same faults.
constexpr int NotFoundError = 2;
constexpr int GoneError = 5;
constexpr int NotOpenError = 6;
constexpr int WriteFailedError = 29;
constexpr int NotWorkingError = 31;
constexpr int TimedOutError = 121;

int ErrorNumber(NetworkLine::OpenResult result) {
    switch (result) {
    case NetworkLine::OpenResult::Opened:
        return 0;
    case NetworkLine::OpenResult::Refused:
    case NetworkLine::OpenResult::NotFound:
        return NotFoundError;
    case NetworkLine::OpenResult::TimedOut:
        return TimedOutError;
    case NetworkLine::OpenResult::NoComPort:
    case NetworkLine::OpenResult::HungUp:
    case NetworkLine::OpenResult::Failed:
        break;
    }
    return NotWorkingError;
}

} // namespace

int NetworkTerminalPort::Open(const std::string& device) {
    line_.Close();
    const std::optional<NetworkAddress> address = ParseNetworkAddress(device);
    if (!address)
        return NotFoundError;
    return ErrorNumber(line_.Open(*address));
}

int NetworkTerminalPort::ReadLineSettings() {
    return line_.IsOpen() ? 0 : NotOpenError;
}

int NetworkTerminalPort::WriteLineSettings(int baudRate) {
    if (!line_.IsOpen())
        return NotOpenError;
    const LineSettings settings{
        static_cast<std::uint32_t>(baudRate), 8, Parity::None, StopBits::One, false, false, false};
    if (line_.SetLine(settings))
        return 0;
    return line_.Gone() ? GoneError : WriteFailedError;
}

void NetworkTerminalPort::SetDtr(bool raised) {
    line_.SetModemLine(raised ? ModemControl::SetDtr : ModemControl::ClearDtr);
}

void NetworkTerminalPort::SetRts(bool raised) {
    line_.SetModemLine(raised ? ModemControl::SetRts : ModemControl::ClearRts);
}

int NetworkTerminalPort::Write(std::uint8_t byte) {
    if (!line_.IsOpen())
        return NotOpenError;
    const char character = static_cast<char>(byte);
    if (line_.Write(std::string_view(&character, 1), WriteTimeoutMs))
        return 0;
    return line_.Gone() ? GoneError : TimedOutError;
}

int NetworkTerminalPort::ReadAvailable(std::vector<std::uint8_t>& bytes, std::size_t limit) {
    if (!line_.IsOpen())
        return NotOpenError;
    line_.TakeData(bytes, limit);
    if (line_.HasData())
        return 0; // the failure waits behind the bytes that came before it
    return line_.Gone() ? GoneError : 0;
}
