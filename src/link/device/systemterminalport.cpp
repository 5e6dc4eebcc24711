// The terminal's port on every kind of port the program can open.
#include "link/device/systemterminalport.h"

#include "link/networkaddress.h"

int SystemTerminalPort::Open(const std::string& device) {
    active_->Close();
    if (ParseNetworkAddress(device))
        active_ = &network_;
    else
        active_ = &device_;
    return active_->Open(device);
}

void SystemTerminalPort::SetReadyNotice(std::function<void()> notify) {
    device_.SetReadyNotice(notify);
    network_.SetReadyNotice(std::move(notify));
}
