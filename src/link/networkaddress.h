// Serial ports that a terminal server or a ser2net box puts on the network, named as
// "tcp://HOST:PORT" (the bytes as they are) or "rfc2217://HOST:PORT" (Telnet with the
// COM-port options, which let this side set the line).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class NetworkProtocol : std::uint8_t { RawTcp, Rfc2217 };

struct NetworkAddress {
    NetworkProtocol Protocol = NetworkProtocol::RawTcp;
    // A host name, an IPv4 address, or an IPv6 address without its brackets.
    std::string Host;
    std::uint16_t Port = 0;

    // The address as the user writes it: "tcp://10.1.2.3:4001", "rfc2217://[::1]:4001".
    std::string Text() const;
};

// The network address `device` names, or nothing when it names a local device. A text
// with one of the two schemes but no usable host or port (1 to 65535) is no address either.
std::optional<NetworkAddress> ParseNetworkAddress(std::string_view device);
