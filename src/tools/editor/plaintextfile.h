// Reading and writing the tools editor's plain text files so that an unchanged text is
// written back byte for byte: its line ends and its encoding are remembered.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace PlainTextFile {

// The largest file the editor loads: 32 MiB, far beyond any PRO or LOG file, small enough
// that the text area stays usable.
inline constexpr qint64 MaxBytes = 32 * 1024 * 1024;

// How a text's lines end and how its characters are stored.
struct Layout {
    QString LineEnd = QStringLiteral("\r\n");
    bool Utf8 = true; // otherwise one byte per character (Latin-1)
};

// A text with its lines ended by '\n', and the layout it was stored in.
struct Content {
    QString Text;
    Layout Form;
};

// The text of `bytes`: UTF-8 when they are valid UTF-8, otherwise one byte per character;
// the first line end found (CR LF, LF or CR) is taken for the whole file, CR LF if none.
Content Decode(const QByteArray& bytes);
// The bytes of `text` (lines ended by '\n') in `form`. A character that one byte cannot
// hold makes the whole text UTF-8.
QByteArray Encode(const QString& text, const Layout& form);

// The content of the file, or nothing when it cannot be opened, read, or is longer than
// `maxBytes`.
std::optional<Content> Read(const QString& fileName, qint64 maxBytes = MaxBytes);
// Writes `text` in `form` through the atomic save (see SaveAtomically); on failure `error`
// receives the system's reason.
bool Write(const QString& fileName, const QString& text, const Layout& form, QString& error);

} // namespace PlainTextFile
