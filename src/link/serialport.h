// One COM port to a unit, with the unit's byte handshake.
#pragma once

#include "link/portdriver.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// Names one of COM1 to COM8 and talks to the unit over it through a PortDriver. Every
// exchange blocks, bounded by the read time-outs set by Configure: 105 ms per one-byte
// read, 32 misses per handshake byte. Destroying a SerialPort does not close it; its owner
// calls Close first.
class SerialPort {
public:
    static constexpr int PortCount = 8;
    // Text before the CR LF of a written line; the rest of a longer text is dropped.
    static constexpr std::size_t MaxLineText = 253;
    static constexpr int MaxMisses = 32;
    static constexpr std::uint32_t BaudRate = 115200;
    static constexpr std::uint32_t ReadTimeoutMultiplier = 5;
    static constexpr std::uint32_t ReadTimeoutConstant = 100;
    // What a reply position holds when the read for it timed out (after position 0).
    static constexpr char TimedOutCharacter = ' ';

    // Selects the port with that index; the port is not opened. The driver must outlive
    // the SerialPort.
    SerialPort(PortDriver& driver, int index);

    // Closes an open port, then selects index 0 to 7 ("COM1" to "COM8"); any other index
    // selects "COM2".
    void SelectPort(int index);
    std::string_view PortName() const { return portName_; }
    int PortIndex() const { return static_cast<int>(selectedPort_); }
    bool IsOpen() const { return handle_ != InvalidPortHandle; }
    // The outcome of the last system call or exchange.
    bool LastOk() const { return lastOk_; }

    // Opens the selected port exclusively and empties both queues.
    bool Open();
    // 115200 bit/s, 8 data bits, no parity, one stop bit, no CTS or DSR flow control, read
    // time-outs 0/5/100 ms, then DTR and RTS raised. False when the line state could not
    // be read or written; a failed write of it leaves time-outs and modem lines alone.
    bool Configure();
    // Lowers RTS, then DTR, and closes. Does nothing on a closed port.
    void Close();

    // Writes the text (at most 253 characters of it) and CR LF, without handshake.
    bool WriteLine(std::string_view text);
    // Reads one line into `buffer`, one read per position for at most `capacity` positions
    // (never more than the buffer holds less one). The line ends at NUL, CR or LF; TAB
    // becomes a blank, other control characters "."; a position whose read timed out holds
    // NUL at position 0 and a blank after it. The text is always NUL-terminated inside the
    // buffer. False only when a read failed.
    bool ReadLine(std::span<char> buffer, std::size_t capacity);
    // Waits for one handshake byte, discarding others; gives up after 32 reads that got
    // nothing or failed. A NAK ends the wait only when the expected byte is ACK.
    bool WaitForByte(char expected);
    // XON, the line, XOFF, ACK: true when the unit took the command.
    bool SendCommand(std::string_view text);
    // Sends the command held in `buffer` and reads the reply line into it. True when the
    // command was accepted and the line read; the reply may still be empty. On a failed
    // handshake the buffer keeps the command.
    bool Query(std::span<char> buffer, std::size_t capacity);

private:
    PortDriver& driver_;
    std::uint32_t selectedPort_ = 0;
    char portName_[8] = {};
    PortHandle handle_ = InvalidPortHandle;
    bool lastOk_ = false;
    LineSettings lineState_;
    std::uint32_t bytesWritten_ = 0;
    std::uint32_t bytesRead_ = 0;
    PortTimeouts timeouts_;
};
