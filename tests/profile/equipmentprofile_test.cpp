// Tests of the equipment profile: defaults, message access and the editors' snapshots.
#include "profile/equipmentprofile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct DefaultMessageRow {
    int Slot;
    std::int32_t EditLevel;
    const char* Text;
};

// The unit's own texts, as its display shows them.
constexpr DefaultMessageRow DefaultMessageTable[] = {
    {1, 2, "   MEVRAL-1+    "},  {2, 1, "1> DETECT       "},  {3, 1, "2> IDENTIFY     "},
    {4, 1, "3> ADJUST       "},  {5, 1, "  CABLE SHORT   "},  {6, 1, "  BATTERY LOW   "},
    {7, 1, "  SERVICE MODE  "},  {8, 1, "Manual power OFF"},  {9, 1, "Auto power OFF  "},
    {10, 1, "No LNB?         "}, {11, 1, "Elapsed time:   "}, {12, 0, "User:           "},
    {13, 0, "Co:             "}, {14, 1, "   TEST MODE    "}, {15, 2, "----lock ber snr"},
    {16, 1, " Please wait... "}, {17, 1, " Li-ion Battery "}, {18, 1, "  NiMH Battery  "},
    {19, 1, "   No Battery   "}, {20, 1, "  Backlight ON  "}, {21, 1, "  Backlight OFF "},
};

} // namespace

TEST(EquipmentProfileConstruction, NewProfileHasNoLoadedFlagsAndIsBoundToTheGivenLines) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    EXPECT_FALSE(profile.MessagesLoaded());
    EXPECT_FALSE(profile.ConfigurationLoaded());
    EXPECT_FALSE(profile.PointsLoaded());
    EXPECT_EQ(&profile.ScriptLines(), &lines);
}

TEST(EquipmentProfileConstruction, SlotsWithoutDefaultsHoldEmptyTextAtLevelZero) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.SetDefaults();
    for (int slot = 22; slot < 32; ++slot) {
        EXPECT_EQ(profile.GetMessageText(slot), "") << "slot " << slot;
        EXPECT_EQ(profile.MessageEditLevel(slot), 0) << "slot " << slot;
    }
}

TEST(EquipmentProfileDefaults, SetDefaultsSetsAllFlagsAndEveryField) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.SetDefaults();
    EXPECT_TRUE(profile.MessagesLoaded());
    EXPECT_TRUE(profile.ConfigurationLoaded());
    EXPECT_TRUE(profile.PointsLoaded());

    EXPECT_EQ(profile.WarningMER(), 28);
    EXPECT_EQ(profile.AlarmMER(), 22);
    EXPECT_EQ(profile.WarningBER(), 9.99999975E-06f);
    EXPECT_EQ(profile.AlarmBER(), 9.99999975E-05f);
    for (int point = 0; point < 6; ++point) {
        SCOPED_TRACE(point);
        EXPECT_EQ(profile.Number(point), point);
        EXPECT_EQ(profile.Active(point), 0);
        EXPECT_EQ(profile.FrequencyKHz(point), 650000u);
        EXPECT_EQ(profile.WarningPower(point), 70);
        EXPECT_EQ(profile.AlarmPower(point), 60);
    }
}

TEST(EquipmentProfileDefaults, DefaultWarningBerIsJustBelowOneE5) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.LoadDefaultConfiguration();
    EXPECT_LT(static_cast<double>(profile.WarningBER()), 1.0E-05);
    EXPECT_EQ(profile.WarningBER(), 1.0E-05f);
}

TEST(EquipmentProfileDefaults, DefaultMessagesMatchTheUnitsTexts) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.LoadDefaultMessages();
    for (const DefaultMessageRow& row : DefaultMessageTable) {
        SCOPED_TRACE(row.Slot);
        EXPECT_EQ(profile.GetMessageText(row.Slot), row.Text);
        EXPECT_EQ(profile.MessageEditLevel(row.Slot), row.EditLevel);
    }
    EXPECT_EQ(profile.GetMessageText(0).size(), 16u);
    EXPECT_EQ(profile.MessageEditLevel(0), 2);
}

TEST(EquipmentProfileDefaults, LoadersChangeNoFlag) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.LoadDefaultMessages();
    profile.LoadDefaultConfiguration();
    profile.LoadDefaultPoints();
    EXPECT_FALSE(profile.MessagesLoaded());
    EXPECT_FALSE(profile.ConfigurationLoaded());
    EXPECT_FALSE(profile.PointsLoaded());
    EXPECT_EQ(profile.AlarmMER(), 22);
    EXPECT_EQ(profile.FrequencyKHz(5), 650000u);
}

TEST(EquipmentProfileDefaults, LoadingMessageDefaultsLeavesTheSlotsWithoutDefaults) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.SetMessageText(25, "kept");
    profile.SetMessageText(3, "changed");
    profile.LoadDefaultMessages();
    EXPECT_EQ(profile.GetMessageText(25), "kept            ");
    EXPECT_EQ(profile.GetMessageText(3), "2> IDENTIFY     ");
}

