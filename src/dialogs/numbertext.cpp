// Text <-> number conversions of the profile editors, independent of the C library's locale.
#include "dialogs/numbertext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

namespace {

constexpr std::uint32_t MaxMer = 65535;
// A BER threshold travels as a 32-bit count of 1e-8: every ratio up to 4294967295e-8 fits.
constexpr float MaxBer = static_cast<float>(4294967295.0 * 1.0E-8);
constexpr const char* MaxBerText = "42.94967295";
constexpr int ExponentCap = 100000; // far beyond any float, small enough never to overflow

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

std::string NotAnInteger(std::string_view text) {
    return Quoted(text) + " is not a valid integer value";
}

std::string NotAFloat(std::string_view text) {
    return Quoted(text) + " is not a valid floating point value";
}

// Reading stopped at a comma followed by a digit: the text was written with a decimal comma,
// and reading on would silently drop its fraction.
bool StoppedAtDecimalComma(std::string_view text, std::size_t stop) {
    return stop + 1 < text.size() && text[stop] == ',' && text[stop + 1] >= '0' &&
           text[stop + 1] <= '9';
}

std::string OutOfRange(std::string_view text, const std::string& allowed) {
    return Quoted(text) + " is out of range (allowed: " + allowed + ")";
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads an exponent's optional sign and digits at `pos`; saturates far beyond any float.
bool ReadExponent(std::string_view text, std::size_t& pos, int& exponent) {
    std::size_t at = pos;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    if (at >= text.size() || !IsDigit(text[at]))
        return false;
    int value = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at)
        value = std::min(value * 10 + (text[at] - '0'), ExponentCap);
    exponent = negative ? -value : value;
    pos = at;
    return true;
}

// A decimal number held exactly: (-1)^Negative x Digits x 10^Exponent.
struct ExactDecimal {
    bool Negative = false;
    std::string Digits;
    int Exponent = 0;
};

// The whole text as a number with `separator` as decimal point: optional blanks, optional
// sign, digits with an optional separator, optional exponent, optional blanks.
std::optional<ExactDecimal> ParseDecimal(std::string_view text, char separator) {
    ExactDecimal number;
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        number.Negative = text[pos++] == '-';
    int fractionDigits = 0;
    bool inFraction = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (IsDigit(c)) {
            number.Digits += c;
            fractionDigits += inFraction ? 1 : 0;
            continue;
        }
        if (c == separator && !inFraction) {
            inFraction = true;
            continue;
        }
        break;
    }
    if (number.Digits.empty())
        return std::nullopt;
    int exponent = 0;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (!ReadExponent(text, pos, exponent))
            return std::nullopt;
    }
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    if (pos != text.size())
        return std::nullopt;
    number.Exponent = exponent - fractionDigits;
    return number;
}

// The number times 10^shift, truncated toward zero, when its magnitude is below 10^18.
std::optional<std::uint64_t> TruncatedMagnitude(const ExactDecimal& number, int shift) {
    std::string digits = number.Digits;
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    if (digits.empty())
        return 0;
    const long long scale = static_cast<long long>(number.Exponent) + shift;
    if (scale < 0) {
        const auto drop = static_cast<std::size_t>(-scale);
        if (drop >= digits.size())
            return 0;
        digits.resize(digits.size() - drop);
    } else {
        if (digits.size() + static_cast<std::size_t>(scale) > 18)
            return std::nullopt;
        digits.append(static_cast<std::size_t>(scale), '0');
    }
    if (digits.size() > 18)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits)
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    return value;
}

} // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    int base = 10;
    if (pos < text.size() && text[pos] == '$') {
        base = 16;
        ++pos;
    } else if (pos + 1 < text.size() && text[pos] == '0' &&
               (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }
    // The digits run to the end of the text: a second sign, a blank or a second prefix is
    // no digit.
    const std::string_view digits = text.substr(pos);
    std::uint64_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    const std::uint64_t limit = negative ? std::uint64_t{1} << 31 : (std::uint64_t{1} << 31) - 1;
    if (error != std::errc() || end != digits.data() + digits.size() || value > limit)
        return std::nullopt;
    const auto magnitude = static_cast<std::int64_t>(value);
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

namespace {

// ScanFloat, also telling where reading stopped: after the number, or where a number was
// looked for when there is none.
std::optional<float> ScanFloatUpTo(std::string_view text, std::size_t& stop) {
    std::size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    const std::size_t start = pos;
    stop = start;
    int digits = 0;
    bool point = false;
    // Where the first significant digit stands, to tell a too large number from a too
    // small one: the whole digits from it on, or the zeros after the point before it.
    bool significant = false;
    int significantWholeDigits = 0;
    int leadingFractionZeros = 0;
    for (; pos < text.size(); ++pos) {
        if (IsDigit(text[pos])) {
            ++digits;
            significant = significant || text[pos] != '0';
            if (!point && significant)
                ++significantWholeDigits;
            if (point && !significant)
                ++leadingFractionZeros;
            continue;
        }
        if (text[pos] == '.' && !point) {
            point = true;
            continue;
        }
        break;
    }
    if (digits == 0)
        return std::nullopt;
    int exponent = 0;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        std::size_t at = pos + 1;
        if (ReadExponent(text, at, exponent))
            pos = at;
    }
    stop = pos;
    const char* first = text.data() + start;
    const char* last = text.data() + pos;
    float value = 0.0f;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error == std::errc::result_out_of_range) {
        // Too large or too small for single precision: scanf gives infinity or zero.
        const int leadingPower =
            significantWholeDigits > 0 ? significantWholeDigits - 1 : -(leadingFractionZeros + 1);
        value = leadingPower + exponent >= 0 ? std::numeric_limits<float>::infinity() : 0.0f;
    } else if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

} // namespace

