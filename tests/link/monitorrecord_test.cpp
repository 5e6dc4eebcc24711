// Tests of what a polling round leaves behind: CSV rows and the alarm history's events.
#include "link/monitorrecord.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace MonitorRecord;
using namespace std::chrono;

// A round from six letters per flag, "Channel 1" first: '1' where the flag is set.
Round MakeRound(bool answered, const char* alarm, const char* warning) {
    Round round;
    round.Answered = answered;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        round.Channels[channel].Enabled = true;
        round.Channels[channel].Alarm = alarm[channel] == '1';
        round.Channels[channel].Warning = warning[channel] == '1';
    }
    return round;
}

struct CompareCase {
    const char* Behaviour;
    Round Before;
    Round After;
    std::vector<std::string> Events;
};

class ComparingRounds : public ::testing::TestWithParam<CompareCase> {};

TEST_P(ComparingRounds, GivesTheChangesInOrder) {
    std::vector<std::string> texts;
    for (const Event& event : Compare(GetParam().Before, GetParam().After))
        texts.push_back(event.Text());
    EXPECT_EQ(texts, GetParam().Events);
}

const Round Quiet = MakeRound(true, "000000", "000000");

INSTANTIATE_TEST_SUITE_P(
    Events, ComparingRounds,
    ::testing::Values(
        CompareCase{"NothingChanged", Quiet, Quiet, {}},
        CompareCase{
            "AlarmComes", Quiet, MakeRound(true, "001000", "000000"), {"channel 3 ALARM on"}},
        CompareCase{
            "AlarmGoes", MakeRound(true, "001000", "000000"), Quiet, {"channel 3 ALARM off"}},
        CompareCase{"WarningComesAndGoes",
                    MakeRound(true, "000000", "100000"),
                    MakeRound(true, "000000", "000001"),
                    {"channel 1 warning off", "channel 6 warning on"}},
        CompareCase{"WarningTurnsIntoAlarm",
                    MakeRound(true, "000000", "000010"),
                    MakeRound(true, "000010", "000000"),
                    {"channel 5 ALARM on", "channel 5 warning off"}},
        CompareCase{"UnitFallsSilent",
                    MakeRound(true, "001000", "000000"),
                    MakeRound(false, "001000", "000000"),
                    {"no answer from the unit"}},
        CompareCase{"StillSilent",
                    MakeRound(false, "000000", "000000"),
                    MakeRound(false, "000000", "000000"),
                    {}},
        CompareCase{"AnswersAgainWithAnAlarmGone",
                    MakeRound(false, "001000", "000000"),
                    Quiet,
                    {"unit answers again", "channel 3 ALARM off"}}),
    [](const auto& info) { return std::string(info.param.Behaviour); });

TEST(MonitorRecordCsv, RowsCarryTheAgreedColumns) {
    ChannelSample sample;
    sample.Enabled = true;
    sample.FrequencyKHz = 474000;
    sample.PowerDbm = -33.125;
    sample.MerDb = 27.3;
    sample.Ber = 3.1623e-6;
    sample.Alarm = false;
    sample.Warning = true;
    EXPECT_EQ(CsvRow("T", 3, sample), "T,3,1,474000,-33.12,27.30,3.16E-06,0,1");
    EXPECT_EQ(CsvRow("T", 6, ChannelSample{}), "T,6,0,,,,,0,0") << "nothing read: empty fields";
    EXPECT_EQ(CsvHeader, "time,channel,enabled,frequency_khz,power_dbm,mer_db,ber,alarm,warning");

    EXPECT_EQ(CsvRows("T", MakeRound(false, "000000", "000000")), "");
    const std::string rows = CsvRows("T", MakeRound(true, "010000", "000000"));
    EXPECT_EQ(rows.substr(0, 19), "T,1,1,,,,,0,0\r\nT,2,");
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 6);
}

TEST(MonitorRecordCsv, TimesAreLocalWithTheirOffset) {
    // 2026-12-08 13:03:07.25 UTC is 1796734987.25 s after the epoch.
    const sys_time<milliseconds> moment{milliseconds(1796734987250)};
    EXPECT_EQ(FormatTime(moment, hours(1)), "2026-12-08T14:03:07.250+01:00");
    EXPECT_EQ(FormatTime(moment, -minutes(210)), "2026-12-08T09:33:07.250-03:30");
    EXPECT_EQ(FormatTime(moment, seconds(0)), "2026-12-08T13:03:07.250+00:00");
    EXPECT_EQ(FormatTime(moment, hours(11)), "2026-12-09T00:03:07.250+11:00") << "next day";
}

TEST(MonitorRecordCsv, FrequenciesAsTheUnitShowsThem) {
    EXPECT_EQ(FrequencyKHz("474.00MHz"), 474000u);
    EXPECT_EQ(FrequencyKHz("1210.0MHz"), 1210000u);
    EXPECT_EQ(FrequencyKHz("  650.125mhz"), 650125u);
    EXPECT_EQ(FrequencyKHz("650.1259MHz"), 650125u);
    EXPECT_EQ(FrequencyKHz("858"), 858000u);
    EXPECT_EQ(FrequencyKHz(""), std::nullopt);
    EXPECT_EQ(FrequencyKHz("MHz"), std::nullopt);
    EXPECT_EQ(FrequencyKHz("650.00GHz"), std::nullopt);
    EXPECT_EQ(FrequencyKHz("4294968.0MHz"), std::nullopt) << "beyond 32 bits of kHz";
}

TEST(MonitorRecordCsv, MeasurementsAreNumbersOrNothing) {
    EXPECT_EQ(Measurement("27.3"), 27.3);
    EXPECT_EQ(Measurement(" 3.16E-06\r"), 3.16e-6);
    EXPECT_EQ(Measurement("32.5 dB"), 32.5);
    EXPECT_EQ(Measurement("27,3"), std::nullopt);
    EXPECT_EQ(Measurement("27.3 x2"), std::nullopt);
    EXPECT_EQ(Measurement("inf"), std::nullopt);
    EXPECT_EQ(Measurement(""), std::nullopt);
}

TEST(MonitorRecordRound, TakesTheFlagsOfAllAndTheMeasurementsOfThePolledChannel) {
    MonitorPoller::Channels readings;
    readings[1] = {true, "522.00MHz", "-36.00", "30.0", "1.00E-07", false, true};
    readings[2] = {true, "650.00MHz", "-39.00", "27.0", "1.00E-05", true, false};
    TickOutcome outcome;
    outcome.PolledChannel = 2;
    outcome.PowerDbm = -39.0;
    outcome.Mer = "26.5";
    outcome.Ber = "2.00E-05";

    const Round round = RoundOf(readings, outcome);
    EXPECT_TRUE(round.Answered);
    EXPECT_EQ(CsvRow("T", 2, round.Channels[1]), "T,2,1,522000,,,,0,1")
        << "shown readings of an earlier round are not this round's";
    EXPECT_EQ(CsvRow("T", 3, round.Channels[2]), "T,3,1,650000,-39.00,26.50,2.00E-05,1,0");

    outcome.StatusLost = true;
    EXPECT_FALSE(RoundOf(readings, outcome).Answered);
}

} // namespace
