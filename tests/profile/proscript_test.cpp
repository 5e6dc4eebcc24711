// Tests of the PRO script form of a profile: writing, line classification, reading and
// applying memory blocks.
#include "profile/equipmentprofile.h"
#include "profile/memorycommands.h"
#include "profile/proscript.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace std::string_literals;

namespace {

const std::string Rule = "##########################################################";
const std::string DefaultConfigurationLine = "send *I22A01F001C001600E803000010270000";
const std::string DefaultPointLines[] = {
    "send *I22A0040000008036BE26463C    #0", "send *I22A0042001008036BE26463C    #1",
    "send *I22A0044002008036BE26463C    #2", "send *I22A0046003008036BE26463C    #3",
    "send *I22A0048004008036BE26463C    #4", "send *I22A004A005008036BE26463C    #5",
};

ScriptLineList DefaultScript(const std::string& name) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.SetDefaults();
    profile.WriteScript(lines, name, "04/03/2026 10:20:30");
    return lines;
}

void ExpectDefaultPoint(const EquipmentProfile& profile, int point) {
    SCOPED_TRACE(point);
    EXPECT_EQ(profile.Number(point), point);
    EXPECT_EQ(profile.Active(point), 0);
    EXPECT_EQ(profile.FrequencyKHz(point), 650000u);
    EXPECT_EQ(profile.WarningPower(point), 70);
    EXPECT_EQ(profile.AlarmPower(point), 60);
}

void ExpectDefaultConfiguration(const EquipmentProfile& profile) {
    EXPECT_EQ(profile.WarningMER(), 28);
    EXPECT_EQ(profile.AlarmMER(), 22);
    EXPECT_EQ(profile.WarningBER(), 1.0E-05f);
    EXPECT_EQ(profile.AlarmBER(), 1.0E-04f);
}

} // namespace

// ---- Writing -------------------------------------------------------------------------------

TEST(WriteScript, DefaultProfileGivesTheKnownDataLines) {
    const ScriptLineList lines = DefaultScript("Untitled.PRO");
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[6], DefaultConfigurationLine);
    for (int point = 0; point < 6; ++point) {
        EXPECT_EQ(lines[8 + point], DefaultPointLines[point]);
    }
}

TEST(WriteScript, WritesTheFifteenLineLayout) {
    const ScriptLineList lines = DefaultScript("/home/op/site A.pro");
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[0], Rule);
    EXPECT_EQ(lines[0].size(), 58u);
    EXPECT_EQ(lines[1], "# /home/op/site A.pro created at 04/03/2026 10:20:30");
    EXPECT_EQ(lines[2], "# by RIVAN (v2.00 - b00)");
    EXPECT_EQ(lines[3], "# Copyright (c) 2026 Qelvar Instruments");
    EXPECT_EQ(lines[4], Rule);
    EXPECT_EQ(lines[5], "# Configuration data:");
    EXPECT_EQ(lines[7], "# Detection points data:");
    EXPECT_EQ(lines[14], "# End of file /home/op/site A.pro");
}

TEST(WriteScript, RebindsToTheGivenListAndReplacesItsContent) {
    ScriptLineList first;
    ScriptLineList second = {"old line 1", "old line 2"};
    EquipmentProfile profile(first);
    profile.SetDefaults();
    profile.WriteScript(second, "x.pro", "now");
    EXPECT_EQ(&profile.ScriptLines(), &second);
    EXPECT_TRUE(first.empty());
    ASSERT_EQ(second.size(), 15u);
    EXPECT_EQ(second[0], Rule);
}

TEST(WriteScript, NeverWritesMessageLines) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.SetDefaults();
    profile.SetMessageText(21, "ANY TEXT");
    profile.WriteScript(lines, "m.pro", "now");
    ASSERT_EQ(lines.size(), 15u);
    int dataLines = 0;
    for (const std::string& line : lines) {
        const ScriptLineClass kind = ParseScriptLine(line);
        if (kind.Kind != ScriptLineKind::DataLine) {
            continue;
        }
        ++dataLines;
        EXPECT_GE(MemoryCommands::DecodeWrite(kind.Token).Address, 0x0400) << line;
    }
    EXPECT_EQ(dataLines, 7);
}

