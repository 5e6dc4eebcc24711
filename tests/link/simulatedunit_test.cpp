// Tests of the simulated unit, talked to through the serial port and the simulated driver.
#include "link/exchangebuffer.h"
#include "link/protocol.h"
#include "link/serialport.h"
#include "link/sim/simulateddriver.h"
#include "link/sim/simulatedunit.h"
#include "profile/equipmentprofile.h"
#include "profile/memorycommands.h"
#include "profile/memorymap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

class SimulatedUnitTest : public ::testing::Test {
protected:
    SimulatedUnitTest() { driver.AttachPeer("COM5", unit); }

    void OpenPort() {
        ASSERT_TRUE(port.Open());
        port.Configure();
    }

    // The reply to `command`, or "FAILED" when the query failed.
    std::string Ask(std::string_view command) {
        PutText(buffer, command);
        if (!port.Query(buffer, ReplyCapacity))
            return "FAILED";
        return std::string(TextOf(buffer));
    }

    SimulatedDriver driver;
    SimulatedUnit unit;
    SerialPort port{driver, 4};
    ExchangeBuffer buffer{};
};

TEST_F(SimulatedUnitTest, AnswersNameAndVersion) {
    OpenPort();
    EXPECT_EQ(Ask("*?NAM"), "*NAM RIVAN");
    EXPECT_EQ(Ask("*?VER"), "*VER 1.05");
    EXPECT_EQ(unit.Commands(), (std::vector<std::string>{"*?NAM", "*?VER"}));
}

TEST_F(SimulatedUnitTest, AFreshlyPurgedPortFindsTheHeartbeat) {
    OpenPort();
    // Opened at 0 with the queue purged: the XON comes one heartbeat later, during the
    // third 105 ms read of the wait.
    EXPECT_TRUE(port.SendCommand("*?NAM"));
    EXPECT_EQ(driver.Now(), 250ms);
}

TEST_F(SimulatedUnitTest, PutsTheExactHandshakeOnTheWire) {
    OpenPort();
    EXPECT_TRUE(port.WaitForByte(Protocol::XON));
    EXPECT_TRUE(port.WriteLine("*?VER"));
    std::string answer;
    for (int i = 0; i < 14; ++i)
        answer += static_cast<char>(driver.ReadByte(1).Byte);
    EXPECT_EQ(answer, "\x13\x06*VER 1.05\r\n\x11");
    EXPECT_EQ(driver.Wire("COM5"), "*?VER\r\n");
}

TEST_F(SimulatedUnitTest, ReadsTheDefaultBlocks) {
    OpenPort();
    // MER 28 and 22 dB, BER 1000 and 10000 x 1E-08, low bytes first.
    EXPECT_EQ(Ask("*?I22A01F0000C"), "*I22"
                                     "1C001600E803000010270000");
    // Point 2: number 2, active, 650000000 Hz = 26BE3680, warning 70, alarm 60.
    EXPECT_EQ(Ask("*?I22A00440020"), "*I22"
                                     "0201"
                                     "8036BE26"
                                     "463C" +
                                         std::string(48, '0'));
    // Message 1: "   MEVRAL-1+    ".
    EXPECT_EQ(Ask("*?I22A00010010"), "*I22"
                                     "2020204D455652414C2D312B20202020");
}

TEST_F(SimulatedUnitTest, AnswersAllThirtyNineBlockReads) {
    OpenPort();
    std::vector<std::string> commands = {MemoryCommands::Read(0x1F00, 12)};
    for (int point = 0; point < 6; ++point)
        commands.push_back(MemoryCommands::Read(0x0400 + 32 * point, 32));
    for (int slot = 0; slot < 32; ++slot)
        commands.push_back(MemoryCommands::Read(16 * slot, 16));
    ASSERT_EQ(commands.size(), 39u);
    for (const std::string& command : commands) {
        const std::string reply = Ask(command);
        const std::size_t length = std::stoul(command.substr(11), nullptr, 16);
        EXPECT_EQ(reply.size(), 4 + 2 * length) << command;
    }
    EXPECT_EQ(unit.Commands(), commands);
}

