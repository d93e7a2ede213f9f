// Runs that build on the entry's newest earlier archive: the unchanged items are taken over as
// stored, what changed is packed, and the result is the archive a fresh pack of the same tree
// would be; an earlier archive that is not whole is never built on.

#include "RunFakes.h"

#include "archive/run/ArchiveRecord.h"
#include "archive/sevenzip/InterfacedObject.h"
#include "archive/sevenzip/SevenZipReader.h"
#include "core/Settings.h"
#include "platform/FileSystem.h"

#include <QRandomGenerator>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <tuple>

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new CoreApplicationEnvironment);

// Data that does not compress, so that a few files fill several of the test's 1 MiB blocks.
QByteArray Noise(quint32 seed, int size)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

struct StoredItem {
    QString Path;
    bool IsFolder;
    uint64_t Size, Time;
    uint32_t Attributes, Crc;
    bool operator==(const StoredItem&) const = default;
    bool operator<(const StoredItem& o) const { return Path < o.Path; }
};

void PrintTo(const StoredItem& item, std::ostream* os)
{
    *os << item.Path.toStdString() << " size " << item.Size << " crc " << item.Crc;
}

QByteArray ReadFileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

int64_t InodeOf(const QString& path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? static_cast<int64_t>(st.st_ino) : -1;
}

