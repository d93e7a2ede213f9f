// Looking entries up without following links, reading link targets, listing folders with the
// reason a listing failed, and the flush seam.

#include "platform/FileSystem.h"
#include "platform/Files.h"
#include "platform/Restore.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using FileSystem::EntryKind;

namespace {

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Tmp.isValid());
        Root = Tmp.path() + QLatin1Char('/');
    }
    void Write(const QString& path, const QByteArray& data)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(data), data.size());
    }
    void Link(const QByteArray& target, const QString& path)
    {
        ASSERT_EQ(::symlink(target.constData(), NativePath(path).constData()), 0);
    }
    QTemporaryDir Tmp;
    QString Root;
};

TEST_F(FileSystemTest, LookupEntryTellsEveryKind)
{
    Write(Root + QStringLiteral("plik"), "12345");
    QDir().mkpath(Root + QStringLiteral("folder"));
    Link("plik", Root + QStringLiteral("link"));
    Link("/nie/ma", Root + QStringLiteral("wiszacy"));
    ASSERT_EQ(::mkfifo(NativePath(Root + QStringLiteral("fifo")).constData(), 0600), 0);
    struct Case {
        const char* Name;
        bool Follow;
        OsError Error;
        EntryKind Kind;
        int64_t Size;
    };
    const QList<Case> cases{
        {"plik", false, NoError, EntryKind::File, 5},
        {"folder", false, NoError, EntryKind::Folder, 0},
        {"link", true, NoError, EntryKind::File, 5},
        {"link", false, NoError, EntryKind::Link, 4},
        {"wiszacy", true, ENOENT, EntryKind::Missing, -1},
        {"wiszacy", false, NoError, EntryKind::Link, 7},
        {"fifo", false, NoError, EntryKind::Special, 0},
        {"nie ma", false, ENOENT, EntryKind::Missing, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Name << (c.Follow ? " followed" : ""));
        FileSystem::FileInfo info;
        EXPECT_EQ(FileSystem::LookupEntry(Root + QString::fromLatin1(c.Name), info, c.Follow), c.Error);
        EXPECT_EQ(info.Kind, c.Kind);
        EXPECT_EQ(info.Size, c.Size);
        if (c.Kind == EntryKind::Link) {
            // As 7-Zip's own tools keep a link: an archive file whose high bits are its mode.
            EXPECT_EQ(info.Attributes, 0x20u | 0x8000u | ((S_IFLNK | 0777u) << 16));
            EXPECT_FALSE(info.IsDirectory());
        }
    }
    // Lookup keeps to what has data or is a folder.
    FileSystem::FileInfo info;
    EXPECT_FALSE(FileSystem::Lookup(Root + QStringLiteral("fifo"), info));
    EXPECT_TRUE(FileSystem::Lookup(Root + QStringLiteral("link"), info));
}

TEST_F(FileSystemTest, ReadLinkGivesTheTargetAsItsBytes)
{
    const QByteArray longTarget = QByteArray("katalog/").repeated(125);
    const QByteArray rawTarget = "zr\xf3" "d\xb3o/\xff";
    Link(longTarget, Root + QStringLiteral("dlugi"));
    Link(rawTarget, Root + QStringLiteral("surowy"));
    Write(Root + QStringLiteral("plik"), "x");
    QByteArray target;
    EXPECT_EQ(FileSystem::ReadLink(Root + QStringLiteral("dlugi"), target), NoError);
    EXPECT_EQ(target, longTarget);
    EXPECT_EQ(FileSystem::ReadLink(Root + QStringLiteral("surowy"), target), NoError);
    EXPECT_EQ(target, rawTarget);
    EXPECT_EQ(FileSystem::ReadLink(Root + QStringLiteral("plik"), target), EINVAL);
    EXPECT_EQ(FileSystem::ReadLink(Root + QStringLiteral("nie ma"), target), ENOENT);
    EXPECT_TRUE(target.isEmpty());
}

TEST_F(FileSystemTest, EnumerateFolderListsEveryEntryAsItselfOrSaysWhyNot)
{
    const QString d = Root + QStringLiteral("d/");
    QDir().mkpath(d + QStringLiteral("sub"));
    Write(d + QStringLiteral("plik"), "abc");
    Link("sub", d + QStringLiteral("link"));
    ASSERT_EQ(::mkfifo(NativePath(d + QStringLiteral("fifo")).constData(), 0600), 0);
    const QByteArray raw = NativePath(d) + "\xff.txt";
    ASSERT_EQ(::close(::open(raw.constData(), O_CREAT | O_WRONLY, 0644)), 0);

    QMap<QString, EntryKind> seen;
    EXPECT_EQ(FileSystem::EnumerateFolder(d, [&](const FileSystem::FileInfo& info) {
                  seen.insert(info.Name, info.Kind);
                  return true;
              }),
              NoError);
    const QString rawName = FromNativePath("\xff.txt");
    EXPECT_EQ(rawName, QChar(0xDCFF) + QStringLiteral(".txt"));
    EXPECT_EQ(seen, (QMap<QString, EntryKind>{{QStringLiteral("sub"), EntryKind::Folder},
                                              {QStringLiteral("plik"), EntryKind::File},
                                              {QStringLiteral("link"), EntryKind::Link},
                                              {QStringLiteral("fifo"), EntryKind::Special},
                                              {rawName, EntryKind::File}}));
    // The visitor can stop the listing.
    int visited = 0;
    EXPECT_EQ(FileSystem::EnumerateFolder(d, [&](const FileSystem::FileInfo&) { return ++visited < 2; }), NoError);
    EXPECT_EQ(visited, 2);

    auto never = [](const FileSystem::FileInfo&) {
        ADD_FAILURE() << "visited";
        return true;
    };
    EXPECT_EQ(FileSystem::EnumerateFolder(Root + QStringLiteral("nie ma/"), never), ENOENT);
    EXPECT_EQ(FileSystem::EnumerateFolder(d + QStringLiteral("plik/"), never), ENOTDIR);
}