TEST_F(SimulatedUnitTest, ItsBlocksFillAProfile) {
    OpenPort();
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.SetDefaults();
    const std::uint16_t point4 = 0x0480;
    const std::uint16_t message31 = 0x01F0;
    for (auto [address, length] :
         {std::pair<std::uint16_t, int>{0x1F00, 12}, {point4, 32}, {message31, 16}}) {
        const std::string reply = Ask(MemoryCommands::Read(address, length));
        const auto block = MemoryMap::LocateBlock(address);
        ASSERT_TRUE(block.has_value());
        ASSERT_GE(reply.size(), 4u + block->DataDigits) << reply;
        profile.ApplyDataBlock(address, std::string_view(reply).substr(4));
    }
    EXPECT_EQ(profile.WarningMER(), 28);
    EXPECT_EQ(profile.AlarmMER(), 22);
    EXPECT_EQ(profile.FrequencyKHz(4), 858000u);
    EXPECT_EQ(profile.Active(4), 1);
    EXPECT_EQ(profile.GetMessageText(31), std::string(16, ' '));
}

TEST_F(SimulatedUnitTest, StoresWrittenBlocksAndTakesThemIntoUseOnReset) {
    OpenPort();
    EXPECT_EQ(Ask("*?REG00"), "*REG0001474.00MHz");
    // Point 0 off, at 1234.5 MHz.
    ASSERT_TRUE(port.SendCommand("*I22A004000000"
                                 "A0F99449"
                                 "463C"));
    EXPECT_EQ(unit.Memory()[0x0401], 0x00);
    EXPECT_EQ(unit.Memory()[0x0402], 0xA0);
    EXPECT_EQ(unit.Memory()[0x0405], 0x49);
    EXPECT_EQ(Ask("*?I22A00400008"), "*I22"
                                     "0000A0F99449463C");
    EXPECT_EQ(Ask("*?REG00"), "*REG0001474.00MHz") << "not in use before the reset";
    ASSERT_TRUE(port.SendCommand("*RST"));
    EXPECT_EQ(unit.ResetCount(), 1);
    EXPECT_EQ(Ask("*?REG00"), "*REG00001234.5MHz");
}

TEST_F(SimulatedUnitTest, RefusesWhatItDoesNotKnow) {
    OpenPort();
    EXPECT_FALSE(port.SendCommand("*?FOO"));
    EXPECT_FALSE(port.SendCommand("*I22A01F0")) << "no data";
    EXPECT_FALSE(port.SendCommand("*I22A01F001C0")) << "odd digit count";
    EXPECT_FALSE(port.SendCommand("*I22A01FFF0102")) << "past the end of memory";
    EXPECT_FALSE(port.SendCommand("*?REG06"));
    EXPECT_TRUE(port.SendCommand("*RST")) << "a refusal leaves the unit ready";
}

TEST_F(SimulatedUnitTest, IgnoresALoneStarWithoutHandshake) {
    OpenPort();
    ASSERT_EQ(Ask("*?NAM"), "*NAM RIVAN");
    // The monitor's resync: "*" CR, to which WriteLine adds CR LF.
    EXPECT_TRUE(port.WriteLine("*\r"));
    EXPECT_EQ(Ask("*?STT").substr(0, 6), "*STAT:");
    EXPECT_EQ(unit.Commands(), (std::vector<std::string>{"*?NAM", "*", "*?STT"}));
    EXPECT_EQ(unit.Exchanges().size(), 2u) << "no handshake for the lone star";
}

TEST_F(SimulatedUnitTest, ReportsChannelStatusFromItsSettings) {
    OpenPort();
    const Protocol::StatusMasks masks = Protocol::ReadStatusReply(Ask("*?STT"));
    // Points 0 to 4 are active by default; channel 4 is far below its power alarm level
    // (60), channel 2 below its warning level (70) and MER warning (28 dB).
    EXPECT_EQ(masks.Active, 0x1F);
    EXPECT_EQ(masks.Alarm & 0x1D, 0x10);
    EXPECT_EQ(masks.Warning & 0x1D, 0x04);
}

TEST_F(SimulatedUnitTest, MeasurementsMoveOverTime) {
    OpenPort();
    const std::string first = Ask("*?POW00");
    ASSERT_EQ(first.substr(0, 4), "*POW");
    const std::optional<double> dBm = Protocol::ReadPowerReply(first);
    ASSERT_TRUE(dBm.has_value());
    EXPECT_GT(*dBm, 72.0 - 107 - 0.01);
    EXPECT_LT(*dBm, 76.0 - 107 + 0.01);
    driver.Clock().Advance(5s);
    EXPECT_NE(Ask("*?POW00"), first);
    EXPECT_EQ(Ask("*?MER05"), "*MER0.0") << "point 5 is not active";
    EXPECT_EQ(Ask("*?BER03").substr(0, 4), "*BER");
    EXPECT_EQ(Ask("*?BER03").find("E-0"), 8u);
}

