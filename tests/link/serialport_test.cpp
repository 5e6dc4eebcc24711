// Tests of the serial port and its handshake over a simulated line.
#include "link/exchangebuffer.h"
#include "link/serialport.h"
#include "link/sim/simulateddriver.h"

#include "support/scriptedpeer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Operations = std::vector<std::string>;

// The handshake of a unit that takes a command: XON before it, XOFF and ACK after it.
const std::string Accepts = "\x11\x13\x06";

class SerialPortTest : public ::testing::Test {
protected:
    SerialPortTest() { driver.AttachPeer("COM1", peer); }

    // COM1 opened and configured; the driver's log starts afresh.
    void OpenPort() {
        ASSERT_TRUE(port.Open());
        port.Configure();
    }

    SimulatedDriver driver;
    ScriptedPeer peer;
    SerialPort port{driver, 0};
    ExchangeBuffer buffer{};
};

struct SelectCase {
    const char* Behaviour;
    int Index;
    const char* Name;
    int SelectedIndex;
};

class SelectPortNames : public ::testing::TestWithParam<SelectCase> {};

TEST_P(SelectPortNames, NamesThePort) {
    SimulatedDriver driver;
    SerialPort port(driver, 0);
    port.SelectPort(GetParam().Index);
    EXPECT_EQ(port.PortName(), GetParam().Name);
    EXPECT_EQ(port.PortIndex(), GetParam().SelectedIndex);
    EXPECT_FALSE(port.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Indexes, SelectPortNames,
                         ::testing::Values(SelectCase{"FirstPort", 0, "COM1", 0},
                                           SelectCase{"FifthPort", 4, "COM5", 4},
                                           SelectCase{"LastPort", 7, "COM8", 7},
                                           SelectCase{"PastTheEndNamesCom2", 8, "COM2", 1},
                                           SelectCase{"NegativeNamesCom2", -1, "COM2", 1}),
                         [](const auto& info) { return std::string(info.param.Behaviour); });

TEST(SerialPortConstruction, SelectsWithoutOpening) {
    SimulatedDriver driver;
    driver.AddPort("COM3");
    SerialPort port(driver, 2);
    EXPECT_EQ(port.PortName(), "COM3");
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(driver.Operations("COM3").empty());
}

TEST_F(SerialPortTest, OpenTakesThePortAndPurgesTransmitThenReceive) {
    EXPECT_TRUE(port.Open());
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(driver.IsOpen("COM1"));
    EXPECT_EQ(driver.Operations("COM1"), (Operations{"Open", "PurgeTx", "PurgeRx"}));
}

TEST_F(SerialPortTest, OpenDropsWhatArrivedBefore) {
    peer.Send("stale\r\n");
    OpenPort();
    peer.SendAt(1ms, "NEW\r");
    EXPECT_TRUE(port.ReadLine(buffer, ReplyCapacity));
    EXPECT_EQ(TextOf(buffer), "NEW");
}

TEST_F(SerialPortTest, OpenFailsOnAMissingOrBusyPort) {
    SerialPort missing(driver, 5);
    EXPECT_FALSE(missing.Open());
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(driver.LastOpenFailure(), OpenFailure::Missing);

    OpenPort();
    EXPECT_EQ(driver.LastOpenFailure(), OpenFailure::None);
    SerialPort second(driver, 0);
    EXPECT_FALSE(second.Open());
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(driver.LastOpenFailure(), OpenFailure::Busy);
}

TEST_F(SerialPortTest, OpenFailsOnAPortTheUserMayNotOpen) {
    driver.DenyPermission("COM4");
    SerialPort denied(driver, 3);
    EXPECT_FALSE(denied.Open());
    EXPECT_FALSE(denied.IsOpen());
    EXPECT_EQ(driver.LastOpenFailure(), OpenFailure::PermissionDenied);
    EXPECT_EQ(driver.Operations("COM4"), std::vector<std::string>{"Open"});

    driver.DenyPermission("COM4", false);
    EXPECT_TRUE(denied.Open());
    EXPECT_EQ(driver.LastOpenFailure(), OpenFailure::None);
    denied.Close();
}

TEST_F(SerialPortTest, ConfigureSetsTheLineTimeoutsAndModemLines) {
    LineSettings before;
    before.BaudRate = 9600;
    before.ByteSize = 7;
    before.Parity = Parity::Even;
    before.StopBits = StopBits::Two;
    before.OutxCtsFlow = true;
    before.OutxDsrFlow = true;
    before.SoftwareFlowControl = true;
    driver.PresetLineSettings("COM1", before);

    ASSERT_TRUE(port.Open());
    EXPECT_TRUE(port.Configure());

    const LineSettings& line = driver.Settings("COM1");
    EXPECT_EQ(line.BaudRate, 115200u);
    EXPECT_EQ(line.ByteSize, 8);
    EXPECT_EQ(line.Parity, Parity::None);
    EXPECT_EQ(line.StopBits, StopBits::One);
    EXPECT_FALSE(line.OutxCtsFlow);
    EXPECT_FALSE(line.OutxDsrFlow);
    EXPECT_TRUE(line.SoftwareFlowControl) << "settings the port does not set stay as read";
    const PortTimeouts& timeouts = driver.Timeouts("COM1");
    EXPECT_EQ(timeouts.ReadIntervalTimeout, 0u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 5u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 100u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 0u);
    EXPECT_TRUE(driver.Dtr("COM1"));
    EXPECT_TRUE(driver.Rts("COM1"));
    EXPECT_EQ(driver.Operations("COM1"),
              (Operations{"Open", "PurgeTx", "PurgeRx", "GetLineSettings", "SetLineSettings",
                          "SetTimeouts", "SetDtr", "SetRts"}));
}

TEST_F(SerialPortTest, ConfigureStopsWhenTheLineStateCannotBeRead) {
    driver.FailGetLineSettings("COM1");
    ASSERT_TRUE(port.Open());
    EXPECT_FALSE(port.Configure());
    EXPECT_FALSE(port.LastOk());
    EXPECT_EQ(driver.Operations("COM1"),
              (Operations{"Open", "PurgeTx", "PurgeRx", "GetLineSettings"}));
}

TEST_F(SerialPortTest, ConfigureStopsWhenTheLineStateCannotBeWritten) {
    driver.FailSetLineSettings("COM1");
    ASSERT_TRUE(port.Open());
    EXPECT_FALSE(port.Configure());
    EXPECT_FALSE(driver.Dtr("COM1"));
    EXPECT_FALSE(driver.Rts("COM1"));
    EXPECT_EQ(driver.Operations("COM1"),
              (Operations{"Open", "PurgeTx", "PurgeRx", "GetLineSettings", "SetLineSettings"}));
}

TEST_F(SerialPortTest, CloseLowersRtsThenDtrThenCloses) {
    OpenPort();
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(driver.IsOpen("COM1"));
    EXPECT_FALSE(driver.Dtr("COM1"));
    EXPECT_FALSE(driver.Rts("COM1"));
    const Operations& done = driver.Operations("COM1");
    EXPECT_EQ(Operations(done.end() - 3, done.end()),
              (Operations{"ClearRts", "ClearDtr", "Close"}));

    const std::size_t count = done.size();
    port.Close();
    EXPECT_EQ(driver.Operations("COM1").size(), count) << "closing a closed port does nothing";
}

TEST_F(SerialPortTest, SelectPortOnAnOpenPortClosesItFirst) {
    OpenPort();
    port.SelectPort(8);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(driver.IsOpen("COM1"));
    EXPECT_EQ(port.PortName(), "COM2");
    const Operations& done = driver.Operations("COM1");
    EXPECT_EQ(Operations(done.end() - 3, done.end()),
              (Operations{"ClearRts", "ClearDtr", "Close"}));
}

TEST_F(SerialPortTest, WriteLineCutsTheTextTo253CharactersAndAddsCrLf) {
    OpenPort();
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += static_cast<char>('A' + i % 26);
    EXPECT_TRUE(port.WriteLine(text));
    const std::string& wire = driver.Wire("COM1");
    ASSERT_EQ(wire.size(), 255u);
    EXPECT_EQ(wire.substr(0, 253), text.substr(0, 253));
    EXPECT_EQ(wire.substr(253), "\r\n");
}

TEST_F(SerialPortTest, WriteLineOfShortTextAndOnAClosedPort) {
    EXPECT_FALSE(port.WriteLine("*?NAM")) << "the port is not open";
    OpenPort();
    EXPECT_TRUE(port.WriteLine("*?NAM"));
    EXPECT_EQ(driver.Wire("COM1"), "*?NAM\r\n");
    EXPECT_EQ(peer.Received(), "*?NAM\r\n");
}

struct ReadCase {
    const char* Behaviour;
    std::string Wire;
    std::string Line;
};

class ReadLineBytes : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadLineBytes, StoresTheLine) {
    SimulatedDriver driver;
    ScriptedPeer peer;
    driver.AttachPeer("COM1", peer);
    SerialPort port(driver, 0);
    ASSERT_TRUE(port.Open());
    port.Configure();
    peer.Send(GetParam().Wire);
    ExchangeBuffer buffer;
    buffer.fill('#');
    EXPECT_TRUE(port.ReadLine(buffer, ReplyCapacity));
    EXPECT_EQ(TextOf(buffer), GetParam().Line);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, ReadLineBytes,
    ::testing::Values(ReadCase{"EndsAtCr", "ABC\r\n", "ABC"},
                      ReadCase{"EndsAtLf", "ABC\nDEF", "ABC"},
                      ReadCase{"EndsAtNul", std::string("AB\0CD\r", 6), "AB"},
                      ReadCase{"TabBecomesBlank", "A\tB\r", "A B"},
                      ReadCase{"BelBecomesDot", "A\aB\r", "A.B"},
                      ReadCase{"OtherControlBytesBecomeDots", "\x01\x1B\x1F\x7F\r", "...."},
                      ReadCase{"HighBytesStay", "\x80\xFF\xE9\r", "\x80\xFF\xE9"},
                      ReadCase{"EmptyLine", "\r\n", ""}),
    [](const auto& info) { return std::string(info.param.Behaviour); });

