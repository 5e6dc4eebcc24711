// Tests of the monitor's polling against simulated units, tick by tick on a virtual clock.
#include "link/monitorpoller.h"
#include "link/serialport.h"
#include "link/sim/simulateddriver.h"
#include "link/sim/simulatedunit.h"

#include "support/answeringpeer.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

// One letter per channel, "Channel 1" first: 1 where the flag is set.
template <typename Flag> std::string Flags(const MonitorPoller::Channels& channels, Flag flag) {
    std::string flags;
    for (const ChannelReadings& channel : channels)
        flags += channel.*flag ? '1' : '0';
    return flags;
}

// A poller on COM1, opened and configured, with `peer` at the other end.
class PollerFixture {
public:
    explicit PollerFixture(LinePeer& peer) {
        driver.AttachPeer("COM1", peer);
        EXPECT_TRUE(port.Open());
        port.Configure();
        poller.SetPort(port);
    }

    SimulatedDriver driver;
    SerialPort port{driver, 0};
    MonitorPoller poller;
};

// A unit whose replies the test sets per command; a command without a reply is refused.
class ScriptedUnitTest : public ::testing::Test {
protected:
    ScriptedUnitTest() {
        for (int channel = 0; channel < 6; ++channel) {
            const std::string n = "0" + std::to_string(channel);
            replies["*?REG" + n] = "*REG" + n + "01650.00MHz";
            replies["*?POW" + n] = "*POW7000";
            replies["*?MER" + n] = "*MER30.0";
            replies["*?BER" + n] = "*BER1.00E-07";
        }
        replies["*?STT"] = "*STAT:3F0000";
    }

    const MonitorPoller::Channels& Readings() const { return fixture.poller.Readings(); }
    MonitorPoller& Poller() { return fixture.poller; }

    std::map<std::string, std::string> replies;
    AnsweringPeer peer{[this](const std::string& command) -> std::optional<std::string> {
        const auto reply = replies.find(command);
        if (reply == replies.end())
            return std::nullopt;
        return reply->second;
    }};
    PollerFixture fixture{peer};
};

// The factory unit of the simulation: channels 1 to 5 measuring, channel 6 off.
class SimulatedUnitPollerTest : public ::testing::Test {
protected:
    // The command lines the unit got during one tick.
    Lines TickLines() {
        const std::size_t before = unit.Commands().size();
        fixture.poller.Tick();
        return Lines(unit.Commands().begin() + static_cast<std::ptrdiff_t>(before),
                     unit.Commands().end());
    }

    SimulatedUnit unit;
    PollerFixture fixture{unit};
};

TEST_F(SimulatedUnitPollerTest, StartReadsTheSixRegistersInOrder) {
    fixture.poller.Start();

    EXPECT_EQ(unit.Commands(),
              (Lines{"*?REG00", "*?REG01", "*?REG02", "*?REG03", "*?REG04", "*?REG05"}));
    const MonitorPoller::Channels& channels = fixture.poller.Readings();
    EXPECT_EQ(Flags(channels, &ChannelReadings::Active), "111110");
    const Lines frequencies = {"474.00MHz", "522.00MHz", "650.00MHz",
                               "746.00MHz", "858.00MHz", "1210.0MHz"};
    for (int channel = 0; channel < 6; ++channel) {
        EXPECT_EQ(channels[channel].Frequency, frequencies[channel]) << "channel " << channel;
        EXPECT_EQ(channels[channel].Power, "");
        EXPECT_EQ(channels[channel].Mer, "");
        EXPECT_EQ(channels[channel].Ber, "");
    }
    EXPECT_EQ(fixture.poller.PollChannel(), 0);
}

TEST_F(SimulatedUnitPollerTest, EachTickAsksTheStatusThenOneChannelInTurn) {
    fixture.poller.Start();
    // Ticks 1, 7 and 13 read channel 1 (the unit's 00), ticks 6, 12 and 18 channel 6 (05).
    const std::vector<const char*> expected = {"00", "01", "02", "03", "04", "05",
                                               "00", "01", "02", "03", "04", "05",
                                               "00", "01", "02", "03", "04", "05"};
    for (std::size_t tick = 0; tick < expected.size(); ++tick) {
        const std::string n = expected[tick];
        EXPECT_EQ(TickLines(), (Lines{"*?STT", "*?POW" + n, "*?MER" + n, "*?BER" + n}))
            << "tick " << tick + 1;
    }
}

