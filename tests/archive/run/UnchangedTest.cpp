// An unchanged entry becomes a hard link to its newest earlier archive; anything changed,
// unreadable or refused means packing. Archives are made by the real packer and checked by the
// real 7z command; the packer's item list is compared with what the reader lists.

#include "archive/run/Unchanged.h"

#include "archive/run/Retention.h"

#include "core/Messages.h"
#include "RunTestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Nazwa = QStringLiteral("Dokumenty");
const QString Earlier = QStringLiteral("Arch_20240305_0907");
const QString Current = QStringLiteral("Arch_20240306_0907");

struct Identity {
    dev_t Device = 0;
    ino_t Inode = 0;
    nlink_t Links = 0;
    bool operator==(const Identity& o) const { return Device == o.Device && Inode == o.Inode; }
};

Identity IdentityOf(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {st.st_dev, st.st_ino, st.st_nlink};
}

// Sets a file's last write time to the second and nanosecond given.
void SetTime(const QString& path, time_t seconds, long nanoseconds = 0)
{
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

// Names in a folder that begin with a dot (what a link may leave behind).
QStringList HiddenNames(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
        .filter(QRegularExpression(QStringLiteral("^\\.")));
}

class UnchangedEntry : public ::testing::Test {
protected:
    static void SetUpTestSuite() { zip = new SevenZipPacker(); }
    static void TearDownTestSuite()
    {
        delete zip;
        zip = nullptr;
    }

    void SetUp() override
    {
        tree.MakeFile(QStringLiteral("zrodlo/Dokumenty/list.txt"), "Szanowni Państwo,\n");
        tree.MakeFile(QStringLiteral("zrodlo/Dokumenty/dane.bin"), QByteArray(70000, 'x'));
        tree.MakeFile(QStringLiteral("zrodlo/Dokumenty/pusty"), QByteArray());
        tree.MakeFile(QStringLiteral("zrodlo/Dokumenty/stare/2019.txt"), "rok 2019");
        SetTime(Source(QStringLiteral("list.txt")), 1700000000, 123456700);
        SetTime(Source(QStringLiteral("dane.bin")), 1700000100, 0);
        tree.MakeFolder(QStringLiteral("cel"));
    }

    QString Source(const QString& relative = QString()) const
    {
        return tree.Path(QStringLiteral("zrodlo/Dokumenty")) + (relative.isEmpty() ? QString() : QLatin1Char('/') + relative);
    }
    QString Docel() const { return tree.Path(QStringLiteral("cel")); }
    QString ArchiveIn(const QString& folderName) const { return Docel() + QLatin1Char('/') + folderName + QStringLiteral("/Dokumenty.7z"); }

    // The packer set up as the run sets it up for this folder entry.
    void Prepare(AddOpts options = AddSolid)
    {
        zip->AddOptions = options;
        zip->LZMACompressStrength = FAST;
        zip->AddRootDir = tree.Path(QStringLiteral("zrodlo/"));
        zip->Files.Clear();
        zip->Files.Add(Source() + QStringLiteral("/*.*"));
    }

    QString Pack(const QString& folderName, AddOpts options = AddSolid)
    {
        QDir().mkpath(Docel() + QLatin1Char('/') + folderName);
        Prepare(options);
        zip->SZFileName = ArchiveIn(folderName);
        EXPECT_EQ(zip->Add(), 0);
        return zip->SZFileName;
    }

    GatheredItems Gather(AddOpts options = AddSolid)
    {
        Prepare(options);
        return zip->ItemsToAdd();
    }

    UnchangedCheck Check(AddOpts options = AddSolid)
    {
        return CheckUnchanged(*zip, Gather(options), Docel(), Nazwa, Current, AfterEveryChange);
    }

    // As if the earlier archive's run began after every change the test made: only the headers
    // tell a difference. (The inode change rule has cases of its own.)
    static constexpr uint64_t AfterEveryChange = UINT64_MAX;

    static SevenZipPacker* zip;
    TempTree tree;
};

SevenZipPacker* UnchangedEntry::zip = nullptr;

// --- The packer's item list without packing --------------------------------------------------

struct GatherCase {
    const char* what;
    AddOpts options;
    bool fileEntry;
};

class ItemsToAddMatchTheArchive : public UnchangedEntry, public ::testing::WithParamInterface<GatherCase> {};

TEST_P(ItemsToAddMatchTheArchive, AsTheReaderAndThe7zCommandListThem)
{
    const GatherCase& c = GetParam();
    tree.MakeFolder(QStringLiteral("zrodlo/Dokumenty/pusty folder"));
    tree.MakeFile(QStringLiteral("zrodlo/Dokumenty/zażółć gęślą jaźń.txt"), "ą");
    tree.MakeFile(QStringLiteral("zrodlo/Dokumenty/.ukryty"), "ukryty");
    ASSERT_TRUE(QFile::link(QStringLiteral("list.txt"), Source(QStringLiteral("skrót"))));
    ASSERT_EQ(::chmod(QFile::encodeName(Source(QStringLiteral("list.txt"))).constData(), 0640), 0);
    QDir().mkpath(Docel() + QLatin1Char('/') + Earlier);
    Prepare(c.options);
    if (c.fileEntry) {
        zip->AddRootDir = Source();
        zip->Files.Clear();
        zip->Files.Add(Source(QStringLiteral("list.txt")));
    }
    const QString rootBefore = zip->AddRootDir;
    const GatheredItems items = zip->ItemsToAdd();
    EXPECT_EQ(zip->AddRootDir, rootBefore) << "left as it is";
    EXPECT_TRUE(QDir(Docel() + QLatin1Char('/') + Earlier).isEmpty()) << "nothing written";
    EXPECT_TRUE(items.Problems.empty());

    zip->SZFileName = ArchiveIn(Earlier);
    ASSERT_EQ(zip->Add(), 0);
    EXPECT_EQ(items.SkippedSubfolderCount, zip->SkippedSubfolderCount);
    SevenZipReader reader(*zip);
    const ArchiveListing& listing = reader.Open(zip->SZFileName);
    ASSERT_EQ(listing.Status, ArchiveStatus::Ok);
    EXPECT_TRUE(SameItems(items.Items, listing.Items)) << c.what;

    QStringList gathered;
    for (const ArchiveItem& item : items.Items)
        gathered << item.Path;
    gathered.sort();
    EXPECT_EQ(gathered, SevenZipPaths(zip->SZFileName)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, ItemsToAddMatchTheArchive,
                         ::testing::Values(GatherCase{"folder entry", AddSolid, false},
                                           GatherCase{"folder entry, whole tree", AddSolid | AddRecurseDirs, false},
                                           GatherCase{"file entry", AddSolid, true}));

TEST_F(UnchangedEntry, ItemsToAddCountsTheSubfoldersLeftOut)
{
    const GatheredItems items = Gather();
    EXPECT_EQ(items.SkippedSubfolderCount, 1);  // "stare" holds a file
    EXPECT_EQ(items.Total, 70000 + QByteArray("Szanowni Państwo,\n").size());
    EXPECT_EQ(Gather(AddSolid | AddRecurseDirs).SkippedSubfolderCount, 0);
}

// --- The decision ------------------------------------------------------------------------------

TEST_F(UnchangedEntry, AnUnchangedEntryBecomesALinkToItsNewestArchive)
{
    const QString earlier = Pack(Earlier);
    const UnchangedCheck check = Check();
    ASSERT_EQ(check.Verdict, UnchangedVerdict::Unchanged);
    EXPECT_EQ(check.EarlierArchive, earlier);

    const QString target = ArchiveIn(Current);
    QDir().mkpath(Docel() + QLatin1Char('/') + Current);
    ASSERT_EQ(LinkArchive(earlier, target), 0);
    EXPECT_EQ(IdentityOf(target), IdentityOf(earlier)) << "the same inode";
    EXPECT_EQ(IdentityOf(target).Links, 2u);
    EXPECT_TRUE(SevenZipTestPasses(target));
    EXPECT_TRUE(HiddenNames(Docel() + QLatin1Char('/') + Current).isEmpty()) << "no temporary name left";
}

struct ChangeCase {
    const char* what;
    std::function<void(UnchangedEntry&)> change;
    UnchangedVerdict expected;
};

class UnchangedAfterAChange : public UnchangedEntry, public ::testing::WithParamInterface<ChangeCase> {
public:
    using UnchangedEntry::Source;
    using UnchangedEntry::tree;
};

TEST_P(UnchangedAfterAChange, PacksOnlyWhenTheHeadersTellTheDifference)
{
    Pack(Earlier);
    GetParam().change(*this);
    EXPECT_EQ(Check().Verdict, GetParam().expected) << GetParam().what;
}

void Rewrite(UnchangedAfterAChange& t, const QString& name, const QByteArray& content)
{
    QFile f(t.Source(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UnchangedAfterAChange,
    ::testing::Values(
        ChangeCase{"content changed, same size, new time",
                   [](UnchangedEntry& e) {
                       auto& t = static_cast<UnchangedAfterAChange&>(e);
                       Rewrite(t, QStringLiteral("dane.bin"), QByteArray(70000, 'y'));
                   },
                   UnchangedVerdict::Different},
        ChangeCase{"time kept back, size changed",
                   [](UnchangedEntry& e) {
                       auto& t = static_cast<UnchangedAfterAChange&>(e);
                       Rewrite(t, QStringLiteral("dane.bin"), QByteArray(70001, 'x'));
                       SetTime(t.Source(QStringLiteral("dane.bin")), 1700000100, 0);
                   },
                   UnchangedVerdict::Different},
        // The known limit: the headers cannot tell this one.
        ChangeCase{"same size, time kept back",
                   [](UnchangedEntry& e) {
                       auto& t = static_cast<UnchangedAfterAChange&>(e);
                       Rewrite(t, QStringLiteral("dane.bin"), QByteArray(70000, 'z'));
                       SetTime(t.Source(QStringLiteral("dane.bin")), 1700000100, 0);
                   },
                   UnchangedVerdict::Unchanged},
        ChangeCase{"time changed by 100 ns only",
                   [](UnchangedEntry& e) {
                       SetTime(static_cast<UnchangedAfterAChange&>(e).Source(QStringLiteral("list.txt")), 1700000000,
                               123456800);
                   },
                   UnchangedVerdict::Different},
        ChangeCase{"another file added",
                   [](UnchangedEntry& e) {
                       static_cast<UnchangedAfterAChange&>(e).tree.MakeFile(QStringLiteral("zrodlo/Dokumenty/nowy.txt"),
                                                                            "nowy");
                   },
                   UnchangedVerdict::Different},
        ChangeCase{"a file removed",
                   [](UnchangedEntry& e) {
                       QFile::remove(static_cast<UnchangedAfterAChange&>(e).Source(QStringLiteral("pusty")));
                   },
                   UnchangedVerdict::Different},
        ChangeCase{"a file renamed, same size and time",
                   [](UnchangedEntry& e) {
                       auto& t = static_cast<UnchangedAfterAChange&>(e);
                       QFile::rename(t.Source(QStringLiteral("list.txt")), t.Source(QStringLiteral("List.txt")));
                   },
                   UnchangedVerdict::Different},
        ChangeCase{"an empty folder added",
                   [](UnchangedEntry& e) {
                       static_cast<UnchangedAfterAChange&>(e).tree.MakeFolder(QStringLiteral("zrodlo/Dokumenty/nowy"));
                   },
                   UnchangedVerdict::Different},
        ChangeCase{"permission bits changed",
                   [](UnchangedEntry& e) {
                       const QString path = static_cast<UnchangedAfterAChange&>(e).Source(QStringLiteral("list.txt"));
                       ::chmod(QFile::encodeName(path).constData(), 0600);
                   },
                   UnchangedVerdict::Different},
        // Not in the archive without the whole tree, so nothing the archive holds has changed.
        ChangeCase{"a file in a subfolder changed",
                   [](UnchangedEntry& e) {
                       static_cast<UnchangedAfterAChange&>(e).tree.MakeFile(
                           QStringLiteral("zrodlo/Dokumenty/stare/2019.txt"), "rok 2019, poprawiony");
                   },
                   UnchangedVerdict::Unchanged}));

TEST_F(UnchangedEntry, TheWholeTreeSeesAChangeInASubfolder)
{
    Pack(Earlier, AddSolid | AddRecurseDirs);
    EXPECT_EQ(Check(AddSolid | AddRecurseDirs).Verdict, UnchangedVerdict::Unchanged);
    tree.MakeFile(QStringLiteral("zrodlo/Dokumenty/stare/2019.txt"), "rok 2019, poprawiony");
    EXPECT_EQ(Check(AddSolid | AddRecurseDirs).Verdict, UnchangedVerdict::Different);
    // An archive of the entry's own files only is no archive of its whole tree.
    Pack(QStringLiteral("Arch_20240305_1000"));
    EXPECT_EQ(Check(AddSolid | AddRecurseDirs).Verdict, UnchangedVerdict::Different);
}

TEST_F(UnchangedEntry, OnlyTheNewestEarlierArchiveCountsAndNeverTheCurrentRunsOwn)
{
    EXPECT_EQ(Check().Verdict, UnchangedVerdict::NoEarlierArchive);
    Pack(Current);  // a run of the same minute: never the model of this one
    EXPECT_EQ(Check().Verdict, UnchangedVerdict::NoEarlierArchive);

    SetTime(Source(), 1700000200);
    const QString same = Pack(QStringLiteral("Arch_20240301_0000"));
    tree.MakeFile(QStringLiteral("zrodlo/Dokumenty/nowy.txt"), "nowy");
    const QString newer = Pack(Earlier);
    QFile::remove(Source(QStringLiteral("nowy.txt")));
    SetTime(Source(), 1700000200);  // the folder's own time is one of its items' too
    // The older archive would match, but the newest one is what the run compares with.
    const UnchangedCheck check = Check();
    EXPECT_EQ(check.Verdict, UnchangedVerdict::Different);
    EXPECT_EQ(check.EarlierArchive, newer);
    EXPECT_EQ(CheckUnchangedAgainst(*zip, Gather(), same, AfterEveryChange).Verdict, UnchangedVerdict::Unchanged);
}

struct DamageCase {
    const char* what;
    std::function<void(const QString& archive)> damage;
};

class UnchangedWithADamagedArchive : public UnchangedEntry, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(UnchangedWithADamagedArchive, Packs)
{
    const QString archive = Pack(Earlier);
    GetParam().damage(archive);
    const UnchangedCheck check = Check();
    EXPECT_EQ(check.Verdict, UnchangedVerdict::Unreadable) << GetParam().what;
    EXPECT_FALSE(check.Unchanged());
}

void SpoilByte(const QString& archive, qint64 fromEnd)
{
    QFile f(archive);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(f.size() - fromEnd));
    char c = 0;
    ASSERT_TRUE(f.getChar(&c));
    ASSERT_TRUE(f.seek(f.size() - fromEnd));
    ASSERT_TRUE(f.putChar(static_cast<char>(c ^ 0x55)));
}

INSTANTIATE_TEST_SUITE_P(
    Table, UnchangedWithADamagedArchive,
    ::testing::Values(DamageCase{"a byte of the headers spoilt", [](const QString& a) { SpoilByte(a, 10); }},
                      DamageCase{"cut short",
                                 [](const QString& a) {
                                     QFile f(a);
                                     ASSERT_TRUE(f.resize(f.size() / 2));
                                 }},
                      DamageCase{"data after its end",
                                 [](const QString& a) {
                                     QFile f(a);
                                     ASSERT_TRUE(f.open(QIODevice::Append));
                                     f.write("jeszcze");
                                 }},
                      DamageCase{"no archive at all",
                                 [](const QString& a) {
                                     QFile f(a);
                                     ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
                                     f.write("to nie jest archiwum");
                                 }}));

TEST_F(UnchangedEntry, SomethingTheAddMustReportMeansPacking)
{
    Pack(Earlier);
    // A pipe is left out with a notice; a link would drop that notice from the log.
    ASSERT_EQ(::mkfifo(QFile::encodeName(Source(QStringLiteral("kolejka"))).constData(), 0600), 0);
    EXPECT_EQ(Check().Verdict, UnchangedVerdict::GatheringProblems);
}

TEST_F(UnchangedEntry, NothingToAddMeansPacking)
{
    Pack(Earlier);
    Prepare();
    zip->Files.Clear();
    zip->Files.Add(Source(QStringLiteral("brak.txt")));
    EXPECT_EQ(CheckUnchanged(*zip, zip->ItemsToAdd(), Docel(), Nazwa, Current, AfterEveryChange).Verdict,
              UnchangedVerdict::GatheringProblems);
}

// --- The link --------------------------------------------------------------------------------

struct LinkFailure {
    const char* what;
    OsError error;
};

class LinkRefused : public UnchangedEntry, public ::testing::WithParamInterface<LinkFailure> {};

TEST_P(LinkRefused, LeavesNothingAndAnswersTheError)
{
    const QString earlier = Pack(Earlier);
    const QString folder = Docel() + QLatin1Char('/') + Current;
    QDir().mkpath(folder);
    const QString target = folder + QStringLiteral("/Dokumenty.7z");
    const OsError error = GetParam().error;
    EXPECT_EQ(LinkArchive(earlier, target, [error](const QString&, const QString&) { return error; }), error)
        << GetParam().what;
    EXPECT_TRUE(QDir(folder).isEmpty());
    EXPECT_EQ(IdentityOf(earlier).Links, 1u);
}

INSTANTIATE_TEST_SUITE_P(Table, LinkRefused,
                         ::testing::Values(LinkFailure{"another file system", EXDEV},
                                           LinkFailure{"no permission", EPERM},
                                           LinkFailure{"no write permission in the folder", EACCES},
                                           LinkFailure{"too many links", EMLINK}, LinkFailure{"disk full", ENOSPC}));

TEST_F(UnchangedEntry, ALinkReplacesTheArchiveOfARunOfTheSameMinute)
{
    const QString earlier = Pack(Earlier);
    const QString target = tree.MakeFile(QStringLiteral("cel/") + Current + QStringLiteral("/Dokumenty.7z"), "stare");
    ASSERT_EQ(LinkArchive(earlier, target), 0);
    EXPECT_EQ(IdentityOf(target), IdentityOf(earlier));
    // Linked again: already that file, nothing else changes.
    ASSERT_EQ(LinkArchive(earlier, target), 0);
    EXPECT_EQ(IdentityOf(earlier).Links, 2u);
    EXPECT_TRUE(HiddenNames(Docel() + QLatin1Char('/') + Current).isEmpty());
}

TEST_F(UnchangedEntry, AFolderThatCannotTakeTheNameLeavesNoTemporaryName)
{
    const QString earlier = Pack(Earlier);
    // A folder under the archive's name cannot be replaced by a file.
    const QString target = tree.MakeFolder(QStringLiteral("cel/") + Current + QStringLiteral("/Dokumenty.7z"));
    tree.MakeFile(QStringLiteral("cel/") + Current + QStringLiteral("/Dokumenty.7z/x"), "x");
    EXPECT_NE(LinkArchive(earlier, target), 0);
    EXPECT_TRUE(HiddenNames(Docel() + QLatin1Char('/') + Current).isEmpty());
    EXPECT_EQ(IdentityOf(earlier).Links, 1u);
}

TEST_F(UnchangedEntry, RemovingOlderNamesLeavesTheNewestArchiveWhole)
{
    // Three runs, the later two linked: removing the older names must not take the data along.
    const QString first = Pack(QStringLiteral("Arch_20240301_0000"));
    const QString second = ArchiveIn(Earlier);
    QDir().mkpath(Docel() + QLatin1Char('/') + Earlier);
    ASSERT_EQ(LinkArchive(first, second), 0);
    const QString third = ArchiveIn(Current);
    QDir().mkpath(Docel() + QLatin1Char('/') + Current);
    ASSERT_EQ(LinkArchive(second, third), 0);
    EXPECT_EQ(IdentityOf(third).Links, 3u);

    const RetentionResult removed = RemoveOldArchives(Docel(), Nazwa, 1, Current);
    EXPECT_EQ(removed.RemovedArchives, (QStringList{first, second}));
    EXPECT_EQ(IdentityOf(third).Links, 1u);
    EXPECT_TRUE(SevenZipTestPasses(third));
    EXPECT_EQ(QDir(Docel()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{Current});
}

TEST(HardLink, KeepsAnExistingNameAndDoesNotFollowALink)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const QString other = dir.filePath(QStringLiteral("b"));
    QFile g(other);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.close();
    EXPECT_EQ(MakeHardLink(file, other), EEXIST);
    EXPECT_EQ(MakeHardLink(dir.filePath(QStringLiteral("brak")), dir.filePath(QStringLiteral("c"))), ENOENT);

    const QString symlink = dir.filePath(QStringLiteral("dowiazanie"));
    ASSERT_TRUE(QFile::link(file, symlink));
    ASSERT_EQ(MakeHardLink(symlink, dir.filePath(QStringLiteral("d"))), 0);
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("d"))).isSymLink());
}

TEST(RemoveEmptyFolder, OnlyAnEmptyRealFolder)
{
    QTemporaryDir dir;
    const QString full = dir.filePath(QStringLiteral("pelny"));
    QDir().mkpath(full + QStringLiteral("/w"));
    const QString empty = dir.filePath(QStringLiteral("pusty"));
    QDir().mkpath(empty);
    const QString link = dir.filePath(QStringLiteral("dowiazanie"));
    ASSERT_TRUE(QFile::link(empty, link));

    EXPECT_EQ(RemoveEmptyFolder(full), ENOTEMPTY);
    EXPECT_EQ(RemoveEmptyFolder(link), ENOTDIR);
    EXPECT_TRUE(QFileInfo(empty).isDir());
    EXPECT_EQ(RemoveEmptyFolder(empty), 0);
    EXPECT_FALSE(QFileInfo::exists(empty));
}

}  // namespace
