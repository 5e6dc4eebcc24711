// Port name mapping shared by the equipment link and the terminal.
#include "link/portnames.h"

#include "link/networkaddress.h"

#include <cstdlib>

std::string PortDevicePath(std::string_view portName) {
    if (portName.size() < 4 || portName.substr(0, 3) != "COM")
        return std::string(portName);
    int number = 0;
    for (char c : portName.substr(3)) {
        if (c < '0' || c > '9')
            return std::string(portName);
        number = number * 10 + (c - '0');
        if (number > 255)
            return std::string(portName);
    }
    if (number < 1)
        return std::string(portName);
#ifdef _WIN32
    return "\\\\.\\" + std::string(portName);
#else
    const std::string variable = "RIVAN_" + std::string(portName);
    if (const char* device = std::getenv(variable.c_str()); device && *device)
        return device;
    return "/dev/ttyS" + std::to_string(number - 1);
#endif
}

std::string PortLabel(std::string_view portName) {
    const std::optional<NetworkAddress> address = ParseNetworkAddress(PortDevicePath(portName));
    if (!address)
        return std::string(portName);
    return std::string(portName) + " (" + address->Text() + ")";
}