struct WrittenFieldRow {
    const char* Behaviour;
    std::uint16_t WarningMER;
    float WarningBER;
    std::uint32_t FrequencyKHz;
    std::uint16_t WarningPower;
    std::uint8_t Number;
    const char* ConfigurationLine;
    const char* PointLine;
};

class WrittenFields : public testing::TestWithParam<WrittenFieldRow> {};

TEST_P(WrittenFields, AreEncodedLowByteFirst) {
    const WrittenFieldRow& row = GetParam();
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.SetDefaults();
    profile.SetWarningMER(row.WarningMER);
    profile.SetWarningBER(row.WarningBER);
    profile.SetFrequencyKHz(0, row.FrequencyKHz);
    profile.SetWarningPower(0, row.WarningPower);
    profile.SetNumber(0, row.Number);
    profile.WriteScript(lines, "f.pro", "now");
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[6], row.ConfigurationLine);
    EXPECT_EQ(lines[8], row.PointLine);
}

INSTANTIATE_TEST_SUITE_P(
    Values, WrittenFields,
    testing::Values(WrittenFieldRow{"MerOf300", 300, 1.0E-05f, 650000, 70, 0,
                                    "send *I22A01F002C011600E803000010270000",
                                    "send *I22A0040000008036BE26463C    #0"},
                    WrittenFieldRow{"Frequency950MHz", 28, 1.0E-05f, 950000, 70, 0,
                                    "send *I22A01F001C001600E803000010270000",
                                    "send *I22A00400000080D99F38463C    #0"},
                    WrittenFieldRow{"Frequency2150MHzHasTopBitSet", 28, 1.0E-05f, 2150000, 70, 0,
                                    "send *I22A01F001C001600E803000010270000",
                                    "send *I22A00400000080652680463C    #0"},
                    WrittenFieldRow{"PowerKeepsOnlyItsLowByteAndNumberLabelsTheLine", 28, 1.0E-05f,
                                    650000, 0x1FF, 255, "send *I22A01F001C001600E803000010270000",
                                    "send *I22A00400FF008036BE26FF3C    #255"},
                    WrittenFieldRow{"BerIsRoundedToWholeUnitsOfOneE8", 28, 2.5E-06f, 650000, 70, 0,
                                    "send *I22A01F001C001600FA00000010270000",
                                    "send *I22A0040000008036BE26463C    #0"},
                    WrittenFieldRow{"BerTooLargeForTheUnitIsWrittenAsItsLargestValue", 28, 100.0f,
                                    650000, 70, 0, "send *I22A01F001C001600FFFFFFFF10270000",
                                    "send *I22A0040000008036BE26463C    #0"},
                    WrittenFieldRow{"NegativeBerIsWrittenAsZero", 28, -1.0E-05f, 650000, 70, 0,
                                    "send *I22A01F001C0016000000000010270000",
                                    "send *I22A0040000008036BE26463C    #0"},
                    WrittenFieldRow{"FrequencyBeyond32BitHzIsWrittenAsTheHighestWholeKHz", 28,
                                    1.0E-05f, 5000000, 70, 0,
                                    "send *I22A01F001C001600E803000010270000",
                                    "send *I22A004000000D8FEFFFF463C    #0"}),
    [](const testing::TestParamInfo<WrittenFieldRow>& info) { return info.param.Behaviour; });

TEST(WriteScript, LineBreaksInTheNameCannotStartNewLines) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.SetDefaults();
    profile.WriteScript(lines, "a\nsend #b", "t\r\n");
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[1], "# a send #b created at t  ");
    EXPECT_EQ(lines[14], "# End of file a send #b");
}

// ---- Round trip ----------------------------------------------------------------------------

TEST(ScriptRoundTrip, DefaultProfileReadsBackAsDefaults) {
    ScriptLineList lines = DefaultScript("d.pro");
    EquipmentProfile reader(lines);
    reader.ReadScript();
    ExpectDefaultConfiguration(reader);
    for (int point = 0; point < 6; ++point) {
        ExpectDefaultPoint(reader, point);
    }
    EXPECT_TRUE(reader.ConfigurationLoaded());
    EXPECT_TRUE(reader.PointsLoaded());
    EXPECT_FALSE(reader.MessagesLoaded());
}

