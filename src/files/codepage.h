// The one code page of PRO files, RIVAN.LOG and the unit's replies: single-byte Windows-1252,
// kept byte for byte on its way through the windows.
#pragma once

#include <QString>

#include <string>
#include <string_view>

// Each byte as its Windows-1252 character; the five bytes without one (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) as the control character of the same number, so that every byte comes back.
QString FromCodePage(std::string_view bytes);
// Each character as its byte; a character the code page lacks becomes '?'.
std::string ToCodePage(const QString& text);
