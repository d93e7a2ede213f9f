// Keeping only the newest archives of an entry: exactly the newest N stay (the one just written
// among them), emptied dated folders go, and nothing else in the destination is ever touched.

#include "archive/run/Retention.h"

#include "RunTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QString Nazwa = QStringLiteral("Dokumenty");

// Everything below the root (links not followed), sorted, relative.
QStringList Everything(const QString& root)
{
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(root).relativeFilePath(it.next());
    found.sort();
    return found;
}

class Retention : public ::testing::Test {
protected:
    QString Docel() const { return tree.Path(QStringLiteral("cel")); }
    QString Archive(const QString& folder, const QString& nazwa = Nazwa) const
    {
        return tree.MakeFile(QStringLiteral("cel/") + folder + QLatin1Char('/') + nazwa + QStringLiteral(".7z"), "7z");
    }
    QString PathIn(const QString& relative) const { return Docel() + QLatin1Char('/') + relative; }

    TempTree tree;
};

struct KeepCase {
    int keep;
    int expectedLeft;
};

class KeepsTheNewest : public Retention, public ::testing::WithParamInterface<KeepCase> {};

TEST_P(KeepsTheNewest, ExactlyNOfThemWithTheOneJustWritten)
{
    const QStringList folders{QStringLiteral("Arch_20240101_0800"), QStringLiteral("Arch_20240102_0800"),
                              QStringLiteral("Arch_20240102_0900"), QStringLiteral("Arch_20240201_0000"),
                              QStringLiteral("Arch_20250101_0000")};
    for (const QString& f : folders)
        Archive(f);
    const QString current = folders.last();

    const RetentionResult result = RemoveOldArchives(Docel(), Nazwa, GetParam().keep, current);
    const int left = std::max(GetParam().expectedLeft, 1);
    QStringList expected;
    for (qsizetype i = folders.size() - left; i < folders.size(); ++i)
        expected << folders[i] << folders[i] + QStringLiteral("/Dokumenty.7z");
    expected.sort();
    EXPECT_EQ(Everything(Docel()), expected) << "keep " << GetParam().keep;

    QStringList removed;
    for (qsizetype i = 0; i < folders.size() - left; ++i)
        removed << PathIn(folders[i] + QStringLiteral("/Dokumenty.7z"));
    EXPECT_EQ(result.RemovedArchives, removed) << "oldest first";
    EXPECT_EQ(result.RemovedFolders.size(), removed.size());
    EXPECT_TRUE(result.Failures.empty());
}

INSTANTIATE_TEST_SUITE_P(Table, KeepsTheNewest,
                         ::testing::Values(KeepCase{1, 1}, KeepCase{2, 2}, KeepCase{4, 4}, KeepCase{5, 5},
                                           KeepCase{6, 5}, KeepCase{100000, 5}));

TEST_F(Retention, NoneIsRemovedWhenAllAreKept)
{
    Archive(QStringLiteral("Arch_20240101_0800"));
    Archive(QStringLiteral("Arch_20240102_0800"));
    const QStringList before = Everything(Docel());
    for (const int keep : {0, -1}) {
        const RetentionResult result = RemoveOldArchives(Docel(), Nazwa, keep, QStringLiteral("Arch_20240102_0800"));
        EXPECT_TRUE(result.RemovedArchives.isEmpty());
        EXPECT_EQ(Everything(Docel()), before);
    }
}

TEST_F(Retention, TheUsersFilesAndOtherEntriesArchivesStay)
{
    Archive(QStringLiteral("Arch_20240101_0800"));
    Archive(QStringLiteral("Arch_20240101_0800"), QStringLiteral("Zdjęcia"));  // another entry's
    Archive(QStringLiteral("Arch_20240102_0800"));
    tree.MakeFile(QStringLiteral("cel/Arch_20240102_0800/notatki.txt"), "moje");   // the user's own
    Archive(QStringLiteral("Arch_20240103_0800"));
    tree.MakeFolder(QStringLiteral("cel/Arch_20240103_0800/moje"));                // an empty folder of the user's
    Archive(QStringLiteral("Arch_20240104_0800"), QStringLiteral("Dokumenty.7z"));  // "Dokumenty.7z.7z"
    tree.MakeFile(QStringLiteral("cel/Arch_20240104_0800/dokumenty.7z"), "inna wielkość liter");
    Archive(QStringLiteral("Kopia_20240101_0800"));                                // not a dated folder
    Archive(QStringLiteral("Arch_20240101_0800_stare"));
    Archive(QStringLiteral("Arch_20240230_0800"));                                 // no such day
    tree.MakeFile(QStringLiteral("cel/Dokumenty.7z"), "beside");
    Archive(QStringLiteral("Arch_20240105_0800"));
    Archive(QStringLiteral("Arch_20240106_0800"));

    const RetentionResult result = RemoveOldArchives(Docel(), Nazwa, 2, QStringLiteral("Arch_20240106_0800"));
    EXPECT_EQ(result.RemovedArchives, (QStringList{PathIn(QStringLiteral("Arch_20240101_0800/Dokumenty.7z")),
                                                   PathIn(QStringLiteral("Arch_20240102_0800/Dokumenty.7z")),
                                                   PathIn(QStringLiteral("Arch_20240103_0800/Dokumenty.7z"))}));
    EXPECT_TRUE(result.RemovedFolders.isEmpty()) << "each of them holds something else";
    EXPECT_EQ(Everything(Docel()),
              (QStringList{QStringLiteral("Arch_20240101_0800"), QStringLiteral("Arch_20240101_0800/Zdjęcia.7z"),
                           QStringLiteral("Arch_20240101_0800_stare"), QStringLiteral("Arch_20240101_0800_stare/Dokumenty.7z"),
                           QStringLiteral("Arch_20240102_0800"), QStringLiteral("Arch_20240102_0800/notatki.txt"),
                           QStringLiteral("Arch_20240103_0800"), QStringLiteral("Arch_20240103_0800/moje"),
                           QStringLiteral("Arch_20240104_0800"), QStringLiteral("Arch_20240104_0800/Dokumenty.7z.7z"),
                           QStringLiteral("Arch_20240104_0800/dokumenty.7z"), QStringLiteral("Arch_20240105_0800"),
                           QStringLiteral("Arch_20240105_0800/Dokumenty.7z"), QStringLiteral("Arch_20240106_0800"),
                           QStringLiteral("Arch_20240106_0800/Dokumenty.7z"), QStringLiteral("Arch_20240230_0800"),
                           QStringLiteral("Arch_20240230_0800/Dokumenty.7z"), QStringLiteral("Dokumenty.7z"),
                           QStringLiteral("Kopia_20240101_0800"), QStringLiteral("Kopia_20240101_0800/Dokumenty.7z")}));
}

