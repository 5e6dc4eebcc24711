// Windows-1252 <-> text, independent of the system's locale and of ICU.
#include "files/codepage.h"

#include <array>

namespace {

// Bytes 0x80 to 0x9F; the others are the character of the same number (Latin-1). A byte
// without a Windows-1252 character keeps its own number.
constexpr std::array<char16_t, 32> HighControlRow = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
constexpr unsigned char RowStart = 0x80;
constexpr unsigned char RowEnd = 0x9F;
constexpr char Unknown = '?';

char ByteOf(char16_t c) {
    if (c < RowStart || (c > RowEnd && c <= 0xFF)) {
        return static_cast<char>(c);
    }
    for (std::size_t i = 0; i < HighControlRow.size(); ++i) {
        if (HighControlRow[i] == c) {
            return static_cast<char>(RowStart + i);
        }
    }
    return Unknown;
}

} // namespace

QString FromCodePage(std::string_view bytes) {
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = QChar(b >= RowStart && b <= RowEnd ? HighControlRow[b - RowStart]
                                                    : static_cast<char16_t>(b));
    }
    return text;
}

std::string ToCodePage(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // A character beyond the BMP is one character in two halves.
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        }
        bytes += ByteOf(c.unicode());
    }
    return bytes;
}
