// Tests of the command texts and the readers of the unit's replies.
#include "link/protocol.h"
#include "profile/equipmentprofile.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace {

using namespace Protocol;

TEST(ProtocolBytes, HaveTheirAsciiCodes) {
    EXPECT_EQ(XON, 0x11);
    EXPECT_EQ(XOFF, 0x13);
    EXPECT_EQ(ACK, 0x06);
    EXPECT_EQ(NAK, 0x15);
}

TEST(MonitorCommands, EndInTheChannelNumber) {
    EXPECT_EQ(StatusQuery, "*?STT");
    EXPECT_EQ(RegisterQuery(0), "*?REG00");
    EXPECT_EQ(RegisterQuery(5), "*?REG05");
    EXPECT_EQ(PowerQuery(2), "*?POW02");
    EXPECT_EQ(MerQuery(3), "*?MER03");
    EXPECT_EQ(BerQuery(1), "*?BER01");
}

struct NameCase {
    const char* Behaviour;
    const char* Reply;
    std::optional<std::string> Name;
};

class ModelNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(ModelNames, AreReadFromTheReply) {
    EXPECT_EQ(ReadModelName(GetParam().Reply), GetParam().Name);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ModelNames,
    ::testing::Values(NameCase{"StarNamBlankName", "*NAM KALDORN-3C+", "KALDORN-3C+"},
                      NameCase{"LowerCaseNameIsUpperCased", "*NAM kaldorn-3c+", "KALDORN-3C+"},
                      NameCase{"NoStarHoldsNoName", "NAM RIVAN", std::nullopt},
                      NameCase{"EmptyReplyHoldsNoName", "", std::nullopt},
                      NameCase{"NameCutTo16", "*NAM ABCDEFGHIJKLMNOPQ", "ABCDEFGHIJKLMNOP"},
                      NameCase{"NameEndsAtABlank", "*NAM   RIVAN 2", "RIVAN"},
                      NameCase{"EndingAfterTheStarIsEmpty", "*", ""},
                      NameCase{"AnyCharacterAfterTheStar", "*XAMRIVAN", "RIVAN"},
                      NameCase{"AAndMAreOptional", "*NRIVAN", "RIVAN"},
                      NameCase{"TextBeforeTheStarIsSkipped", "ok *NAM PELCAN", "PELCAN"},
                      NameCase{"OnlyUpperCaseAAndMAreSkipped", "*nam rivan", "AM"}),
    [](const auto& info) { return std::string(info.param.Behaviour); });

struct VersionCase {
    const char* Behaviour;
    const char* Reply;
    std::optional<float> Version;
};

class Versions : public ::testing::TestWithParam<VersionCase> {};

TEST_P(Versions, AreReadFromTheFirstDigit) {
    EXPECT_EQ(ReadVersion(GetParam().Reply), GetParam().Version);
}

INSTANTIATE_TEST_SUITE_P(Replies, Versions,
                         ::testing::Values(VersionCase{"StarVerBlankNumber", "*VER 1.23", 1.23f},
                                           VersionCase{"LetterThenWholeNumber", "V2", 2.0f},
                                           VersionCase{"TextAfterTheNumberIsIgnored",
                                                       "*VER 12.50 beta", 12.5f},
                                           VersionCase{"NoDigitIsNoNumber", "*VER", std::nullopt},
                                           VersionCase{"EmptyReplyIsNoNumber", "", std::nullopt}),
                         [](const auto& info) { return std::string(info.param.Behaviour); });

TEST(ReadVersion, IgnoresTheProcessLocale) {
    // A locale with a decimal comma must not turn 1.23 into 1.
    const char* previous = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(ReadVersion("*VER 1.23"), 1.23f);
    if (previous)
        std::setlocale(LC_NUMERIC, "C");
}

TEST(MeasurementText, IsWhatFollowsTheFourCharacterHeader) {
    EXPECT_EQ(ReadMeasurementText("*BER"), "");
    EXPECT_EQ(ReadMeasurementText("*BER2.10E-07"), "2.10E-07");
}

} // namespace

namespace {

class BlockReplyIntoProfile : public ::testing::Test {
protected:
    BlockReplyIntoProfile() { profile.SetDefaults(); }

    // What Receive does with a reply: the data from the fifth character goes to the
    // profile, which takes it only when it is complete.
    void Apply(std::uint16_t address, const std::string& reply) {
        profile.ApplyDataBlock(address, std::string_view(reply).substr(4));
    }

    ScriptLineList lines;
    EquipmentProfile profile{lines};
};

TEST_F(BlockReplyIntoProfile, FrequencyDigitsDecodeToKilohertz) {
    // Point 1: number 1, active, 650000 kHz, warning 80, alarm 50.
    Apply(0x0420, "*I22"
                  "0101"
                  "8036BE26"
                  "5032" +
                      std::string(48, '0'));
    EXPECT_EQ(profile.FrequencyKHz(1), 650000u);
    EXPECT_EQ(profile.Active(1), 1);
    EXPECT_EQ(profile.WarningPower(1), 80);
    EXPECT_EQ(profile.AlarmPower(1), 50);
}

TEST_F(BlockReplyIntoProfile, ThePointIsChosenByTheAddressNotByByteZero) {
    // 474000 kHz is 474000000 Hz = 1C40AA80, low byte first.
    Apply(0x0400, "*I22"
                  "0501"
                  "80AA401C"
                  "463C" +
                      std::string(48, '0'));
    EXPECT_EQ(profile.FrequencyKHz(0), 474000u);
    EXPECT_EQ(profile.FrequencyKHz(5), 650000u) << "point 5 keeps its default";
}

TEST_F(BlockReplyIntoProfile, AShortConfigurationReplyChangesNothing) {
    // MER 30 and 20 dB; one digit short of the 24 the block needs.
    Apply(0x1F00, "*I22"
                  "1E001400F4010000204E000");
    EXPECT_EQ(profile.WarningMER(), 28);
    EXPECT_EQ(profile.AlarmMER(), 22);
    Apply(0x1F00, "*I22"
                  "1E001400F4010000204E0000");
    EXPECT_EQ(profile.WarningMER(), 30);
    EXPECT_EQ(profile.AlarmMER(), 20);
}

} // namespace
