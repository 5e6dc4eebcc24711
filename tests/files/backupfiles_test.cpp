// Backups on disk: saved under a name of their own, never replacing another, listed newest first.
#include "files/backupfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class BackupFilesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp_.isValid()); }
    QString Folder() const { return temp_.filePath(QStringLiteral("data/Qelvar/RIVAN/backups")); }

    BackupSaveResult Save(const LocalDateTime& time, std::uint32_t frequencyKHz) {
        ScriptLineList lines;
        EquipmentProfile unit(lines);
        unit.SetDefaults();
        unit.SetFrequencyKHz(0, frequencyKHz);
        return SaveBackup(Folder(), unit, lines, "RIVAN", "COM3", time, "14.03.2026 09:15:02");
    }

    QTemporaryDir temp_;
};

TEST_F(BackupFilesTest, MakesTheFolderAndWritesTheUnitsSettings) {
    const BackupSaveResult saved = Save({2026, 3, 14, 9, 15, 2}, 474000);
    ASSERT_TRUE(saved.Ok) << saved.Error.toStdString();
    EXPECT_EQ(saved.Path, Folder() + QStringLiteral("/RIVAN-COM3-20260314-091502.PRO"));
    const QByteArray text = ReadBytes(saved.Path);
    // Point 1 at 474 MHz: 474000000 Hz is 0x1C40AA80, low byte first.
    EXPECT_TRUE(text.contains("send *I22A00400000080AA401C")) << text.toStdString();
    EXPECT_TRUE(text.contains(("# End of file " + saved.Path).toUtf8())) << text.toStdString();
    EXPECT_TRUE(text.endsWith("\r\n"));
}

TEST_F(BackupFilesTest, ASecondBackupOfTheSameSecondGetsANameOfItsOwn) {
    const BackupSaveResult first = Save({2026, 3, 14, 9, 15, 2}, 474000);
    const BackupSaveResult second = Save({2026, 3, 14, 9, 15, 2}, 650000);
    ASSERT_TRUE(first.Ok && second.Ok);
    EXPECT_EQ(QFileInfo(second.Path).fileName(),
              QStringLiteral("RIVAN-COM3-20260314-091502-2.PRO"));
    EXPECT_TRUE(ReadBytes(first.Path).contains("80AA401C"));
}

TEST_F(BackupFilesTest, AFolderThatCannotBeMadeSavesNothing) {
    // A plain file stands where the folder should be.
    ASSERT_TRUE(QDir().mkpath(temp_.filePath(QStringLiteral("data/Qelvar/RIVAN"))));
    QFile blocker(Folder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const BackupSaveResult saved = Save({2026, 3, 14, 9, 15, 2}, 650000);
    EXPECT_FALSE(saved.Ok);
    EXPECT_FALSE(saved.Error.isEmpty());
}

TEST_F(BackupFilesTest, ListsBackupsNewestFirstAndLeavesOtherFilesOut) {
    ASSERT_TRUE(Save({2026, 3, 14, 9, 15, 2}, 650000).Ok);
    ASSERT_TRUE(Save({2026, 5, 1, 8, 0, 0}, 650000).Ok);
    ASSERT_TRUE(Save({2025, 12, 31, 23, 59, 59}, 650000).Ok);
    ASSERT_TRUE(Save({2026, 3, 14, 9, 15, 2}, 650000).Ok);
    QFile other(Folder() + QStringLiteral("/notes.PRO"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();

    QStringList names;
    for (const BackupEntry& entry : ListBackups(Folder()))
        names << QFileInfo(entry.Path).fileName();
    EXPECT_EQ(names,
              QStringList({"RIVAN-COM3-20260501-080000.PRO", "RIVAN-COM3-20260314-091502-2.PRO",
                           "RIVAN-COM3-20260314-091502.PRO", "RIVAN-COM3-20251231-235959.PRO"}));
    const BackupEntry newest = ListBackups(Folder()).front();
    EXPECT_EQ(newest.Model, QStringLiteral("RIVAN"));
    EXPECT_EQ(newest.PortName, QStringLiteral("COM3"));
    EXPECT_EQ(newest.Taken, QDateTime(QDate(2026, 5, 1), QTime(8, 0, 0)));
}

TEST_F(BackupFilesTest, AFolderNotYetMadeListsNothing) {
    EXPECT_TRUE(ListBackups(Folder()).isEmpty());
}

} // namespace