TEST(SimulatedUnitFaults, ASilentUnitCostsThirtyTwoTimeOuts) {
    SimulatedDriver driver;
    UnitSettings settings;
    settings.Silent = true;
    SimulatedUnit unit(settings);
    driver.AttachPeer("COM1", unit);
    SerialPort port(driver, 0);
    ASSERT_TRUE(port.Open());
    port.Configure();
    EXPECT_FALSE(port.SendCommand("*?NAM"));
    EXPECT_EQ(driver.Now(), 3360ms);
}

TEST_F(SimulatedUnitTest, RefusesTheKthCommand) {
    unit.Settings().NakOnCommand = 2;
    OpenPort();
    EXPECT_EQ(Ask("*?NAM"), "*NAM RIVAN");
    EXPECT_EQ(Ask("*?VER"), "FAILED");
    EXPECT_EQ(TextOf(buffer), "*?VER");
    EXPECT_EQ(Ask("*?VER"), "*VER 1.05");
}

TEST_F(SimulatedUnitTest, ALateReplyReadsAsEmpty) {
    unit.Settings().ReplyDelay = 150ms;
    OpenPort();
    EXPECT_EQ(Ask("*?NAM"), "");
    EXPECT_EQ(std::string(buffer.data() + 1, 10), "*NAM RIVAN");
}

TEST_F(SimulatedUnitTest, GarbageBeforeAnswersIsSkipped) {
    unit.Settings().Garbage = std::string("~\0\xFF\x15", 4);
    OpenPort();
    EXPECT_EQ(Ask("*?NAM"), "*NAM RIVAN");
    EXPECT_EQ(Ask("*?VER"), "*VER 1.05");
}

TEST_F(SimulatedUnitTest, HangsUpAfterKCommands) {
    unit.Settings().HangUpAfter = 2;
    OpenPort();
    EXPECT_EQ(Ask("*?NAM"), "*NAM RIVAN");
    EXPECT_EQ(Ask("*?VER"), "*VER 1.05");
    const SimTime before = driver.Now();
    EXPECT_EQ(Ask("*?NAM"), "FAILED");
    EXPECT_FALSE(unit.LineUp());
    EXPECT_EQ(driver.Now(), before) << "a gone line fails its reads at once";
}

// Faults that start at a chosen command: the commands before it are answered well.

TEST_F(SimulatedUnitTest, FallsSilentAtTheKthCommandAndStaysSilent) {
    unit.Settings().Silent = true;
    unit.Settings().FaultsFromCommand = 3;
    OpenPort();
    EXPECT_EQ(Ask("*?NAM"), "*NAM RIVAN");
    EXPECT_EQ(Ask("*?VER"), "*VER 1.05");
    SimTime before = driver.Now();
    // The unit takes the third line and answers nothing: the XOFF wait runs out.
    EXPECT_EQ(Ask("*?NAM"), "FAILED");
    EXPECT_EQ(driver.Now() - before, 3360ms);
    EXPECT_EQ(driver.Wire("COM5"), "*?NAM\r\n*?VER\r\n*?NAM\r\n");
    // No heartbeat either: the next command never goes out.
    before = driver.Now();
    EXPECT_EQ(Ask("*?VER"), "FAILED");
    EXPECT_EQ(driver.Now() - before, 3360ms);
    EXPECT_EQ(unit.Commands(), (std::vector<std::string>{"*?NAM", "*?VER", "*?NAM"}));
}

TEST_F(SimulatedUnitTest, RefusesSeveralCommandsInARow) {
    unit.Settings().NakOnCommand = 2;
    unit.Settings().NakCount = 2;
    OpenPort();
    EXPECT_EQ(Ask("*?NAM"), "*NAM RIVAN");
    EXPECT_EQ(Ask("*?VER"), "FAILED");
    EXPECT_EQ(Ask("*?VER"), "FAILED");
    EXPECT_EQ(Ask("*?VER"), "*VER 1.05");
}

