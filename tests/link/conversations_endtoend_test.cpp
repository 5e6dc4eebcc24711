// End to end: detection, receiving and sending through Qt Serial Port to rivan-sim.
#include "link/device/deviceportdriver.h"
#include "link/equipmentlink.h"

#include "support/simprocess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

class Events : public LinkEvents {
public:
    void AppendLine(const std::string& line) override { Lines.push_back(line); }
    void ProcessPendingEvents() override {}
    void DetectionStarted() override {}
    void PortTried(bool) override {}
    void ModelRecognised(std::uint32_t) override {}
    void EquipmentDetected(const std::string&, const std::string&) override {}
    std::vector<std::string> Lines;
};

class ConversationsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PseudoTerminalsAvailable())
            GTEST_SKIP() << "this system hands out no pseudo-terminals";
        std::string error;
        ASSERT_TRUE(sim.Start(RIVAN_SIM_PATH, {"--com", "3"}, error)) << error;
        // COM1 and COM2 lead nowhere, so the search reaches the simulator on COM3 at once.
        ::setenv("RIVAN_COM1", MissingDevicePath(1).c_str(), 1);
        ::setenv("RIVAN_COM2", MissingDevicePath(2).c_str(), 1);
        ::setenv("RIVAN_COM3", sim.DevicePath().c_str(), 1);
    }

    void TearDown() override {
        for (const char* name : {"RIVAN_COM1", "RIVAN_COM2", "RIVAN_COM3"})
            ::unsetenv(name);
    }

    SimProcess sim;
    DevicePortDriver driver;
};

TEST_F(ConversationsEndToEnd, DetectReceiveEditSendAndReadBack) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.SetDefaults();
    Events events;
    {
        EquipmentLink link(driver);
        link.Detect(events);
        ASSERT_TRUE(link.EquipmentFound());
        EXPECT_EQ(link.PortIndex(), 2);
        EXPECT_EQ(events.Lines[1], "COM1 not available");
        EXPECT_EQ(events.Lines[3], "COM3 -> RIVAN ver1.05");

        const ReceivedProfile received = link.ReceiveProfile(events);
        ASSERT_EQ(received.Outcome, ReceiveOutcome::Complete);
        received.ApplyTo(profile);
        EXPECT_EQ(events.Lines.back(), "received data from remote equipment");

        profile.SetFrequencyKHz(4, 802000);
        profile.SetAlarmMER(19);
        profile.WriteScript(lines, "edited.pro", "NOW");
        ASSERT_EQ(link.SendProfile(lines, "edited.pro", events), SendOutcome::Sent);
        EXPECT_EQ(events.Lines.back(), "processed 7 data lines of 15");
    }

    // A fresh link and profile read back what the unit now holds.
    ScriptLineList otherLines;
    EquipmentProfile readBack(otherLines);
    readBack.SetDefaults();
    EquipmentLink link(driver);
    const ReceivedProfile received = link.ReceiveProfile(events);
    ASSERT_EQ(received.Outcome, ReceiveOutcome::Complete);
    received.ApplyTo(readBack);
    EXPECT_EQ(readBack.FrequencyKHz(4), 802000u);
    EXPECT_EQ(readBack.AlarmMER(), 19);
    EXPECT_EQ(readBack.FrequencyKHz(0), profile.FrequencyKHz(0));
}

} // namespace
