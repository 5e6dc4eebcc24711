// The fixed texts of a PRO script and the decoding of its data tokens.
#pragma once

#include <cstddef>
#include <string_view>

namespace ProScript {

// The command word of a data line, as the reader compares it after upper-casing.
inline constexpr std::string_view SendKeyword = "SEND";
// What the reader splits a line at: the command word, then its argument.
inline constexpr std::string_view KeywordDelimiters = " \t\n\r(";
inline constexpr std::string_view ArgumentDelimiters = " \t\n\r,()";

inline constexpr char CommentMark = '#';

// The lines the writer produces.
inline constexpr std::size_t HeaderRuleLength = 58;
inline constexpr const char* ConfigurationHeading = "# Configuration data:";
inline constexpr const char* PointsHeading = "# Detection points data:";
// A data line is the command word, a blank and a memory write command.
inline constexpr std::string_view DataLineStart = "send ";
inline constexpr const char* PointCommentFormat = "    #%d";

} // namespace ProScript
