// Tests of detection, sending and receiving against simulated units on a virtual clock.
#include "link/equipmentlink.h"
#include "link/serialport.h"
#include "link/sim/simulateddriver.h"
#include "link/sim/simulatedunit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

// One handshake wait on a silent unit: 32 reads of 105 ms.
constexpr SimTime SilentWait = 32 * 105ms;

class RecordingEvents : public LinkEvents {
public:
    void AppendLine(const std::string& line) override { Lines.push_back(line); }
    void ProcessPendingEvents() override { ++Processed; }
    void DetectionStarted() override { StartedAtLine.push_back(Lines.size()); }
    void PortTried(bool holdsUnit) override { Tried.push_back(holdsUnit); }
    void ModelRecognised(std::uint32_t row) override { Recognised.push_back(row); }
    void EquipmentDetected(const std::string& modelName, const std::string& portName) override {
        Detected.push_back(modelName + "@" + portName);
    }

    std::vector<std::string> Lines;
    std::vector<std::size_t> StartedAtLine;
    std::vector<bool> Tried;
    std::vector<std::uint32_t> Recognised;
    std::vector<std::string> Detected;
    int Processed = 0;
};

class EquipmentLinkTest : public ::testing::Test {
protected:
    // A unit on COM5; COM1 to COM4 are missing unless a test adds them.
    void UnitOnCom5() { driver.AttachPeer("COM5", unit); }

    // Detection over a unit on COM5, then the events and commands so far forgotten.
    void Detected() {
        UnitOnCom5();
        link.Detect(events);
        ASSERT_TRUE(link.EquipmentFound());
        events = RecordingEvents{};
    }

    std::size_t CommandsStartingWith(std::string_view prefix) const {
        std::size_t count = 0;
        for (const std::string& command : unit.Commands())
            count += command.starts_with(prefix) ? 1 : 0;
        return count;
    }

    SimulatedDriver driver;
    SimulatedUnit unit;
    EquipmentLink link{driver};
    // Sends the profile as the window does: its PRO lines for `name`, built first.
    SendOutcome Send(const std::string& name) {
        profile.WriteScript(lines, name, "NOW");
        return link.SendProfile(lines, name, events);
    }
    // Receives into the profile as the window does.
    ReceiveOutcome Receive() {
        const ReceivedProfile received = link.ReceiveProfile(events);
        received.ApplyTo(profile);
        return received.Outcome;
    }

    RecordingEvents events;
    ScriptLineList lines;
    EquipmentProfile profile{lines};
};

TEST(ModelTable, FindsRowsExactlyAndNothingElse) {
    EXPECT_EQ(FindModelRow("KALDORN-1"), 0u);
    EXPECT_EQ(FindModelRow("KALDORN-3C+"), 6u);
    EXPECT_EQ(FindModelRow("MEVRAL-1+"), 9u);
    EXPECT_EQ(FindModelRow("RIVAN"), 13u);
    EXPECT_EQ(FindModelRow("RIVAN2"), UnknownModelRow);
    EXPECT_EQ(FindModelRow("rivan"), UnknownModelRow);
    EXPECT_EQ(FindModelRow(""), UnknownModelRow);
}

// Detection -----------------------------------------------------------------------------

TEST_F(EquipmentLinkTest, FindsTheUnitOnCom5AfterFourSilentPorts) {
    for (const char* name : {"COM1", "COM2", "COM3", "COM4"})
        driver.AddPort(name);
    UnitOnCom5();
    SimulatedUnit other;
    driver.AttachPeer("COM6", other);

    link.Detect(events);

    EXPECT_THAT(events.Lines, ElementsAre("Detecting equipment and COM port", "COM1 -> not used",
                                          "COM2 -> not used", "COM3 -> not used",
                                          "COM4 -> not used", "COM5 -> RIVAN ver1.05"));
    EXPECT_TRUE(link.EquipmentFound());
    EXPECT_EQ(link.PortIndex(), 4);
    EXPECT_EQ(link.ModelIndex(), RivanModelRow);
    EXPECT_EQ(link.ModelName(), "RIVAN");
    EXPECT_FLOAT_EQ(link.FirmwareVersion(), 1.05f);
    EXPECT_THAT(events.Tried, ElementsAre(false, false, false, false, true));
    EXPECT_THAT(events.Recognised, ElementsAre(RivanModelRow));
    EXPECT_THAT(events.Detected, ElementsAre("RIVAN@COM5"));
    // Ports above the unit's are never tried, and the unit's port is left closed.
    EXPECT_TRUE(driver.Operations("COM6").empty());
    EXPECT_FALSE(driver.IsOpen("COM5"));
    ASSERT_NE(link.Port(), nullptr);
    EXPECT_EQ(link.Port()->PortName(), "COM5");
    // Four silent ports cost four handshake time-outs; the unit itself answers quickly.
    EXPECT_GE(driver.Now(), 4 * SilentWait);
    EXPECT_LT(driver.Now(), 4 * SilentWait + 2s);
}

