// The run as "Ustawienia.ini" shapes it: an unchanged entry linked to its newest archive, only
// the newest archives kept, whole trees or one level, the check after writing switched. Earlier
// runs are played by moving a run's dated folder back in time (renaming it), as a clock that
// moved on would have named it.

#include "RunFakes.h"
#include "archive/sevenzip/StreamWriter.h"
#include "core/Settings.h"
#include "platform/FileSystem.h"

#include <QDateTime>
#include <QFile>

#include <functional>

#include <sys/stat.h>

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new CoreApplicationEnvironment);

class SettingsRun : public RunFixture {
protected:
    void SetUp() override
    {
        RunFixture::SetUp();
        docel = MakeFolder(QStringLiteral("kopie"));
        photos = MakeFolder(QStringLiteral("Zdjęcia"));
        MakeFile(QStringLiteral("Zdjęcia/lato.jpg"), QByteArray("lato ").repeated(4000));
        MakeFile(QStringLiteral("Zdjęcia/zima.jpg"), QByteArray("zima ").repeated(3000));
        AddListEntry(QStringLiteral("Folder"), QStringLiteral("Zdjęcia"), photos, docel);
    }

    void Use(const Settings& settings) { ASSERT_EQ(SaveSettings(settings), NoError); }

    // A run whose dated folder then takes the given earlier name.
    void RunEarlier(const QString& folderName)
    {
        ArchiveAll();
        ASSERT_TRUE(QDir(docel).rename(FolderName(), folderName)) << folderName.toStdString();
    }

    // The log's lines after its header.
    QStringList LogEntryLines() const
    {
        QStringList lines = QString::fromUtf8(LogBytes()).split(QStringLiteral("\r\n")).mid(2);
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    static uint64_t InodeOf(const QString& path)
    {
        FileSystem::FileInfo info;
        return FileSystem::LookupEntry(path, info, false) == NoError ? info.Inode : 0;
    }
    QString Archive(const QString& folderName, const QString& nazwa = QStringLiteral("Zdjęcia")) const
    {
        return docel + QLatin1Char('/') + folderName + QLatin1Char('/') + nazwa + QStringLiteral(".7z");
    }

    QString docel, photos;
};

TEST_F(SettingsRun, AnUnchangedEntryBecomesALinkToItsNewestArchive)
{
    startLater = true;
    ASSERT_NO_FATAL_FAILURE(RunEarlier(QStringLiteral("Arch_20260101_1200")));
    // Changed after the first run: the second packs anew, and it is the newest to link to.
    MakeFile(QStringLiteral("Zdjęcia/wiosna.jpg"), "wiosna");
    ASSERT_NO_FATAL_FAILURE(RunEarlier(QStringLiteral("Arch_20260301_1200")));
    ArchiveAll();

    EXPECT_EQ(LogEntryLines(), QStringList{QStringLiteral("Zarchiwizowano Zdjęcia (bez zmian)")});
    EXPECT_FALSE(result.ErrorsOccurred());
    const QString now = ArchiveOf(docel, QStringLiteral("Zdjęcia"));
    EXPECT_EQ(InodeOf(now), InodeOf(Archive(QStringLiteral("Arch_20260301_1200"))));
    EXPECT_NE(InodeOf(now), InodeOf(Archive(QStringLiteral("Arch_20260101_1200"))));
    EXPECT_TRUE(SevenZipTestPasses(now));
}

TEST_F(SettingsRun, AChangeThatTheHeadersShowIsPacked)
{
    const QString lato = photos + QStringLiteral("/lato.jpg");
    const struct {
        const char* name;
        std::function<void()> change;
    } cases[] = {
        {"new content and time", [&] { MakeFile(QStringLiteral("Zdjęcia/lato.jpg"), QByteArray("wiosna ").repeated(4000)); }},
        {"other size, time kept back",
         [&] {
             const QDateTime kept = QFileInfo(lato).lastModified();
             MakeFile(QStringLiteral("Zdjęcia/lato.jpg"), QByteArray("lato ").repeated(4001));
             QFile f(lato);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             ASSERT_TRUE(f.setFileTime(kept, QFileDevice::FileModificationTime));
         }},
        {"a file added", [&] { MakeFile(QStringLiteral("Zdjęcia/jesień.jpg"), "j"); }},
        {"a file removed", [&] { ASSERT_TRUE(QFile::remove(photos + QStringLiteral("/zima.jpg"))); }},
        {"permissions changed", [&] { ASSERT_EQ(::chmod(QFile::encodeName(lato).constData(), 0600), 0); }},
    };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Each round's two runs a month apart, later than the round before.
        ++round;
        const QString earlier = QStringLiteral("Arch_2026%1").arg(2 * round - 1, 2, 10, QLatin1Char('0')) + QStringLiteral("01_1200");
        ASSERT_NO_FATAL_FAILURE(RunEarlier(earlier));
        c.change();
        ArchiveAll();
        EXPECT_EQ(LogEntryLines(), QStringList{QStringLiteral("Zarchiwizowano Zdjęcia")});
        EXPECT_NE(InodeOf(ArchiveOf(docel, QStringLiteral("Zdjęcia"))), InodeOf(Archive(earlier)));
        EXPECT_TRUE(SevenZipTestPasses(ArchiveOf(docel, QStringLiteral("Zdjęcia"))));
        // The next round starts from this run's archive as the newest.
        ASSERT_TRUE(QDir(docel).rename(FolderName(), QStringLiteral("Arch_2026%1").arg(2 * round, 2, 10, QLatin1Char('0')) + QStringLiteral("01_1200")));
    }
}