TEST(ScriptRoundTrip, EveryWrittenFieldReadsBackUnchanged) {
    struct PointValues {
        std::uint8_t Active;
        std::uint32_t FrequencyKHz;
        std::uint16_t WarningPower;
        std::uint16_t AlarmPower;
    };
    const PointValues points[6] = {
        {1, 950000, 80, 70},   {0, 2150000, 255, 0}, {1, 10700, 1, 2},
        {1, 4294967, 100, 90}, {0, 0, 47, 46},       {1, 1234567, 200, 150},
    };
    ScriptLineList lines;
    EquipmentProfile writer(lines);
    writer.SetDefaults();
    writer.SetWarningMER(35);
    writer.SetAlarmMER(300);
    writer.SetWarningBER(2.5E-06f);
    writer.SetAlarmBER(3.3E-05f);
    for (int i = 0; i < 6; ++i) {
        writer.SetActive(i, points[i].Active);
        writer.SetFrequencyKHz(i, points[i].FrequencyKHz);
        writer.SetWarningPower(i, points[i].WarningPower);
        writer.SetAlarmPower(i, points[i].AlarmPower);
    }
    writer.WriteScript(lines, "r.pro", "now");

    EquipmentProfile reader(lines);
    reader.ReadScript();
    EXPECT_EQ(reader.WarningMER(), 35);
    EXPECT_EQ(reader.AlarmMER(), 300);
    EXPECT_EQ(reader.WarningBER(), 2.5E-06f);
    EXPECT_EQ(reader.AlarmBER(), 3.3E-05f);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(reader.Number(i), i);
        EXPECT_EQ(reader.Active(i), points[i].Active);
        EXPECT_EQ(reader.FrequencyKHz(i), points[i].FrequencyKHz);
        EXPECT_EQ(reader.WarningPower(i), points[i].WarningPower);
        EXPECT_EQ(reader.AlarmPower(i), points[i].AlarmPower);
    }
}

// ---- Line classification -------------------------------------------------------------------

struct ParseRow {
    const char* Behaviour;
    std::string Line;
    ScriptLineKind Kind;
    std::string Token;
};

class ParseScriptLineTable : public testing::TestWithParam<ParseRow> {};

TEST_P(ParseScriptLineTable, ClassifiesTheLine) {
    const ParseRow& row = GetParam();
    const ScriptLineClass result = ParseScriptLine(row.Line);
    EXPECT_EQ(result.Kind, row.Kind);
    EXPECT_EQ(result.Token, row.Token);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseScriptLineTable,
    testing::Values(
        ParseRow{"EmptyLineIsIgnored", "", ScriptLineKind::Ignored, ""},
        ParseRow{"BlanksOnlyAreIgnored", " \t  ", ScriptLineKind::Ignored, ""},
        ParseRow{"CommentIsIgnored", "# send *I22A01F00", ScriptLineKind::Ignored, ""},
        ParseRow{"CommentAfterBlanksAndTabsIsIgnored", " \t \t# send *I22A01F00",
                 ScriptLineKind::Ignored, ""},
        ParseRow{"WritersDataLine", "send *I22A0040000008036BE26463C    #0",
                 ScriptLineKind::DataLine, "*I22A0040000008036BE26463C"},
        ParseRow{"MixedCaseIsUpperCased", "SeNd *i22a01f001c00", ScriptLineKind::DataLine,
                 "*I22A01F001C00"},
        ParseRow{"ParenthesesDelimitTheToken", "send(*i22a01f00ab)", ScriptLineKind::DataLine,
                 "*I22A01F00AB"},
        ParseRow{"CommaEndsTheToken", "send *I22A01F00,12", ScriptLineKind::DataLine, "*I22A01F00"},
        ParseRow{"LeadingBlanksAndTabsBeforeSend", "\t  send\t\t*I22A00400",
                 ScriptLineKind::DataLine, "*I22A00400"},
        ParseRow{"PrefixAloneIsADataLine", "send *I22A0", ScriptLineKind::DataLine, "*I22A0"},
        ParseRow{"LoneSendIsMalformed", "send", ScriptLineKind::Malformed, ""},
        ParseRow{"SendWithTrailingBlanksIsMalformed", "send   \t ", ScriptLineKind::Malformed, ""},
        ParseRow{"SendWithOnlyDelimitersIsMalformed", "send ( , )", ScriptLineKind::Malformed, ""},
        ParseRow{"SendFollowedByACommentIsMalformed", "send #*I22A01F00", ScriptLineKind::Malformed,
                 ""},
        ParseRow{"OtherCommandArgumentIsIgnored", "send *RST", ScriptLineKind::Ignored, ""},
        ParseRow{"OtherKeywordIsIgnored", "wait 100", ScriptLineKind::Ignored, ""},
        ParseRow{"KeywordGluedToCommaIsNotSend", "send,*I22A01F00", ScriptLineKind::Ignored, ""},
        ParseRow{"SendInsideAWordIsNotSend", "sender *I22A01F00", ScriptLineKind::Ignored, ""},
        ParseRow{"CarriageReturnAtTheEndEndsTheToken", "send *I22A01F00\r",
                 ScriptLineKind::DataLine, "*I22A01F00"},
        ParseRow{"CarriageReturnSeparatesSendFromItsArgument", "send\r*I22A01F00",
                 ScriptLineKind::DataLine, "*I22A01F00"},
        ParseRow{"CarriageReturnInsideTheKeywordSplitsIt", "se\rnd *I22A01F00",
                 ScriptLineKind::Ignored, ""},
        ParseRow{"LineFeedEndsTheLine", "send\n*I22A01F00", ScriptLineKind::Malformed, ""},
        ParseRow{"ZeroByteEndsTheLine", "send\0*I22A01F00"s, ScriptLineKind::Malformed, ""},
        ParseRow{"LeadingZeroByteMakesAnEmptyLine", "\0send *I22A01F00"s, ScriptLineKind::Ignored,
                 ""},
        ParseRow{"BytesAbove127AreNoDelimiters", "send\xA0*I22A01F00", ScriptLineKind::Ignored, ""},
        ParseRow{"BytesAbove127StayInTheToken", "send *i22a0\xe9\xff", ScriptLineKind::DataLine,
                 "*I22A0\xe9\xff"}),
    [](const testing::TestParamInfo<ParseRow>& info) { return info.param.Behaviour; });

