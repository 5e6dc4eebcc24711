// Every port the program can open, behind the PortDriver interface.
#include "link/device/systemportdriver.h"

#include "link/networkaddress.h"
#include "link/portnames.h"

PortHandle SystemPortDriver::Open(std::string_view portName) {
    const bool onNetwork = ParseNetworkAddress(PortDevicePath(portName)).has_value();
    PortDriver& backend = onNetwork ? static_cast<PortDriver&>(network_) : device_;
    const PortHandle opened = backend.Open(portName);
    lastOpenFailure_ = backend.LastOpenFailure();
    if (opened == InvalidPortHandle)
        return InvalidPortHandle;
    const PortHandle handle = nextHandle_++;
    routes_.emplace(handle, Route{&backend, opened});
    return handle;
}

bool SystemPortDriver::Purge(PortHandle port, PurgeQueue queue) {
    const Route* route = Find(port);
    return route && route->first->Purge(route->second, queue);
}

bool SystemPortDriver::GetLineSettings(PortHandle port, LineSettings& settings) {
    const Route* route = Find(port);
    return route && route->first->GetLineSettings(route->second, settings);
}

bool SystemPortDriver::SetLineSettings(PortHandle port, const LineSettings& settings) {
    const Route* route = Find(port);
    return route && route->first->SetLineSettings(route->second, settings);
}

bool SystemPortDriver::SetTimeouts(PortHandle port, const PortTimeouts& timeouts) {
    const Route* route = Find(port);
    return route && route->first->SetTimeouts(route->second, timeouts);
}

bool SystemPortDriver::EscapeFunction(PortHandle port, ModemControl function) {
    const Route* route = Find(port);
    return route && route->first->EscapeFunction(route->second, function);
}

ByteRead SystemPortDriver::ReadByte(PortHandle port) {
    const Route* route = Find(port);
    if (!route)
        return {ReadStatus::Failed, 0};
    return route->first->ReadByte(route->second);
}

bool SystemPortDriver::Write(PortHandle port, std::string_view bytes, std::uint32_t& written) {
    written = 0;
    const Route* route = Find(port);
    return route && route->first->Write(route->second, bytes, written);
}

void SystemPortDriver::Close(PortHandle port) {
    const auto found = routes_.find(port);
    if (found == routes_.end())
        return;
    found->second.first->Close(found->second.second);
    routes_.erase(found);
}

const SystemPortDriver::Route* SystemPortDriver::Find(PortHandle port) const {
    const auto found = routes_.find(port);
    return found == routes_.end() ? nullptr : &found->second;
}