TEST_F(EquipmentLinkTest, MissingPortsAreNotAvailableAndCostNoTime) {
    link.Detect(events);

    ASSERT_EQ(events.Lines.size(), 9u);
    EXPECT_EQ(events.Lines[1], "COM1 not available");
    EXPECT_EQ(events.Lines[8], "COM8 not available");
    EXPECT_FALSE(link.EquipmentFound());
    EXPECT_EQ(link.PortIndex(), -1);
    EXPECT_TRUE(events.Tried.empty());
    EXPECT_TRUE(events.Detected.empty());
    EXPECT_EQ(driver.Now(), SimTime{0});
}

#ifndef _WIN32
// RIVAN_COMn names a port's device on POSIX systems only; Windows opens \\.\COMn.
TEST_F(EquipmentLinkTest, NetworkPortsAreNamedWithTheirAddressInTheLogOnly) {
    ::setenv("RIVAN_COM1", "tcp://10.1.2.3:4002", 1);
    ::setenv("RIVAN_COM2", "rfc2217://10.1.2.3:4003", 1);
    ::setenv("RIVAN_COM3", "tcp://10.1.2.3:4001", 1);
    driver.AddPort("COM2");
    driver.AttachPeer("COM3", unit);

    link.Detect(events);

    EXPECT_THAT(events.Lines, ElementsAre("Detecting equipment and COM port",
                                          "COM1 (tcp://10.1.2.3:4002) not available",
                                          "COM2 (rfc2217://10.1.2.3:4003) -> not used",
                                          "COM3 (tcp://10.1.2.3:4001) -> RIVAN ver1.05"));
    // The status bar and the port of later conversations keep the plain name.
    EXPECT_THAT(events.Detected, ElementsAre("RIVAN@COM3"));
    EXPECT_EQ(link.Port()->PortName(), "COM3");
    for (const char* name : {"RIVAN_COM1", "RIVAN_COM2", "RIVAN_COM3"})
        ::unsetenv(name);
}
#endif

TEST_F(EquipmentLinkTest, APortTheUserMayNotOpenTellsHowToGetPermission) {
    driver.DenyPermission("COM2");
    driver.AttachPeer("COM4", unit);
    SimulatedUnit busyUnit;
    driver.AttachPeer("COM3", busyUnit);
    SerialPort holder(driver, 2);
    ASSERT_TRUE(holder.Open()); // another program holds COM3

    link.Detect(events);

    EXPECT_THAT(events.Lines,
                ElementsAre("Detecting equipment and COM port", "COM1 not available",
                            "COM2 not available",
                            "COM2 -> permission denied: add yourself to the dialout group",
                            "COM3 not available", "COM4 -> RIVAN ver1.05"));
    EXPECT_TRUE(link.EquipmentFound());
    EXPECT_EQ(link.PortIndex(), 3);
    EXPECT_THAT(events.Tried, ElementsAre(true));
    holder.Close();
}

TEST_F(EquipmentLinkTest, UpperCasesALowerCaseName) {
    unit.Settings().Name = "rivan";
    UnitOnCom5();
    link.Detect(events);
    EXPECT_TRUE(link.EquipmentFound());
    EXPECT_EQ(link.ModelName(), "RIVAN");
    EXPECT_EQ(events.Lines.back(), "COM5 -> RIVAN ver1.05");
}

TEST_F(EquipmentLinkTest, AFailedVersionQueryStillFindsTheUnitWithVersionZero) {
    unit.Settings().NakOnCommand = 2; // "*?VER"
    UnitOnCom5();
    link.Detect(events);
    EXPECT_TRUE(link.EquipmentFound());
    EXPECT_FLOAT_EQ(link.FirmwareVersion(), 0.0f);
    EXPECT_EQ(events.Lines.back(), "COM5 -> RIVAN ver0.00");
}

TEST_F(EquipmentLinkTest, AVersionWithoutDigitsStoresZero) {
    unit.Settings().Version = "unknown";
    UnitOnCom5();
    link.Detect(events);
    EXPECT_EQ(events.Lines.back(), "COM5 -> RIVAN ver0.00");
}

