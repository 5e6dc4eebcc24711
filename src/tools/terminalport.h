// The serial port as the terminal uses it: opened by device, set to a line speed and
// format, one byte written at a time. Received bytes reach the terminal from its owner.
#pragma once

#include <cstdint>
#include <string>

class TerminalPort {
public:
    virtual ~TerminalPort() = default;

    // Each operation answers 0 on success, otherwise the system's error number.

    // Opens the device for reading and writing, exclusively.
    virtual int Open(const std::string& device) = 0;
    // Reads the line settings the device has now.
    virtual int ReadLineSettings() = 0;
    // Sets the given speed, 8 data bits, no parity and one stop bit on top of the settings
    // read, with bytes passed through unchanged in both directions.
    virtual int WriteLineSettings(int baudRate) = 0;
    virtual void SetDtr(bool raised) = 0;
    virtual void SetRts(bool raised) = 0;
    // Writes one byte and returns once the device has taken it.
    virtual int Write(std::uint8_t byte) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
};
