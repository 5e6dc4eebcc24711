// Serial ports on the network behind the PortDriver interface, on Qt Network.
#pragma once

#include "link/device/networkline.h"
#include "link/portdriver.h"

#include <map>
#include <memory>

// Opens "COMn" as the network address PortDevicePath names (tcp://HOST:PORT or
// rfc2217://HOST:PORT), waiting at most NetworkOpenLimit. Reads keep the time-outs of a
// local port; a connection the other side drops fails the reads, as a gone device does.
class NetworkPortDriver : public PortDriver {
public:
    NetworkPortDriver();
    ~NetworkPortDriver() override;
    NetworkPortDriver(const NetworkPortDriver&) = delete;
    NetworkPortDriver& operator=(const NetworkPortDriver&) = delete;

    PortHandle Open(std::string_view portName) override;
    OpenFailure LastOpenFailure() const override { return lastOpenFailure_; }
    // Why the last Open failed, in the network's own terms (refused, no answer, ...).
    NetworkLine::OpenResult LastOpenResult() const { return lastOpenResult_; }
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

    std::map<PortHandle, std::unique_ptr<Port>> ports_;
    PortHandle nextHandle_ = 1;
    OpenFailure lastOpenFailure_ = OpenFailure::None;
    NetworkLine::OpenResult lastOpenResult_ = NetworkLine::OpenResult::Opened;
};
