// What one polling round of the monitor leaves behind: a recording's CSV rows and the alarm
// history's events. The monitor window and rivanctl share it, so both write the same file.
#pragma once

#include "link/monitorpoller.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace MonitorRecord {

inline constexpr int ChannelCount = MonitorPoller::ChannelCount;

// One channel in one round. A reading the round did not bring (not this channel's turn, the
// unit did not answer, or its text held no number) is none.
struct ChannelSample {
    bool Enabled = false;
    bool Alarm = false;
    bool Warning = false;
    std::optional<std::uint32_t> FrequencyKHz;
    std::optional<double> PowerDbm;
    std::optional<double> MerDb;
    std::optional<double> Ber;
};

// One polling round. When the unit did not answer the status query, the flags are those of
// the last status that came.
struct Round {
    bool Answered = true;
    std::array<ChannelSample, ChannelCount> Channels;
};

// The round a tick gave: the status flags and frequencies of all channels from `readings`,
// the measurements of the polled channel from `outcome`.
Round RoundOf(const MonitorPoller::Channels& readings, const TickOutcome& outcome);
// The state right after MonitorPoller::Start: the unit answers, nothing measured yet.
Round StartOf(const MonitorPoller::Channels& readings);

// A frequency as the unit shows it ("474.00MHz", " 1210.0MHz") in kHz; none when the text
// is not a number of MHz.
std::optional<std::uint32_t> FrequencyKHz(std::string_view shown);
// A MER or BER text as the unit wrote it ("27.3", "3.16E-06"); none when it is no number.
std::optional<double> Measurement(std::string_view text);

// A moment as recordings write it: ISO 8601 local time with milliseconds and the offset
// from UTC, "2026-12-08T14:03:07.250+01:00".
std::string FormatTime(std::chrono::sys_time<std::chrono::milliseconds> moment,
                       std::chrono::seconds utcOffset);

// Recordings are CSV files: this header, then one row per channel per round that the unit
// answered. Lines end in CR LF.
inline constexpr std::string_view CsvHeader =
    "time,channel,enabled,frequency_khz,power_dbm,mer_db,ber,alarm,warning";
inline constexpr std::string_view CsvLineEnd = "\r\n";
// One row, without its line end: `channel` 1 to 6, flags as 0 or 1, frequency in whole kHz,
// power and MER "%.2f", BER "%.2E"; a reading the round did not bring is an empty field.
std::string CsvRow(std::string_view time, int channel, const ChannelSample& sample);
// The six rows of an answered round, each with its line end; nothing for a round the unit
// did not answer.
std::string CsvRows(std::string_view time, const Round& round);

// What the alarm history lists.
struct Event {
    enum class Kind { AlarmOn, AlarmOff, WarningOn, WarningOff, NoAnswer, AnswersAgain };
    Kind What = Kind::NoAnswer;
    int Channel = 0; // 1 to 6; 0 for the unit's own events
    // "channel 3 ALARM on", "channel 3 warning off", "no answer from the unit", ...
    std::string Text() const;
};

// What changed from one round to the next: the unit falling silent or answering again
// first, then each channel's alarm and warning, channel 1 first. A round the unit did not
// answer changes no flag.
std::vector<Event> Compare(const Round& before, const Round& after);

} // namespace MonitorRecord