TEST(ParseScriptLine, VeryLongLinesAreClassified) {
    EXPECT_EQ(ParseScriptLine(std::string(200000, 'A')).Kind, ScriptLineKind::Ignored);
    EXPECT_EQ(ParseScriptLine("send" + std::string(200000, ' ')).Kind, ScriptLineKind::Malformed);
    const std::string token = "*I22A01F00" + std::string(200000, '0');
    const ScriptLineClass data = ParseScriptLine("send " + token + " #x");
    EXPECT_EQ(data.Kind, ScriptLineKind::DataLine);
    EXPECT_EQ(data.Token, token);
}

// ---- Reading -------------------------------------------------------------------------------

TEST(ReadScript, LoneSendStopsReadingAndKeepsWhatWasAbove) {
    ScriptLineList lines = {
        "send *I22A01F001E0014000A000000E8030000",
        "send *I22A0040000018036BE26463C",
        "send",
        "send *I22A0042001018036BE26463C",
    };
    EquipmentProfile profile(lines);
    profile.ReadScript();
    EXPECT_EQ(profile.WarningMER(), 30);
    EXPECT_EQ(profile.AlarmMER(), 20);
    EXPECT_EQ(profile.WarningBER(), 1.0E-07f);
    EXPECT_EQ(profile.AlarmBER(), 1.0E-05f);
    EXPECT_EQ(profile.Active(0), 1);
    ExpectDefaultPoint(profile, 1);
    EXPECT_TRUE(profile.ConfigurationLoaded());
    EXPECT_TRUE(profile.PointsLoaded());
}

TEST(ReadScript, LoneSendFirstLeavesDefaultsAndNoFlags) {
    ScriptLineList lines = {"# header", "SEND", "send *I22A01F001E0014000A000000E8030000"};
    EquipmentProfile profile(lines);
    profile.ReadScript();
    ExpectDefaultConfiguration(profile);
    EXPECT_FALSE(profile.ConfigurationLoaded());
    EXPECT_FALSE(profile.PointsLoaded());
    EXPECT_FALSE(profile.MessagesLoaded());
}

TEST(ReadScript, StartsFromDefaultsEachTime) {
    ScriptLineList lines = {"send *I22A0040000018036BE26463C"};
    EquipmentProfile profile(lines);
    profile.SetDefaults();
    profile.SetWarningMER(50);
    profile.SetFrequencyKHz(3, 1);
    profile.SetMessageText(2, "edited");
    profile.ReadScript();
    EXPECT_EQ(profile.WarningMER(), 28);
    ExpectDefaultPoint(profile, 3);
    EXPECT_EQ(profile.Active(0), 1);
    EXPECT_EQ(profile.GetMessageText(2), "1> DETECT       ");
}

