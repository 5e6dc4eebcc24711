// One COM port to a unit, with the unit's byte handshake.
#include "link/serialport.h"

#include "link/exchangebuffer.h"
#include "link/protocol.h"

#include <cstdio>
#include <string>

SerialPort::SerialPort(PortDriver& driver, int index) : driver_(driver) {
    SelectPort(index);
}

void SerialPort::SelectPort(int index) {
    Close();
    // Out of range names COM2; the index follows the name so that selecting PortIndex()
    // again selects the same port.
    if (index < 0 || index >= PortCount)
        index = 1;
    selectedPort_ = static_cast<std::uint32_t>(index);
    std::snprintf(portName_, sizeof portName_, "COM%d", index + 1);
}

bool SerialPort::Open() {
    Close();
    handle_ = driver_.Open(portName_);
    if (handle_ == InvalidPortHandle)
        return false;
    driver_.Purge(handle_, PurgeQueue::Transmit);
    driver_.Purge(handle_, PurgeQueue::Receive);
    return true;
}

bool SerialPort::Configure() {
    lastOk_ = driver_.GetLineSettings(handle_, lineState_);
    if (!lastOk_)
        return false;
    lineState_.BaudRate = BaudRate;
    lineState_.ByteSize = 8;
    lineState_.Parity = Parity::None;
    lineState_.StopBits = StopBits::One;
    lineState_.OutxCtsFlow = false;
    lineState_.OutxDsrFlow = false;
    lastOk_ = driver_.SetLineSettings(handle_, lineState_);
    if (!lastOk_)
        return false;
    timeouts_ = PortTimeouts{};
    timeouts_.ReadTotalTimeoutMultiplier = ReadTimeoutMultiplier;
    timeouts_.ReadTotalTimeoutConstant = ReadTimeoutConstant;
    driver_.SetTimeouts(handle_, timeouts_);
    driver_.EscapeFunction(handle_, ModemControl::SetDtr);
    driver_.EscapeFunction(handle_, ModemControl::SetRts);
    return lastOk_;
}

void SerialPort::Close() {
    if (handle_ == InvalidPortHandle)
        return;
    driver_.EscapeFunction(handle_, ModemControl::ClearRts);
    driver_.EscapeFunction(handle_, ModemControl::ClearDtr);
    driver_.Close(handle_);
    handle_ = InvalidPortHandle;
}

bool SerialPort::WriteLine(std::string_view text) {
    std::string line(text.substr(0, MaxLineText));
    line += Protocol::LineEnd;
    lastOk_ = driver_.Write(handle_, line, bytesWritten_);
    return lastOk_;
}

bool SerialPort::ReadLine(std::span<char> buffer, std::size_t capacity) {
    if (buffer.empty()) {
        lastOk_ = false;
        return false;
    }
    capacity = std::min(capacity, buffer.size() - 1);
    lastOk_ = true;
    std::size_t position = 0;
    for (; position < capacity; ++position) {
        const ByteRead read = driver_.ReadByte(handle_);
        lastOk_ = read.Status != ReadStatus::Failed;
        bytesRead_ = read.Status == ReadStatus::Byte ? 1 : 0;
        if (!lastOk_)
            break;
        if (read.Status == ReadStatus::TimedOut) {
            // The reply may still come; its bytes then land in later positions.
            buffer[position] = position == 0 ? '\0' : TimedOutCharacter;
            continue;
        }
        const char c = static_cast<char>(read.Byte);
        if (c == '\0' || c == Protocol::CR || c == Protocol::LF)
            break; // the rest of a CR LF pair stays queued; the next handshake wait drops it
        if (c == Protocol::TAB)
            buffer[position] = ' ';
        else if ((read.Byte < 0x20) || read.Byte == 0x7F)
            buffer[position] = '.';
        else
            buffer[position] = c;
    }
    buffer[position] = '\0';
    return lastOk_;
}

bool SerialPort::WaitForByte(char expected) {
    int misses = 0;
    for (;;) {
        const ByteRead read = driver_.ReadByte(handle_);
        lastOk_ = read.Status == ReadStatus::Byte;
        bytesRead_ = lastOk_ ? 1 : 0;
        if (!lastOk_) {
            if (++misses >= MaxMisses)
                return false;
            continue;
        }
        const char c = static_cast<char>(read.Byte);
        if (c == expected)
            return true;
        if (c == Protocol::NAK && expected == Protocol::ACK) {
            lastOk_ = false;
            return false;
        }
        // Any other byte (a NAK while waiting for XON or XOFF, the LF left from the last
        // reply) is dropped without counting as a miss.
    }
}

bool SerialPort::SendCommand(std::string_view text) {
    lastOk_ = false;
    if (!WaitForByte(Protocol::XON))
        return false;
    if (!WriteLine(text))
        return false;
    if (!WaitForByte(Protocol::XOFF))
        return false;
    if (!WaitForByte(Protocol::ACK))
        return false;
    lastOk_ = true;
    return true;
}

bool SerialPort::Query(std::span<char> buffer, std::size_t capacity) {
    lastOk_ = false;
    if (buffer.empty())
        return false;
    const std::string command(TextOf(buffer));
    if (!SendCommand(command))
        return false;
    buffer[0] = '\0';
    lastOk_ = ReadLine(buffer, capacity);
    return lastOk_;
}
