// Whole text files as lists of lines: any line end is read, CR LF is written, and a write
// that fails leaves the previous file exactly as it was.
#include "files/textfile.h"

#include "files/atomicsave.h"

#include <QDir>
#include <QFile>

namespace {

constexpr char CR = '\r';
constexpr char LF = '\n';
constexpr std::string_view LineEnd = "\r\n";

QString Quoted(const QString& path) {
    return QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
}

} // namespace

ScriptLineList SplitLines(std::string_view text) {
    ScriptLineList lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != CR && text[i] != LF)
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == CR && i + 1 < text.size() && text[i + 1] == LF)
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

TextFileResult ReadTextLines(const QString& path, ScriptLineList& lines) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {false,
                QStringLiteral("Cannot open file %1. %2").arg(Quoted(path), file.errorString())};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {false,
                QStringLiteral("Cannot read file %1. %2").arg(Quoted(path), file.errorString())};
    lines = SplitLines(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    return {true, {}};
}

TextFileResult WriteTextLines(const QString& path, const ScriptLineList& lines) {
    QByteArray bytes;
    for (const std::string& line : lines) {
        bytes.append(line.data(), static_cast<qsizetype>(line.size()));
        bytes.append(LineEnd.data(), static_cast<qsizetype>(LineEnd.size()));
    }
    const SaveResult saved = SaveAtomically(path, bytes);
    if (!saved.Ok)
        return {false, QStringLiteral("Cannot write file %1. %2").arg(Quoted(path), saved.Error)};
    return {true, {}};
}