TEST_F(EquipmentLinkTest, PrintsTheVersionWithTwoDecimalsInFourCharacters) {
    unit.Settings().Version = "12.5";
    UnitOnCom5();
    link.Detect(events);
    EXPECT_EQ(events.Lines.back(), "COM5 -> RIVAN ver12.50");
}

TEST_F(EquipmentLinkTest, ANameOutsideTheTableIsNoUnit) {
    unit.Settings().Name = "FOO-9";
    UnitOnCom5();
    link.Detect(events);
    EXPECT_FALSE(link.EquipmentFound());
    EXPECT_EQ(events.Lines[5], "COM5 -> not used");
    EXPECT_TRUE(events.Recognised.empty());
    EXPECT_EQ(link.ModelName(), "");
    EXPECT_FALSE(driver.IsOpen("COM5"));
}

TEST_F(EquipmentLinkTest, AnotherModelOfTheFamilyIsRecognisedWithItsRow) {
    unit.Settings().Name = "KALDORN-3C+";
    UnitOnCom5();
    link.Detect(events);
    EXPECT_TRUE(link.EquipmentFound());
    EXPECT_THAT(events.Recognised, ElementsAre(6u));
}

TEST_F(EquipmentLinkTest, ARefusedNameQueryMeansNotUsed) {
    unit.Settings().NakOnCommand = 1;
    UnitOnCom5();
    link.Detect(events);
    EXPECT_FALSE(link.EquipmentFound());
    EXPECT_EQ(events.Lines[5], "COM5 -> not used");
}

TEST_F(EquipmentLinkTest, ASecondRunStartsFromNotFoundAndKeepsTheLastModel) {
    Detected();
    unit.Settings().Silent = true;

    link.Detect(events);

    ASSERT_EQ(events.StartedAtLine.size(), 1u);
    EXPECT_EQ(events.StartedAtLine[0], 1u); // before any port is tried
    EXPECT_FALSE(link.EquipmentFound());
    EXPECT_EQ(link.PortIndex(), -1);
    EXPECT_EQ(link.ModelName(), "RIVAN");
    EXPECT_TRUE(events.Detected.empty());
}

TEST_F(EquipmentLinkTest, OpenLinkDetectsOnceThenOpensTheKnownPort) {
    UnitOnCom5();
    ASSERT_TRUE(link.OpenLink(events));
    EXPECT_EQ(events.Lines.front(), "Detecting equipment and COM port");
    EXPECT_TRUE(driver.IsOpen("COM5"));
    EXPECT_TRUE(driver.Dtr("COM5"));
    link.CloseLink();
    EXPECT_EQ(link.Port(), nullptr);
    EXPECT_FALSE(driver.IsOpen("COM5"));

    events = RecordingEvents{};
    ASSERT_TRUE(link.OpenLink(events));
    EXPECT_TRUE(events.Lines.empty());
    link.CloseLink();
}

// Sending --------------------------------------------------------------------------------

TEST_F(EquipmentLinkTest, ExecutesScriptLinesByTheirKind) {
    Detected();
    ASSERT_TRUE(link.OpenLink(events));
    struct Case {
        const char* Line;
        bool Succeeds;
        bool Sends;
    };
    const Case cases[] = {
        {"", true, false},
        {"   # a comment", true, false},
        {"SEND FOO", true, false},
        {"print *I22A01F00", true, false},
        {"send", false, false},
        {"send   #1", false, false},
        {"send *i22a01f001c001600e803000010270000", true, true},
        {"SEND(*I22A0040000008036BE26463C)", true, true},
    };
    std::size_t commands = unit.Commands().size();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Line);
        EXPECT_EQ(link.ExecuteScriptLine(c.Line), c.Succeeds);
        const std::size_t now = unit.Commands().size();
        EXPECT_EQ(now - commands, c.Sends ? 1u : 0u);
        commands = now;
    }
    EXPECT_EQ(unit.Commands()[unit.Commands().size() - 2], "*I22A01F001C001600E803000010270000");
    link.CloseLink();
}

TEST_F(EquipmentLinkTest, SendsTheWholeScriptAndResets) {
    Detected();
    profile.SetDefaults();

    const SendOutcome outcome = Send("C:\\unit.pro");

    EXPECT_EQ(outcome, SendOutcome::Sent);
    ASSERT_EQ(lines.size(), 15u);
    ASSERT_EQ(events.Lines.size(), 17u);
    for (std::size_t i = 0; i < 15; ++i)
        EXPECT_EQ(events.Lines[i], lines[i] + " OK");
    EXPECT_EQ(events.Lines[6], "send *I22A01F001C001600E803000010270000 OK");
    EXPECT_EQ(events.Lines[15], "C:\\unit.pro sent to remote equipment");
    EXPECT_EQ(events.Lines[16], "processed 7 data lines of 15");
    EXPECT_EQ(link.SentLineCount(), 7);
    EXPECT_EQ(unit.Commands().back(), "*RST");
    EXPECT_EQ(unit.ResetCount(), 1);
    EXPECT_EQ(link.Port(), nullptr);
    EXPECT_FALSE(driver.IsOpen("COM5"));
}

