// Reading and writing the names of serial ports on the network.
#include "link/networkaddress.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<std::string_view, NetworkProtocol>, 2> Schemes = {{
    {"tcp://", NetworkProtocol::RawTcp},
    {"rfc2217://", NetworkProtocol::Rfc2217},
}};

std::string_view SchemeOf(NetworkProtocol protocol) {
    for (const auto& [scheme, known] : Schemes)
        if (known == protocol)
            return scheme;
    return Schemes.front().first;
}

std::optional<std::uint16_t> ParsePort(std::string_view text) {
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value < 1 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

// A host name or address holds no spaces, slashes or other separators.
bool PlainHost(std::string_view host) {
    if (host.empty())
        return false;
    for (char c : host) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_' ||
                             c == ':' || c == '%';
        if (!allowed)
            return false;
    }
    return true;
}

} // namespace

std::string NetworkAddress::Text() const {
    std::string text(SchemeOf(Protocol));
    const bool bracketed = Host.find(':') != std::string::npos;
    text += bracketed ? "[" + Host + "]" : Host;
    text += ':';
    text += std::to_string(Port);
    return text;
}

std::optional<NetworkAddress> ParseNetworkAddress(std::string_view device) {
    NetworkAddress address;
    std::string_view rest;
    bool known = false;
    for (const auto& [scheme, protocol] : Schemes) {
        if (device.starts_with(scheme)) {
            address.Protocol = protocol;
            rest = device.substr(scheme.size());
            known = true;
            break;
        }
    }
    if (!known)
        return std::nullopt;
    std::string_view host;
    std::string_view port;
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ':')
            return std::nullopt;
        host = rest.substr(1, close - 1);
        port = rest.substr(close + 2);
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos)
            return std::nullopt;
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        // An IPv6 address needs its brackets, or its last group would pass for the port.
        if (host.find(':') != std::string_view::npos)
            return std::nullopt;
    }
    const std::optional<std::uint16_t> number = ParsePort(port);
    if (!PlainHost(host) || !number)
        return std::nullopt;
    address.Host = std::string(host);
    address.Port = *number;
    return address;
}
