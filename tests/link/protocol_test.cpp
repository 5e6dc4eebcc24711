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

struct ReadCommandCase {
    const char* Behaviour;
    std::uint16_t Address;
    int Length;
    const char* Command;
};

class MemoryReadCommands : public ::testing::TestWithParam<ReadCommandCase> {};

TEST_P(MemoryReadCommands, FormatAddressAndLength) {
    EXPECT_EQ(MemoryReadCommand(GetParam().Address, GetParam().Length), GetParam().Command);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, MemoryReadCommands,
    ::testing::Values(ReadCommandCase{"Configuration", 0x1F00, 12, "*?I22A01F0000C"},
                      ReadCommandCase{"FirstDetectionPoint", 0x0400, 32, "*?I22A00400020"},
                      ReadCommandCase{"LastTextMessage", 0x01F0, 16, "*?I22A001F0010"},
                      ReadCommandCase{"FirstTextMessage", 0x0000, 16, "*?I22A00000010"}),
    [](const auto& info) { return std::string(info.param.Behaviour); });

TEST(MemoryWriteCommand, WritesAddressThenBytesInUpperCaseHex) {
    // MER 28 and 22 dB, BER 1000 and 10000 units of 1E-08, each low byte first.
    const std::array<std::uint8_t, 12> configuration = {0x1C, 0x00, 0x16, 0x00, 0xE8, 0x03,
                                                        0x00, 0x00, 0x10, 0x27, 0x00, 0x00};
    EXPECT_EQ(MemoryWriteCommand(0x1F00, configuration), "*I22A01F001C001600E803000010270000");
    const std::array<std::uint8_t, 8> point = {0x02, 0x01, 0x80, 0x36, 0xBE, 0x26, 0x46, 0x3C};
    EXPECT_EQ(MemoryWriteCommand(0x0440, point), "*I22A004400201"
                                                 "8036BE26"
                                                 "463C");
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

TEST(BlockData, HasToCarryTheDigitsOfTheBlock) {
    const std::string header = "*I22";
    EXPECT_EQ(ReadBlockData(0x1F00, header + std::string(23, '0')), std::nullopt);
    EXPECT_EQ(ReadBlockData(0x1F00, header + std::string(24, '0')), std::string(24, '0'));
    EXPECT_EQ(ReadBlockData(0x0400, header + std::string(15, '1')), std::nullopt);
    EXPECT_EQ(ReadBlockData(0x04A0, header + std::string(64, '1')), std::string(64, '1'));
    EXPECT_EQ(ReadBlockData(0x01F0, header + std::string(31, '2')), std::nullopt);
    EXPECT_EQ(ReadBlockData(0x01F0, header + std::string(32, '2')), std::string(32, '2'));
    EXPECT_EQ(ReadBlockData(0x0400, "*I2"), std::nullopt);
}

TEST(BlockData, KnowsOnlyTheAddressesOfTheMap) {
    EXPECT_EQ(BlockDataDigits(0x1F00), 24);
    EXPECT_EQ(BlockDataDigits(0x0000), 32);
    EXPECT_EQ(BlockDataDigits(0x01F0), 32);
    EXPECT_EQ(BlockDataDigits(0x0400), 16);
    EXPECT_EQ(BlockDataDigits(0x04A0), 16);
    EXPECT_EQ(BlockDataDigits(0x0008), 0) << "not on a message boundary";
    EXPECT_EQ(BlockDataDigits(0x0200), 0) << "past the 32 messages";
    EXPECT_EQ(BlockDataDigits(0x0410), 0) << "not on a point boundary";
    EXPECT_EQ(BlockDataDigits(0x04C0), 0) << "past the six points";
    EXPECT_EQ(BlockDataDigits(0x1F01), 0);
}

TEST(HexDigitValue, IsTheDigitsValueInEitherCaseAndMinusOneForAnythingElse) {
    const std::pair<char, int> cases[] = {
        {'0', 0},  {'9', 9},  {'A', 10}, {'F', 15}, {'a', 10}, {'f', 15},  {'G', -1},   {'g', -1},
        {'/', -1}, {':', -1}, {'@', -1}, {'`', -1}, {' ', -1}, {'\0', -1}, {'\xC1', -1}};
    for (const auto& [digit, value] : cases)
        EXPECT_EQ(HexDigitValue(digit), value) << "digit " << static_cast<int>(digit);
}

TEST(HexDigitsValue, ReadsUpToCountDigitsInEitherCase) {
    EXPECT_EQ(HexDigitsValue("3F", 2), 0x3F);
    EXPECT_EQ(HexDigitsValue("ff", 2), 0xFF);
    EXPECT_EQ(HexDigitsValue("2G", 2), 2);
    EXPECT_EQ(HexDigitsValue("G2", 2), 0);
    EXPECT_EQ(HexDigitsValue("123456", 6), 0x1234);
    EXPECT_EQ(HexDigitsValue("7", 2), 7);
    EXPECT_EQ(HexDigitsValue("", 2), 0);
}

TEST(StatusReply, CarriesThreeMasksAtPositions7To12) {
    const StatusMasks masks = ReadStatusReply("*STAT:3F0102");
    EXPECT_EQ(masks.Active, 0x3F);
    EXPECT_EQ(masks.Alarm, 0x01);
    EXPECT_EQ(masks.Warning, 0x02);

    const StatusMasks lower = ReadStatusReply("*STAT:3f0a2G");
    EXPECT_EQ(lower.Active, 0x3F);
    EXPECT_EQ(lower.Alarm, 0x0A);
    EXPECT_EQ(lower.Warning, 0x02);

    const StatusMasks shortReply = ReadStatusReply("*STT");
    EXPECT_EQ(shortReply.Active, 0);
    EXPECT_EQ(shortReply.Alarm, 0);
    EXPECT_EQ(shortReply.Warning, 0);
}

TEST(RegisterReply, ActiveOnlyFor01AndTheFrequencyFromPosition9) {
    const RegisterReading active = ReadRegisterReply("*REG0001650.00MHz");
    EXPECT_TRUE(active.Active);
    EXPECT_EQ(active.Frequency, "650.00MHz");
    EXPECT_FALSE(ReadRegisterReply("*REG0000650.00MHz").Active);
    EXPECT_FALSE(ReadRegisterReply("*REG0011650.00MHz").Active);
    EXPECT_FALSE(ReadRegisterReply("*REG0010650.00MHz").Active);
    EXPECT_EQ(ReadRegisterReply("*REG000165").Frequency, "65");
    EXPECT_EQ(ReadRegisterReply("*REG0001650.00MHz and more").Frequency, "650.00MHz");
    EXPECT_EQ(ReadRegisterReply("*REG").Frequency, "");
}

struct PowerCase {
    const char* Behaviour;
    const char* Reply;
    const char* Shown;
};

class PowerReplies : public ::testing::TestWithParam<PowerCase> {};

TEST_P(PowerReplies, ShowAsDbm) {
    const std::optional<double> dBm = ReadPowerReply(GetParam().Reply);
    ASSERT_TRUE(dBm.has_value());
    EXPECT_EQ(FormatPower(*dBm), GetParam().Shown);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, PowerReplies,
    ::testing::Values(PowerCase{"WholeHundredths", "*POW6000", "-47.00"},
                      PowerCase{"WithDecimalPoint", "*POW60.00", "-47.00"},
                      PowerCase{"ZeroIsPaddedToFive", "*POW10700", " 0.00"},
                      PowerCase{"PositiveIsPaddedToFive", "*POW11200", " 5.00"},
                      PowerCase{"OnlyEightCharactersCount", "*POW6000    99", "-47.00"},
                      PowerCase{"LeadingBlanksAllowed", "*POW  7235", "-34.65"}),
    [](const auto& info) { return std::string(info.param.Behaviour); });

TEST(PowerReply, WithoutANumberHasNone) {
    EXPECT_EQ(ReadPowerReply("*POW"), std::nullopt);
    EXPECT_EQ(ReadPowerReply("*POWabc"), std::nullopt);
    EXPECT_EQ(ReadPowerReply(""), std::nullopt);
}

TEST(MeasurementText, IsTheReplyFromPosition5) {
    EXPECT_EQ(ReadMeasurementText("*MER32.5"), "32.5");
    EXPECT_EQ(ReadMeasurementText("*BER2.10E-07"), "2.10E-07");
    EXPECT_EQ(ReadMeasurementText("*BER"), "");
}

} // namespace

namespace {

class BlockReplyIntoProfile : public ::testing::Test {
protected:
    BlockReplyIntoProfile() { profile.SetDefaults(); }

    // What Receive does with a reply: the data from the fifth character, when complete.
    void Apply(std::uint16_t address, const std::string& reply) {
        if (auto data = ReadBlockData(address, reply))
            profile.ApplyDataBlock(address, *data);
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
