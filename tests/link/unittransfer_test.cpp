// Reading a unit, sending a script, reading back and verifying, against a simulated unit.
#include "link/backup.h"
#include "link/equipmentlink.h"
#include "link/serialport.h"
#include "link/sim/simulateddriver.h"
#include "link/sim/simulatedunit.h"
#include "link/unittransfer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;

class RecordingTransfer : public TransferEvents {
public:
    void AppendLine(const std::string& line) override { Lines.push_back(line); }
    void BeforeRequest(int done, int total) override { Progress.push_back({done, total}); }
    std::vector<std::string> Lines;
    std::vector<std::pair<int, int>> Progress;
};

// The script the program writes for a profile of defaults saved as edited.pro.
const ScriptLineList EditedScript = {
    "##########################################################",
    "# edited.pro created at NOW",
    "# by RIVAN (v2.00 - b00)",
    "# Copyright (c) 2026 Qelvar Instruments. All rights reserved.",
    "##########################################################",
    "# Configuration data:",
    "send *I22A01F001C001600E803000010270000",
    "# Detection points data:",
    "send *I22A0040000008036BE26463C    #0",
    "send *I22A0042001008036BE26463C    #1",
    "send *I22A0044002008036BE26463C    #2",
    "send *I22A0046003008036BE26463C    #3",
    "send *I22A0048004008036BE26463C    #4",
    "send *I22A004A005008036BE26463C    #5",
    "# End of file edited.pro",
};

class UnitTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        driver.AttachPeer("COM4", unit);
        ASSERT_TRUE(port.Open());
        port.Configure();
    }
    void TearDown() override { port.Close(); }

    SimulatedDriver driver;
    SimulatedUnit unit;
    SerialPort port{driver, 3};
    RecordingTransfer events;
    ScriptLineList lines;
    EquipmentProfile profile{lines};
};

TEST_F(UnitTransferTest, IdentifiesTheUnitWithRowAndVersion) {
    const std::optional<UnitIdentity> identity = IdentifyUnit(port);
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->ModelName, "RIVAN");
    EXPECT_EQ(identity->ModelRow, 13u);
    EXPECT_FLOAT_EQ(identity->FirmwareVersion, 1.05f);
}

TEST_F(UnitTransferTest, ANameOutsideTheTableStillComesBackAsUnknown) {
    unit.Settings().Name = "OTHER-9";
    const std::optional<UnitIdentity> identity = IdentifyUnit(port);
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->ModelRow, UnknownModelRow);
}

TEST_F(UnitTransferTest, ReadsAll39BlocksWithTheWindowsLogLines) {
    profile.SetDefaults();
    const UnitReading reading = ReadUnit(port, profile, events);
    EXPECT_TRUE(reading.Complete());
    EXPECT_EQ(reading.BlocksRead, 39);
    ASSERT_EQ(events.Lines.size(), 42u);
    EXPECT_EQ(events.Lines[0], "loading configuration data...");
    EXPECT_EQ(events.Lines[1], "*I221C001600E803000010270000");
    EXPECT_EQ(events.Lines[2], "loading identification points data...");
    EXPECT_EQ(events.Lines[9], "loading text messages data...");
    EXPECT_EQ(profile.FrequencyKHz(0), 474000u);
    EXPECT_EQ(profile.FrequencyKHz(5), 1210000u);
    EXPECT_EQ(profile.Active(5), 0);
    EXPECT_EQ(events.Progress.front(), std::make_pair(0, 39));
    EXPECT_EQ(events.Progress.back(), std::make_pair(39, 39));
}

TEST_F(UnitTransferTest, AFailedPointEndsItsStepAndTheMessagesAreStillRead) {
    // The configuration is the first command, point 1 the second, point 2 the third.
    unit.Settings().NakOnCommand = 3;
    profile.SetDefaults();
    const UnitReading reading = ReadUnit(port, profile, events);
    EXPECT_EQ(reading.FailedSteps, 1);
    EXPECT_EQ(reading.BlocksRead, 1 + 1 + 32);
    EXPECT_EQ(events.Lines[4], "*?I22A00420020");
    EXPECT_EQ(events.Lines[5], "loading text messages data...");
    EXPECT_EQ(profile.FrequencyKHz(0), 474000u);
    EXPECT_EQ(profile.FrequencyKHz(1), 650000u); // the default: the unit's 522 MHz never came
}