TEST_F(FileSystemTest, OpenFilesAreKnownByIdentity)
{
    Write(Root + QStringLiteral("a"), "a");
    Write(Root + QStringLiteral("b"), "b");
    OsFile a1, a2, b;
    ASSERT_EQ(OsFile::OpenForReading(Root + QStringLiteral("a"), a1), NoError);
    ASSERT_EQ(OsFile::OpenForReading(Root + QStringLiteral("a"), a2), NoError);
    ASSERT_EQ(OsFile::OpenForReading(Root + QStringLiteral("b"), b), NoError);
    uint64_t d1 = 0, i1 = 0, d2 = 0, i2 = 0, d3 = 0, i3 = 0;
    ASSERT_EQ(a1.Identity(d1, i1), NoError);
    ASSERT_EQ(a2.Identity(d2, i2), NoError);
    ASSERT_EQ(b.Identity(d3, i3), NoError);
    EXPECT_EQ(std::make_pair(d1, i1), std::make_pair(d2, i2));
    EXPECT_NE(std::make_pair(d1, i1), std::make_pair(d3, i3));
    FileSystem::FileInfo info;
    ASSERT_EQ(FileSystem::LookupEntry(Root + QStringLiteral("a"), info, false), NoError);
    EXPECT_EQ(std::make_pair(info.Device, info.Inode), std::make_pair(d1, i1));
}

TEST_F(FileSystemTest, SyncHookSeesAndFailsEveryFlush)
{
    struct HookGuard {
        ~HookGuard() { InjectSyncHook(nullptr); }
    } guard;
    OsFile file;
    ASSERT_EQ(OsFile::CreateNew(Root + QStringLiteral("a"), file), NoError);
    QStringList seen;
    InjectSyncHook([&](const QString& folder) {
        seen.append(folder);
        return folder.isEmpty() ? EIO : NoError;
    });
    EXPECT_EQ(file.Sync(), EIO);
    EXPECT_EQ(SyncFolder(Root), NoError);
    EXPECT_EQ(seen, (QStringList{QString(), Root}));
    InjectSyncHook(nullptr);
    EXPECT_EQ(file.Sync(), NoError);
}

}  // namespace

namespace {

// One conversion serves every time the program reads or sets: what a file is given comes back
// from a lookup, to the 100 ns, and times before 1970 do not wrap around.
TEST(FileTimes, ConvertBothWaysAtTheirResolution)
{
    constexpr uint64_t Epoch = 116444736000000000ull;  // 1970-01-01 as FILETIME
    struct Case {
        const char* Name;
        uint64_t FileTime;
        int64_t Seconds;
        long Nanoseconds;
    };
    const Case cases[] = {
        {"1970", Epoch, 0, 0},
        {"before 1970", Epoch - 1, 0, 0},
        {"1601", 0, 0, 0},
        {"100 ns steps", Epoch + 12345678901ull, 1234, 567890100},
        {"2026", Epoch + 1781222400ull * 10000000ull + 1, 1781222400, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const timespec t = TimespecOf(c.FileTime);
        EXPECT_EQ(int64_t(t.tv_sec), c.Seconds);
        EXPECT_EQ(t.tv_nsec, c.Nanoseconds);
        if (c.FileTime >= Epoch) {
            EXPECT_EQ(FileTimeOf(t), c.FileTime);
        }
    }
    timespec t{};
    t.tv_sec = 1;
    t.tv_nsec = 199;  // below 100 ns is cut, not rounded
    EXPECT_EQ(FileTimeOf(t), Epoch + 10000001ull);
}

TEST_F(FileSystemTest, TimesSetOnAFileAndOnAPathReadBackTheSame)
{
    const uint64_t time = 116444736000000000ull + 1700000000ull * 10000000ull + 1234567;
    const QString path = Root + QStringLiteral("plik");
    Write(path, "x");
    OsFile file;
    ASSERT_EQ(OsFile::OpenFileForReading(path, file), NoError);
    ASSERT_EQ(file.SetTime(time), NoError);
    FileSystem::FileInfo info;
    ASSERT_EQ(FileSystem::LookupEntry(path, info, false), NoError);
    EXPECT_EQ(info.Time, time);

    const QString other = Root + QStringLiteral("inny");
    Write(other, "y");
    ASSERT_EQ(SetPathTime(other, time + 10), NoError);
    PathState state;
    ASSERT_EQ(LookupPath(other, state), NoError);
    EXPECT_EQ(state.Time, time + 10);
}

TEST_F(FileSystemTest, RenameReplacesOnlyWhenAsked)
{
    const QString from = Root + QStringLiteral("nowy");
    const QString to = Root + QStringLiteral("stary");
    Write(from, "new");
    Write(to, "old");
    EXPECT_EQ(RenamePath(from, to, false), EEXIST);
    EXPECT_TRUE(QFile::exists(from));
    EXPECT_EQ(RenamePath(from, to), NoError);
    EXPECT_FALSE(QFile::exists(from));
    QFile f(to);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("new"));
    EXPECT_EQ(RenamePath(from, to), ENOENT);
}

}  // namespace
