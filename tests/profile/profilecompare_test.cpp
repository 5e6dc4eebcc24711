// Differences between a file's profile and a unit's, named and shown as the editors show them.
#include "profile/profilecompare.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;

struct DifferenceCase {
    const char* Name;
    std::function<void(EquipmentProfile&)> ChangeUnit;
    std::vector<std::string> Described;
};

class CompareProfilesTest : public ::testing::TestWithParam<DifferenceCase> {
protected:
    void SetUp() override {
        file.SetDefaults();
        unit.SetDefaults();
    }
    ScriptLineList fileLines;
    ScriptLineList unitLines;
    EquipmentProfile file{fileLines};
    EquipmentProfile unit{unitLines};
};

TEST_P(CompareProfilesTest, NamesEachDifferingFieldWithBothValues) {
    GetParam().ChangeUnit(unit);
    std::vector<std::string> described;
    for (const FieldDifference& difference : CompareProfiles(file, unit))
        described.push_back(difference.Describe());
    EXPECT_EQ(described, GetParam().Described);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CompareProfilesTest,
    ::testing::Values(DifferenceCase{"EqualProfiles", [](EquipmentProfile&) {}, {}},
                      DifferenceCase{"MerAlarm",
                                     [](EquipmentProfile& p) { p.SetAlarmMER(30); },
                                     {"MER alarm: file 22 dB, unit 30 dB"}},
                      DifferenceCase{"MerWarning",
                                     [](EquipmentProfile& p) { p.SetWarningMER(31); },
                                     {"MER warning: file 28 dB, unit 31 dB"}},
                      DifferenceCase{"BerAlarmInPrintfForm",
                                     [](EquipmentProfile& p) { p.SetAlarmBER(2.5E-03f); },
                                     {"BER alarm: file 1.00E-04, unit 2.50E-03"}},
                      DifferenceCase{"BerThatDiffersBelowTheShownDigits",
                                     [](EquipmentProfile& p) { p.SetWarningBER(1.001E-05f); },
                                     {"BER warning: file 1.0000000E-05, unit 1.0010000E-05"}},
                      DifferenceCase{"BerThatWritesTheSameNumber",
                                     [](EquipmentProfile& p) { p.SetWarningBER(1.0000001E-05f); },
                                     {}},
                      DifferenceCase{"PointFrequencyCountedFromOne",
                                     [](EquipmentProfile& p) { p.SetFrequencyKHz(2, 474000); },
                                     {"point 3 frequency: file 650.000 MHz, unit 474.000 MHz"}},
                      DifferenceCase{"FrequencyOfOneKilohertz",
                                     [](EquipmentProfile& p) { p.SetFrequencyKHz(0, 650001); },
                                     {"point 1 frequency: file 650.000 MHz, unit 650.001 MHz"}},
                      DifferenceCase{"ActiveAndPowers",
                                     [](EquipmentProfile& p) {
                                         p.SetActive(5, 1);
                                         p.SetAlarmPower(5, 50);
                                         p.SetWarningPower(5, 80);
                                     },
                                     {"point 6 active: file off, unit on",
                                      "point 6 power alarm: file -47 dBm, unit -57 dBm",
                                      "point 6 power warning: file -37 dBm, unit -27 dBm"}},
                      DifferenceCase{"PowerAboveAByteIsWhatTheUnitGets",
                                     [](EquipmentProfile& p) { p.SetAlarmPower(1, 60 + 256); },
                                     {}},
                      DifferenceCase{"MessagesAreNotInAWrittenFile",
                                     [](EquipmentProfile& p) { p.SetMessageText(3, "HELLO"); },
                                     {}},
                      DifferenceCase{
                          "ConfigurationBeforePoints",
                          [](EquipmentProfile& p) {
                              p.SetNumber(0, 9);
                              p.SetAlarmMER(21);
                          },
                          {"MER alarm: file 22 dB, unit 21 dB", "point 1 number: file 0, unit 9"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(CompareProfiles, MessagesTakePartWhenTheScopeHoldsThem) {
    ScriptLineList a;
    ScriptLineList b;
    EquipmentProfile file(a);
    EquipmentProfile unit(b);
    file.SetDefaults();
    unit.SetDefaults();
    unit.SetMessageText(5, "HELLO");
    CompareScope scope;
    scope.Messages[5] = true;
    const std::vector<FieldDifference> differences = CompareProfiles(file, unit, scope);
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_EQ(differences[0].Describe(),
              "message 5: file \"  CABLE SHORT   \", unit \"HELLO           \"");
}

struct BlockCase {
    const char* Name;
    std::uint16_t Address;
    const char* Block;
};

class BlockNameTest : public ::testing::TestWithParam<BlockCase> {};

TEST_P(BlockNameTest, NamesTheBlockAtAnAddress) {
    EXPECT_EQ(BlockName(GetParam().Address), GetParam().Block);
}

INSTANTIATE_TEST_SUITE_P(Addresses, BlockNameTest,
                         ::testing::Values(BlockCase{"Configuration", 0x1F00, "configuration"},
                                           BlockCase{"FirstPoint", 0x0400, "point 1"},
                                           BlockCase{"LastPoint", 0x04A0, "point 6"},
                                           BlockCase{"MisalignedPoint", 0x0410, "block 0410"},
                                           BlockCase{"SeventhPoint", 0x04C0, "block 04C0"},
                                           BlockCase{"FirstMessage", 0x0000, "message 0"},
                                           BlockCase{"Slot21", 0x0150, "message 21"},
                                           BlockCase{"MisalignedMessage", 0x0158, "block 0158"},
                                           BlockCase{"AboveConfiguration", 0x1F10, "block 1F10"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(CompareScope, OfScriptTakesTheBlocksReadingWouldApply) {
    const ScriptLineList lines = {
        "# a comment",
        "send *I22A01F001C001600E803000010270000",
        "send *I22A0044002008036BE26463C    #2",
        "send *I22A0041002008036BE26463C", // misaligned: skipped
        "send *I22A0048004008036BE26",     // too short: skipped
        "send *I22A0015048454C4C4F2020202020202020202020",
        "send",
        "send *I22A0040000008036BE26463C    #0", // after the malformed line
    };
    const CompareScope scope = CompareScope::OfScript(lines);
    EXPECT_TRUE(scope.Configuration);
    EXPECT_THAT(scope.Points, ElementsAre(false, false, true, false, false, false));
    EXPECT_TRUE(scope.Messages[21]);
    EXPECT_FALSE(scope.Messages[0]);
    EXPECT_FALSE(scope.Empty());
    EXPECT_TRUE(CompareScope::OfScript({"# nothing"}).Empty());
}

} // namespace
