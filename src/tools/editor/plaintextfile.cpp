// Reading and writing the tools editor's plain text files.
#include "tools/editor/plaintextfile.h"

#include "files/atomicsave.h"

#include <QFile>
#include <QStringDecoder>

namespace PlainTextFile {

namespace {

QString LineEndOf(const QByteArray& bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n')
            return QStringLiteral("\n");
        if (bytes[i] != '\r')
            continue;
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            return QStringLiteral("\r\n");
        return QStringLiteral("\r");
    }
    return QStringLiteral("\r\n");
}

bool FitsOneByte(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return true;
}

} // namespace

Content Decode(const QByteArray& bytes) {
    Content content;
    content.Form.LineEnd = LineEndOf(bytes);
    // A byte order mark is kept as a character so that saving writes it back.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    content.Form.Utf8 = !utf8.hasError();
    if (!content.Form.Utf8)
        text = QString::fromLatin1(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    content.Text = text;
    return content;
}

QByteArray Encode(const QString& text, const Layout& form) {
    QString stored = text;
    if (form.LineEnd != QLatin1String("\n"))
        stored.replace(QLatin1Char('\n'), form.LineEnd);
    if (form.Utf8 || !FitsOneByte(stored))
        return stored.toUtf8();
    return stored.toLatin1();
}

std::optional<Content> Read(const QString& fileName, qint64 maxBytes) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (file.size() > maxBytes)
        return std::nullopt;
    // Reading one byte more than allowed catches devices and files that grow while read.
    const QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > maxBytes)
        return std::nullopt;
    return Decode(bytes);
}

bool Write(const QString& fileName, const QString& text, const Layout& form, QString& error) {
    const SaveResult saved = SaveAtomically(fileName, Encode(text, form));
    error = saved.Error;
    return saved.Ok;
}

} // namespace PlainTextFile
