// The serial port as the terminal uses it: opened by device, set to a line speed and
// format, one byte written at a time, received bytes taken as they arrive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TerminalPort {
public:
    virtual ~TerminalPort() = default;

    // Each operation answers 0 on success, otherwise the operating system's error number as
    // the unit's documentation gives them (2 for a port that does not exist, ...).

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
    // Appends up to `limit` of the bytes received so far to `bytes`. Answers 0, or the error
    // number once the line has failed (the device went away or the other side hung up);
    // the bytes that came before the failure are taken first.
    virtual int ReadAvailable(std::vector<std::uint8_t>& bytes, std::size_t limit) = 0;
    // `notify` is called from the event loop whenever bytes arrive or the line fails.
    virtual void SetReadyNotice(std::function<void()> notify) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
};
