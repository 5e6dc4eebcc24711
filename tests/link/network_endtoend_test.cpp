// End to end over the network: rivan-sim behind socat (raw TCP) and ser2net (Telnet with
// the COM-port options) on 127.0.0.1, through the program's port drivers; and the exact
// Telnet bytes against a small scripted server.
#include "link/device/systemportdriver.h"
#include "link/device/systemterminalport.h"
#include "link/equipmentlink.h"
#include "link/exchangebuffer.h"
#include "link/serialport.h"

#include "support/bridgeprocess.h"
#include "support/simprocess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::string_literals;

class Events : public LinkEvents {
public:
    void AppendLine(const std::string& line) override {
        Lines.push_back(line);
        if (OnLine)
            OnLine(line);
    }
    void ProcessPendingEvents() override {}
    void DetectionStarted() override {}
    void PortTried(bool) override {}
    void ModelRecognised(std::uint32_t) override {}
    void EquipmentDetected(const std::string& modelName, const std::string& portName) override {
        Detected.push_back(modelName + "@" + portName);
    }
    std::vector<std::string> Lines;
    std::vector<std::string> Detected;
    std::function<void(const std::string&)> OnLine;
};

const char* const PortVariables[] = {"RIVAN_COM1", "RIVAN_COM2", "RIVAN_COM3", "RIVAN_COM4",
                                     "RIVAN_COM5", "RIVAN_COM6", "RIVAN_COM7", "RIVAN_COM8"};

class NetworkEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PseudoTerminalsAvailable())
            GTEST_SKIP() << "this system hands out no pseudo-terminals";
        // Ports not named by a test lead nowhere, so no search reaches a real device.
        for (int n = 0; n < 8; ++n)
            ::setenv(PortVariables[n], MissingDevicePath(n + 1).c_str(), 1);
        std::string error;
        ASSERT_TRUE(sim.Start(RIVAN_SIM_PATH, {"--com", "1"}, error)) << error;
    }

    void TearDown() override {
        bridge.Stop();
        for (const char* variable : PortVariables)
            ::unsetenv(variable);
    }

    void StartRawTcp() {
        if (!ProgramAvailable("socat"))
            GTEST_SKIP() << "socat is not installed (scripts/setup installs it)";
        std::string error;
        ASSERT_TRUE(bridge.StartRawTcp(sim.DevicePath(), error)) << error;
        address = "tcp://127.0.0.1:" + std::to_string(bridge.Port());
        ::setenv("RIVAN_COM1", address.c_str(), 1);
    }

    void StartRfc2217(const std::string& lineSettings) {
        if (!ProgramAvailable("ser2net"))
            GTEST_SKIP() << "ser2net is not installed (scripts/setup installs it)";
        std::string error;
        ASSERT_TRUE(bridge.StartRfc2217(sim.DevicePath(), lineSettings, folder.path, error))
            << error;
        address = "rfc2217://127.0.0.1:" + std::to_string(bridge.Port());
        ::setenv("RIVAN_COM1", address.c_str(), 1);
    }

    // Detection finds the unit on COM1 and names its address; receive and send go through,
    // and a fresh link reads back what was sent.
    void DetectReceiveSendAndReadBack() {
        ScriptLineList lines;
        EquipmentProfile profile(lines);
        profile.SetDefaults();
        Events events;
        EquipmentLink link(driver);
        link.Detect(events);
        ASSERT_TRUE(link.EquipmentFound()) << ::testing::PrintToString(events.Lines);
        EXPECT_THAT(events.Lines,
                    ::testing::ElementsAre("Detecting equipment and COM port",
                                           "COM1 (" + address + ") -> RIVAN ver1.05"));
        EXPECT_THAT(events.Detected, ::testing::ElementsAre("RIVAN@COM1"));

        const ReceivedProfile received = link.ReceiveProfile(events);
        ASSERT_EQ(received.Outcome, ReceiveOutcome::Complete)
            << ::testing::PrintToString(events.Lines);
        received.ApplyTo(profile);
        profile.SetFrequencyKHz(2, 754000);
        profile.SetAlarmMER(23);
        profile.WriteScript(lines, "site.pro", "NOW");
        ASSERT_EQ(link.SendProfile(lines, "site.pro", events), SendOutcome::Sent)
            << ::testing::PrintToString(events.Lines);
        EXPECT_EQ(events.Lines.back(), "processed 7 data lines of 15");

        ScriptLineList otherLines;
        EquipmentProfile readBack(otherLines);
        readBack.SetDefaults();
        EquipmentLink again(driver);
        const ReceivedProfile second = again.ReceiveProfile(events);
        ASSERT_EQ(second.Outcome, ReceiveOutcome::Complete);
        second.ApplyTo(readBack);
        EXPECT_EQ(readBack.FrequencyKHz(2), 754000u);
        EXPECT_EQ(readBack.AlarmMER(), 23);
    }

    struct Folder {
        Folder() {
            char name[] = "/tmp/rivan-net-XXXXXX";
            path = ::mkdtemp(name) ? name : "/tmp";
        }
        ~Folder() { std::system(("rm -rf '" + path + "'").c_str()); }
        std::string path;
    };

    Folder folder;
    SimProcess sim;
    BridgeProcess bridge;
    SystemPortDriver driver;
    std::string address;
};