// Sets a file's last write time back to what it was, as `touch -r` does.
void PutTimeBack(const QString& path, const struct stat& before)
{
    struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

class UpdateRun : public RunFixture {
public:
    // For the change table: a file made or replaced, and a path in the test's tree.
    void Make(const QString& relative, const QByteArray& content) const { MakeFile(relative, content); }
    QString At(const QString& relative) const { return Path(relative); }
    const QString& SourceFolder() const { return source; }

protected:
    void SetUp() override
    {
        RunFixture::SetUp();
        docel = MakeFolder(QStringLiteral("kopie"));
        source = MakeFolder(QStringLiteral("Dane"));
        for (int i = 0; i < 8; ++i)
            MakeFile(QStringLiteral("Dane/plik%1.bin").arg(i), Noise(static_cast<quint32>(i + 1), 300 * 1024));
        MakeFolder(QStringLiteral("Dane/pod"));
        MakeFile(QStringLiteral("Dane/pod/notatka.txt"), QByteArray("notatka ").repeated(500));
        AddListEntry(QStringLiteral("Folder"), QStringLiteral("Dane"), source, docel);
        Settings settings;
        settings.Podfoldery = true;
        ASSERT_EQ(SaveSettings(settings), NoError);
        // Small blocks, so that a change leaves other blocks to be copied as stored.
        packer->SolidBlockMegabytes = 1;
    }

    // The first run, its dated folder then named as an earlier one. With realClock the run
    // begins after the files were made (so that their change times are older than it) and
    // now, so that a change made after it counts by its change time alone.
    void FirstRun(bool realClock)
    {
        if (realClock)
            QThread::msleep(2100);
        else
            startLater = true;
        ArchiveAll();
        startLater = false;
        ASSERT_EQ(result.Entries.size(), 1u);
        ASSERT_EQ(result.Entries[0].Code, ResultArchived);
        ASSERT_TRUE(QDir(docel).rename(FolderName(), EarlierFolder));
        earlier = docel + QLatin1Char('/') + EarlierFolder + QStringLiteral("/Dane.7z");
        earlierBytes = ReadFileBytes(earlier);
    }

    std::vector<StoredItem> ItemsOf(const QString& archive) const
    {
        SevenZipReader reader(*packer);
        std::vector<StoredItem> items;
        for (const ArchiveItem& item : reader.Open(archive).Items)
            items.push_back({item.Path, item.IsFolder, item.Size, item.Time, item.Attributes, item.Crc});
        std::sort(items.begin(), items.end());
        return items;
    }

    // What a fresh pack of the source as it is now holds.
    std::vector<StoredItem> FreshPackItems()
    {
        SevenZipPacker fresh;
        ConfigurePacker(fresh);
        fresh.AddOptions |= AddRecurseDirs;
        fresh.SolidBlockMegabytes = 1;
        fresh.SZFileName = Path(QStringLiteral("swiezy.7z"));
        fresh.AddRootDir = Path(QString());
        fresh.Files.Add(source + QStringLiteral("/*.*"));
        EXPECT_EQ(fresh.Add(), 0);
        return ItemsOf(fresh.SZFileName);
    }

    QStringList EntryLines() const
    {
        QStringList lines = QString::fromUtf8(LogBytes()).split(QStringLiteral("\r\n")).mid(2);
        lines.removeAll(QString());
        return lines;
    }

    static constexpr const char* EarlierFolder = "Arch_20260101_1200";
    QString docel, source, earlier;
    QByteArray earlierBytes;
};

struct ChangeCase {
    const char* what;
    bool byChangeTimeOnly;  // nothing in the headers differs: only the inode's change time tells
    std::function<void(UpdateRun&)> change;
    const char* updateLine;  // the TAB line under the entry; nullptr when it was packed anew
    bool blocksCopied;       // some block of the earlier archive was taken over as stored
};

class UpdateAfterAChange : public UpdateRun, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(UpdateAfterAChange, GivesTheArchiveAFreshPackWouldGive)
{
    const ChangeCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(FirstRun(c.byChangeTimeOnly));
    c.change(*this);
    ArchiveAll();

    ASSERT_EQ(result.Entries.size(), 1u);
    EXPECT_EQ(result.Entries[0].Code, ResultArchived);
    EXPECT_FALSE(result.ErrorsOccurred());
    QStringList expected{QStringLiteral("Zarchiwizowano Dane")};
    if (c.updateLine)
        expected << QLatin1Char('\t') + QString::fromUtf8(c.updateLine);
    EXPECT_EQ(EntryLines(), expected);
    EXPECT_EQ(packer->LastUpdate.Updated, c.updateLine != nullptr);
    EXPECT_EQ(packer->LastUpdate.ConfirmedBytes > 0, c.blocksCopied);

    const QString made = ArchiveOf(docel, QStringLiteral("Dane"));
    EXPECT_NE(InodeOf(made), InodeOf(earlier)) << "a changed entry is never a link";
    EXPECT_TRUE(SevenZipTestPasses(made));
    EXPECT_EQ(ItemsOf(made), FreshPackItems());
    EXPECT_EQ(ReadFileBytes(earlier), earlierBytes) << "the earlier archive is only read";
    // Read back whole: its record is there for the next run.
    const std::optional<ArchiveRecord> record = ReadRecord(made);
    ASSERT_TRUE(record.has_value());
    EXPECT_TRUE(MatchesRecord(made, *record));
}

INSTANTIATE_TEST_SUITE_P(
    Table, UpdateAfterAChange,
    ::testing::Values(
        ChangeCase{"one_file_changed", false,
                   [](UpdateRun& t) { t.Make(QStringLiteral("Dane/plik7.bin"), Noise(99, 200 * 1024)); },
                   "zmienione pliki: 1, nowe: 0, usunięte: 0", true},
        ChangeCase{"one_file_added", false,
                   [](UpdateRun& t) { t.Make(QStringLiteral("Dane/pod/nowy.txt"), "nowy"); },
                   "zmienione pliki: 0, nowe: 1, usunięte: 0", true},
        ChangeCase{"one_file_removed", false,
                   [](UpdateRun& t) { ASSERT_TRUE(QFile::remove(t.At(QStringLiteral("Dane/plik3.bin")))); },
                   "zmienione pliki: 0, nowe: 0, usunięte: 1", true},
        ChangeCase{"one_file_renamed", false,
                   [](UpdateRun& t) {
                       ASSERT_TRUE(QFile::rename(t.At(QStringLiteral("Dane/plik5.bin")),
                                                 t.At(QStringLiteral("Dane/plik5-nowy.bin"))));
                   },
                   "zmienione pliki: 0, nowe: 1, usunięte: 1", true},
        ChangeCase{"rewritten_with_its_time_put_back", true,
                   [](UpdateRun& t) {
                       const QString path = t.At(QStringLiteral("Dane/plik2.bin"));
                       struct stat before;
                       ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
                       t.Make(QStringLiteral("Dane/plik2.bin"), Noise(1234, 300 * 1024));
                       PutTimeBack(path, before);
                   },
                   "zmienione pliki: 1, nowe: 0, usunięte: 0", true},
        ChangeCase{"folder_swapped_for_a_copy_with_one_file_changed", true,
                   [](UpdateRun& t) {
                       const QString copy = t.At(QStringLiteral("Dane-kopia"));
                       ASSERT_EQ(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), t.SourceFolder(), copy}), 0);
                       const QString path = copy + QStringLiteral("/plik4.bin");
                       struct stat before;
                       ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
                       t.Make(QStringLiteral("Dane-kopia/plik4.bin"), Noise(4321, 300 * 1024));
                       PutTimeBack(path, before);
                       ASSERT_TRUE(QDir().rename(t.SourceFolder(), t.At(QStringLiteral("Dane-stare"))));
                       ASSERT_TRUE(QDir().rename(copy, t.SourceFolder()));
                   },
                   // Every inode is new: nothing can be taken over, so it is packed anew.
                   nullptr, false}),
    [](const ::testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.what); });

