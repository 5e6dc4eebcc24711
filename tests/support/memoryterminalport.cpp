// A terminal port held in memory.
#include "support/memoryterminalport.h"

void MemoryTerminalPort::Deliver(std::string_view bytes) {
    incoming_.insert(incoming_.end(), bytes.begin(), bytes.end());
    Notify();
}

void MemoryTerminalPort::FailLine(int errorNumber) {
    lineFailure_ = errorNumber;
    Notify();
}

void MemoryTerminalPort::Notify() {
    if (open_ && notify_)
        notify_();
}

int MemoryTerminalPort::Open(const std::string& device) {
    Opened.push_back(device);
    if (auto error = OpenErrors.find(device); error != OpenErrors.end())
        return error->second;
    open_ = true;
    return 0;
}

int MemoryTerminalPort::WriteLineSettings(int baudRate) {
    BaudRates.push_back(baudRate);
    return WriteSettingsError;
}

int MemoryTerminalPort::Write(std::uint8_t byte) {
    if (WriteError)
        return WriteError;
    Written.push_back(byte);
    return 0;
}

int MemoryTerminalPort::ReadAvailable(std::vector<std::uint8_t>& bytes, std::size_t limit) {
    for (std::size_t taken = 0; taken < limit && !incoming_.empty(); ++taken) {
        bytes.push_back(incoming_.front());
        incoming_.pop_front();
    }
    return incoming_.empty() ? lineFailure_ : 0;
}

void MemoryTerminalPort::Close() {
    ++Closes;
    open_ = false;
    incoming_.clear();
    lineFailure_ = 0;
}