TEST_F(NetworkEndToEnd, RawTcpThroughSocat) {
    StartRawTcp();
    DetectReceiveSendAndReadBack();
}

TEST_F(NetworkEndToEnd, TelnetThroughSer2netSetsTheLine) {
    // ser2net starts the line at 9600 bit/s, even parity, 7 data bits, 1 stop bit; the
    // COM-port options must bring it to 115200 8N1.
    StartRfc2217("9600e71");
    DetectReceiveSendAndReadBack();

    const int slave = ::open(sim.DevicePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(slave, 0) << "the pseudo-terminal the unit is on";
    termios line{};
    ASSERT_EQ(::tcgetattr(slave, &line), 0);
    ::close(slave);
    EXPECT_EQ(::cfgetospeed(&line), static_cast<speed_t>(B115200));
    EXPECT_EQ(::cfgetispeed(&line), static_cast<speed_t>(B115200));
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & PARENB, 0u);
    EXPECT_EQ(line.c_cflag & CSTOPB, 0u);
}

TEST_F(NetworkEndToEnd, RefusedPortsAreNotAvailable) {
    const RefusingPort rawPort;
    const RefusingPort telnetPort;
    const std::string raw = "tcp://127.0.0.1:" + std::to_string(rawPort.Port());
    const std::string telnet = "rfc2217://127.0.0.1:" + std::to_string(telnetPort.Port());
    ::setenv("RIVAN_COM1", raw.c_str(), 1);
    ::setenv("RIVAN_COM2", telnet.c_str(), 1);
    Events events;
    EquipmentLink link(driver);
    link.Detect(events);
    EXPECT_FALSE(link.EquipmentFound());
    ASSERT_EQ(events.Lines.size(), 9u);
    EXPECT_EQ(events.Lines[1], "COM1 (" + raw + ") not available");
    EXPECT_EQ(events.Lines[2], "COM2 (" + telnet + ") not available");
    EXPECT_EQ(events.Lines[3], "COM3 not available");
    EXPECT_EQ(driver.LastOpenFailure(), OpenFailure::Missing);
}

TEST_F(NetworkEndToEnd, AHostNameIsLookedUpAndEachOfItsAddressesTried) {
    // "localhost" may stand for ::1 before 127.0.0.1, where the bridge listens.
    StartRawTcp();
    address = "tcp://localhost:" + std::to_string(bridge.Port());
    ::setenv("RIVAN_COM1", address.c_str(), 1);
    ::setenv("RIVAN_COM2", "tcp://no-such-host.invalid:4001", 1);
    Events events;
    EquipmentLink link(driver);
    link.Detect(events);
    ASSERT_TRUE(link.EquipmentFound()) << ::testing::PrintToString(events.Lines);
    EXPECT_EQ(events.Lines.back(), "COM1 (" + address + ") -> RIVAN ver1.05");

    // A name nobody knows is not available, as a missing device is.
    ::setenv("RIVAN_COM1", MissingDevicePath(1).c_str(), 1);
    Events unknown;
    EquipmentLink other(driver);
    other.Detect(unknown);
    EXPECT_FALSE(other.EquipmentFound());
    ASSERT_GE(unknown.Lines.size(), 3u);
    EXPECT_EQ(unknown.Lines[2], "COM2 (tcp://no-such-host.invalid:4001) not available");
}