TEST_F(UpdateRun, AnUnchangedEntryIsLinkedOnTheStrengthOfItsDigest)
{
    ASSERT_NO_FATAL_FAILURE(FirstRun(false));
    startLater = true;
    ArchiveAll();
    EXPECT_EQ(EntryLines(), QStringList{QStringLiteral("Zarchiwizowano Dane (bez zmian)")});
    const QString made = ArchiveOf(docel, QStringLiteral("Dane"));
    EXPECT_EQ(InodeOf(made), InodeOf(earlier));
    // The link has a record of its own, counting changes from this run on.
    const std::optional<ArchiveRecord> record = ReadRecord(made);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->Digest, ReadRecord(earlier)->Digest);
    EXPECT_GT(record->RunStart, ReadRecord(earlier)->RunStart);
}

TEST_F(UpdateRun, WithoutARecordTheEarlierArchiveIsTestedInFullAndThenRecorded)
{
    ASSERT_NO_FATAL_FAILURE(FirstRun(false));
    ASSERT_TRUE(QFile::remove(RecordPathOf(earlier)));
    startLater = true;
    ArchiveAll();
    // Known only from its folder's name, it counts from an hour before that minute: the test's
    // files (made now) are younger, so the entry is not found unchanged, and with the packing
    // unknown nothing is taken over from it either.
    EXPECT_EQ(EntryLines(), QStringList{QStringLiteral("Zarchiwizowano Dane")});
    EXPECT_FALSE(packer->LastUpdate.Updated);
    const std::optional<ArchiveRecord> record = ReadRecord(earlier);
    ASSERT_TRUE(record.has_value()) << "tested whole, the earlier archive got its record";
    EXPECT_TRUE(MatchesRecord(earlier, *record));
    EXPECT_TRUE(record->Packing.isEmpty());
}

// One byte of packed data changed, headers intact: the 7z command's test fails on it, the
// listing does not.
void SpoilPackedByte(const QString& archive)
{
    QFile file(archive);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(32 + 1000));
    char byte = 0;
    ASSERT_TRUE(file.getChar(&byte));
    ASSERT_TRUE(file.seek(32 + 1000));
    ASSERT_TRUE(file.putChar(static_cast<char>(~byte)));
}

struct DamageCase {
    const char* what;
    bool changeTheSource;  // would update from it; otherwise it would be linked
};

class ADamagedEarlierArchive : public UpdateRun, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(ADamagedEarlierArchive, IsNeitherLinkedNorTakenFromAndTheRunSaysSo)
{
    ASSERT_NO_FATAL_FAILURE(FirstRun(false));
    ASSERT_NO_FATAL_FAILURE(SpoilPackedByte(earlier));
    ASSERT_FALSE(SevenZipTestPasses(earlier));
    if (GetParam().changeTheSource)
        MakeFile(QStringLiteral("Dane/plik0.bin"), Noise(77, 1000));
    startLater = true;
    ArchiveAll();

    ASSERT_EQ(result.Entries.size(), 1u);
    EXPECT_EQ(result.Entries[0].Code, ResultArchived);
    EXPECT_TRUE(result.Entries[0].EarlierDamaged);
    EXPECT_EQ(EntryLines(), (QStringList{QStringLiteral("Zarchiwizowano Dane"),
                                         QStringLiteral("\twcześniejsze archiwum ") + earlier +
                                             QStringLiteral(" jest uszkodzone; spakowano od nowa")}));
    EXPECT_TRUE(result.ErrorsOccurred()) << "somebody must look";
    EXPECT_FALSE(packer->LastUpdate.Updated);
    const QString made = ArchiveOf(docel, QStringLiteral("Dane"));
    EXPECT_NE(InodeOf(made), InodeOf(earlier));
    EXPECT_TRUE(SevenZipTestPasses(made));
    EXPECT_EQ(ItemsOf(made), FreshPackItems());
}

