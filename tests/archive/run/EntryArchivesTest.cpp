// The archives of an entry are found by the dated folders' exact names, newest first, and
// nothing is reached through a link.

#include "archive/run/EntryArchives.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

struct NameCase {
    const char* name;
    bool dated;
};

class DatedFolderNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(DatedFolderNames, OnlyTheWholePatternWithARealDateCounts)
{
    EXPECT_EQ(IsDatedFolderName(QString::fromUtf8(GetParam().name)), GetParam().dated) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Table, DatedFolderNames,
                         ::testing::Values(NameCase{"Arch_20240305_0907", true}, NameCase{"Arch_20241231_2359", true},
                                           NameCase{"Arch_20240229_0000", true},   // a leap day
                                           NameCase{"Arch_20230229_0000", false},  // no such day
                                           NameCase{"Arch_20240305_2460", false},  // no such minute
                                           NameCase{"Arch_2024035_0907", false}, NameCase{"Arch_20240305_09070", false},
                                           NameCase{"Arch_20240305-0907", false}, NameCase{"arch_20240305_0907", false},
                                           NameCase{"Arch_2024o305_0907", false}, NameCase{"Arch_20240305_0907 ", false},
                                           NameCase{"Arch_20240305_0907.bak", false}, NameCase{"", false}));

TEST(DatedFolderTime, IsTheRunsStart)
{
    EXPECT_EQ(DatedFolderTime(QStringLiteral("Arch_20240305_0907")), QDateTime(QDate(2024, 3, 5), QTime(9, 7)));
    EXPECT_FALSE(DatedFolderTime(QStringLiteral("Kopie")).isValid());
}

class ArchivesInFolder : public ::testing::Test {
protected:
    QString Make(const QString& relative, bool folder = false)
    {
        const QString path = dir.filePath(relative);
        QDir().mkpath(folder ? path : QFileInfo(path).path());
        if (!folder) {
            QFile f(path);
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("7z");
        }
        return path;
    }

    QTemporaryDir dir;
};

TEST_F(ArchivesInFolder, NewestFirstAndOnlyTheEntrysOwnName)
{
    Make(QStringLiteral("Arch_20240305_0907/Dokumenty.7z"));
    Make(QStringLiteral("Arch_20250101_0000/Dokumenty.7z"));
    Make(QStringLiteral("Arch_20241231_2359/Dokumenty.7z"));
    Make(QStringLiteral("Arch_20241231_2359/Zdjecia.7z"));    // another entry's
    Make(QStringLiteral("Arch_20240601_1200/Zdjecia.7z"));    // no archive of this entry here
    Make(QStringLiteral("Arch_20240601_1300"), true);          // an empty dated folder
    Make(QStringLiteral("Kopia_20240101_0000/Dokumenty.7z"));  // not a dated folder
    Make(QStringLiteral("Arch_20240230_1200/Dokumenty.7z"));   // no such day
    Make(QStringLiteral("Dokumenty.7z"));                      // beside, not in a dated folder

    const std::vector<EntryArchive> found = ArchivesIn(dir.path(), QStringLiteral("Dokumenty"));
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].FolderName, QStringLiteral("Arch_20250101_0000"));
    EXPECT_EQ(found[1].FolderName, QStringLiteral("Arch_20241231_2359"));
    EXPECT_EQ(found[2].FolderName, QStringLiteral("Arch_20240305_0907"));
    EXPECT_EQ(found[0].Path, dir.path() + QStringLiteral("/Arch_20250101_0000/Dokumenty.7z"));
    EXPECT_EQ(found[2].Time, QDateTime(QDate(2024, 3, 5), QTime(9, 7)));
    // A trailing "/" on the destination changes nothing.
    EXPECT_EQ(ArchivesIn(dir.path() + QLatin1Char('/'), QStringLiteral("Dokumenty")).size(), 3u);
}

TEST_F(ArchivesInFolder, NothingIsReachedThroughALink)
{
    QTemporaryDir elsewhere;
    QDir().mkpath(elsewhere.filePath(QStringLiteral("inside")));
    QFile f(elsewhere.filePath(QStringLiteral("inside/Dokumenty.7z")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    ASSERT_EQ(::symlink(elsewhere.filePath(QStringLiteral("inside")).toUtf8().constData(),
                        dir.filePath(QStringLiteral("Arch_20240305_0907")).toUtf8().constData()), 0);
    Make(QStringLiteral("Arch_20240306_0907"), true);
    ASSERT_EQ(::symlink(elsewhere.filePath(QStringLiteral("inside/Dokumenty.7z")).toUtf8().constData(),
                        dir.filePath(QStringLiteral("Arch_20240306_0907/Dokumenty.7z")).toUtf8().constData()), 0);
    Make(QStringLiteral("Arch_20240307_0907/Dokumenty.7z"), true);  // a folder under the archive's name

    EXPECT_TRUE(ArchivesIn(dir.path(), QStringLiteral("Dokumenty")).empty());
}

TEST_F(ArchivesInFolder, MissingDestinationOrEmptyNameGivesNone)
{
    EXPECT_TRUE(ArchivesIn(dir.filePath(QStringLiteral("nie-ma")), QStringLiteral("Dokumenty")).empty());
    Make(QStringLiteral("Arch_20240305_0907/.7z"));
    EXPECT_TRUE(ArchivesIn(dir.path(), QString()).empty());
}

} // namespace
