// The serial ports of this computer behind the PortDriver interface, on Qt Serial Port.
#include "link/device/deviceportdriver.h"

#include "link/portnames.h"

#include <QSerialPort>

#include <array>
#include <chrono>

#ifndef Q_OS_WIN
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif

namespace {

// Writes are not timed by the link; this only keeps a wedged device from hanging the
// program for good.
constexpr int WriteLimitMs = 10000;

// Why `serial` would not open. Qt reports a missing permission and a port held by another
// program alike, so on POSIX systems the device's access rights tell them apart.
OpenFailure OpenFailureOf(const QSerialPort& serial, [[maybe_unused]] const std::string& path) {
    switch (serial.error()) {
    case QSerialPort::DeviceNotFoundError:
        return OpenFailure::Missing;
    case QSerialPort::PermissionError:
#ifndef Q_OS_WIN
        if (::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES)
            return OpenFailure::PermissionDenied;
#endif
        // Windows denies access to a port another program has open.
        return OpenFailure::Busy;
    default:
        return OpenFailure::Other;
    }
}

} // namespace

struct DevicePortDriver::Port {
    QSerialPort Serial;
    int ReadTimeoutMs = 0;
    // Bytes read from the device and not handed out yet, oldest first. One read takes in
    // whatever is queued; the link takes it byte by byte.
    std::array<char, 256> Taken{};
    std::size_t NextTaken = 0;
    std::size_t EndTaken = 0;
};

DevicePortDriver::DevicePortDriver() = default;

DevicePortDriver::~DevicePortDriver() = default;

PortHandle DevicePortDriver::Open(std::string_view portName) {
    auto port = std::make_unique<Port>();
    const std::string path = PortDevicePath(portName);
    port->Serial.setPortName(QString::fromStdString(path));
    // Qt Serial Port opens a device for exclusive use (lock file and TIOCEXCL).
    if (!port->Serial.open(QIODevice::ReadWrite)) {
        lastOpenFailure_ = OpenFailureOf(port->Serial, path);
        return InvalidPortHandle;
    }
    lastOpenFailure_ = OpenFailure::None;
    const PortHandle handle = nextHandle_++;
    ports_.emplace(handle, std::move(port));
    return handle;
}

bool DevicePortDriver::Purge(PortHandle handle, PurgeQueue queue) {
    Port* port = Find(handle);
    if (!port)
        return false;
    if (queue == PurgeQueue::Receive)
        port->NextTaken = port->EndTaken = 0;
    return port->Serial.clear(queue == PurgeQueue::Transmit ? QSerialPort::Output
                                                            : QSerialPort::Input);
}

bool DevicePortDriver::GetLineSettings(PortHandle handle, LineSettings& settings) {
    Port* port = Find(handle);
    if (!port)
        return false;
    const QSerialPort& serial = port->Serial;
    settings.BaudRate = static_cast<std::uint32_t>(serial.baudRate());
    settings.ByteSize = static_cast<std::uint8_t>(serial.dataBits());
    switch (serial.parity()) {
    case QSerialPort::OddParity:
        settings.Parity = Parity::Odd;
        break;
    case QSerialPort::EvenParity:
        settings.Parity = Parity::Even;
        break;
    case QSerialPort::MarkParity:
        settings.Parity = Parity::Mark;
        break;
    case QSerialPort::SpaceParity:
        settings.Parity = Parity::Space;
        break;
    default:
        settings.Parity = Parity::None;
        break;
    }
    switch (serial.stopBits()) {
    case QSerialPort::OneAndHalfStop:
        settings.StopBits = StopBits::OneAndHalf;
        break;
    case QSerialPort::TwoStop:
        settings.StopBits = StopBits::Two;
        break;
    default:
        settings.StopBits = StopBits::One;
        break;
    }
    // Qt knows RTS/CTS as one hardware flow control and has no DSR flow control.
    settings.OutxCtsFlow = serial.flowControl() == QSerialPort::HardwareControl;
    settings.OutxDsrFlow = false;
    settings.SoftwareFlowControl = serial.flowControl() == QSerialPort::SoftwareControl;
    return true;
}

bool DevicePortDriver::SetLineSettings(PortHandle handle, const LineSettings& settings) {
    Port* port = Find(handle);
    if (!port)
        return false;
    QSerialPort& serial = port->Serial;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (settings.Parity) {
    case Parity::Odd:
        parity = QSerialPort::OddParity;
        break;
    case Parity::Even:
        parity = QSerialPort::EvenParity;
        break;
    case Parity::Mark:
        parity = QSerialPort::MarkParity;
        break;
    case Parity::Space:
        parity = QSerialPort::SpaceParity;
        break;
    case Parity::None:
        break;
    }
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    if (settings.StopBits == StopBits::OneAndHalf)
        stopBits = QSerialPort::OneAndHalfStop;
    else if (settings.StopBits == StopBits::Two)
        stopBits = QSerialPort::TwoStop;
    QSerialPort::FlowControl flow = QSerialPort::NoFlowControl;
    if (settings.OutxCtsFlow)
        flow = QSerialPort::HardwareControl;
    else if (settings.SoftwareFlowControl)
        flow = QSerialPort::SoftwareControl;
    return serial.setBaudRate(static_cast<qint32>(settings.BaudRate)) &&
           serial.setDataBits(static_cast<QSerialPort::DataBits>(settings.ByteSize)) &&
           serial.setParity(parity) && serial.setStopBits(stopBits) && serial.setFlowControl(flow);
}