struct SetMessageRow {
    const char* Behaviour;
    std::string Given;
    std::string Stored;
};

class SetMessageText : public testing::TestWithParam<SetMessageRow> {};

TEST_P(SetMessageText, StoresExactlySixteenCharacters) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.SetMessageText(7, GetParam().Given);
    EXPECT_EQ(profile.GetMessageText(7), GetParam().Stored);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SetMessageText,
    testing::Values(SetMessageRow{"ShortTextIsPaddedWithBlanks", "ABC", "ABC             "},
                    SetMessageRow{"LongTextIsCut", "ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNOP"},
                    SetMessageRow{"EmptyTextBecomesBlanks", "", "                "},
                    SetMessageRow{"SixteenCharactersStayAsGiven", "0123456789abcdef",
                                  "0123456789abcdef"}),
    [](const testing::TestParamInfo<SetMessageRow>& info) { return info.param.Behaviour; });

struct CanEditRow {
    int Slot;
    std::int32_t Level;
    bool Allowed;
};

TEST(EquipmentProfileMessages, CanEditMessageComparesTheLevelWithTheSlots) {
    const CanEditRow rows[] = {
        {12, 0, true}, {12, 1, true}, {0, 0, false}, {0, 1, false},   {0, 2, true},
        {2, 0, false}, {2, 1, true},  {2, 2, true},  {12, -1, false},
    };
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.SetDefaults();
    for (const CanEditRow& row : rows) {
        EXPECT_EQ(profile.CanEditMessage(row.Slot, row.Level), row.Allowed)
            << "slot " << row.Slot << " level " << row.Level;
    }
}

TEST(EquipmentProfileSnapshots, RestorePointsGivesBackTheOldFrequencyWhileTheFlagStaysSet) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.LoadDefaultPoints();
    profile.SnapshotPoints();
    profile.SetFrequencyKHz(2, 1234567);
    profile.ApplyDataBlock(0x0400, "0101E8030000FF00");
    ASSERT_TRUE(profile.PointsLoaded());
    ASSERT_EQ(profile.FrequencyKHz(0), 1u);

    profile.RestorePoints();
    EXPECT_EQ(profile.FrequencyKHz(2), 650000u);
    EXPECT_EQ(profile.FrequencyKHz(0), 650000u);
    EXPECT_EQ(profile.Active(0), 0);
    EXPECT_EQ(profile.WarningPower(0), 70);
    EXPECT_TRUE(profile.PointsLoaded());
}

TEST(EquipmentProfileSnapshots, RestoreConfigurationGivesBackAllFourFields) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.LoadDefaultConfiguration();
    profile.SnapshotConfiguration();
    profile.SetWarningMER(40);
    profile.SetAlarmMER(30);
    profile.SetWarningBER(3.0E-03f);
    profile.ApplyDataBlock(0x1F00, "0A000B000100000002000000");
    ASSERT_TRUE(profile.ConfigurationLoaded());

    profile.RestoreConfiguration();
    EXPECT_EQ(profile.WarningMER(), 28);
    EXPECT_EQ(profile.AlarmMER(), 22);
    EXPECT_EQ(profile.WarningBER(), 1.0E-05f);
    EXPECT_EQ(profile.AlarmBER(), 1.0E-04f);
    EXPECT_TRUE(profile.ConfigurationLoaded());
}

TEST(EquipmentProfileSnapshots, RestoreMessagesGivesBackTextsButNotLevels) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.SnapshotMessages();
    profile.SetDefaults();
    profile.SetMessageText(30, "new");

    profile.RestoreMessages();
    EXPECT_EQ(profile.GetMessageText(1), "");
    EXPECT_EQ(profile.GetMessageText(30), "");
    EXPECT_EQ(profile.MessageEditLevel(1), 2);
    EXPECT_TRUE(profile.MessagesLoaded());
}

TEST(EquipmentProfileSnapshots, SnapshotsOfTheThreeBlocksAreIndependent) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.SetDefaults();
    profile.SnapshotConfiguration();
    profile.SnapshotMessages();
    profile.SetFrequencyKHz(1, 800000);
    profile.SnapshotPoints();
    profile.SetWarningMER(99);
    profile.SetMessageText(4, "edited");

    profile.RestorePoints();
    EXPECT_EQ(profile.WarningMER(), 99);
    EXPECT_EQ(profile.GetMessageText(4), "edited          ");
    EXPECT_EQ(profile.FrequencyKHz(1), 800000u);

    profile.RestoreConfiguration();
    profile.RestoreMessages();
    EXPECT_EQ(profile.WarningMER(), 28);
    EXPECT_EQ(profile.GetMessageText(4), "3> ADJUST       ");
}