TEST(ScriptBlocks, TakesTheDataLinesUpToTheFirstMalformedOne) {
    const std::vector<WrittenBlock> blocks = ScriptBlocks(
        {"# x", "SEND *i22a01f00aabb", "send (*I22A00400ff)", "send #", "send *I22A00420"});
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].Address, 0x1F00);
    EXPECT_EQ(blocks[0].Data, "AABB");
    EXPECT_EQ(blocks[1].Address, 0x0400);
    EXPECT_EQ(blocks[1].Data, "FF");
}

TEST_F(UnitTransferTest, SendsAScriptAsTheWindowDoesThenVerifiesIt) {
    ScriptLineList script = EditedScript;
    // Point 4 active at 474 MHz: 474000000 Hz is 1C40AA80, low byte first 80AA401C.
    script[11] = "send *I22A004600301"
                 "80AA401C"
                 "463C    #3";
    const ScriptRun run = SendScript(port, script, "edited.pro", events);
    EXPECT_TRUE(run.Completed);
    EXPECT_EQ(run.SentLines, 7);
    ASSERT_EQ(run.Written.size(), 7u);
    EXPECT_EQ(run.Written[4].Address, 0x0460);
    EXPECT_EQ(run.Written[4].Data, "0301"
                                   "80AA401C"
                                   "463C");
    EXPECT_EQ(events.Lines[0], "########################################################## OK");
    EXPECT_EQ(events.Lines[15], "edited.pro sent to remote equipment");
    EXPECT_EQ(events.Lines[16], "processed 7 data lines of 15");
    EXPECT_EQ(unit.Commands().back(), "*RST");
    EXPECT_EQ(unit.ResetCount(), 1);
    EXPECT_THAT(unit.Block(0x0460, 8), ElementsAre(0x03, 0x01, 0x80, 0xAA, 0x40, 0x1C, 0x46, 0x3C));

    RecordingTransfer verifyEvents;
    const Verification verification = VerifyBlocks(port, run.Written, verifyEvents);
    EXPECT_TRUE(verification.Ok());
    EXPECT_EQ(verification.Matching, 7);
    EXPECT_EQ(verification.Summary(), "verified: 7 blocks match");
    EXPECT_EQ(verifyEvents.Lines[0], "*I221C001600E803000010270000");
    EXPECT_EQ(unit.Commands()[unit.Commands().size() - 7], "*?I22A01F0000C");
    EXPECT_EQ(unit.Commands().back(), "*?I22A004A0020");
}

TEST_F(UnitTransferTest, ARefusedLineStopsTheRunAndTheResetStillGoes) {
    // XON ... the third data line is the unit's third command.
    unit.Settings().NakOnCommand = 3;
    const ScriptRun run = SendScript(port, EditedScript, "edited.pro", events);
    EXPECT_FALSE(run.Completed);
    EXPECT_EQ(run.FailedLine, "send *I22A0042001008036BE26463C    #1");
    EXPECT_EQ(run.Written.size(), 2u);
    EXPECT_EQ(events.Lines.back(), "error at: send *I22A0042001008036BE26463C    #1");
    EXPECT_EQ(unit.Commands().back(), "*RST");
}

TEST_F(UnitTransferTest, AMalformedLineFailsWithoutTraffic) {
    const ScriptRun run = SendScript(port, {"# x", "send", "send *I22A01F00AA"}, "f", events);
    EXPECT_FALSE(run.Completed);
    EXPECT_EQ(run.SentLines, 0);
    EXPECT_THAT(unit.Commands(), ElementsAre("*RST"));
}

