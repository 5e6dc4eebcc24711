// The Telnet layer of a network serial port: data bytes in and out of the wire form, and
// the answers to the server's option negotiation.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Telnet {
inline constexpr std::uint8_t SE = 0xF0;   // end of a subnegotiation
inline constexpr std::uint8_t SB = 0xFA;   // start of a subnegotiation
inline constexpr std::uint8_t WILL = 0xFB; // the sender offers or agrees to perform an option
inline constexpr std::uint8_t WONT = 0xFC;
inline constexpr std::uint8_t DO = 0xFD; // the sender asks or agrees that the other side does
inline constexpr std::uint8_t DONT = 0xFE;
inline constexpr std::uint8_t IAC = 0xFF; // "interpret as command"; doubled in data

inline constexpr std::uint8_t BinaryOption = 0;
inline constexpr std::uint8_t SuppressGoAheadOption = 3;
inline constexpr std::uint8_t ComPortOption = 44;
} // namespace Telnet

// One client side of a Telnet connection to a serial port server. It speaks BINARY and
// SUPPRESS-GO-AHEAD both ways and the COM-PORT-OPTION towards the server, and refuses
// every other option. Wire bytes may come split anywhere, inside a command or a
// subnegotiation included: the decoder keeps its state from one piece to the next.
class TelnetCodec {
public:
    enum class Agreement : std::uint8_t { Pending, Agreed, Refused };

    // A subnegotiation of the COM-PORT-OPTION the server sent: its command code (the
    // client's code plus 100) and the value bytes, unescaped.
    struct ComPortReply {
        std::uint8_t Command = 0;
        std::string Value;
    };

    // At most this many server replies are kept until taken; older ones are dropped.
    static constexpr std::size_t ReplyLimit = 32;
    // Longer subnegotiations are cut to this many bytes.
    static constexpr std::size_t SubnegotiationLimit = 64;

    // The negotiation this side opens with: WILL and DO BINARY, WILL and DO
    // SUPPRESS-GO-AHEAD, and WILL COM-PORT-OPTION.
    std::string Start();

    // Appends the data bytes `wire` carries to `data`; answers to the negotiation it
    // carries collect for TakeAnswers.
    void Decode(std::string_view wire, std::string& data);
    // The bytes this side owes the server for what was decoded so far; then none.
    std::string TakeAnswers();
    // The server's COM-PORT-OPTION replies decoded so far, oldest first; then none.
    std::vector<ComPortReply> TakeComPortReplies();

    // Whether the server takes COM-PORT-OPTION commands (its answer to our WILL).
    Agreement ComPort() const;

    // The wire form of data bytes: every 0xFF doubled.
    static std::string Encode(std::string_view data);

private:
    enum class State : std::uint8_t {
        Data,
        Command,
        Option,
        Subnegotiation,
        SubnegotiationCommand
    };

    // What one side does with one option, and whether we asked for a change not yet answered.
    struct OptionState {
        bool Enabled = false;
        bool Asked = false;
        bool Refused = false;
    };

    void Command(std::uint8_t byte, std::string& data);
    void Negotiate(std::uint8_t verb, std::uint8_t option);
    void EndSubnegotiation();
    void Answer(std::uint8_t verb, std::uint8_t option);

    State state_ = State::Data;
    std::uint8_t verb_ = 0;
    std::string subnegotiation_;
    std::string answers_;
    std::vector<ComPortReply> replies_;
    std::array<OptionState, 256> local_{};  // options this side performs
    std::array<OptionState, 256> remote_{}; // options the server performs
};