TEST_F(NetworkEndToEnd, ABridgeKilledMidReceiveIsAHangUp) {
    StartRawTcp();
    Events events;
    EquipmentLink link(driver);
    // The bridge goes while the unit's detection points are being read.
    events.OnLine = [&](const std::string& line) {
        if (line == "loading identification points data...")
            bridge.Stop();
    };
    const ReceivedProfile received = link.ReceiveProfile(events);
    EXPECT_EQ(received.Outcome, ReceiveOutcome::Incomplete);
    ASSERT_GE(received.Blocks.size(), 1u) << "the configuration came before the bridge went";
    EXPECT_EQ(received.Blocks.front().Address, 0x1F00);
    // The first request after the drop fails at its handshake: the log holds the command.
    const auto points = std::find(events.Lines.begin(), events.Lines.end(),
                                  "loading identification points data...");
    ASSERT_NE(points, events.Lines.end());
    ASSERT_NE(points + 1, events.Lines.end());
    EXPECT_EQ(*(points + 1), "*?I22A00400020");

    // The next conversation finds no unit: the window's "Check connection" case.
    Events later;
    EquipmentLink fresh(driver);
    EXPECT_EQ(fresh.ReceiveProfile(later).Outcome, ReceiveOutcome::NoUnit);
    ASSERT_GE(later.Lines.size(), 2u);
    EXPECT_EQ(later.Lines[1], "COM1 (" + address + ") not available");
}

// Lets the event loop run until `done` holds, for at most a few seconds.
bool RunUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

TEST_F(NetworkEndToEnd, TheTerminalTalksThroughTheBridgeAndSeesItGo) {
    StartRawTcp();
    SystemTerminalPort port;
    int notices = 0;
    port.SetReadyNotice([&] { ++notices; });
    ASSERT_EQ(port.Open(address), 0);
    EXPECT_EQ(port.ReadLineSettings(), 0);
    EXPECT_EQ(port.WriteLineSettings(115200), 0);
    for (char c : std::string("*?NAM\r\n"))
        ASSERT_EQ(port.Write(static_cast<std::uint8_t>(c)), 0);
    std::vector<std::uint8_t> bytes;
    int error = 0;
    ASSERT_TRUE(RunUntil([&] {
        error = port.ReadAvailable(bytes, 4096);
        return error != 0 ||
               std::string(bytes.begin(), bytes.end()).find("*NAM RIVAN") != std::string::npos;
    }));
    EXPECT_EQ(error, 0);
    EXPECT_GT(notices, 0);

    bridge.Stop();
    ASSERT_TRUE(RunUntil([&] {
        error = port.ReadAvailable(bytes, 4096);
        return error != 0;
    }));
    EXPECT_EQ(error, 5) << "a dropped connection is a line that went away";
    port.Close();
    const RefusingPort refusing;
    EXPECT_EQ(port.Open("tcp://127.0.0.1:" + std::to_string(refusing.Port())), 2);
}

// A Telnet server on 127.0.0.1 that sends `greeting` to its one client, then `reply` once
// the client has sent `trigger`, and records all the client sends until it hangs up.
class ScriptedServer {
public:
    explicit ScriptedServer(std::string greeting, std::string trigger = {},
                            std::string reply = {}) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 1);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, greeting, trigger, reply] {
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0)
                return;
            if (!greeting.empty())
                ::send(client, greeting.data(), greeting.size(), MSG_NOSIGNAL);
            bool replied = reply.empty();
            char bytes[512];
            ssize_t count = 0;
            while ((count = ::recv(client, bytes, sizeof bytes, 0)) > 0) {
                received_.append(bytes, static_cast<std::size_t>(count));
                if (!replied && received_.find(trigger) != std::string::npos) {
                    ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
                    replied = true;
                }
            }
            ::close(client);
        });
    }
    ~ScriptedServer() {
        ::shutdown(listener_, SHUT_RDWR);
        if (thread_.joinable())
            thread_.join();
        ::close(listener_);
    }

    std::string Address() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }
    // Everything the client sent; call once it has hung up.
    std::string Received() {
        if (thread_.joinable())
            thread_.join();
        return received_;
    }

