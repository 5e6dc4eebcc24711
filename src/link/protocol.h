// The unit's command protocol: handshake bytes, command texts and the readers of replies.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Protocol {

// Handshake bytes: the unit sends XON when it is ready for a line, XOFF once it has taken
// one, then ACK to accept it or NAK to refuse it.
inline constexpr char XON = 0x11;
inline constexpr char XOFF = 0x13;
inline constexpr char ACK = 0x06;
inline constexpr char NAK = 0x15;
inline constexpr char CR = 0x0D;
inline constexpr char LF = 0x0A;
inline constexpr char TAB = 0x09;

inline constexpr std::string_view LineEnd = "\r\n";

inline constexpr std::string_view NameQuery = "*?NAM";
inline constexpr std::string_view VersionQuery = "*?VER";
inline constexpr std::string_view ResetCommand = "*RST";
// A bare "*" line, sent without handshake, lets the unit resynchronise after a failed
// status query.
inline constexpr std::string_view ResyncLine = "*";

// The monitor's queries; the per-channel ones end in the unit's channel number, 00 to 05.
inline constexpr std::string_view StatusQuery = "*?STT";
inline constexpr std::string_view RegisterQueryPrefix = "*?REG";
inline constexpr std::string_view PowerQueryPrefix = "*?POW";
inline constexpr std::string_view MerQueryPrefix = "*?MER";
inline constexpr std::string_view BerQueryPrefix = "*?BER";

// Block replies carry four characters that nobody reads, then the data digits.
inline constexpr std::size_t BlockReplyHeaderLength = 4;
// The longest model name a unit can report.
inline constexpr std::size_t ModelNameLength = 16;

// "*?REG00" to "*?REG05" and the like, for the unit's channel number 0 to 5.
std::string RegisterQuery(int channel);
std::string PowerQuery(int channel);
std::string MerQuery(int channel);
std::string BerQuery(int channel);

// The model name in a reply to "*?NAM": after the first "*" and one more character, an
// optional "A", an optional "M" and blanks; up to the next blank, at most 16 characters,
// upper-cased. No "*" in the reply: no name.
std::optional<std::string> ReadModelName(std::string_view reply);
// The decimal number that begins at the reply's first digit (digits, an optional point
// and fraction). No digit: no number.
std::optional<float> ReadVersion(std::string_view reply);

// A reply to a register query: "01" at positions 7 and 8 (counted from 1) marks an active
// channel, positions 9 to 17 hold the frequency as the unit shows it.
struct RegisterReading {
    bool Active = false;
    std::string Frequency;
};
RegisterReading ReadRegisterReply(std::string_view reply);

// A reply to "*?STT": three hex bytes at positions 7 to 12, the active, alarm and warning
// masks; bit k stands for the unit's channel k.
struct StatusMasks {
    std::uint16_t Active = 0;
    std::uint16_t Alarm = 0;
    std::uint16_t Warning = 0;
};
StatusMasks ReadStatusReply(std::string_view reply);

// A reply to a power query carries, from position 5, at most 8 characters of a number in
// hundredths of a dB above 1 microvolt, with or without its decimal point ("6000" or
// "60.00"), optionally signed. Gives the power in dBm; no number, or no digit where the
// number begins ("inf", "nan"): none. An exponent is not part of the number.
std::optional<double> ReadPowerReply(std::string_view reply);
// The power as the monitor shows it: "%5.2f", always with a full stop.
std::string FormatPower(double dBm);
// MER and BER replies: the text from position 5 to the end, as the unit sent it.
std::string_view ReadMeasurementText(std::string_view reply);

} // namespace Protocol
