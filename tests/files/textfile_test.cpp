// Text files of lines: every line end is read, CR LF is written, and failures keep old files.
#include "files/textfile.h"
#include "support/filesizelimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace {

struct SplitCase {
    const char* Name;
    std::string Text;
    ScriptLineList Lines;
};

class SplitLinesTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLinesTest, EndsLinesAtCrLfLfAndCr) {
    EXPECT_EQ(SplitLines(GetParam().Text), GetParam().Lines);
}

INSTANTIATE_TEST_SUITE_P(
    LineEnds, SplitLinesTest,
    ::testing::Values(SplitCase{"Empty", "", {}},
                      SplitCase{"OneLineWithoutEnd", "send *I22A0", {"send *I22A0"}},
                      SplitCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                      SplitCase{"LfAlone", "a\nb\n", {"a", "b"}},
                      SplitCase{"CrAlone", "a\rb\r", {"a", "b"}},
                      SplitCase{"MixedEnds", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
                      SplitCase{"LfCrIsTwoEnds", "a\n\rb", {"a", "", "b"}},
                      SplitCase{"BlankLinesKept", "a\r\n\r\n\nb", {"a", "", "", "b"}},
                      SplitCase{"OnlyAnEnd", "\r\n", {""}},
                      SplitCase{"TabsAndBytesAbove127Kept", "\tx\xE9y\r\n", {"\tx\xE9y"}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.Name); });

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

TEST(TextFile, WritesEveryLineFollowedByCrLfAndReadsItBack) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("a.pro"));
    ASSERT_TRUE(WriteTextLines(path, {"# one", "", "send *I22A0"}).Ok);
    EXPECT_EQ(ReadAll(path), QByteArray("# one\r\n\r\nsend *I22A0\r\n"));

    ScriptLineList lines;
    ASSERT_TRUE(ReadTextLines(path, lines).Ok);
    EXPECT_EQ(lines, (ScriptLineList{"# one", "", "send *I22A0"}));
}

TEST(TextFile, WritingReplacesTheWholeOldFile) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("a.pro"));
    ASSERT_TRUE(WriteAll(path, QByteArray(500, 'x')));
    ASSERT_TRUE(WriteTextLines(path, {"short"}).Ok);
    EXPECT_EQ(ReadAll(path), QByteArray("short\r\n"));
}

TEST(TextFile, ReadFailureNamesTheFileAndKeepsTheLines) {
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("folder.pro")));
    for (const QString& name : {QStringLiteral("missing.pro"), QStringLiteral("folder.pro")}) {
        SCOPED_TRACE(name.toStdString());
        ScriptLineList lines{"kept"};
        const TextFileResult result = ReadTextLines(folder.filePath(name), lines);
        EXPECT_FALSE(result.Ok);
        EXPECT_TRUE(result.Error.contains(name)) << result.Error.toStdString();
        EXPECT_EQ(lines, ScriptLineList{"kept"});
    }
}

TEST(TextFile, WriteThatCannotStartLeavesWhatIsThere) {
    QTemporaryDir folder;
    QDir dir(folder.path());
    ASSERT_TRUE(dir.mkdir(QStringLiteral("taken.pro")));
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("taken.pro/inside")), "kept"));
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("plain")), "plain"));

    // The name of a folder, and a name below a plain file.
    for (const QString& name : {QStringLiteral("taken.pro"), QStringLiteral("plain/a.pro")}) {
        SCOPED_TRACE(name.toStdString());
        const TextFileResult result = WriteTextLines(dir.filePath(name), {"line"});
        EXPECT_FALSE(result.Ok);
        EXPECT_FALSE(result.Error.isEmpty());
    }
    EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("taken.pro/inside"))), QByteArray("kept"));
    EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("plain"))), QByteArray("plain"));
    EXPECT_EQ(dir.entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 2);
}

TEST(TextFile, WriteThatFailsHalfWayLeavesTheOldFileByteForByte) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("a.pro"));
    const QByteArray old("# the old file\r\nsend *I22A01F001C001600E803000010270000\r\n");
    ASSERT_TRUE(WriteAll(path, old));
    const ScriptLineList lines(40, std::string(60, 'N'));
    TextFileResult result;
    {
        FileSizeLimit limit(100);
        ASSERT_TRUE(limit.Active());
        result = WriteTextLines(path, lines);
    }
    EXPECT_FALSE(result.Ok);
    EXPECT_FALSE(result.Error.isEmpty());
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("a.pro")});
}

} // namespace