TEST_F(SimulatedUnitPollerTest, ASecondRunStartsAtChannelOneAgain) {
    fixture.poller.Start();
    TickLines();
    TickLines();
    TickLines();
    ASSERT_EQ(fixture.poller.PollChannel(), 3);

    fixture.poller.Start();
    EXPECT_EQ(fixture.poller.PollChannel(), 0);
    EXPECT_EQ(TickLines(), (Lines{"*?STT", "*?POW00", "*?MER00", "*?BER00"}));
}

TEST_F(SimulatedUnitPollerTest, ShowsTheUnitsReadingsAsItSendsThem) {
    fixture.poller.Start();
    for (int tick = 0; tick < 6; ++tick)
        fixture.poller.Tick();

    const MonitorPoller::Channels& channels = fixture.poller.Readings();
    EXPECT_EQ(Flags(channels, &ChannelReadings::Active), "111110");
    for (int channel = 0; channel < 5; ++channel) {
        const ChannelReadings& readings = channels[channel];
        // The simulation's channels sit between 55 and 82 dB above 1 microvolt.
        ASSERT_EQ(readings.Power.size(), 6u) << readings.Power;
        const double dBm = std::stod(readings.Power);
        EXPECT_GT(dBm, -52.0);
        EXPECT_LT(dBm, -25.0);
        EXPECT_NE(readings.Mer, "");
        EXPECT_NE(readings.Ber.find('E'), std::string::npos) << readings.Ber;
    }
}

TEST_F(SimulatedUnitPollerTest, AFailedStatusQueryIsRetriedAfterTheResyncLine) {
    unit.Settings().NakOnCommand = 7; // the six register queries, then the first status
    fixture.poller.Start();
    const TickOutcome outcome = fixture.poller.Tick();

    EXPECT_FALSE(outcome.StatusLost);
    EXPECT_EQ(Flags(fixture.poller.Readings(), &ChannelReadings::Active), "111110");
    EXPECT_EQ(Lines(unit.Commands().begin() + 6, unit.Commands().end()),
              (Lines{"*?STT", "*", "*?STT", "*?POW00", "*?MER00", "*?BER00"}));
    const std::string& wire = fixture.driver.Wire("COM1");
    EXPECT_NE(wire.find("*?STT\r\n*\r\r\n*?STT\r\n*?POW00\r\n"), std::string::npos);
}

TEST_F(SimulatedUnitPollerTest, AnUnpluggedUnitMakesEveryTickLoseTheStatusAndKeepsTheReadings) {
    fixture.poller.Start();
    for (int tick = 0; tick < 6; ++tick)
        ASSERT_FALSE(fixture.poller.Tick().StatusLost);
    const MonitorPoller::Channels before = fixture.poller.Readings();

    unit.Settings().Silent = true;
    // The XON the unit sent before it fell silent still lets the first status line out.
    EXPECT_TRUE(fixture.poller.Tick().StatusLost);
    for (int tick = 0; tick < 6; ++tick) {
        const std::size_t wireBefore = fixture.driver.Wire("COM1").size();
        const SimTime timeBefore = fixture.driver.Now();
        SimTime lostAt{-1};
        int losses = 0;
        EXPECT_TRUE(fixture.poller
                        .Tick([&] {
                            ++losses;
                            lostAt = fixture.driver.Now();
                        })
                        .StatusLost)
            << "tick " << tick + 2;
        // Five handshakes that each give up after 32 reads of 105 ms; only the resync
        // line goes out, since no command finds the unit ready.
        EXPECT_EQ(fixture.driver.Now() - timeBefore, 5 * 32 * 105ms);
        // The loss is told once, right after the two status queries.
        EXPECT_EQ(losses, 1);
        EXPECT_EQ(lostAt - timeBefore, 2 * 32 * 105ms);
        EXPECT_EQ(fixture.driver.Wire("COM1").substr(wireBefore), "*\r\r\n");
    }
    const MonitorPoller::Channels& after = fixture.poller.Readings();
    for (int channel = 0; channel < 6; ++channel) {
        EXPECT_EQ(after[channel].Active, before[channel].Active);
        EXPECT_EQ(after[channel].Alarm, before[channel].Alarm);
        EXPECT_EQ(after[channel].Warning, before[channel].Warning);
        EXPECT_EQ(after[channel].Power, before[channel].Power);
        EXPECT_EQ(after[channel].Mer, before[channel].Mer);
        EXPECT_EQ(after[channel].Ber, before[channel].Ber);
    }
}

