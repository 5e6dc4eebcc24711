// The operating system's serial port operations, as the link uses them.
#pragma once

#include <cstdint>
#include <string_view>

// An open port as the driver knows it; InvalidPortHandle when none is open.
using PortHandle = std::intptr_t;
inline constexpr PortHandle InvalidPortHandle = -1;

enum class Parity : std::uint8_t { None, Odd, Even, Mark, Space };
enum class StopBits : std::uint8_t { One, OneAndHalf, Two };

// The line state: read from the driver, changed, written back. Fields the link does not
// change travel back to the driver as they were read.
struct LineSettings {
    std::uint32_t BaudRate = 9600;
    std::uint8_t ByteSize = 8;
    ::Parity Parity = Parity::None;
    ::StopBits StopBits = StopBits::One;
    bool OutxCtsFlow = false;
    bool OutxDsrFlow = false;
    bool SoftwareFlowControl = false;
};

// Time-outs in milliseconds. A one-byte read waits at most
// ReadTotalTimeoutMultiplier + ReadTotalTimeoutConstant; zero there means a read returns
// at once when nothing is queued. Writes are not timed when both write fields are zero.
struct PortTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};

enum class PurgeQueue : std::uint8_t { Transmit, Receive };

// Raising and lowering the modem lines.
enum class ModemControl : std::uint8_t { SetDtr, SetRts, ClearRts, ClearDtr };

enum class ReadStatus : std::uint8_t {
    Byte,     // one byte came
    TimedOut, // nothing came within the read time-out
    Failed,   // a real error: the port is not open, or the line is gone
};

// Why the last Open of a driver failed.
enum class OpenFailure : std::uint8_t {
    None,             // the last Open succeeded
    Missing,          // no such device
    Busy,             // another program holds the port
    PermissionDenied, // the user may not open the device
    Other,            // any other reason, or the driver cannot tell
};

struct ByteRead {
    ReadStatus Status = ReadStatus::Failed;
    std::uint8_t Byte = 0;
};

class PortDriver {
public:
    virtual ~PortDriver() = default;

    // Opens a port by its user-visible name ("COM3") for exclusive use; InvalidPortHandle
    // when the port is missing or already in use.
    virtual PortHandle Open(std::string_view portName) = 0;
    // Why the last Open failed, None after one that succeeded; a driver that cannot tell
    // answers Other.
    virtual OpenFailure LastOpenFailure() const { return OpenFailure::Other; }
    // Empties the driver's output or input queue.
    virtual bool Purge(PortHandle port, PurgeQueue queue) = 0;
    virtual bool GetLineSettings(PortHandle port, LineSettings& settings) = 0;
    virtual bool SetLineSettings(PortHandle port, const LineSettings& settings) = 0;
    virtual bool SetTimeouts(PortHandle port, const PortTimeouts& timeouts) = 0;
    virtual bool EscapeFunction(PortHandle port, ModemControl function) = 0;
    // Reads one byte: at once when one is queued, else after waiting up to the read
    // time-out. Failed only on a real error.
    virtual ByteRead ReadByte(PortHandle port) = 0;
    // Writes all of `bytes`; `written` tells how many went out.
    virtual bool Write(PortHandle port, std::string_view bytes, std::uint32_t& written) = 0;
    virtual void Close(PortHandle port) = 0;
};
