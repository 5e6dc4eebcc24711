// What one polling round of the monitor leaves behind: a recording's CSV rows and the alarm
// history's events.
#include "link/monitorrecord.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace MonitorRecord {

namespace {

constexpr std::string_view MegahertzUnit = "MHz";
constexpr std::uint64_t MaxKHz = 0xFFFFFFFF;

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == Protocol::TAB))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == Protocol::TAB ||
                             text.back() == Protocol::CR || text.back() == Protocol::LF))
        text.remove_suffix(1);
    return text;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool SameLetters(std::string_view text, std::string_view word) {
    if (text.size() != word.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(text[i]) != lower(word[i]))
            return false;
    }
    return true;
}

// Printed without the process locale, so the decimal point is always a full stop.
std::string Fixed2(double value) {
    char text[64];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    assert(error == std::errc() && "64 characters hold any double with two decimals");
    return std::string(text, end);
}

// "%.2E": "3.16E-06".
std::string Scientific2(double value) {
    char text[64];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 2);
    assert(error == std::errc() && "64 characters hold any double in scientific form");
    std::string result(text, end);
    for (char& c : result) {
        if (c == 'e')
            c = 'E';
    }
    return result;
}

void AddFlag(std::string& row, bool flag) {
    row += ',';
    row += flag ? '1' : '0';
}

template <typename Value, typename Format>
void AddField(std::string& row, const std::optional<Value>& value, Format format) {
    row += ',';
    if (value)
        row += format(*value);
}

void AddChanges(std::vector<Event>& events, int channel, bool before, bool after, Event::Kind on,
                Event::Kind off) {
    if (before != after)
        events.push_back(Event{after ? on : off, channel});
}

} // namespace

Round RoundOf(const MonitorPoller::Channels& readings, const TickOutcome& outcome) {
    Round round = StartOf(readings);
    round.Answered = !outcome.StatusLost;
    assert(outcome.PolledChannel >= 0 && outcome.PolledChannel < ChannelCount);
    ChannelSample& polled = round.Channels[outcome.PolledChannel];
    polled.PowerDbm = outcome.PowerDbm;
    if (outcome.Mer)
        polled.MerDb = Measurement(*outcome.Mer);
    if (outcome.Ber)
        polled.Ber = Measurement(*outcome.Ber);
    return round;
}

Round StartOf(const MonitorPoller::Channels& readings) {
    Round round;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const ChannelReadings& reading = readings[channel];
        ChannelSample& sample = round.Channels[channel];
        sample.Enabled = reading.Active;
        sample.Alarm = reading.Alarm;
        sample.Warning = reading.Warning;
        sample.FrequencyKHz = FrequencyKHz(reading.Frequency);
    }
    return round;
}

std::optional<std::uint32_t> FrequencyKHz(std::string_view shown) {
    std::string_view text = TrimBlanks(shown);
    if (text.size() >= MegahertzUnit.size() &&
        SameLetters(text.substr(text.size() - MegahertzUnit.size()), MegahertzUnit))
        text = TrimBlanks(text.substr(0, text.size() - MegahertzUnit.size()));
    std::uint64_t kHz = 0;
    std::size_t at = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        kHz = kHz * 10 + static_cast<std::uint64_t>(text[at] - '0');
        if (kHz > MaxKHz)
            return std::nullopt;
    }
    if (at == 0)
        return std::nullopt;
    kHz *= 1000;
    if (at < text.size() && text[at] == '.') {
        ++at;
        // MHz to kHz: the first three decimals are whole kHz; further ones are dropped.
        std::uint64_t scale = 100;
        for (; at < text.size() && IsDigit(text[at]); ++at) {
            kHz += static_cast<std::uint64_t>(text[at] - '0') * scale;
            scale /= 10;
        }
    }
    if (at != text.size() || kHz > MaxKHz)
        return std::nullopt;
    return static_cast<std::uint32_t>(kHz);
}

std::optional<double> Measurement(std::string_view text) {
    const std::string_view number = TrimBlanks(text);
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || !std::isfinite(value))
        return std::nullopt;
    // A unit may follow the number with its unit ("32.5 dB"); anything else ("27,3") is not
    // a number that can be trusted.
    const std::string_view rest = TrimBlanks(number.substr(end - number.data()));
    for (char c : rest) {
        if (!IsLetter(c))
            return std::nullopt;
    }
    return value;
}

std::string FormatTime(std::chrono::sys_time<std::chrono::milliseconds> moment,
                       std::chrono::seconds utcOffset) {
    using namespace std::chrono;
    const auto local = moment + utcOffset;
    const auto day = floor<days>(local);
    const year_month_day date{day};
    const hh_mm_ss<milliseconds> time{local - day};
    const long offsetMinutes = std::lround(std::abs(utcOffset.count()) / 60.0);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02ld.%03ld%c%02ld:%02ld",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<long>(time.hours().count()),
                  static_cast<long>(time.minutes().count()),
                  static_cast<long>(time.seconds().count()),
                  static_cast<long>(time.subseconds().count()), utcOffset.count() < 0 ? '-' : '+',
                  offsetMinutes / 60, offsetMinutes % 60);
    return text;
}

std::string CsvRow(std::string_view time, int channel, const ChannelSample& sample) {
    assert(channel >= 1 && channel <= ChannelCount && "channels are numbered 1 to 6");
    std::string row(time);
    row += ',';
    row += std::to_string(channel);
    AddFlag(row, sample.Enabled);
    AddField(row, sample.FrequencyKHz, [](std::uint32_t kHz) { return std::to_string(kHz); });
    AddField(row, sample.PowerDbm, Fixed2);
    AddField(row, sample.MerDb, Fixed2);
    AddField(row, sample.Ber, Scientific2);
    AddFlag(row, sample.Alarm);
    AddFlag(row, sample.Warning);
    return row;
}

std::string CsvRows(std::string_view time, const Round& round) {
    std::string rows;
    if (!round.Answered)
        return rows;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        rows += CsvRow(time, channel + 1, round.Channels[channel]);
        rows += CsvLineEnd;
    }
    return rows;
}

std::string Event::Text() const {
    const std::string channel = "channel " + std::to_string(Channel);
    switch (What) {
    case Kind::AlarmOn:
        return channel + " ALARM on";
    case Kind::AlarmOff:
        return channel + " ALARM off";
    case Kind::WarningOn:
        return channel + " warning on";
    case Kind::WarningOff:
        return channel + " warning off";
    case Kind::NoAnswer:
        return "no answer from the unit";
    case Kind::AnswersAgain:
        return "unit answers again";
    }
    return {};
}

std::vector<Event> Compare(const Round& before, const Round& after) {
    std::vector<Event> events;
    if (!after.Answered) {
        if (before.Answered)
            events.push_back(Event{Event::Kind::NoAnswer});
        return events;
    }
    if (!before.Answered)
        events.push_back(Event{Event::Kind::AnswersAgain});
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const ChannelSample& was = before.Channels[channel];
        const ChannelSample& is = after.Channels[channel];
        AddChanges(events, channel + 1, was.Alarm, is.Alarm, Event::Kind::AlarmOn,
                   Event::Kind::AlarmOff);
        AddChanges(events, channel + 1, was.Warning, is.Warning, Event::Kind::WarningOn,
                   Event::Kind::WarningOff);
    }
    return events;
}

} // namespace MonitorRecord