TEST_F(SettingsRun, WithoutLinksAnUnchangedEntryIsPackedAgain)
{
    Settings settings;
    settings.Dowiazania = false;
    ASSERT_NO_FATAL_FAILURE(Use(settings));
    ASSERT_NO_FATAL_FAILURE(RunEarlier(QStringLiteral("Arch_20260101_1200")));
    ArchiveAll();
    EXPECT_EQ(LogEntryLines(), QStringList{QStringLiteral("Zarchiwizowano Zdjęcia")});
    EXPECT_NE(InodeOf(ArchiveOf(docel, QStringLiteral("Zdjęcia"))), InodeOf(Archive(QStringLiteral("Arch_20260101_1200"))));
}

TEST_F(SettingsRun, OnlyTheNewestArchivesOfTheEntryStayAndNothingElseIsTouched)
{
    const QString other = MakeFile(QStringLiteral("notatki.txt"), "notatki");
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("Notatki"), other, docel);
    ASSERT_NO_FATAL_FAILURE(RunEarlier(QStringLiteral("Arch_20260101_1200")));
    ASSERT_NO_FATAL_FAILURE(RunEarlier(QStringLiteral("Arch_20260201_1200")));
    ASSERT_NO_FATAL_FAILURE(RunEarlier(QStringLiteral("Arch_20260301_1200")));
    // The user's own file in a dated folder, and a folder that only looks like one.
    MakeFile(QStringLiteral("kopie/Arch_20260101_1200/moje.txt"), "moje");
    MakeFile(QStringLiteral("kopie/Arch_2026_stare/Zdjęcia.7z"), "nie ruszać");
    // Earlier runs kept everything; this one keeps two of each entry it archives.
    Settings settings;
    settings.Zachowaj = 2;
    settings.Dowiazania = false;
    ASSERT_NO_FATAL_FAILURE(Use(settings));
    // From here on only the first entry runs: the other's archives are not its to remove.
    list.SetSelected(1, false);
    ArchiveSelected();

    EXPECT_EQ(LogEntryLines(), (QStringList{QStringLiteral("Zarchiwizowano Zdjęcia"),
                                            QStringLiteral("Usunięto stare archiwum ") + Archive(QStringLiteral("Arch_20260101_1200")),
                                            QStringLiteral("Usunięto stare archiwum ") + Archive(QStringLiteral("Arch_20260201_1200"))}));
    EXPECT_TRUE(QFileInfo::exists(ArchiveOf(docel, QStringLiteral("Zdjęcia"))));
    EXPECT_TRUE(QFileInfo::exists(Archive(QStringLiteral("Arch_20260301_1200"))));
    EXPECT_FALSE(QFileInfo::exists(Archive(QStringLiteral("Arch_20260101_1200"))));
    EXPECT_FALSE(QFileInfo::exists(Archive(QStringLiteral("Arch_20260201_1200"))));
    for (const char* folder : {"Arch_20260101_1200", "Arch_20260201_1200", "Arch_20260301_1200"})
        EXPECT_TRUE(QFileInfo::exists(Archive(QString::fromLatin1(folder), QStringLiteral("Notatki")))) << folder;
    EXPECT_TRUE(QFileInfo::exists(docel + QStringLiteral("/Arch_20260101_1200/moje.txt")));
    EXPECT_TRUE(QFileInfo::exists(docel + QStringLiteral("/Arch_2026_stare/Zdjęcia.7z")));
}