TEST_F(Retention, NothingIsReachedThroughALink)
{
    // Outside the destination: a folder that a link dressed as a dated folder points at.
    tree.MakeFolder(QStringLiteral("cel"));
    const QString outside = tree.MakeFile(QStringLiteral("gdzie indziej/Dokumenty.7z"), "cudze");
    ASSERT_TRUE(QFile::link(tree.Path(QStringLiteral("gdzie indziej")), PathIn(QStringLiteral("Arch_20200101_0000"))));
    // An archive name that is a link to a file outside.
    const QString outsideFile = tree.MakeFile(QStringLiteral("plik.7z"), "cudzy");
    tree.MakeFolder(QStringLiteral("cel/Arch_20200102_0000"));
    ASSERT_TRUE(QFile::link(outsideFile, PathIn(QStringLiteral("Arch_20200102_0000/Dokumenty.7z"))));
    Archive(QStringLiteral("Arch_20240101_0800"));
    Archive(QStringLiteral("Arch_20240102_0800"));

    const RetentionResult result = RemoveOldArchives(Docel(), Nazwa, 1, QStringLiteral("Arch_20240102_0800"));
    EXPECT_EQ(result.RemovedArchives, QStringList{PathIn(QStringLiteral("Arch_20240101_0800/Dokumenty.7z"))});
    EXPECT_TRUE(QFileInfo(outside).isFile());
    EXPECT_TRUE(QFileInfo(outsideFile).isFile());
    EXPECT_TRUE(QFileInfo(PathIn(QStringLiteral("Arch_20200101_0000"))).isSymLink());
    EXPECT_TRUE(QFileInfo(PathIn(QStringLiteral("Arch_20200102_0000/Dokumenty.7z"))).isSymLink());
}

TEST_F(Retention, TheArchiveJustWrittenStaysWhenTheClockWasSetBack)
{
    Archive(QStringLiteral("Arch_20240101_0800"));
    Archive(QStringLiteral("Arch_20240102_0800"));
    Archive(QStringLiteral("Arch_20300101_0000"));  // written while the clock ran ahead
    Archive(QStringLiteral("Arch_20230101_0000"));  // this run's

    const RetentionResult result = RemoveOldArchives(Docel(), Nazwa, 2, QStringLiteral("Arch_20230101_0000"));
    EXPECT_TRUE(QFileInfo::exists(PathIn(QStringLiteral("Arch_20230101_0000/Dokumenty.7z"))));
    EXPECT_TRUE(QFileInfo::exists(PathIn(QStringLiteral("Arch_20300101_0000/Dokumenty.7z"))));
    EXPECT_EQ(result.RemovedArchives.size(), 2);
    EXPECT_FALSE(QFileInfo::exists(PathIn(QStringLiteral("Arch_20240102_0800"))));
}

TEST_F(Retention, ANameThatReachesIntoAnotherFolderRemovesNothing)
{
    Archive(QStringLiteral("Arch_20240101_0800/x"), QStringLiteral("y"));
    Archive(QStringLiteral("Arch_20240102_0800/x"), QStringLiteral("y"));
    const QStringList before = Everything(Docel());
    for (const QString& nazwa : {QStringLiteral("x/y"), QStringLiteral(".."), QString()})
        EXPECT_TRUE(RemoveOldArchives(Docel(), nazwa, 1, QStringLiteral("Arch_20240102_0800")).RemovedArchives.isEmpty());
    EXPECT_EQ(Everything(Docel()), before);
}

TEST(RetentionLog, OneLinePerArchive)
{
    RetentionResult result;
    result.RemovedArchives = {QStringLiteral("/kopie/Arch_20240101_0800/Dokumenty.7z")};
    result.Failures = {{QStringLiteral("/kopie/Arch_20240102_0800/Dokumenty.7z"), EACCES}};
    const QStringList lines = RetentionLogLines(result);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Usunięto stare archiwum /kopie/Arch_20240101_0800/Dokumenty.7z"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Nie można usunąć starego archiwum /kopie/Arch_20240102_0800/Dokumenty.7z: ")));
}

}  // namespace