TEST(ReadScript, UpperCaseSendWithLowerCaseDigitsReadsLikeTheWritersLine) {
    ScriptLineList lines = {"SEND *i22a004a005018036be26463c    #5"};
    EquipmentProfile profile(lines);
    profile.ReadScript();
    EXPECT_EQ(profile.Number(5), 5);
    EXPECT_EQ(profile.Active(5), 1);
    EXPECT_EQ(profile.FrequencyKHz(5), 650000u);
    EXPECT_EQ(profile.WarningPower(5), 70);
    EXPECT_EQ(profile.AlarmPower(5), 60);
    EXPECT_TRUE(profile.PointsLoaded());
}

TEST(ReadScript, ParenthesisedTokenIsADataLine) {
    ScriptLineList lines = {"send(*i22a01f001e0014000a000000e8030000)"};
    EquipmentProfile profile(lines);
    profile.ReadScript();
    EXPECT_EQ(profile.WarningMER(), 30);
    EXPECT_EQ(profile.AlarmMER(), 20);
    EXPECT_TRUE(profile.ConfigurationLoaded());
}

TEST(ReadScript, CommentedDataLineIsNotApplied) {
    ScriptLineList lines = {" \t # send *I22A01F001E0014000A000000E8030000",
                            "\t#send *I22A0040000018036BE26463C"};
    EquipmentProfile profile(lines);
    profile.ReadScript();
    ExpectDefaultConfiguration(profile);
    ExpectDefaultPoint(profile, 0);
    EXPECT_FALSE(profile.ConfigurationLoaded());
    EXPECT_FALSE(profile.PointsLoaded());
}

TEST(ReadScript, MisalignedPointAddressIsSkipped) {
    ScriptLineList lines = {"send *I22A0041000018036BE26463C"};
    EquipmentProfile profile(lines);
    profile.ReadScript();
    ExpectDefaultPoint(profile, 0);
    EXPECT_FALSE(profile.PointsLoaded());
}

TEST(ReadScript, ConfigurationWith23DigitsIsSkipped) {
    ScriptLineList lines = {"send *I22A01F001E0014000A000000E803000"};
    EquipmentProfile profile(lines);
    profile.ReadScript();
    ExpectDefaultConfiguration(profile);
    EXPECT_FALSE(profile.ConfigurationLoaded());
}

TEST(ReadScript, MessageLineAt0150SetsSlot21) {
    ScriptLineList lines = {"send *I22A0015048454C4C4F20574F524C442020202020"};
    EquipmentProfile profile(lines);
    profile.ReadScript();
    EXPECT_EQ(profile.GetMessageText(21), "HELLO WORLD     ");
    EXPECT_EQ(profile.MessageEditLevel(21), 1);
    EXPECT_EQ(profile.GetMessageText(20), "  Backlight ON  ");
    EXPECT_TRUE(profile.MessagesLoaded());
}

TEST(ReadScript, LaterLineForTheSameBlockWins) {
    ScriptLineList lines = {"send *I22A01F001E0014000A000000E8030000",
                            "send *I22A01F0020001000E803000010270000"};
    EquipmentProfile profile(lines);
    profile.ReadScript();
    EXPECT_EQ(profile.WarningMER(), 32);
    EXPECT_EQ(profile.AlarmMER(), 16);
}

TEST(ReadScript, LinesWithCarriageReturnsAreRead) {
    ScriptLineList lines = {"# header\r", "send *I22A01F001E0014000A000000E8030000\r", "\r",
                            "send\r*I22A0042001018036BE26463C\r"};
    EquipmentProfile profile(lines);
    profile.ReadScript();
    EXPECT_EQ(profile.WarningMER(), 30);
    EXPECT_EQ(profile.Active(1), 1);
}

TEST(ReadScript, VeryLongAndEmptyLinesAreHandled) {
    ScriptLineList lines = {"", std::string(100000, '#'), std::string(100000, 'x'),
                            "send *I22A01F001E0014000A000000E8030000" + std::string(100000, 'F'),
                            ""};
    EquipmentProfile profile(lines);
    profile.ReadScript();
    EXPECT_EQ(profile.WarningMER(), 30);
    EXPECT_EQ(profile.AlarmBER(), 1.0E-05f);
}

