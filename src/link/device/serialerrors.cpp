// Qt Serial Port's errors as the operating-system error numbers the unit's documentation
// uses.
#include "link/device/serialerrors.h"

#include <array>
#include <utility>

namespace {

// The numbers are those of the system the unit's documentation was written for, so a log
// line reads the same on every platform.
constexpr std::array<std::pair<QSerialPort::SerialPortError, int>, 11> ErrorNumbers = {{
    {QSerialPort::NoError, 0},
    {QSerialPort::DeviceNotFoundError, 2},        // the file cannot be found
    {QSerialPort::PermissionError, 5},            // access denied: in use, or not allowed
    {QSerialPort::OpenError, 5},                  // already open here: in use
    {QSerialPort::NotOpenError, 6},               // the handle is invalid
    {QSerialPort::WriteError, 29},                // the device cannot be written
    {QSerialPort::ReadError, 5},                  // a read on an open port failed: the line
                                                  // went away (the other side hung up)
    {QSerialPort::ResourceError, 5},              // the device went away under an open handle
    {QSerialPort::UnsupportedOperationError, 87}, // a setting the device cannot take
    {QSerialPort::TimeoutError, 121},             // the time-out period expired
    {QSerialPort::UnknownError, 31},              // the device does not work
}};

} // namespace

int SystemErrorNumber(QSerialPort::SerialPortError error) {
    for (const auto& [serialError, number] : ErrorNumbers)
        if (serialError == error)
            return number;
    return ErrorNumbers.back().second;
}
