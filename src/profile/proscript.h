// The fixed texts of a PRO script and the decoding of its data tokens.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ProScript {

// The command word of a data line, as the reader compares it after upper-casing.
inline constexpr std::string_view SendKeyword = "SEND";
// Every data token begins with the unit's memory write command.
inline constexpr std::string_view DataPrefix = "*I22A0";
// The block address follows the prefix as four hex digits.
inline constexpr std::size_t AddressDigits = 4;

// What the reader splits a line at: the command word, then its argument.
inline constexpr std::string_view KeywordDelimiters = " \t\n\r(";
inline constexpr std::string_view ArgumentDelimiters = " \t\n\r,()";

inline constexpr char CommentMark = '#';

// The lines the writer produces.
inline constexpr std::size_t HeaderRuleLength = 58;
inline constexpr const char* ConfigurationHeading = "# Configuration data:";
inline constexpr const char* PointsHeading = "# Detection points data:";
inline constexpr const char* ConfigurationLineFormat = "send *I22A0%04X%04X%04X%08X%08X";
inline constexpr const char* PointLineFormat = "send *I22A0%04X%02X%02X%08X%02X%02X";
inline constexpr const char* PointCommentFormat = "    #%d";

// One memory block carried by a data token.
struct DataBlock {
    std::uint16_t Address = 0;
    std::string_view Data; // a view into the token
};

// Splits a data token ("*I22A0" + address + data) into its block address and data. The
// address is read from the leading hex digits of the four characters after the prefix (none
// gives 0); the data is everything after those four characters.
DataBlock DecodeDataToken(std::string_view token);

} // namespace ProScript
