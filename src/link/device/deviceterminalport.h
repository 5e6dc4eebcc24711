// The terminal's serial port on this computer's serial devices, on Qt Serial Port.
#pragma once

#include "link/terminalport.h"

#include <QSerialPort>

#include <functional>

// Opens a device path (a serial line, a USB adapter or a pseudo-terminal) for exclusive
// use in raw mode. Received bytes are announced from the event loop; a write waits at most
// two seconds for the device to take its byte.
class DeviceTerminalPort : public TerminalPort {
public:
    static constexpr int WriteTimeoutMs = 2000;
    // Received bytes the port holds before it leaves the rest in the device: a flood cannot
    // outrun the display.
    static constexpr qint64 ReceiveBufferSize = 4096;

    DeviceTerminalPort();
    ~DeviceTerminalPort() override;
    DeviceTerminalPort(const DeviceTerminalPort&) = delete;
    DeviceTerminalPort& operator=(const DeviceTerminalPort&) = delete;

    int Open(const std::string& device) override;
    int ReadLineSettings() override;
    int WriteLineSettings(int baudRate) override;
    void SetDtr(bool raised) override;
    void SetRts(bool raised) override;
    int Write(std::uint8_t byte) override;
    int ReadAvailable(std::vector<std::uint8_t>& bytes, std::size_t limit) override;
    void SetReadyNotice(std::function<void()> notify) override { notify_ = std::move(notify); }
    void Close() override;
    bool IsOpen() const override { return serial_.isOpen(); }

private:
    // The error number of the port's last error, which is then cleared.
    int TakeError();
    void LineFailed(QSerialPort::SerialPortError error);

    QSerialPort serial_;
    std::function<void()> notify_;
    int lineFailure_ = 0;
};