TEST_F(EquipmentLinkTest, TheWireCarriesTheProfileAsEdited) {
    Detected();
    profile.SetDefaults();
    profile.SetFrequencyKHz(2, 2150000); // 2 150 000 000 Hz = 0x80266580
    profile.SetActive(2, 1);
    profile.SetWarningMER(30);

    ASSERT_EQ(Send("Untitled.PRO"), SendOutcome::Sent);

    EXPECT_THAT(unit.Block(0x0440, 8), ElementsAre(0x02, 0x01, 0x80, 0x65, 0x26, 0x80, 0x46, 0x3C));
    EXPECT_THAT(unit.Block(0x1F00, 4), ElementsAre(30, 0, 22, 0));
}

TEST_F(EquipmentLinkTest, ANakOnTheThirdDataLineStopsThereAndStillResets) {
    Detected();
    profile.SetDefaults();
    unit.Settings().NakOnCommand = 5; // name, version, then data lines 1, 2, 3

    const SendOutcome outcome = Send("Untitled.PRO");

    EXPECT_EQ(outcome, SendOutcome::LineFailed);
    ASSERT_EQ(events.Lines.size(), 10u);
    EXPECT_EQ(events.Lines[8], lines[8] + " OK"); // the second data line
    EXPECT_EQ(events.Lines[9], "error at: " + lines[9]);
    EXPECT_EQ(unit.Commands().back(), "*RST");
    EXPECT_FALSE(driver.IsOpen("COM5"));
}

TEST_F(EquipmentLinkTest, SendingWithoutAUnitSendsNothing) {
    driver.AddPort("COM1");
    profile.SetDefaults();
    EXPECT_EQ(Send("Untitled.PRO"), SendOutcome::NoUnit);
    // The detection lines only: the window beeps before it reports the failure.
    EXPECT_EQ(events.Lines.back(), "COM8 not available");
    EXPECT_TRUE(driver.Wire("COM1").empty());
}

TEST_F(EquipmentLinkTest, ASilentUnitCostsOneWaitPerLineAndOneForTheReset) {
    Detected();
    profile.SetDefaults();
    unit.Settings().Silent = true;
    const SimTime start = driver.Now();

    EXPECT_EQ(Send("Untitled.PRO"), SendOutcome::LineFailed);

    EXPECT_EQ(events.Lines.back(), "error at: " + lines[6]);
    EXPECT_EQ(driver.Now() - start, 2 * SilentWait);
    EXPECT_FALSE(driver.IsOpen("COM5"));
}

// Receiving ------------------------------------------------------------------------------

TEST_F(EquipmentLinkTest, ReceivesAllThirtyNineBlocks) {
    Detected();
    // Point 3 in the unit: active, 1234.5 MHz = 1 234 500 000 Hz = 0x4994F9A0.
    const std::uint8_t point3[] = {3, 1, 0xA0, 0xF9, 0x94, 0x49, 80, 50};
    std::copy(std::begin(point3), std::end(point3), unit.Memory().begin() + 0x0460);
    profile.SetDefaults();

    const ReceiveOutcome outcome = Receive();

    EXPECT_EQ(outcome, ReceiveOutcome::Complete);
    ASSERT_EQ(events.Lines.size(), 3u + 39u + 1u);
    EXPECT_EQ(events.Lines[0], "loading configuration data...");
    EXPECT_EQ(events.Lines[2], "loading identification points data...");
    EXPECT_EQ(events.Lines[9], "loading text messages data...");
    EXPECT_EQ(events.Lines[42], "received data from remote equipment");
    EXPECT_EQ(CommandsStartingWith("*?I22A0"), 39u);
    EXPECT_EQ(profile.FrequencyKHz(3), 1234500u);
    EXPECT_EQ(profile.Active(3), 1);
    EXPECT_EQ(profile.WarningPower(3), 80);
    EXPECT_EQ(profile.AlarmPower(3), 50);
    EXPECT_EQ(link.Port(), nullptr);
    EXPECT_FALSE(driver.IsOpen("COM5"));
}