private:
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::string received_;
};

// The server greets the moment it accepts, so its DO often arrives while our own opening
// negotiation is still on its way out; opening must take it then as well as later.
TEST(TelnetWire, AConversationSendsTheNegotiationLineSettingsModemLinesAndEscapedData) {
    // The server takes the COM-port option and offers to echo; once RTS is raised, it
    // sends "A", 0xFF and XON.
    ScriptedServer server("\xFF\xFD\x2C\xFF\xFB\x01"s, "\xFF\xFA\x2C\x05\x0B\xFF\xF0"s,
                          "A\xFF\xFF\x11"s);
    ::setenv("RIVAN_COM2", server.Address().c_str(), 1);
    SystemPortDriver driver;
    SerialPort port(driver, 1);
    ASSERT_TRUE(port.Open());
    EXPECT_TRUE(port.Configure());
    EXPECT_TRUE(port.WaitForByte(0x11)) << "the data before XON is passed over, 0xFF included";
    EXPECT_TRUE(port.WriteLine("A\xFF"
                               "B"));
    port.Close();
    ::unsetenv("RIVAN_COM2");

    EXPECT_EQ(server.Received(),
              // WILL and DO BINARY, WILL and DO SUPPRESS-GO-AHEAD, WILL COM-PORT-OPTION
              "\xFF\xFB\x00\xFF\xFD\x00\xFF\xFB\x03\xFF\xFD\x03\xFF\xFB\x2C"
              // DONT ECHO
              "\xFF\xFE\x01"
              // purge the server's transmit and receive buffers
              "\xFF\xFA\x2C\x0C\x02\xFF\xF0\xFF\xFA\x2C\x0C\x01\xFF\xF0"
              // 115200 bit/s, 8 data bits, no parity, one stop bit, no flow control
              "\xFF\xFA\x2C\x01\x00\x01\xC2\x00\xFF\xF0\xFF\xFA\x2C\x02\x08\xFF\xF0"
              "\xFF\xFA\x2C\x03\x01\xFF\xF0\xFF\xFA\x2C\x04\x01\xFF\xF0"
              "\xFF\xFA\x2C\x05\x01\xFF\xF0"
              // DTR on, RTS on
              "\xFF\xFA\x2C\x05\x08\xFF\xF0\xFF\xFA\x2C\x05\x0B\xFF\xF0"
              // the line, its 0xFF doubled
              "A\xFF\xFF"
              "B\r\n"
              // closing: RTS off, DTR off
              "\xFF\xFA\x2C\x05\x0C\xFF\xF0\xFF\xFA\x2C\x05\x09\xFF\xF0"s);
}

TEST(TelnetWire, AServerRefusingTheComPortOptionIsNotAvailable) {
    ScriptedServer server("\xFF\xFE\x2C"s);
    ::setenv("RIVAN_COM2", server.Address().c_str(), 1);
    SystemPortDriver driver;
    SerialPort port(driver, 1);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(driver.LastOpenFailure(), OpenFailure::Other);
    ::unsetenv("RIVAN_COM2");
}

TEST(TelnetWire, AServerThatNeverNegotiatesIsGivenUpWithinTheLimit) {
    // Connected but silent: opening waits out the rest of its three seconds, then fails.
    ScriptedServer server("");
    ::setenv("RIVAN_COM2", server.Address().c_str(), 1);
    SystemPortDriver driver;
    SerialPort port(driver, 1);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(driver.LastOpenFailure(), OpenFailure::Other);
    ::unsetenv("RIVAN_COM2");
}

} // namespace