TEST_F(UnitTransferTest, VerifyNamesTheFieldThatDiffers) {
    const std::vector<WrittenBlock> blocks = {{0x1F00, "1C001600E803000010270000"},
                                              {0x0440, "02008036BE26463C"}};
    // The unit holds 474 MHz at point 3 (hand-written 80AA401C) and an alarm MER of 30.
    const std::uint8_t point[] = {0x02, 0x00, 0x80, 0xAA, 0x40, 0x1C, 0x46, 0x3C};
    std::copy(std::begin(point), std::end(point), unit.Memory().begin() + 0x0440);
    unit.Memory()[0x1F02] = 30;
    const Verification verification = VerifyBlocks(port, blocks, events);
    EXPECT_FALSE(verification.Ok());
    EXPECT_EQ(verification.Matching, 0);
    EXPECT_THAT(verification.Problems,
                ElementsAre("configuration differs: MER alarm: file 22 dB, unit 30 dB",
                            "point 3 differs: frequency: file 650.000 MHz, unit 474.000 MHz"));
    EXPECT_EQ(verification.Summary(),
              "verify FAILED: configuration differs: MER alarm: file 22 dB, unit 30 dB");
}

TEST_F(UnitTransferTest, VerifyComparesDigitsInEitherCaseAndShowsUnknownBlocksRaw) {
    unit.Memory()[0x0150] = 0xAB;
    const Verification verification = VerifyBlocks(port, {{0x0150, "ab"}, {0x0410, "12"}}, events);
    EXPECT_EQ(verification.Matching, 1);
    EXPECT_THAT(verification.Problems, ElementsAre("block 0410 differs: wrote 12, read 00"));
}

TEST_F(UnitTransferTest, AUnitThatStopsAnsweringFailsTheVerification) {
    unit.Settings().Silent = true;
    const Verification verification =
        VerifyBlocks(port, {{0x1F00, "1C001600E803000010270000"}, {0x0400, "00"}}, events);
    EXPECT_TRUE(verification.ReadFailed);
    EXPECT_EQ(verification.Summary(), "verify FAILED: configuration could not be read back");
    EXPECT_THAT(events.Lines, ElementsAre("*?I22A01F0000C"));
}

struct BackupFolderCase {
    const char* Name;
    const char* DataHome;
    const char* Folder;
};

class BackupFolderTest : public ::testing::TestWithParam<BackupFolderCase> {};

TEST_P(BackupFolderTest, LiesUnderTheDataHome) {
    EXPECT_EQ(BackupFolder(GetParam().DataHome, "/home/ann"), GetParam().Folder);
}

INSTANTIATE_TEST_SUITE_P(
    DataHomes, BackupFolderTest,
    ::testing::Values(BackupFolderCase{"XdgDataHome", "/tmp/data",
                                       "/tmp/data/Qelvar/RIVAN/backups"},
                      BackupFolderCase{"Unset", "", "/home/ann/.local/share/Qelvar/RIVAN/backups"},
                      BackupFolderCase{"RelativeIsIgnored", "data",
                                       "/home/ann/.local/share/Qelvar/RIVAN/backups"}),
    [](const auto& info) { return std::string(info.param.Name); });

// Windows spells absolute paths from a drive or a network share; elsewhere those are
// relative names like any other.
#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(
    WindowsDataHomes, BackupFolderTest,
    ::testing::Values(BackupFolderCase{"DriveWithBackslash", "C:\\Users\\ann\\data",
                                       "C:\\Users\\ann\\data/Qelvar/RIVAN/backups"},
                      BackupFolderCase{"DriveWithSlash", "d:/data", "d:/data/Qelvar/RIVAN/backups"},
                      BackupFolderCase{"NetworkShare", "\\\\server\\ann",
                                       "\\\\server\\ann/Qelvar/RIVAN/backups"},
                      BackupFolderCase{"DriveRelativeIsIgnored", "C:data",
                                       "/home/ann/.local/share/Qelvar/RIVAN/backups"},
                      BackupFolderCase{"NoDriveLetterIsIgnored", "1:/data",
                                       "/home/ann/.local/share/Qelvar/RIVAN/backups"}),
    [](const auto& info) { return std::string(info.param.Name); });
#else
INSTANTIATE_TEST_SUITE_P(
    WindowsPathsAreRelativeHere, BackupFolderTest,
    ::testing::Values(BackupFolderCase{"DriveLetter", "C:\\Users\\ann\\data",
                                       "/home/ann/.local/share/Qelvar/RIVAN/backups"},
                      BackupFolderCase{"NetworkShare", "\\\\server\\ann",
                                       "/home/ann/.local/share/Qelvar/RIVAN/backups"}),
    [](const auto& info) { return std::string(info.param.Name); });