INSTANTIATE_TEST_SUITE_P(Table, ADamagedEarlierArchive,
                         ::testing::Values(DamageCase{"unchanged_source", false}, DamageCase{"changed_source", true}),
                         [](const ::testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.what); });

TEST_F(UpdateRun, AnUpdateThatFailsHalfWayPacksAnewAndLeavesTheEarlierArchiveAsItWas)
{
    ASSERT_NO_FATAL_FAILURE(FirstRun(false));
    MakeFile(QStringLiteral("Dane/plik1.bin"), Noise(55, 100 * 1024));
    // Once the update is at work, a callback of it fails (as an allocation would).
    bool armed = false;
    packer->OnProgress = [&armed](SevenZipPacker*, const QString&, int64_t, int64_t) {
        if (!std::exchange(armed, true))
            InjectBoundaryFailure(1);
    };
    ArchiveAll();
    InjectBoundaryFailure(0);
    ASSERT_TRUE(armed);

    EXPECT_EQ(EntryLines(), QStringList{QStringLiteral("Zarchiwizowano Dane")});
    EXPECT_FALSE(packer->LastUpdate.Updated);
    EXPECT_EQ(ReadFileBytes(earlier), earlierBytes);
    const QString made = ArchiveOf(docel, QStringLiteral("Dane"));
    EXPECT_TRUE(SevenZipTestPasses(made));
    EXPECT_EQ(ItemsOf(made), FreshPackItems());
}

TEST_F(UpdateRun, AnUpdateStoppedHalfWayLeavesNothingUnderTheFinalName)
{
    ASSERT_NO_FATAL_FAILURE(FirstRun(false));
    MakeFile(QStringLiteral("Dane/plik1.bin"), Noise(56, 100 * 1024));
    // The packer is stopped as soon as the update reports progress.
    packer->OnProgress = [](SevenZipPacker* sender, const QString&, int64_t, int64_t) { sender->CancelRequested = true; };
    ArchiveAll();

    ASSERT_EQ(result.Entries.size(), 1u);
    EXPECT_TRUE(result.Entries[0].Failed());
    EXPECT_FALSE(QFileInfo::exists(ArchiveOf(docel, QStringLiteral("Dane"))));
    EXPECT_EQ(QDir(docel + QLatin1Char('/') + FolderName()).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_EQ(ReadFileBytes(earlier), earlierBytes);
}

}  // namespace

namespace {

// The check after an update trusts no block for having been copied: one spoiled on its way to
// the disk differs from the earlier archive's bytes and is decoded, and fails.
TEST_F(UpdateRun, ASpoiledByteInAnUpdatedArchiveFailsItsCheck)
{
    ASSERT_NO_FATAL_FAILURE(FirstRun(false));
    MakeFile(QStringLiteral("Dane/plik6.bin"), Noise(66, 50 * 1024));
    for (const int64_t offset : {int64_t(32 + 10), int64_t(32 + 700 * 1024)}) {
        SCOPED_TRACE(offset);
        packer->SpoilWrittenByte = offset;
        ArchiveAll();
        ASSERT_EQ(result.Entries.size(), 1u);
        EXPECT_EQ(result.Entries[0].Code, ResultVerifyFailed);
        EXPECT_TRUE(packer->LastUpdate.Updated);
        EXPECT_FALSE(QFileInfo::exists(ArchiveOf(docel, QStringLiteral("Dane"))));
        EXPECT_EQ(ReadFileBytes(earlier), earlierBytes);
    }
}

}  // namespace

namespace {

// Keeping only the newest archive removes an older one together with its record, so that its
// dated folder empties and goes.
TEST_F(UpdateRun, RetentionRemovesAnArchiveWithItsRecord)
{
    Settings settings;
    settings.Podfoldery = true;
    settings.Zachowaj = 1;
    ASSERT_EQ(SaveSettings(settings), NoError);
    ASSERT_NO_FATAL_FAILURE(FirstRun(false));
    ASSERT_TRUE(QFile::exists(RecordPathOf(earlier)));
    MakeFile(QStringLiteral("Dane/plik0.bin"), Noise(11, 2000));
    ArchiveAll();
    EXPECT_EQ(result.Entries[0].Retention.RemovedArchives, QStringList{earlier});
    EXPECT_FALSE(QFileInfo::exists(docel + QLatin1Char('/') + EarlierFolder));
}

}  // namespace
