// Maps the names the user sees, "COM1" to "COM8", to the device the system opens.
#pragma once

#include <string>
#include <string_view>

// The device for a port name: on Windows "\\.\COMn"; elsewhere the value of the
// environment variable RIVAN_COMn when it is set, otherwise /dev/ttyS<n-1>.
// A name that is not "COM" followed by a number is returned as it stands.
std::string PortDevicePath(std::string_view portName);
// How detection names a port in its log: the port name, followed by the network address in
// brackets when the port is on the network ("COM1 (tcp://10.1.2.3:4001)").
std::string PortLabel(std::string_view portName);