TEST_F(SettingsRun, EmptiedDatedFoldersGoAndAFailedEntryKeepsAllItsArchives)
{
    ASSERT_NO_FATAL_FAILURE(RunEarlier(QStringLiteral("Arch_20260101_1200")));
    ASSERT_NO_FATAL_FAILURE(RunEarlier(QStringLiteral("Arch_20260201_1200")));
    Settings settings;
    settings.Zachowaj = 1;
    ASSERT_NO_FATAL_FAILURE(Use(settings));

    // The source gone: the entry fails and nothing of it is removed.
    ASSERT_TRUE(QDir(photos).removeRecursively());
    ArchiveAll();
    EXPECT_TRUE(result.ErrorsOccurred());
    EXPECT_TRUE(QFileInfo::exists(Archive(QStringLiteral("Arch_20260101_1200"))));
    EXPECT_TRUE(QFileInfo::exists(Archive(QStringLiteral("Arch_20260201_1200"))));

    // Back again: one archive stays, and the folders it emptied go with the older ones.
    photos = MakeFolder(QStringLiteral("Zdjęcia"));
    MakeFile(QStringLiteral("Zdjęcia/nowe.jpg"), "nowe");
    ArchiveAll();
    EXPECT_FALSE(result.ErrorsOccurred());
    EXPECT_TRUE(QFileInfo::exists(ArchiveOf(docel, QStringLiteral("Zdjęcia"))));
    EXPECT_FALSE(QFileInfo::exists(docel + QStringLiteral("/Arch_20260101_1200")));
    EXPECT_FALSE(QFileInfo::exists(docel + QStringLiteral("/Arch_20260201_1200")));
}

TEST_F(SettingsRun, SubfoldersAreTakenWhenAskedAndSaidToBeLeftOutOtherwise)
{
    MakeFile(QStringLiteral("Zdjęcia/2025/morze.jpg"), "morze");
    MakeFile(QStringLiteral("Zdjęcia/2024/góry.jpg"), "góry");
    MakeFolder(QStringLiteral("Zdjęcia/puste"));

    ArchiveAll();
    EXPECT_EQ(LogEntryLines(), (QStringList{QStringLiteral("Zarchiwizowano Zdjęcia"), QStringLiteral("\tpominięto zawartość podfolderów: 2")}));
    EXPECT_FALSE(SevenZipPaths(ArchiveOf(docel, QStringLiteral("Zdjęcia"))).contains(QStringLiteral("Zdjęcia/2025/morze.jpg")));

    ASSERT_TRUE(QDir(docel).rename(FolderName(), QStringLiteral("Arch_20260101_1200")));
    Settings settings;
    settings.Podfoldery = true;
    ASSERT_NO_FATAL_FAILURE(Use(settings));
    ArchiveAll();
    EXPECT_EQ(LogEntryLines(), QStringList{QStringLiteral("Zarchiwizowano Zdjęcia")});
    const QStringList paths = SevenZipPaths(ArchiveOf(docel, QStringLiteral("Zdjęcia")));
    EXPECT_TRUE(paths.contains(QStringLiteral("Zdjęcia/2025/morze.jpg")));
    EXPECT_TRUE(paths.contains(QStringLiteral("Zdjęcia/2024/góry.jpg")));
    EXPECT_TRUE(paths.contains(QStringLiteral("Zdjęcia/puste")));
}

TEST_F(SettingsRun, TheCheckAfterWritingFollowsTheSettingsFileAndItsDefault)
{
    const struct {
        const char* name;
        QByteArray file;  // empty: no file at all
        bool checked;
    } cases[] = {
        {"no file", {}, true},
        {"switched off", "[Archiwizacja]\nWeryfikacja=false\n", false},
        {"switched on", "[Archiwizacja]\nWeryfikacja=true\n", true},
        {"a bad value", "[Archiwizacja]\nWeryfikacja=może\n", true},
        {"a damaged file", QByteArray("\x00\xff[[[=\n\x01", 8), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(SettingsFilePath());
        if (!c.file.isEmpty())
            MakeFile(QStringLiteral("program/Ustawienia.ini"), c.file);
        ASSERT_TRUE(QDir(docel).removeRecursively());
        MakeFolder(QStringLiteral("kopie"));
        packer->SpoilWrittenByte = 0;
        ArchiveAll();
        QStringList lines = LogEntryLines();
        // A value that was not used is said first.
        if (QByteArray(c.name) == "a bad value") {
            ASSERT_FALSE(lines.isEmpty());
            EXPECT_EQ(lines.takeFirst(),
                      QStringLiteral("\tUstawienia.ini: Weryfikacja=może nie jest wartością true ani false; przyjęto true"));
        }
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.first(), c.checked ? QStringLiteral("Sprawdzenie archiwum Zdjęcia nie powiodło się")
                                           : QStringLiteral("Zarchiwizowano Zdjęcia"));
        EXPECT_EQ(result.ErrorsOccurred(), c.checked);
    }
}

}  // namespace
