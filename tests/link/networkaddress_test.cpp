// Tests of network port names, and of how detection labels a port on the network.
#include "link/networkaddress.h"
#include "link/portnames.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

struct AddressCase {
    const char* Behaviour;
    const char* Device;
    std::optional<NetworkProtocol> Protocol; // nothing: not a network address
    const char* Host;
    std::uint16_t Port;
};

class NetworkAddresses : public ::testing::TestWithParam<AddressCase> {};

TEST_P(NetworkAddresses, AreReadFromTheDeviceName) {
    const AddressCase& row = GetParam();
    const std::optional<NetworkAddress> address = ParseNetworkAddress(row.Device);
    ASSERT_EQ(address.has_value(), row.Protocol.has_value());
    if (!address)
        return;
    EXPECT_EQ(address->Protocol, *row.Protocol);
    EXPECT_EQ(address->Host, row.Host);
    EXPECT_EQ(address->Port, row.Port);
    EXPECT_EQ(address->Text(), row.Device) << "the address is written as the user wrote it";
}

constexpr auto Raw = NetworkProtocol::RawTcp;
constexpr auto Telnet = NetworkProtocol::Rfc2217;

INSTANTIATE_TEST_SUITE_P(
    Names, NetworkAddresses,
    ::testing::Values(AddressCase{"RawTcpByNumber", "tcp://10.1.2.3:4001", Raw, "10.1.2.3", 4001},
                      AddressCase{"TelnetByHostName", "rfc2217://site-7.example:2001", Telnet,
                                  "site-7.example", 2001},
                      AddressCase{"Ipv6InBrackets", "tcp://[::1]:4001", Raw, "::1", 4001},
                      AddressCase{"HighestPort", "tcp://127.0.0.1:65535", Raw, "127.0.0.1", 65535},
                      AddressCase{"DevicePathIsLocal", "/dev/ttyUSB0", std::nullopt, "", 0},
                      AddressCase{"OtherSchemeIsLocal", "udp://10.1.2.3:4001", std::nullopt, "", 0},
                      AddressCase{"NoPort", "tcp://10.1.2.3", std::nullopt, "", 0},
                      AddressCase{"EmptyPort", "tcp://10.1.2.3:", std::nullopt, "", 0},
                      AddressCase{"PortZero", "tcp://10.1.2.3:0", std::nullopt, "", 0},
                      AddressCase{"PortTooHigh", "tcp://10.1.2.3:65536", std::nullopt, "", 0},
                      AddressCase{"PortWithLetters", "tcp://10.1.2.3:40a1", std::nullopt, "", 0},
                      AddressCase{"NoHost", "rfc2217://:4001", std::nullopt, "", 0},
                      AddressCase{"PathAfterThePort", "tcp://host/x:4001", std::nullopt, "", 0},
                      AddressCase{"Ipv6WithoutBrackets", "tcp://::1:4001", std::nullopt, "", 0},
                      AddressCase{"UnclosedBracket", "tcp://[::1:4001", std::nullopt, "", 0},
                      AddressCase{"UpperCaseSchemeIsNoScheme", "TCP://10.1.2.3:4001", std::nullopt,
                                  "", 0}),
    [](const auto& info) { return std::string(info.param.Behaviour); });

#ifndef _WIN32
// RIVAN_COMn names a port's device on POSIX systems only; Windows opens \\.\COMn.
TEST(PortLabel, NamesTheNetworkAddressOfANetworkPortOnly) {
    ::setenv("RIVAN_COM1", "tcp://10.1.2.3:4001", 1);
    ::setenv("RIVAN_COM2", "/dev/pts/4", 1);
    ::setenv("RIVAN_COM3", "rfc2217://[fe80::1]:2001", 1);
    EXPECT_EQ(PortLabel("COM1"), "COM1 (tcp://10.1.2.3:4001)");
    EXPECT_EQ(PortLabel("COM2"), "COM2");
    EXPECT_EQ(PortLabel("COM3"), "COM3 (rfc2217://[fe80::1]:2001)");
    EXPECT_EQ(PortLabel("COM4"), "COM4");
    for (const char* name : {"RIVAN_COM1", "RIVAN_COM2", "RIVAN_COM3"})
        ::unsetenv(name);
}
#endif

} // namespace
