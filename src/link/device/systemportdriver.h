// Every port the program can open, behind the PortDriver interface: the serial devices of
// this computer, and serial ports on the network.
#pragma once

#include "link/device/deviceportdriver.h"
#include "link/device/networkportdriver.h"

#include <map>
#include <utility>

// "COMn" opens on the network when PortDevicePath names a network address there, else as
// a local device.
class SystemPortDriver : public PortDriver {
public:
    SystemPortDriver() = default;
    SystemPortDriver(const SystemPortDriver&) = delete;
    SystemPortDriver& operator=(const SystemPortDriver&) = delete;

    PortHandle Open(std::string_view portName) override;
    OpenFailure LastOpenFailure() const override { return lastOpenFailure_; }
    // Why the last Open of a network port failed.
    NetworkLine::OpenResult LastNetworkResult() const { return network_.LastOpenResult(); }
    bool Purge(PortHandle port, PurgeQueue queue) override;
    bool GetLineSettings(PortHandle port, LineSettings& settings) override;
    bool SetLineSettings(PortHandle port, const LineSettings& settings) override;
    bool SetTimeouts(PortHandle port, const PortTimeouts& timeouts) override;
    bool EscapeFunction(PortHandle port, ModemControl function) override;
    ByteRead ReadByte(PortHandle port) override;
    bool Write(PortHandle port, std::string_view bytes, std::uint32_t& written) override;
    void Close(PortHandle port) override;

private:
    // The backend that opened a port, and the port's handle there.
    using Route = std::pair<PortDriver*, PortHandle>;
    const Route* Find(PortHandle port) const;

    DevicePortDriver device_;
    NetworkPortDriver network_;
    std::map<PortHandle, Route> routes_;
    PortHandle nextHandle_ = 1;
    OpenFailure lastOpenFailure_ = OpenFailure::None;
};