TEST_F(SerialPortTest, TheLfOfCrLfIsDroppedByTheNextHandshakeWait) {
    OpenPort();
    peer.Send("ABC\r\n\x11");
    ASSERT_TRUE(port.ReadLine(buffer, ReplyCapacity));
    EXPECT_EQ(TextOf(buffer), "ABC");
    EXPECT_TRUE(port.WaitForByte(0x11));
    EXPECT_EQ(driver.Now(), 0ms);
}

TEST_F(SerialPortTest, ReadLineWithoutTerminatorEndsAfterCapacityInsideTheBuffer) {
    OpenPort();
    peer.Send(std::string(120, 'x') + "\r");
    buffer.fill('#');
    EXPECT_TRUE(port.ReadLine(buffer, ReplyCapacity));
    EXPECT_EQ(TextOf(buffer), std::string(100, 'x'));
    EXPECT_EQ(buffer[100], '\0');
    // The 20 characters beyond the capacity stay queued.
    ASSERT_TRUE(port.ReadLine(buffer, ReplyCapacity));
    EXPECT_EQ(TextOf(buffer), std::string(20, 'x'));
}

TEST_F(SerialPortTest, ReadLineNeverWritesPastItsBuffer) {
    OpenPort();
    peer.Send(std::string(50, 'y'));
    std::array<char, 12> small;
    small.fill('#');
    EXPECT_TRUE(port.ReadLine(std::span<char>(small.data(), 10), ReplyCapacity));
    EXPECT_EQ(TextOf(small), std::string(9, 'y'));
    EXPECT_EQ(small[10], '#');
    EXPECT_EQ(small[11], '#');
}

