// The COM-PORT-OPTION of Telnet: the commands by which a client sets the serial line of
// the port a server puts on the network.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ComPort {

// Command codes a client sends; the server answers with the same code plus 100.
inline constexpr std::uint8_t Signature = 0;
inline constexpr std::uint8_t SetBaudRate = 1;
inline constexpr std::uint8_t SetDataSize = 2;
inline constexpr std::uint8_t SetParity = 3;
inline constexpr std::uint8_t SetStopSize = 4;
inline constexpr std::uint8_t SetControl = 5;
inline constexpr std::uint8_t PurgeData = 12;

constexpr std::uint8_t ServerReply(std::uint8_t command) {
    return static_cast<std::uint8_t>(command + 100);
}

// Values of SET-PARITY.
inline constexpr std::uint8_t ParityNone = 1;
inline constexpr std::uint8_t ParityOdd = 2;
inline constexpr std::uint8_t ParityEven = 3;
inline constexpr std::uint8_t ParityMark = 4;
inline constexpr std::uint8_t ParitySpace = 5;

// Values of SET-STOPSIZE.
inline constexpr std::uint8_t StopOne = 1;
inline constexpr std::uint8_t StopTwo = 2;
inline constexpr std::uint8_t StopOneAndHalf = 3;

// Values of SET-CONTROL.
inline constexpr std::uint8_t NoFlowControl = 1;
inline constexpr std::uint8_t SoftwareFlowControl = 2;
inline constexpr std::uint8_t HardwareFlowControl = 3;
inline constexpr std::uint8_t DtrOn = 8;
inline constexpr std::uint8_t DtrOff = 9;
inline constexpr std::uint8_t RtsOn = 11;
inline constexpr std::uint8_t RtsOff = 12;

// Values of PURGE-DATA: which of the server's buffers to empty.
inline constexpr std::uint8_t PurgeReceive = 1;
inline constexpr std::uint8_t PurgeTransmit = 2;

// The whole subnegotiation IAC SB COM-PORT-OPTION command value IAC SE, with every 0xFF
// in the value doubled.
std::string Command(std::uint8_t command, std::string_view value);
std::string Command(std::uint8_t command, std::uint8_t value);
// SET-BAUDRATE carries the rate as four bytes, most significant first.
std::string BaudRateCommand(std::uint32_t baudRate);

} // namespace ComPort
