// The terminal's port on every kind of port the program can open: a serial device of this
// computer, or a serial port on the network.
#pragma once

#include "link/device/deviceterminalport.h"
#include "link/device/networkterminalport.h"

// Open picks the backend by the device it is given: a network address (tcp://HOST:PORT,
// rfc2217://HOST:PORT) or a device path.
class SystemTerminalPort : public TerminalPort {
public:
    SystemTerminalPort() = default;
    SystemTerminalPort(const SystemTerminalPort&) = delete;
    SystemTerminalPort& operator=(const SystemTerminalPort&) = delete;

    int Open(const std::string& device) override;
    int ReadLineSettings() override { return active_->ReadLineSettings(); }
    int WriteLineSettings(int baudRate) override { return active_->WriteLineSettings(baudRate); }
    void SetDtr(bool raised) override { active_->SetDtr(raised); }
    void SetRts(bool raised) override { active_->SetRts(raised); }
    int Write(std::uint8_t byte) override { return active_->Write(byte); }
    int ReadAvailable(std::vector<std::uint8_t>& bytes, std::size_t limit) override {
        return active_->ReadAvailable(bytes, limit);
    }
    void SetReadyNotice(std::function<void()> notify) override;
    void Close() override { active_->Close(); }
    bool IsOpen() const override { return active_->IsOpen(); }

private:
    DeviceTerminalPort device_;
    NetworkTerminalPort network_;
    TerminalPort* active_ = &device_;
};