TEST_F(SerialPortTest, ReadLineTimeOutsHoldNulAtTheStartAndBlanksLater) {
    OpenPort();
    peer.Send("AB");
    peer.SendAt(200ms, "C\r");
    EXPECT_TRUE(port.ReadLine(buffer, ReplyCapacity));
    // The read for position 2 timed out at 105 ms; the one for position 3 got the C.
    EXPECT_EQ(TextOf(buffer), "AB C");
    EXPECT_EQ(driver.Now(), 200ms);
}

TEST_F(SerialPortTest, ReadLineOfASilentLineTakesCapacityTimesTheTimeOut) {
    OpenPort();
    buffer.fill('#');
    EXPECT_TRUE(port.ReadLine(buffer, ReplyCapacity)) << "time-outs are no read errors";
    EXPECT_EQ(TextOf(buffer), "");
    EXPECT_EQ(driver.Now(), 100 * 105ms);
    EXPECT_EQ(buffer[100], '\0');
}

TEST_F(SerialPortTest, WaitForByteDiscardsOtherBytesWithoutCountingThem) {
    OpenPort();
    peer.Send(std::string(40, '?') + "\x15\n\x11");
    EXPECT_TRUE(port.WaitForByte(0x11)) << "a NAK does not end the XON wait";
    peer.Send("\x15\x13");
    EXPECT_TRUE(port.WaitForByte(0x13)) << "a NAK does not end the XOFF wait";
    EXPECT_EQ(driver.Now(), 0ms);
}

TEST_F(SerialPortTest, WaitForAckEndsOnNak) {
    OpenPort();
    peer.Send("\x11\x15\x06");
    EXPECT_FALSE(port.WaitForByte(0x06));
    EXPECT_FALSE(port.LastOk());
    EXPECT_EQ(driver.Now(), 0ms);
}

