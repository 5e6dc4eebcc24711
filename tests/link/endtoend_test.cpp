// End to end: the serial port on a real pseudo-terminal, through Qt Serial Port, to rivan-sim.
#include "link/device/deviceportdriver.h"
#include "link/exchangebuffer.h"
#include "link/protocol.h"
#include "link/serialport.h"
#include "profile/memorycommands.h"
#include "profile/memorymap.h"

#include "support/simprocess.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PseudoTerminalsAvailable())
            GTEST_SKIP() << "this system hands out no pseudo-terminals";
        std::string error;
        ASSERT_TRUE(sim.Start(RIVAN_SIM_PATH, {"--com", "3"}, error)) << error;
        ASSERT_EQ(sim.Variable(), "RIVAN_COM3");
        ::setenv("RIVAN_COM3", sim.DevicePath().c_str(), 1);
    }

    void TearDown() override {
        port.Close();
        ::unsetenv("RIVAN_COM3");
    }

    std::string Ask(std::string_view command) {
        PutText(buffer, command);
        if (!port.Query(buffer, ReplyCapacity))
            return "FAILED";
        return std::string(TextOf(buffer));
    }

    SimProcess sim;
    DevicePortDriver driver;
    SerialPort port{driver, 2};
    ExchangeBuffer buffer{};
};

TEST_F(EndToEnd, NameVersionAllBlocksAndAWrite) {
    ASSERT_TRUE(port.Open());
    EXPECT_TRUE(port.Configure()) << "modem lines a pseudo-terminal lacks are no failure";

    EXPECT_EQ(Protocol::ReadModelName(Ask("*?NAM")), "RIVAN");
    EXPECT_EQ(Protocol::ReadVersion(Ask("*?VER")), 1.05f);

    std::vector<std::pair<std::uint16_t, int>> blocks = {{0x1F00, 12}};
    for (int point = 0; point < 6; ++point)
        blocks.emplace_back(static_cast<std::uint16_t>(0x0400 + 32 * point), 32);
    for (int slot = 0; slot < 32; ++slot)
        blocks.emplace_back(static_cast<std::uint16_t>(16 * slot), 16);
    ASSERT_EQ(blocks.size(), 39u);
    for (const auto& [address, length] : blocks) {
        const std::string reply = Ask(MemoryCommands::Read(address, length));
        EXPECT_EQ(reply.size(), 4u + 2 * length) << reply;
        ASSERT_TRUE(MemoryMap::LocateBlock(address).has_value());
        EXPECT_GE(reply.size(), 4u + MemoryMap::LocateBlock(address)->DataDigits) << reply;
    }
    EXPECT_EQ(Ask("*?I22A01F0000C"), "*I22"
                                     "1C001600E803000010270000");

    // New thresholds: MER 30 and 20 dB, BER 500 and 20000 units of 1E-08.
    EXPECT_TRUE(port.SendCommand("*I22A01F00"
                                 "1E001400F4010000204E0000"));
    EXPECT_EQ(Ask("*?I22A01F0000C"), "*I22"
                                     "1E001400F4010000204E0000");
    EXPECT_TRUE(port.SendCommand(Protocol::ResetCommand));
}

TEST_F(EndToEnd, TheUnitIsFoundAgainAfterThePortIsReopened) {
    ASSERT_TRUE(port.Open());
    port.Configure();
    EXPECT_EQ(Ask("*?NAM"), "*NAM RIVAN");
    port.Close();

    SerialPort again(driver, 2);
    ASSERT_TRUE(again.Open());
    again.Configure();
    PutText(buffer, "*?VER");
    EXPECT_TRUE(again.Query(buffer, ReplyCapacity));
    EXPECT_EQ(TextOf(buffer), "*VER 1.05");
    again.Close();
}

TEST(EndToEndHangUp, AGoneLineFailsTheExchange) {
    if (!PseudoTerminalsAvailable())
        GTEST_SKIP() << "this system hands out no pseudo-terminals";
    SimProcess sim;
    std::string error;
    ASSERT_TRUE(sim.Start(RIVAN_SIM_PATH, {"--com", "6", "--hangup", "1"}, error)) << error;
    ::setenv("RIVAN_COM6", sim.DevicePath().c_str(), 1);
    DevicePortDriver driver;
    SerialPort port(driver, 5);
    ASSERT_TRUE(port.Open());
    port.Configure();
    ExchangeBuffer buffer{};
    PutText(buffer, "*?NAM");
    EXPECT_TRUE(port.Query(buffer, ReplyCapacity));
    EXPECT_EQ(TextOf(buffer), "*NAM RIVAN");
    PutText(buffer, "*?VER");
    EXPECT_FALSE(port.Query(buffer, ReplyCapacity));
    port.Close();
    ::unsetenv("RIVAN_COM6");
}

TEST_F(EndToEnd, APortTheSimulatorDoesNotServeIsMissing) {
    ::setenv("RIVAN_COM4", MissingDevicePath(4).c_str(), 1);
    SerialPort missing(driver, 3);
    EXPECT_FALSE(missing.Open());
    ::unsetenv("RIVAN_COM4");
}

} // namespace

int main(int argc, char** argv) {
    // Qt Serial Port wants an application object, though it runs without an event loop.
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

namespace {

// Why the device driver could not open a port, read from the device behind RIVAN_COM7.
OpenFailure OpenFailureFor(const std::string& devicePath) {
    ::setenv("RIVAN_COM7", devicePath.c_str(), 1);
    DevicePortDriver driver;
    SerialPort port(driver, 6);
    const bool opened = port.Open();
    port.Close();
    ::unsetenv("RIVAN_COM7");
    return opened ? OpenFailure::None : driver.LastOpenFailure();
}

} // namespace

TEST(DeviceOpenFailure, AMissingDeviceIsMissing) {
    EXPECT_EQ(OpenFailureFor(MissingDevicePath()), OpenFailure::Missing);
}

TEST(DeviceOpenFailure, ADeviceWithoutRightsIsAPermissionMatter) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may open any device";
    const std::string path = ::testing::TempDir() + "rivan-denied-port";
    std::ofstream(path) << "";
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    EXPECT_EQ(OpenFailureFor(path), OpenFailure::PermissionDenied);
    ::unlink(path.c_str());
}

TEST(DeviceOpenFailure, APortInUseIsBusyNotAPermissionMatter) {
    if (!PseudoTerminalsAvailable())
        GTEST_SKIP() << "this system hands out no pseudo-terminals";
    SimProcess sim;
    std::string error;
    ASSERT_TRUE(sim.Start(RIVAN_SIM_PATH, {"--com", "7"}, error)) << error;
    ::setenv("RIVAN_COM7", sim.DevicePath().c_str(), 1);
    DevicePortDriver driver;
    SerialPort holder(driver, 6);
    ASSERT_TRUE(holder.Open());
    SerialPort second(driver, 6);
    EXPECT_FALSE(second.Open());
    EXPECT_EQ(driver.LastOpenFailure(), OpenFailure::Busy);
    holder.Close();
    ::unsetenv("RIVAN_COM7");
}
