// The terminal's serial port on a POSIX terminal device (a serial line, a USB adapter or
// a pseudo-terminal), opened without blocking so that its owner can watch it for input.
#pragma once

#include "tools/terminalport.h"

#include <cstdint>
#include <vector>

#include <termios.h>

class PosixTerminalPort : public TerminalPort {
public:
    // How long a write may wait for room in the device's output queue.
    static constexpr int WriteTimeoutMs = 2000;

    PosixTerminalPort() = default;
    ~PosixTerminalPort() override;
    PosixTerminalPort(const PosixTerminalPort&) = delete;
    PosixTerminalPort& operator=(const PosixTerminalPort&) = delete;

    int Open(const std::string& device) override;
    int ReadLineSettings() override;
    int WriteLineSettings(int baudRate) override;
    void SetDtr(bool raised) override;
    void SetRts(bool raised) override;
    int Write(std::uint8_t byte) override;
    void Close() override;
    bool IsOpen() const override { return descriptor_ >= 0; }

    // The open device's file descriptor, -1 while closed; readable when bytes arrived.
    int Descriptor() const { return descriptor_; }
    // Appends every byte waiting in the device to `bytes`. Answers 0, or the error number
    // when the read failed or the other side hung up.
    int ReadAvailable(std::vector<std::uint8_t>& bytes);

private:
    void SetModemLine(int line, bool raised);

    int descriptor_ = -1;
    termios settings_{};
};