TEST_F(SerialPortTest, WaitForByteGivesUpAfter32TimeOuts) {
    OpenPort();
    EXPECT_FALSE(port.WaitForByte(0x11));
    EXPECT_EQ(driver.Now(), 3360ms);
}

TEST_F(SerialPortTest, WaitForByteKeepsCountingMissesAcrossOtherBytes) {
    OpenPort();
    // 31 time-outs, then a stray byte, then one more time-out makes 32 misses.
    peer.SendAt(31 * 105ms + 1ms, "x");
    EXPECT_FALSE(port.WaitForByte(0x11));
    EXPECT_EQ(driver.Now(), 31 * 105ms + 1ms + 105ms);
}

TEST_F(SerialPortTest, SendCommandRunsTheHandshake) {
    OpenPort();
    peer.Send(Accepts);
    EXPECT_TRUE(port.SendCommand("*RST"));
    EXPECT_TRUE(port.LastOk());
    EXPECT_EQ(driver.Wire("COM1"), "*RST\r\n");
}

TEST_F(SerialPortTest, SendCommandFailsOnNak) {
    OpenPort();
    peer.Send("\x11\x13\x15");
    EXPECT_FALSE(port.SendCommand("*RST"));
    EXPECT_FALSE(port.LastOk());
}

TEST_F(SerialPortTest, ASilentUnitFailsSendCommandAfter32TimeOutsWithoutWriting) {
    OpenPort();
    EXPECT_FALSE(port.SendCommand("*?NAM"));
    EXPECT_EQ(driver.Now(), 32 * 105ms);
    EXPECT_EQ(driver.Wire("COM1"), "");
}

TEST_F(SerialPortTest, AClosedPortFailsAtOnceWithoutVirtualTime) {
    peer.Send(Accepts);
    EXPECT_FALSE(port.SendCommand("*?NAM"));
    PutText(buffer, "*?NAM");
    EXPECT_FALSE(port.Query(buffer, ReplyCapacity));
    EXPECT_EQ(TextOf(buffer), "*?NAM");
    EXPECT_EQ(driver.Now(), 0ms);
    EXPECT_EQ(driver.Wire("COM1"), "");
}

TEST_F(SerialPortTest, QueryReadsTheReplyIntoTheBuffer) {
    OpenPort();
    peer.Send(Accepts + "*NAM RIVAN\r\n");
    PutText(buffer, "*?NAM");
    EXPECT_TRUE(port.Query(buffer, ReplyCapacity));
    EXPECT_EQ(TextOf(buffer), "*NAM RIVAN");
    EXPECT_EQ(driver.Wire("COM1"), "*?NAM\r\n");
}

TEST_F(SerialPortTest, QueryRefusedKeepsTheCommandAndReadsNoReply) {
    OpenPort();
    peer.Send("\x11\x13\x15*NAM RIVAN\r\n");
    PutText(buffer, "*?NAM");
    EXPECT_FALSE(port.Query(buffer, ReplyCapacity));
    EXPECT_EQ(TextOf(buffer), "*?NAM");
}

TEST_F(SerialPortTest, ALateReplyGivesTrueWithAnEmptyReply) {
    OpenPort();
    peer.Send(Accepts);
    peer.SendAt(150ms, "ABC\r\n");
    PutText(buffer, "*?VER");
    EXPECT_TRUE(port.Query(buffer, ReplyCapacity));
    EXPECT_EQ(TextOf(buffer), "");
    // The bytes that came later sit in later positions.
    EXPECT_EQ(std::string(buffer.data() + 1, 3), "ABC");
    EXPECT_EQ(buffer[4], '\0');
}

TEST_F(SerialPortTest, QueryOfALongReplyEndsAfter100Characters) {
    OpenPort();
    peer.Send(Accepts + std::string(130, 'z'));
    PutText(buffer, "*?NAM");
    EXPECT_TRUE(port.Query(buffer, ReplyCapacity));
    EXPECT_EQ(TextOf(buffer), std::string(100, 'z'));
}

TEST_F(SerialPortTest, ALineThatDropsFailsTheReadAndEndsTheTextWhereItStopped) {
    OpenPort();
    peer.Send(Accepts + "*N");
    peer.HangUpWhenDrained();
    PutText(buffer, "*?NAM");
    EXPECT_FALSE(port.Query(buffer, ReplyCapacity));
    EXPECT_EQ(TextOf(buffer), "*N") << "no leftover of the command behind the partial reply";
    EXPECT_FALSE(port.SendCommand("*?VER"));
    EXPECT_EQ(driver.Now(), 0ms) << "failed reads cost no time";
}

} // namespace
