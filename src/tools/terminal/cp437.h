// Code page 437, the console's character set: the glyph each byte stands for, and the
// byte a typed character becomes.
#pragma once

#include <cstdint>
#include <optional>

// The Unicode character drawn for a byte; control bytes show their classic symbols
// (0x01 a smiling face, 0x7F a house) and 0x00 shows as a blank.
char32_t Cp437ToUnicode(std::uint8_t byte);
// The byte for a typed character; nothing when the code page has no such character.
// ASCII, control characters and DEL included, stands for itself.
std::optional<std::uint8_t> UnicodeToCp437(char32_t character);
