// The one way files are saved: whole or not at all where the folder allows, in place where it
// does not.
#include "files/atomicsave.h"

#include "support/filesizelimit.h"
#include "support/unprivileged.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class AtomicSaveTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    QString Path(const QString& name) const { return folder.filePath(name); }
    static QByteArray ReadBytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
    static void WriteBytes(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    QStringList Entries(const QString& path) const {
        return QDir(path).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    }

    QTemporaryDir folder;
};

TEST_F(AtomicSaveTest, WritesANewFileAndReplacesAnOldOne) {
    const QString path = Path(QStringLiteral("profile.pro"));
    SaveResult result = SaveAtomically(path, "first\r\n");
    EXPECT_TRUE(result.Ok);
    EXPECT_TRUE(result.Error.isEmpty());
    EXPECT_EQ(ReadBytes(path), QByteArray("first\r\n"));

    result = SaveAtomically(path, QByteArray("caf\xE9\r\n\x80\r\n"));
    EXPECT_TRUE(result.Ok) << result.Error.toStdString();
    EXPECT_EQ(ReadBytes(path), QByteArray("caf\xE9\r\n\x80\r\n"));
    EXPECT_EQ(Entries(folder.path()), QStringList{QStringLiteral("profile.pro")});
}

TEST_F(AtomicSaveTest, AFullDiskLeavesTheOldFileByteForByteAndGivesTheSystemsReason) {
    const QString path = Path(QStringLiteral("old.log"));
    WriteBytes(path, "the old text\r\n");
    SaveResult result;
    {
        FileSizeLimit limit(100);
        ASSERT_TRUE(limit.Active());
        result = SaveAtomically(path, QByteArray(5000, 'x'));
    }
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Error, QStringLiteral("File too large"));
    EXPECT_EQ(ReadBytes(path), QByteArray("the old text\r\n"));
    EXPECT_EQ(Entries(folder.path()), QStringList{QStringLiteral("old.log")});
}

TEST_F(AtomicSaveTest, ANameThatIsAFolderIsRefused) {
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("taken")));
    const SaveResult result = SaveAtomically(Path(QStringLiteral("taken")), "text");
    EXPECT_FALSE(result.Ok);
    EXPECT_FALSE(result.Error.isEmpty());
    EXPECT_TRUE(Entries(Path(QStringLiteral("taken"))).isEmpty());
}

// The folder may not be written; `fileWritable` decides whether the file itself may be.
struct LockedFolderCase {
    const char* Name;
    bool FileWritable;
    bool Saved;
    QByteArray Afterwards;
};

class LockedFolderTest : public AtomicSaveTest,
                         public ::testing::WithParamInterface<LockedFolderCase> {};

TEST_P(LockedFolderTest, WritesInPlaceWhatTheUserMayWrite) {
    const LockedFolderCase& c = GetParam();
    const QString locked = Path(QStringLiteral("locked"));
    const QString path = locked + QStringLiteral("/RIVAN.LOG");
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("locked")));
    WriteBytes(path, "a longer log of an earlier run\r\n");
    for (const QString& name : {folder.path(), locked, path})
        ASSERT_TRUE(Unprivileged::HandOver(name));
    if (!c.FileWritable) {
        ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner));
    }
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));

    SaveResult result;
    RunUnprivileged([&] {
        ASSERT_TRUE(Unprivileged::RefusesNewFiles(locked));
        result = SaveAtomically(path, "new log\r\n");
    });
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (IsSkipped())
        return;

    EXPECT_EQ(result.Ok, c.Saved) << result.Error.toStdString();
    EXPECT_EQ(result.Error.isEmpty(), c.Saved);
    EXPECT_EQ(ReadBytes(path), c.Afterwards);
    EXPECT_EQ(Entries(locked), QStringList{QStringLiteral("RIVAN.LOG")});
}

INSTANTIATE_TEST_SUITE_P(AtomicSave, LockedFolderTest,
                         ::testing::Values(LockedFolderCase{"WritableFile", true, true,
                                                            "new log\r\n"},
                                           LockedFolderCase{"ReadOnlyFile", false, false,
                                                            "a longer log of an earlier run\r\n"}),
                         [](const ::testing::TestParamInfo<LockedFolderCase>& info) {
                             return std::string(info.param.Name);
                         });

} // namespace
