// Reading the unit's hexadecimal memory-block fields.
#include "profile/hexfields.h"

namespace HexFields {

namespace {
// A 32-bit value has eight hex digits; more could only overflow.
constexpr std::size_t MaxDigits = 8;
} // namespace

std::uint32_t LeadingHexValue(std::string_view text) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < text.size() && i < MaxDigits; ++i) {
        if (!IsHexDigit(text[i])) {
            break;
        }
        value = (value << 4) | HexDigitValue(text[i]);
    }
    return value;
}

std::uint32_t FieldValue(std::string_view data, std::size_t position, std::size_t digits) {
    if (position >= data.size()) {
        return 0;
    }
    return LeadingHexValue(data.substr(position, digits));
}

} // namespace HexFields
