// The terminal's serial port on Qt Serial Port.
#include "link/device/deviceterminalport.h"

#include "link/device/serialerrors.h"

#include <algorithm>

DeviceTerminalPort::DeviceTerminalPort() {
    QObject::connect(&serial_, &QSerialPort::readyRead, &serial_, [this] {
        if (notify_)
            notify_();
    });
    QObject::connect(&serial_, &QSerialPort::errorOccurred, &serial_,
                     [this](QSerialPort::SerialPortError error) { LineFailed(error); });
}

DeviceTerminalPort::~DeviceTerminalPort() {
    Close();
}

int DeviceTerminalPort::TakeError() {
    const int number = SystemErrorNumber(serial_.error());
    serial_.clearError();
    return number;
}

void DeviceTerminalPort::LineFailed(QSerialPort::SerialPortError error) {
    // Errors of the calls made here are answered by those calls; a read error, or the
    // device going away, reaches the terminal with the received bytes.
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (lineFailure_ == 0)
        lineFailure_ = SystemErrorNumber(error);
    if (notify_)
        notify_();
}

int DeviceTerminalPort::Open(const std::string& device) {
    Close();
    serial_.setPortName(QString::fromStdString(device));
    serial_.setReadBufferSize(ReceiveBufferSize);
    // Qt Serial Port opens a device for exclusive use (lock file and TIOCEXCL) and puts it
    // in raw mode: no line editing, echo or character translation by the driver.
    if (!serial_.open(QIODevice::ReadWrite))
        return TakeError();
    return 0;
}

int DeviceTerminalPort::ReadLineSettings() {
    // Qt Serial Port reads the device's settings when it opens it.
    return serial_.isOpen() ? 0 : SystemErrorNumber(QSerialPort::NotOpenError);
}

int DeviceTerminalPort::WriteLineSettings(int baudRate) {
    const bool set = serial_.setBaudRate(baudRate) && serial_.setDataBits(QSerialPort::Data8) &&
                     serial_.setParity(QSerialPort::NoParity) &&
                     serial_.setStopBits(QSerialPort::OneStop) &&
                     serial_.setFlowControl(QSerialPort::NoFlowControl);
    return set ? 0 : TakeError();
}

void DeviceTerminalPort::SetDtr(bool raised) {
    // Devices without modem lines (pseudo-terminals) refuse this; the terminal works
    // without them.
    if (!serial_.setDataTerminalReady(raised))
        serial_.clearError();
}

void DeviceTerminalPort::SetRts(bool raised) {
    if (!serial_.setRequestToSend(raised))
        serial_.clearError();
}

int DeviceTerminalPort::Write(std::uint8_t byte) {
    if (!serial_.isOpen())
        return SystemErrorNumber(QSerialPort::NotOpenError);
    const char character = static_cast<char>(byte);
    if (serial_.write(&character, 1) != 1)
        return TakeError();
    while (serial_.bytesToWrite() > 0) {
        if (!serial_.waitForBytesWritten(WriteTimeoutMs)) {
            const int error = TakeError();
            return error != 0 ? error : SystemErrorNumber(QSerialPort::TimeoutError);
        }
    }
    return 0;
}

int DeviceTerminalPort::ReadAvailable(std::vector<std::uint8_t>& bytes, std::size_t limit) {
    if (!serial_.isOpen())
        return lineFailure_ != 0 ? lineFailure_ : SystemErrorNumber(QSerialPort::NotOpenError);
    const qint64 count = std::min<qint64>(serial_.bytesAvailable(), static_cast<qint64>(limit));
    if (count > 0) {
        const QByteArray read = serial_.read(count);
        bytes.insert(bytes.end(), read.begin(), read.end());
    }
    if (serial_.bytesAvailable() > 0)
        return 0; // the failure waits behind the bytes that came before it
    return lineFailure_;
}

void DeviceTerminalPort::Close() {
    if (serial_.isOpen())
        serial_.close();
    serial_.clearError();
    lineFailure_ = 0;
}
