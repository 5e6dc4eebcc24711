// The unit's hexadecimal texts: reading and writing hex digits.
#include "profile/hexfields.h"

#include <algorithm>

namespace HexFields {

namespace {
constexpr char UpperDigits[] = "0123456789ABCDEF";
constexpr unsigned BitsPerDigit = 4;
constexpr std::uint32_t DigitMask = 0x0F;
} // namespace

std::uint32_t LeadingHexValue(std::string_view text, std::size_t maxDigits) {
    const std::size_t limit = std::min({text.size(), maxDigits, MaxDigits});
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < limit; ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0) {
            break;
        }
        value = (value << BitsPerDigit) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

bool ParseHex(std::string_view text, std::uint32_t& value) {
    if (text.empty() || text.size() > MaxDigits ||
        !std::all_of(text.begin(), text.end(), IsHexDigit)) {
        return false;
    }
    value = LeadingHexValue(text);
    return true;
}

std::uint32_t FieldValue(std::string_view data, std::size_t position, std::size_t digits) {
    if (position >= data.size()) {
        return 0;
    }
    return LeadingHexValue(data.substr(position, digits));
}

void AppendHex(std::string& text, std::uint32_t value, std::size_t digits) {
    for (std::size_t i = digits; i > 0; --i) {
        const unsigned shift = static_cast<unsigned>(i - 1) * BitsPerDigit;
        text += UpperDigits[shift < 32 ? (value >> shift) & DigitMask : 0];
    }
}

void AppendHexBytes(std::string& text, std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t byte : bytes) {
        AppendHex(text, byte, 2);
    }
}

} // namespace HexFields