// ---- Applying blocks -----------------------------------------------------------------------

struct BlockRow {
    const char* Behaviour;
    std::uint16_t Address;
    std::string Data;
    bool Configuration;
    bool Points;
    bool Messages;
};

class ApplyDataBlockAddresses : public testing::TestWithParam<BlockRow> {};

TEST_P(ApplyDataBlockAddresses, SetsOnlyTheFlagOfAnAcceptedBlock) {
    const BlockRow& row = GetParam();
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.ApplyDataBlock(row.Address, row.Data);
    EXPECT_EQ(profile.ConfigurationLoaded(), row.Configuration);
    EXPECT_EQ(profile.PointsLoaded(), row.Points);
    EXPECT_EQ(profile.MessagesLoaded(), row.Messages);
}

const std::string Digits24(24, '1');
const std::string Digits16(16, '1');
const std::string Digits32(32, '4');

INSTANTIATE_TEST_SUITE_P(
    Addresses, ApplyDataBlockAddresses,
    testing::Values(
        BlockRow{"ConfigurationAt1F00", 0x1F00, Digits24, true, false, false},
        BlockRow{"ConfigurationWith23Digits", 0x1F00, Digits24.substr(1), false, false, false},
        BlockRow{"AboveConfigurationIsIgnored", 0x1F10, Digits24, false, false, false},
        BlockRow{"TopAddressIsIgnored", 0xFFFF, Digits32, false, false, false},
        BlockRow{"FirstMessage", 0x0000, Digits32, false, false, true},
        BlockRow{"LastMessage", 0x01F0, Digits32, false, false, true},
        BlockRow{"MessageWith31Digits", 0x0010, Digits32.substr(1), false, false, false},
        BlockRow{"MisalignedMessage", 0x0008, Digits32, false, false, false},
        BlockRow{"BetweenMessagesAndPoints", 0x0200, Digits32, false, false, false},
        BlockRow{"JustBelowPoints", 0x03F0, Digits32, false, false, false},
        BlockRow{"FirstPoint", 0x0400, Digits16, false, true, false},
        BlockRow{"LastPoint", 0x04A0, Digits16, false, true, false},
        BlockRow{"PointWith15Digits", 0x0420, Digits16.substr(1), false, false, false},
        BlockRow{"MisalignedPoint", 0x0410, Digits16, false, false, false},
        BlockRow{"SeventhPointDoesNotExist", 0x04C0, Digits16, false, false, false},
        BlockRow{"JustBelowConfiguration", 0x1EFF, Digits24, false, false, false},
        BlockRow{"EmptyData", 0x0400, "", false, false, false}),
    [](const testing::TestParamInfo<BlockRow>& info) { return info.param.Behaviour; });

TEST(ApplyDataBlock, PointIsChosenByTheAddressNotByItsNumberByte) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.LoadDefaultPoints();
    profile.ApplyDataBlock(0x0400, "0501E8030000FF00");
    EXPECT_EQ(profile.Number(0), 5);
    EXPECT_EQ(profile.Active(0), 1);
    EXPECT_EQ(profile.FrequencyKHz(0), 1u);
    EXPECT_EQ(profile.WarningPower(0), 255);
    EXPECT_EQ(profile.AlarmPower(0), 0);
    ExpectDefaultPoint(profile, 5);
}

TEST(ApplyDataBlock, HzAboveTwoToThe31IsUnsignedAndRoundedDownToKHz) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.ApplyDataBlock(0x0420, "0101E7652680463C"); // 0x802665E7 = 2150000103 Hz
    EXPECT_EQ(profile.FrequencyKHz(1), 2150000u);
    profile.ApplyDataBlock(0x0420, "0101FFFFFFFF463C");
    EXPECT_EQ(profile.FrequencyKHz(1), 4294967u);
}

