// The serial ports of this computer behind the PortDriver interface, on Qt Serial Port.
#pragma once

#include "link/portdriver.h"

#include <map>
#include <memory>

class QSerialPort;

// Opens "COMn" as the device PortDevicePath names. Works without an event loop: every
// read and write waits on the port itself (on POSIX systems on its descriptor, taking in
// whatever is queued with one read). A read or resource error means the line is gone: the
// port is closed and the read fails.
class DevicePortDriver : public PortDriver {
public:
    DevicePortDriver();
    ~DevicePortDriver() override;
    DevicePortDriver(const DevicePortDriver&) = delete;
    DevicePortDriver& operator=(const DevicePortDriver&) = delete;

    PortHandle Open(std::string_view portName) override;
    OpenFailure LastOpenFailure() const override { return lastOpenFailure_; }
    bool Purge(PortHandle port, PurgeQueue queue) override;
    bool GetLineSettings(PortHandle port, LineSettings& settings) override;
    bool SetLineSettings(PortHandle port, const LineSettings& settings) override;
    bool SetTimeouts(PortHandle port, const PortTimeouts& timeouts) override;
    bool EscapeFunction(PortHandle port, ModemControl function) override;
    ByteRead ReadByte(PortHandle port) override;
    bool Write(PortHandle port, std::string_view bytes, std::uint32_t& written) override;
    void Close(PortHandle port) override;

private:
    struct Port;
    Port* Find(PortHandle port);
#ifndef _WIN32
    // Waits up to the read time-out for the device and takes in what it has queued.
    ByteRead ReadDevice(PortHandle handle, Port& port);
#endif

    std::map<PortHandle, std::unique_ptr<Port>> ports_;
    PortHandle nextHandle_ = 1;
    OpenFailure lastOpenFailure_ = OpenFailure::None;
};
