// The names the terminal gives the control bytes of the unit's protocol and their
// neighbours: "(XON)" for 0x11, "(ACK)" for 0x06.
#pragma once

#include <cstdint>

// The name in brackets, nullptr for a byte without one.
const char* ControlByteName(std::uint8_t byte);