TEST(ApplyDataBlock, BerUnitsBecomeTheNearestSinglePrecisionRatio) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.ApplyDataBlock(0x1F00, "1C0016000100000000E1F505");
    EXPECT_EQ(profile.WarningBER(), 1.0E-08f);
    EXPECT_EQ(profile.AlarmBER(), 1.0f); // 0x05F5E100 = 10^8
    profile.ApplyDataBlock(0x1F00, "1C001600FFFFFFFF00000000");
    EXPECT_EQ(profile.WarningBER(), 42.9496729f);
    EXPECT_EQ(profile.AlarmBER(), 0.0f);
}

TEST(ApplyDataBlock, DigitsBeyondTheUsedLengthAreIgnored) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.ApplyDataBlock(0x0440, "0201E8030000463CFFFFFFFFZZZZ");
    EXPECT_EQ(profile.Number(2), 2);
    EXPECT_EQ(profile.AlarmPower(2), 60);
}

TEST(ApplyDataBlock, NonHexCharactersGivePartialOrZeroFields) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    // WarningMER field "1C0G" reads as 1C0, swapped to C001; AlarmMER "ZZZZ" reads as 0.
    profile.ApplyDataBlock(0x1F00, "1C0GZZZZE8030000-1000000");
    EXPECT_EQ(profile.WarningMER(), 0xC001);
    EXPECT_EQ(profile.AlarmMER(), 0);
    EXPECT_EQ(profile.WarningBER(), 1.0E-05f);
    EXPECT_EQ(profile.AlarmBER(), 0.0f);
    EXPECT_TRUE(profile.ConfigurationLoaded());

    // Number "5Z" reads 5, Active "Z1" reads 0, frequency "8036BEZZ" reads 8036BE, which
    // reversed is BE368000 Hz; the powers " 4" and "4 " read 0 and 4.
    profile.ApplyDataBlock(0x0460, "5ZZ18036BEZZ 44 ");
    EXPECT_EQ(profile.Number(3), 5);
    EXPECT_EQ(profile.Active(3), 0);
    EXPECT_EQ(profile.FrequencyKHz(3), 3191242u);
    EXPECT_EQ(profile.WarningPower(3), 0);
    EXPECT_EQ(profile.AlarmPower(3), 4);
}

TEST(ApplyDataBlock, MessageTextTakesOneCharacterPerByte) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.LoadDefaultMessages();
    profile.ApplyDataBlock(0x0000, "5177657274797a7569206f7021E9FF7E");
    EXPECT_EQ(profile.GetMessageText(0), "Qwertyzui op!\xE9\xFF~");
    EXPECT_EQ(profile.MessageEditLevel(0), 2);
}

TEST(ApplyDataBlock, MessageTextEndsAtAZeroByte) {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    // "4G" reads as 04, "G1" as 00 which ends the text.
    profile.ApplyDataBlock(0x01F0, "41424G43G1444546474849505152535455");
    EXPECT_EQ(profile.GetMessageText(31), "AB\x04"
                                          "C");
    profile.ApplyDataBlock(0x01E0, "0000000000000000000000000000000041");
    EXPECT_EQ(profile.GetMessageText(30), "");
    EXPECT_TRUE(profile.MessagesLoaded());
}

// Arbitrary bytes, NUL and bytes above 127 included, must never read or write outside the
// profile; every text stays within the display's 16 characters.
TEST(ScriptRobustness, ArbitraryLinesKeepTheProfileWithinItsLimits) {
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return static_cast<char>((state >> 16) & 0xFF);
    };
    const std::string seeds[] = {"send *I22A0", "send *I22A00", "send *I22A004", "send *I22A01F",
                                 "send *I22A001"};
    ScriptLineList lines;
    for (int i = 0; i < 2000; ++i) {
        std::string line = seeds[i % 5];
        const int extra = (i * 7) % 60;
        for (int k = 0; k < extra; ++k) {
            const char c = next();
            line.push_back((i % 3 == 0) ? "0123456789ABCDEF"[c & 0x0F] : c);
        }
        lines.push_back(line);
        const ScriptLineClass result = ParseScriptLine(line);
        if (result.Kind == ScriptLineKind::DataLine) {
            EXPECT_EQ(result.Token.rfind("*I22A0", 0), 0u) << i;
        }
    }
    EquipmentProfile profile(lines);
    profile.ReadScript();
    for (int slot = 0; slot < 32; ++slot) {
        EXPECT_LE(profile.GetMessageText(slot).size(), 16u) << slot;
        EXPECT_EQ(profile.GetMessageText(slot).find('\0'), std::string::npos) << slot;
    }
}
