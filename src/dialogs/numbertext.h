// Text <-> number conversions of the profile editors: what the user types and sees, and what
// the profile and the unit's memory can hold. Standard C++ only; the caller passes the
// locale's decimal separator.
#pragma once

#include "profile/memorymap.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// A converted value, or the text of the error that tells the user why there is none.
template <typename T> struct Conversion {
    std::optional<T> Value;
    std::string Error;

    static Conversion Ok(T value) { return {value, {}}; }
    static Conversion Failed(std::string error) { return {std::nullopt, std::move(error)}; }
    explicit operator bool() const { return Value.has_value(); }
};

// Integer text: optional leading blanks, optional sign, decimal digits or "$" / "0x" and
// hexadecimal digits, nothing after. Nothing when the text is not such a number or does not
// fit a signed 32-bit value.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// The longest number at the start of the text, as scanf's "%E" reads it: leading white
// space, optional sign, digits with an optional full stop, optional exponent; the rest is
// ignored. Nothing when the text does not begin with a number. A magnitude beyond single
// precision gives infinity, one below it zero.
std::optional<float> ScanFloat(std::string_view text);

// Texts of the configuration editor.
std::string MerText(std::uint16_t mer);
std::string BerText(float ber); // "%1.2E", always with a full stop
Conversion<std::uint16_t> MerFromText(std::string_view text);
// The leading number (see ScanFloat), from 0 up to the 32-bit count of 1e-8 the unit holds
// (42.94967295); a text read up to a decimal comma is refused, naming the full stop.
Conversion<float> BerFromText(std::string_view text);

// Texts of the detection points editor.
// MHz with one decimal, rounded; the few highest frequencies, which would round up beyond
// MaxFrequencyKHz, with three.
std::string FrequencyText(std::uint32_t frequencyKHz, char decimalSeparator);
std::string PowerText(std::uint16_t power); // stored dBm + 107, shown as dBm
// Under a comma locale every full stop becomes a comma, so both are accepted.
std::string NormalizeFrequencyText(std::string_view text, char decimalSeparator);
// Under a comma locale the text ends at its first full stop (-47.5 reads as -47).
std::string NormalizePowerText(std::string_view text, char decimalSeparator);
// Take the texts as normalized above.
Conversion<std::uint32_t> FrequencyKHzFromText(std::string_view text, char decimalSeparator);
Conversion<std::uint16_t> PowerFromText(std::string_view text);

// The largest frequency whose value in Hz the unit's 32-bit field holds.
using MemoryMap::MaxFrequencyKHz;
// Power thresholds travel to the unit as one byte of dBm + 107.
using MemoryMap::PowerOffsetDb;
inline constexpr int MinPowerDbm = -PowerOffsetDb;
inline constexpr int MaxPowerDbm = 255 - PowerOffsetDb;
