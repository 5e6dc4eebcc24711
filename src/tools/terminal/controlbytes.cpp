// Names of control bytes.
#include "tools/terminal/controlbytes.h"

namespace {
struct NamedByte {
    std::uint8_t Byte;
    const char* Name;
};
constexpr NamedByte NamedBytes[] = {
    {0x00, "(NUL)"}, {0x02, "(STX)"},  {0x03, "(ETX)"}, {0x05, "(ENQ)"}, {0x06, "(ACK)"},
    {0x11, "(XON)"}, {0x13, "(XOFF)"}, {0x15, "(NAK)"}, {0x18, "(CAN)"}, {0x1B, "(ESC)"},
};
} // namespace

const char* ControlByteName(std::uint8_t byte) {
    for (const NamedByte& named : NamedBytes)
        if (named.Byte == byte)
            return named.Name;
    return nullptr;
}
