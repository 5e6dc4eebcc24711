// Tests of the editor's text files: line ends and encodings found on reading and kept on
// writing, and the reads that fail.
#include "tools/editor/plaintextfile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct DecodeCase {
    const char* Name;
    QByteArray Bytes;
    QString Text;
    QString LineEnd;
    bool Utf8;
};

class PlainTextDecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(PlainTextDecodeTest, FindsLineEndAndEncodingAndWritesTheSameBytesBack) {
    const PlainTextFile::Content content = PlainTextFile::Decode(GetParam().Bytes);
    EXPECT_EQ(content.Text, GetParam().Text);
    EXPECT_EQ(content.Form.LineEnd, GetParam().LineEnd);
    EXPECT_EQ(content.Form.Utf8, GetParam().Utf8);
    EXPECT_EQ(PlainTextFile::Encode(content.Text, content.Form), GetParam().Bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlainTextDecodeTest,
    ::testing::Values(DecodeCase{"CrLf", "a\r\nb\r\n", "a\nb\n", "\r\n", true},
                      DecodeCase{"LineFeed", "a\nb", "a\nb", "\n", true},
                      DecodeCase{"CarriageReturn", "a\rb\r", "a\nb\n", "\r", true},
                      DecodeCase{"NoLineEndTakesCrLf", "single", "single", "\r\n", true},
                      DecodeCase{"Utf8",
                                 "\xC2\xB0"
                                 "C\r\n",
                                 QString::fromUtf8("\xC2\xB0"
                                                   "C\n"),
                                 "\r\n", true},
                      DecodeCase{"InvalidUtf8IsOneBytePerCharacter",
                                 "\xB0"
                                 "C\r\n",
                                 QString::fromLatin1("\xB0"
                                                     "C\n"),
                                 "\r\n", false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PlainTextEncodeTest, CharacterBeyondOneByteMakesTheTextUtf8) {
    const PlainTextFile::Layout oneByte{QStringLiteral("\r\n"), false};
    EXPECT_EQ(PlainTextFile::Encode(QString::fromLatin1("\xE9\n"), oneByte), "\xE9\r\n");
    EXPECT_EQ(PlainTextFile::Encode(QString::fromUtf8("\xE2\x82\xAC\n"), oneByte),
              "\xE2\x82\xAC\r\n");
}

TEST(PlainTextFileTest, ReadRefusesMissingFilesFoldersAndFilesOverTheLimit) {
    QTemporaryDir folder;
    const QString name = folder.filePath(QStringLiteral("ten.txt"));
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0123456789");
    file.close();

    EXPECT_TRUE(PlainTextFile::Read(name, 10));
    EXPECT_FALSE(PlainTextFile::Read(name, 9));
    EXPECT_FALSE(PlainTextFile::Read(folder.filePath(QStringLiteral("missing.txt"))));
    EXPECT_FALSE(PlainTextFile::Read(folder.path()));
}

TEST(PlainTextFileTest, WriteReplacesTheFileWhole) {
    QTemporaryDir folder;
    const QString name = folder.filePath(QStringLiteral("out.pro"));
    QString error;
    ASSERT_TRUE(PlainTextFile::Write(name, QStringLiteral("first\nsecond\n"), {}, error));
    ASSERT_TRUE(PlainTextFile::Write(name, QStringLiteral("x"), {}, error));
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "x");
    EXPECT_FALSE(PlainTextFile::Write(folder.filePath(QStringLiteral("no/out.pro")),
                                      QStringLiteral("x"), {}, error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