TEST_F(EquipmentLinkTest, AFailingThirdPointRequestSkipsTheRestOfThePoints) {
    Detected();
    for (int point = 0; point < 6; ++point)
        unit.Memory()[0x0400 + 32 * point + 1] = 1; // every point active in the unit
    profile.SetDefaults();
    unit.Settings().NakOnCommand = 6; // name, version, configuration, points 0, 1, 2

    const ReceiveOutcome outcome = Receive();

    EXPECT_EQ(outcome, ReceiveOutcome::Incomplete);
    EXPECT_EQ(events.Lines[5], "*?I22A00440020"); // the failing request as it was sent
    EXPECT_EQ(events.Lines[6], "loading text messages data...");
    EXPECT_EQ(profile.Active(0), 1);
    EXPECT_EQ(profile.Active(1), 1);
    for (int point = 2; point < 6; ++point)
        EXPECT_EQ(profile.Active(point), 0) << "point " << point;
    EXPECT_EQ(CommandsStartingWith("*?I22A00"), 3u + 32u); // 3 points, then all messages
    EXPECT_FALSE(driver.IsOpen("COM5"));
}

TEST_F(EquipmentLinkTest, AUnitThatFallsSilentCostsAtMostThreeWaits) {
    Detected();
    profile.SetDefaults();
    unit.Settings().Silent = true;
    const SimTime start = driver.Now();

    EXPECT_EQ(Receive(), ReceiveOutcome::Incomplete);

    EXPECT_EQ(driver.Now() - start, 3 * SilentWait);
    EXPECT_EQ(events.Lines.size(), 6u);
}

TEST_F(EquipmentLinkTest, AShortConfigurationReplyKeepsTheDefaultsWithoutFailing) {
    Detected();
    unit.Memory()[0x1F00] = 40; // a warning MER the profile must not take
    unit.Settings().Replies["*?I22A01F0000C"] = "*I22" + std::string(23, '0'); // 23 digits
    profile.SetDefaults();

    EXPECT_EQ(Receive(), ReceiveOutcome::Complete);

    EXPECT_EQ(events.Lines[1], "*I2200000000000000000000000");
    EXPECT_EQ(profile.WarningMER(), 28);
    EXPECT_EQ(profile.AlarmMER(), 22);
}

TEST_F(EquipmentLinkTest, AnEmptyReplyFailsTheStepAndAShortOneAppliesNothing) {
    Detected();
    unit.Settings().Replies["*?I22A00400020"] = "";
    unit.Settings().Replies["*?I22A00000010"] = "*I";
    profile.SetDefaults();

    EXPECT_EQ(Receive(), ReceiveOutcome::Incomplete);

    EXPECT_EQ(events.Lines[3], "");
    EXPECT_EQ(events.Lines[5], "*I");
    EXPECT_EQ(CommandsStartingWith("*?I22A00"), 1u + 32u);
}

TEST_F(EquipmentLinkTest, ReceivingWithoutAUnitLeavesTheReportToTheWindow) {
    EXPECT_EQ(Receive(), ReceiveOutcome::NoUnit);
    EXPECT_EQ(events.Lines.back(), "COM8 not available");
}

} // namespace

namespace {

// A stop requested before a conversation starts: nothing goes on the wire, and a shared
// flag (rivanctl's, set from a signal handler) works as the link's own.
TEST_F(EquipmentLinkTest, AStopBeforeAConversationKeepsTheWireQuiet) {
    Detected();
    const std::size_t commands = unit.Commands().size();
    StopFlag shared;
    link.ShareStop(shared);
    EXPECT_FALSE(link.StopRequested());
    shared.Request();
    EXPECT_TRUE(link.StopRequested());

    const ReceivedProfile received = link.ReceiveProfile(events);
    EXPECT_EQ(received.Outcome, ReceiveOutcome::Stopped);
    EXPECT_TRUE(received.Blocks.empty());
    EXPECT_EQ(Send("Untitled.PRO"), SendOutcome::Stopped);
    EXPECT_EQ(unit.Commands().size(), commands);
    EXPECT_FALSE(driver.IsOpen("COM5"));

    // Detection tries no port at all.
    link.Detect(events);
    EXPECT_FALSE(link.EquipmentFound());
    EXPECT_EQ(unit.Commands().size(), commands);
    EXPECT_EQ(events.Lines.back(), "stopped: the program is ending");

    shared.Clear();
    // Once cleared, the next conversation finds the unit again and runs to its end.
    EXPECT_EQ(Receive(), ReceiveOutcome::Complete);
}

} // namespace