struct MonitorRegisterCase {
    const char* Behaviour;
    std::optional<std::string> Reply; // nothing: refused
    bool Active;
    const char* Frequency;
};

class MonitorRegisterReplies : public ::testing::TestWithParam<MonitorRegisterCase> {};

TEST_P(MonitorRegisterReplies, SetEnableAndFrequency) {
    const MonitorRegisterCase& row = GetParam();
    AnsweringPeer peer([&](const std::string& command) -> std::optional<std::string> {
        if (command == "*?REG02")
            return row.Reply;
        return "*REG0x00100.00MHz";
    });
    PollerFixture fixture(peer);
    fixture.poller.Start();

    const ChannelReadings& channel3 = fixture.poller.Readings()[2];
    EXPECT_EQ(channel3.Active, row.Active);
    EXPECT_EQ(channel3.Frequency, row.Frequency);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, MonitorRegisterReplies,
    ::testing::Values(
        MonitorRegisterCase{"ZeroOneIsActive", "*REG0201650.00MHz", true, "650.00MHz"},
        MonitorRegisterCase{"ZeroZeroIsNot", "*REG0200650.00MHz", false, "650.00MHz"},
        MonitorRegisterCase{"OneOneIsNot", "*REG0211650.00MHz", false, "650.00MHz"},
        MonitorRegisterCase{"OneZeroIsNot", "*REG0210650.00MHz", false, "650.00MHz"},
        MonitorRegisterCase{"FrequencyIsPositions9To17", "*REG02011210.0MHz trailing", true,
                            "1210.0MHz"},
        MonitorRegisterCase{"ShortReplyGivesFewerCharacters", "*REG020165", true, "65"},
        MonitorRegisterCase{"EmptyReplyLeavesTheChannelBlank", "", false, ""},
        MonitorRegisterCase{"RefusedLeavesTheChannelBlank", std::nullopt, false, ""}),
    [](const auto& info) { return std::string(info.param.Behaviour); });

struct MonitorStatusCase {
    const char* Behaviour;
    const char* Reply;
    const char* Active; // channel 1 first
    const char* Alarm;
    const char* Warning;
};

class MonitorStatusReplies : public ::testing::TestWithParam<MonitorStatusCase> {};

TEST_P(MonitorStatusReplies, SetEnableAlarmAndWarning) {
    const MonitorStatusCase& row = GetParam();
    AnsweringPeer peer([&](const std::string& command) -> std::optional<std::string> {
        if (command == "*?STT")
            return row.Reply;
        return "*XXX";
    });
    PollerFixture fixture(peer);
    fixture.poller.Start();
    EXPECT_FALSE(fixture.poller.Tick().StatusLost);

    const MonitorPoller::Channels& channels = fixture.poller.Readings();
    EXPECT_EQ(Flags(channels, &ChannelReadings::Active), row.Active);
    EXPECT_EQ(Flags(channels, &ChannelReadings::Alarm), row.Alarm);
    EXPECT_EQ(Flags(channels, &ChannelReadings::Warning), row.Warning);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, MonitorStatusReplies,
    ::testing::Values(
        MonitorStatusCase{"AllActiveAlarmOnOneWarningOnTwo", "*STAT:3F0102", "111111", "100000",
                          "010000"},
        MonitorStatusCase{"LowerCaseDigits", "*stat:3f0a20", "111111", "010100", "000001"},
        MonitorStatusCase{"NonHexDigitEndsTheByte", "*STAT:2G2g1G", "010000", "010000", "100000"},
        MonitorStatusCase{"HighBitsBelongToNoChannel", "*STAT:C1C0FF", "100000", "000000",
                          "111111"},
        MonitorStatusCase{"MissingBytesReadAsZero", "*STAT:3F", "111111", "000000", "000000"}),
    [](const auto& info) { return std::string(info.param.Behaviour); });

struct MonitorPowerCase {
    const char* Behaviour;
    const char* Reply;
    const char* Shown;
};

class MonitorPowerReplies : public ::testing::TestWithParam<MonitorPowerCase> {};