#endif

struct BackupNameCase {
    const char* Name;
    const char* Model;
    const char* Port;
    LocalDateTime Time;
    const char* FileName;
};

class BackupFileNameTest : public ::testing::TestWithParam<BackupNameCase> {};

TEST_P(BackupFileNameTest, NamesModelPortAndTime) {
    EXPECT_EQ(BackupFileName(GetParam().Model, GetParam().Port, GetParam().Time),
              GetParam().FileName);
}

INSTANTIATE_TEST_SUITE_P(
    Names, BackupFileNameTest,
    ::testing::Values(
        BackupNameCase{
            "Plain", "RIVAN", "COM3", {2026, 3, 14, 9, 15, 2}, "RIVAN-COM3-20260314-091502.PRO"},
        BackupNameCase{"PlusInModel",
                       "KALDORN-3C+",
                       "COM1",
                       {2026, 12, 31, 23, 59, 59},
                       "KALDORN-3C+-COM1-20261231-235959.PRO"},
        BackupNameCase{"SlashesAndBlanks",
                       "A/B C",
                       "ttyUSB0",
                       {2026, 1, 2, 3, 4, 5},
                       "A_B_C-ttyUSB0-20260102-030405.PRO"},
        BackupNameCase{
            "NoModel", "", "COM8", {2027, 1, 1, 0, 0, 0}, "unknown-COM8-20270101-000000.PRO"}),
    [](const auto& info) { return std::string(info.param.Name); });

struct ParsedNameCase {
    const char* Name;
    const char* FileName;
    bool Valid;
    const char* Model;
    const char* Port;
    LocalDateTime Time;
};

class ParseBackupFileNameTest : public ::testing::TestWithParam<ParsedNameCase> {};

TEST_P(ParseBackupFileNameTest, ReadsModelPortAndTime) {
    const std::optional<BackupNameParts> parts = ParseBackupFileName(GetParam().FileName);
    ASSERT_EQ(parts.has_value(), GetParam().Valid);
    if (!parts)
        return;
    EXPECT_EQ(parts->Model, GetParam().Model);
    EXPECT_EQ(parts->PortName, GetParam().Port);
    const LocalDateTime& want = GetParam().Time;
    EXPECT_EQ(
        std::vector<int>({parts->Time.Year, parts->Time.Month, parts->Time.Day, parts->Time.Hour,
                          parts->Time.Minute, parts->Time.Second}),
        std::vector<int>({want.Year, want.Month, want.Day, want.Hour, want.Minute, want.Second}));
}

INSTANTIATE_TEST_SUITE_P(
    Names, ParseBackupFileNameTest,
    ::testing::Values(
        ParsedNameCase{"Plain",
                       "RIVAN-COM3-20260314-091502.PRO",
                       true,
                       "RIVAN",
                       "COM3",
                       {2026, 3, 14, 9, 15, 2}},
        ParsedNameCase{"DashesInModel",
                       "KALDORN-3C+-COM1-20261231-235959.PRO",
                       true,
                       "KALDORN-3C+",
                       "COM1",
                       {2026, 12, 31, 23, 59, 59}},
        ParsedNameCase{"SecondOfTheSameSecond",
                       "RIVAN-COM3-20260314-091502-2.PRO",
                       true,
                       "RIVAN",
                       "COM3",
                       {2026, 3, 14, 9, 15, 2}},
        ParsedNameCase{"OtherExtension", "RIVAN-COM3-20260314-091502.txt", false, "", "", {}},
        ParsedNameCase{"NoTime", "RIVAN-COM3-20260314.PRO", false, "", "", {}},
        ParsedNameCase{"MonthThirteen", "RIVAN-COM3-20261314-091502.PRO", false, "", "", {}},
        ParsedNameCase{"NoModel", "-COM3-20260314-091502.PRO", false, "", "", {}},
        ParsedNameCase{"UserFile", "my settings.PRO", false, "", "", {}}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