TEST_F(SimulatedUnitTest, RepliesLateFromTheKthCommand) {
    unit.Settings().ReplyDelay = 150ms;
    unit.Settings().FaultsFromCommand = 2;
    OpenPort();
    EXPECT_EQ(Ask("*?NAM"), "*NAM RIVAN");
    EXPECT_EQ(Ask("*?VER"), "");
    EXPECT_EQ(Ask("*?NAM"), "");
}

TEST(SimulatedUnitFaults, SendsGarbageFromTheKthCommand) {
    UnitSettings settings;
    settings.Garbage = "~#";
    settings.FaultsFromCommand = 2;
    SimulatedUnit unit(settings);
    const auto answer = [&unit](std::string_view line, SimTime at) {
        unit.Receive(line, at);
        std::string bytes;
        while (const std::optional<TimedByte> byte = unit.TakeByte(at, at))
            bytes += static_cast<char>(byte->Byte);
        return bytes;
    };
    EXPECT_EQ(answer("*RST\r\n", 1s), "\x13\x06\x11");
    EXPECT_EQ(answer("*RST\r\n", 2s), "~#\x13\x06\x11");
    EXPECT_EQ(answer("*?VER\r\n", 3s), "~#\x13\x06*VER 1.05\r\n\x11");
}

TEST_F(SimulatedUnitTest, HangsUpAsTheKthCommandArrives) {
    unit.Settings().HangUpOnCommand = 2;
    OpenPort();
    EXPECT_EQ(Ask("*?NAM"), "*NAM RIVAN");
    const SimTime before = driver.Now();
    EXPECT_EQ(Ask("*?VER"), "FAILED");
    EXPECT_FALSE(unit.LineUp());
    EXPECT_EQ(driver.Now(), before) << "a gone line fails its reads at once";
    EXPECT_EQ(unit.Commands(), (std::vector<std::string>{"*?NAM", "*?VER"}));
    EXPECT_EQ(unit.Exchanges().size(), 1u) << "the second command was never answered";
}

TEST_F(SimulatedUnitTest, ReportsAConfiguredName) {
    unit.Settings().Name = "zx-9000";
    OpenPort();
    EXPECT_EQ(Protocol::ReadModelName(Ask("*?NAM")), "ZX-9000");
}

TEST(SimulatedUnitLine, TakesLinesEndedByCrLfOrBoth) {
    SimulatedUnit unit;
    unit.Receive("*?NAM\r*?VER\n*RST\r\n", 0ms);
    EXPECT_EQ(unit.Commands(), (std::vector<std::string>{"*?NAM", "*?VER", "*RST"}));
    unit.Receive("*?N", 1ms);
    unit.Receive("AM\r\n", 2ms);
    EXPECT_EQ(unit.Commands().back(), "*?NAM");
}

TEST(SimulatedUnitLine, StaysQuietWhileTheHostHoldsUnreadBytes) {
    SimulatedUnit unit;
    EXPECT_EQ(unit.NextByteTime(0ms), SimTime(250ms));
    unit.HoldHeartbeat(1s);
    EXPECT_EQ(unit.NextByteTime(1s), SimTime(1250ms));
    unit.Receive("*?NAM\r\n", 2s);
    EXPECT_EQ(unit.NextByteTime(2s), SimTime(2s)) << "the answer goes out at once";
}

} // namespace

namespace {

TEST(SimulatedPorts, MissingAndSilentPortsCostWhatTheUserWouldWait) {
    SimulatedDriver driver;
    SimulatedUnit unit;
    driver.AddPort("COM3");
    driver.AddPort("COM4");
    driver.AttachPeer("COM5", unit);
    SerialPort port(driver, 1);
    ExchangeBuffer buffer{};
    std::vector<std::string> outcome;
    for (int index = 0; index < 8; ++index) {
        port.SelectPort(index);
        if (!port.Open()) {
            outcome.push_back("missing");
            continue;
        }
        port.Configure();
        PutText(buffer, Protocol::NameQuery);
        const bool found = port.Query(buffer, ReplyCapacity) && !TextOf(buffer).empty();
        port.Close();
        outcome.push_back(found ? std::string(TextOf(buffer)) : "silent");
        if (found)
            break;
    }
    EXPECT_EQ(outcome,
              (std::vector<std::string>{"missing", "missing", "silent", "silent", "*NAM RIVAN"}));
    // Two XON waits of 32 x 105 ms, then one heartbeat on COM5.
    EXPECT_EQ(driver.Now(), 2 * 3360ms + 250ms);
}

} // namespace
