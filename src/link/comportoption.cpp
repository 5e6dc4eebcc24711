// The COM-PORT-OPTION commands of Telnet.
#include "link/comportoption.h"

#include "link/telnetcodec.h"

namespace ComPort {

std::string Command(std::uint8_t command, std::string_view value) {
    std::string wire;
    wire += static_cast<char>(Telnet::IAC);
    wire += static_cast<char>(Telnet::SB);
    wire += static_cast<char>(Telnet::ComPortOption);
    wire += static_cast<char>(command);
    wire += TelnetCodec::Encode(value);
    wire += static_cast<char>(Telnet::IAC);
    wire += static_cast<char>(Telnet::SE);
    return wire;
}

std::string Command(std::uint8_t command, std::uint8_t value) {
    const char byte = static_cast<char>(value);
    return Command(command, std::string_view(&byte, 1));
}

std::string BaudRateCommand(std::uint32_t baudRate) {
    const char value[4] = {static_cast<char>(baudRate >> 24), static_cast<char>(baudRate >> 16),
                           static_cast<char>(baudRate >> 8), static_cast<char>(baudRate)};
    return Command(SetBaudRate, std::string_view(value, 4));
}

} // namespace ComPort