TEST_P(MonitorPowerReplies, ShowAsDbm) {
    const MonitorPowerCase& row = GetParam();
    AnsweringPeer peer([&](const std::string& command) -> std::optional<std::string> {
        if (command == "*?POW00")
            return row.Reply;
        return "*STAT:000000";
    });
    PollerFixture fixture(peer);
    fixture.poller.Start();
    fixture.poller.Tick();

    EXPECT_EQ(fixture.poller.Readings()[0].Power, row.Shown);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, MonitorPowerReplies,
    ::testing::Values(MonitorPowerCase{"WholeHundredths", "*POW6000", "-47.00"},
                      MonitorPowerCase{"TwoDecimals", "*POW60.00", "-47.00"},
                      MonitorPowerCase{"ZeroTakesALeadingBlank", "*POW10700", " 0.00"},
                      MonitorPowerCase{"PositiveTakesALeadingBlank", "*POW11200", " 5.00"},
                      MonitorPowerCase{"EveryFullStopDropped", "*POW7.2.35", "-34.65"},
                      MonitorPowerCase{"OnlyPositions5To12", "*POW123456789", "123349.78"}),
    [](const auto& info) { return std::string(info.param.Behaviour); });

TEST_F(ScriptedUnitTest, MeasurementsShowTheReplyFromItsFifthCharacter) {
    replies["*?MER00"] = "*MER32.5 dB";
    replies["*?BER00"] = "*BER2.10E-07";
    Poller().Start();
    Poller().Tick();

    EXPECT_EQ(Readings()[0].Power, "-37.00");
    EXPECT_EQ(Readings()[0].Mer, "32.5 dB");
    EXPECT_EQ(Readings()[0].Ber, "2.10E-07");
    EXPECT_EQ(Readings()[1].Mer, "") << "channel 2 is read on the next tick";
}

TEST_F(ScriptedUnitTest, TheTickSaysWhatItReadOfThePolledChannel) {
    replies["*?MER00"] = "*MER32.5 dB";
    replies.erase("*?BER00");
    Poller().Start();
    const TickOutcome outcome = Poller().Tick();

    EXPECT_EQ(outcome.PolledChannel, 0);
    EXPECT_EQ(outcome.PowerDbm, -37.0);
    EXPECT_EQ(outcome.Mer, "32.5 dB");
    EXPECT_EQ(outcome.Ber, std::nullopt) << "the BER query was refused";
}

TEST_F(ScriptedUnitTest, AFailedQueryLeavesItsReadingAndTheTickGoesOn) {
    Poller().Start();
    for (int tick = 0; tick < 6; ++tick)
        Poller().Tick();
    ASSERT_EQ(Readings()[0].Mer, "30.0");

    replies.erase("*?POW00");
    replies["*?MER00"] = "*MER"; // no text after the header: shown as empty
    replies["*?BER00"] = "*BER3.00E-05";
    Poller().Tick();
    EXPECT_EQ(Readings()[0].Power, "-37.00");
    EXPECT_EQ(Readings()[0].Mer, "");
    EXPECT_EQ(Readings()[0].Ber, "3.00E-05");

    for (int tick = 0; tick < 5; ++tick)
        Poller().Tick();
    replies["*?POW00"] = "*POW    "; // no number
    replies.erase("*?MER00");
    Poller().Tick();
    EXPECT_EQ(Readings()[0].Power, "-37.00");
    EXPECT_EQ(Readings()[0].Mer, "");
    EXPECT_EQ(Readings()[0].Ber, "3.00E-05");
    EXPECT_EQ(peer.Lines().back(), "*?BER00");
}

TEST_F(ScriptedUnitTest, StatusBoxesKeepTheirStateWhenBothStatusQueriesFail) {
    replies["*?STT"] = "*STAT:3F0102";
    Poller().Start();
    Poller().Tick(); // leaves "*BER1.00E-07" in the exchange buffer
    replies.erase("*?STT");

    const TickOutcome outcome = Poller().Tick();
    EXPECT_TRUE(outcome.StatusLost);
    EXPECT_EQ(Flags(Readings(), &ChannelReadings::Active), "111111");
    EXPECT_EQ(Flags(Readings(), &ChannelReadings::Alarm), "100000");
    EXPECT_EQ(Flags(Readings(), &ChannelReadings::Warning), "010000");
    EXPECT_EQ(Lines(peer.Lines().end() - 6, peer.Lines().end()),
              (Lines{"*?STT", "*", "*?STT", "*?POW01", "*?MER01", "*?BER01"}));
}

TEST_F(ScriptedUnitTest, AnEmptyStatusReplyCountsAsFailed) {
    replies["*?STT"] = "";
    Poller().Start();
    EXPECT_TRUE(Poller().Tick().StatusLost);
    EXPECT_EQ(Flags(Readings(), &ChannelReadings::Active), "111111") << "from the registers";
}

} // namespace