bool DevicePortDriver::SetTimeouts(PortHandle handle, const PortTimeouts& timeouts) {
    Port* port = Find(handle);
    if (!port)
        return false;
    // Every read is of one byte, so its limit is the multiplier plus the constant.
    port->ReadTimeoutMs =
        static_cast<int>(timeouts.ReadTotalTimeoutMultiplier + timeouts.ReadTotalTimeoutConstant);
    return true;
}

bool DevicePortDriver::EscapeFunction(PortHandle handle, ModemControl function) {
    Port* port = Find(handle);
    if (!port)
        return false;
    QSerialPort& serial = port->Serial;
    bool done = false;
    switch (function) {
    case ModemControl::SetDtr:
        done = serial.setDataTerminalReady(true);
        break;
    case ModemControl::ClearDtr:
        done = serial.setDataTerminalReady(false);
        break;
    case ModemControl::SetRts:
        done = serial.setRequestToSend(true);
        break;
    case ModemControl::ClearRts:
        done = serial.setRequestToSend(false);
        break;
    }
    if (done)
        return true;
    // Pseudo-terminals and virtual ports have no modem lines; that is no failure.
    const bool unsupported = serial.error() == QSerialPort::UnsupportedOperationError;
    serial.clearError();
    return unsupported;
}

ByteRead DevicePortDriver::ReadByte(PortHandle handle) {
    Port* port = Find(handle);
    if (!port)
        return {ReadStatus::Failed, 0};
    if (port->NextTaken < port->EndTaken)
        return {ReadStatus::Byte, static_cast<std::uint8_t>(port->Taken[port->NextTaken++])};
    QSerialPort& serial = port->Serial;
    // What Qt Serial Port took in while the window handled its events came after the bytes
    // above and before anything still queued in the device.
    char byte = 0;
    if (serial.bytesAvailable() > 0 && serial.getChar(&byte))
        return {ReadStatus::Byte, static_cast<std::uint8_t>(byte)};
#ifndef Q_OS_WIN
    return ReadDevice(handle, *port);
#else
    if (!serial.waitForReadyRead(port->ReadTimeoutMs)) {
        const QSerialPort::SerialPortError error = serial.error();
        serial.clearError();
        if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError ||
            error == QSerialPort::NotOpenError) {
            Close(handle);
            return {ReadStatus::Failed, 0};
        }
        if (serial.bytesAvailable() == 0)
            return {ReadStatus::TimedOut, 0};
    }
    if (!serial.getChar(&byte)) {
        serial.clearError();
        return {ReadStatus::Failed, 0};
    }
    return {ReadStatus::Byte, static_cast<std::uint8_t>(byte)};
#endif
}

#ifndef Q_OS_WIN
// Waits on the descriptor itself: Qt Serial Port's wait costs a timer, a buffer and a
// signal per byte, and at 115200 bit/s the unit's bytes come one at a time.
ByteRead DevicePortDriver::ReadDevice(PortHandle handle, Port& port) {
    const int descriptor = static_cast<int>(port.Serial.handle());
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(port.ReadTimeoutMs);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd watched{descriptor, POLLIN, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(std::max<long>(0, left.count())));
        if (ready == 0)
            return {ReadStatus::TimedOut, 0};
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready > 0) {
            const ssize_t count = ::read(descriptor, port.Taken.data(), port.Taken.size());
            if (count > 0) {
                port.NextTaken = 1;
                port.EndTaken = static_cast<std::size_t>(count);
                return {ReadStatus::Byte, static_cast<std::uint8_t>(port.Taken[0])};
            }
            if (count < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
        }
        // Nothing to read from a readable line, or an error: the line is gone.
        Close(handle);
        return {ReadStatus::Failed, 0};
    }
}
#endif

bool DevicePortDriver::Write(PortHandle handle, std::string_view bytes, std::uint32_t& written) {
    written = 0;
    Port* port = Find(handle);
    if (!port)
        return false;
    QSerialPort& serial = port->Serial;
#ifndef Q_OS_WIN
    // Straight to the descriptor, as reads come from it.
    const int descriptor = static_cast<int>(serial.handle());
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (count > 0) {
            done += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno == EAGAIN) {
            // The output queue is full; the descriptor is non-blocking.
            pollfd watched{descriptor, POLLOUT, 0};
            if (::poll(&watched, 1, WriteLimitMs) > 0)
                continue;
        }
        return false;
    }
#else
    const qint64 queued = serial.write(bytes.data(), static_cast<qint64>(bytes.size()));
    if (queued != static_cast<qint64>(bytes.size()))
        return false;
    // Without an event loop the bytes leave only while we wait for them to go.
    while (serial.bytesToWrite() > 0) {
        if (!serial.waitForBytesWritten(WriteLimitMs)) {
            serial.clearError();
            return false;
        }
    }
#endif
    written = static_cast<std::uint32_t>(bytes.size());
    return true;
}

void DevicePortDriver::Close(PortHandle handle) {
    auto found = ports_.find(handle);
    if (found == ports_.end())
        return;
    found->second->Serial.close();
    ports_.erase(found);
}

DevicePortDriver::Port* DevicePortDriver::Find(PortHandle handle) {
    auto found = ports_.find(handle);
    return found == ports_.end() ? nullptr : found->second.get();
}