std::optional<float> ScanFloat(std::string_view text) {
    std::size_t stop = 0;
    return ScanFloatUpTo(text, stop);
}

std::string MerText(std::uint16_t mer) {
    return std::to_string(mer);
}

std::string BerText(float ber) {
    char buffer[64];
    const auto [end, error] = std::to_chars(
        buffer, buffer + sizeof buffer, static_cast<double>(ber), std::chars_format::scientific, 2);
    if (error != std::errc())
        return {};
    std::string text(buffer, end);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    return text;
}

Conversion<std::uint16_t> MerFromText(std::string_view text) {
    const std::optional<std::int32_t> value = ParseInteger(text);
    if (!value)
        return Conversion<std::uint16_t>::Failed(NotAnInteger(text));
    if (*value < 0 || static_cast<std::uint32_t>(*value) > MaxMer)
        return Conversion<std::uint16_t>::Failed(OutOfRange(text, "0 to 65535 dB"));
    return Conversion<std::uint16_t>::Ok(static_cast<std::uint16_t>(*value));
}

Conversion<float> BerFromText(std::string_view text) {
    std::size_t stop = 0;
    const std::optional<float> value = ScanFloatUpTo(text, stop);
    if (StoppedAtDecimalComma(text, stop))
        return Conversion<float>::Failed(NotAFloat(text) +
                                         ": use a full stop as the decimal separator.");
    if (!value)
        return Conversion<float>::Failed(NotAFloat(text));
    if (!(*value >= 0.0f && *value <= MaxBer))
        return Conversion<float>::Failed(OutOfRange(text, std::string("0 to ") + MaxBerText));
    return Conversion<float>::Ok(*value == 0.0f ? 0.0f : *value);
}

std::string FrequencyText(std::uint32_t frequencyKHz, char decimalSeparator) {
    // One decimal of a MHz, rounded half up; from seven whole digits on, the seven
    // significant digits leave no decimal and it shows as 0.
    const std::uint64_t kHz = frequencyKHz;
    const std::uint64_t tenths = kHz >= 1000000000 ? (kHz + 500) / 1000 * 10 : (kHz + 50) / 100;
    // The highest frequencies the unit holds would round up beyond what the editor takes
    // back (4295.0 MHz): those show their whole kHz, so that the text reads back unchanged.
    if (kHz <= MaxFrequencyKHz && tenths * 100 > MaxFrequencyKHz) {
        char fraction[4];
        std::snprintf(fraction, sizeof fraction, "%03u", static_cast<unsigned>(kHz % 1000));
        return std::to_string(kHz / 1000) + decimalSeparator + fraction;
    }
    return std::to_string(tenths / 10) + decimalSeparator + std::to_string(tenths % 10);
}

std::string PowerText(std::uint16_t power) {
    return std::to_string(static_cast<int>(power) - PowerOffsetDb);
}

std::string NormalizeFrequencyText(std::string_view text, char decimalSeparator) {
    std::string normalized(text);
    if (decimalSeparator == ',')
        std::replace(normalized.begin(), normalized.end(), '.', ',');
    return normalized;
}

std::string NormalizePowerText(std::string_view text, char decimalSeparator) {
    if (decimalSeparator != ',')
        return std::string(text);
    return std::string(text.substr(0, text.find('.')));
}

Conversion<std::uint32_t> FrequencyKHzFromText(std::string_view text, char decimalSeparator) {
    const std::optional<ExactDecimal> number = ParseDecimal(text, decimalSeparator);
    if (!number)
        return Conversion<std::uint32_t>::Failed(NotAFloat(text));
    // MHz to kHz, the fraction of a kHz dropped.
    const std::optional<std::uint64_t> kHz = TruncatedMagnitude(*number, 3);
    if (!kHz || *kHz > MaxFrequencyKHz || (number->Negative && *kHz != 0)) {
        const std::string allowed = std::string("0 to 4294") + decimalSeparator + "967 MHz";
        return Conversion<std::uint32_t>::Failed(OutOfRange(text, allowed));
    }
    return Conversion<std::uint32_t>::Ok(static_cast<std::uint32_t>(*kHz));
}

Conversion<std::uint16_t> PowerFromText(std::string_view text) {
    const std::optional<std::int32_t> dBm = ParseInteger(text);
    if (!dBm)
        return Conversion<std::uint16_t>::Failed(NotAnInteger(text));
    if (*dBm < MinPowerDbm || *dBm > MaxPowerDbm)
        return Conversion<std::uint16_t>::Failed(OutOfRange(text, "-107 to 148 dBm"));
    return Conversion<std::uint16_t>::Ok(static_cast<std::uint16_t>(*dBm + PowerOffsetDb));
}
