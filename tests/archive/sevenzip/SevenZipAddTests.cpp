// SevenZipPacker::Add against the real 7-Zip library; every archive is checked with the `7z` command.

#include "archive/sevenzip/InterfacedObject.h"
#include "archive/sevenzip/SevenZip.h"
#include "platform/Files.h"
#include "SevenZipTestSupport.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace SevenZipTest;
using SevenZipAbi::E_ABORT;
using SevenZipAbi::E_INVALIDARG;

namespace {

// Problems as "Kind path error" lines, in the order they came.
QStringList Describe(const std::vector<PackProblem>& problems)
{
    static const char* const Names[] = {"Unreadable", "ChangedWhileRead", "FolderUnlistable", "SpecialFileLeftOut",
                                        "ArchiveWrite"};
    QStringList lines;
    for (const PackProblem& p : problems)
        lines.append(QStringLiteral("%1 %2 %3").arg(QString::fromLatin1(Names[p.What]), p.Path).arg(p.Error));
    return lines;
}

class SevenZipAdd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Tmp.isValid());
        Root = Tmp.path() + QLatin1Char('/');
        Zip = MakeWindowPacker();
        QDir().mkpath(Root + QStringLiteral("out"));
    }

    // As the archive run packs a folder entry: parent folder with its separator as the root.
    int32_t PackFolder(const QString& source, const QString& archive)
    {
        Zip->SZFileName = archive;
        Zip->AddRootDir = source.left(source.lastIndexOf(QLatin1Char('/')) + 1);
        Zip->Files.Clear();
        Zip->Files.Add(source + QStringLiteral("/*.*"));
        return Zip->Add();
    }

    // As the archive run packs a file entry: its folder without a trailing separator.
    int32_t PackFile(const QString& source, const QString& archive)
    {
        Zip->SZFileName = archive;
        Zip->AddRootDir = source.left(source.lastIndexOf(QLatin1Char('/')));
        Zip->Files.Clear();
        Zip->Files.Add(source);
        return Zip->Add();
    }

    QTemporaryDir Tmp;
    QString Root;
    std::unique_ptr<SevenZipPacker> Zip;
};

TEST_F(SevenZipAdd, FolderEntryStoresTheFolderItsFilesAndDirectSubfoldersOnly)
{
    const QString src = Root + QStringLiteral("Zażółć gęślą jaźń");
    WriteFile(src + QStringLiteral("/a.txt"), QByteArray("alpha\n").repeated(100));
    WriteFile(src + QStringLiteral("/.ukryty"), "hidden");
    WriteFile(src + QStringLiteral("/ze spacją ĄĘ.dat"), "");
    WriteFile(src + QStringLiteral("/tylko.txt"), "read only");
    WriteFile(src + QStringLiteral("/sub/deep.txt"), "deep");
    QDir().mkpath(src + QStringLiteral("/sub/inner"));
    QDir().mkpath(src + QStringLiteral("/pusty"));
    ASSERT_EQ(::chmod(QFile::encodeName(src + QStringLiteral("/tylko.txt")).constData(), 0444), 0);
    SetModified(src + QStringLiteral("/a.txt"), 1600000000, 123456700);
    SetModified(src + QStringLiteral("/sub"), 1500000000);
    SetModified(src, 1400000000);

    const QString archive = Root + QStringLiteral("out/Dane.7z");
    ASSERT_EQ(PackFolder(src, archive), 0);
    EXPECT_TRUE(ArchiveTests(archive));
    const auto items = ListArchive(archive);
    const QString top = QStringLiteral("Zażółć gęślą jaźń");
    EXPECT_EQ(Paths(items), (QStringList{top, top + QStringLiteral("/.ukryty"), top + QStringLiteral("/a.txt"),
                                         top + QStringLiteral("/pusty"), top + QStringLiteral("/sub"),
                                         top + QStringLiteral("/tylko.txt"), top + QStringLiteral("/ze spacją ĄĘ.dat")}));

    const ListedItem* a = Find(items, top + QStringLiteral("/a.txt"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Size, 600);
    EXPECT_FALSE(a->IsFolder);
    EXPECT_EQ(a->Modified, QStringLiteral("2020-09-13 12:26:40.1234567"));
    EXPECT_EQ(a->Attributes, QStringLiteral("A -rw-r--r--"));
    const ListedItem* sub = Find(items, top + QStringLiteral("/sub"));
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->IsFolder);
    EXPECT_EQ(sub->Size, 0);
    EXPECT_EQ(sub->Modified, QStringLiteral("2017-07-14 02:40:00.0000000"));
    const ListedItem* self = Find(items, top);
    ASSERT_NE(self, nullptr);
    EXPECT_TRUE(self->IsFolder);
    EXPECT_EQ(self->Modified, QStringLiteral("2014-05-13 16:53:20.0000000"));
    const ListedItem* hidden = Find(items, top + QStringLiteral("/.ukryty"));
    ASSERT_NE(hidden, nullptr);
    EXPECT_EQ(hidden->Attributes, QStringLiteral("HA -rw-r--r--"));
    const ListedItem* readOnly = Find(items, top + QStringLiteral("/tylko.txt"));
    ASSERT_NE(readOnly, nullptr);
    EXPECT_EQ(readOnly->Attributes, QStringLiteral("RA -r--r--r--"));
    EXPECT_EQ(readOnly->Size, 9);

    EXPECT_EQ(Zip->VolumeNames, QStringList{archive});
    EXPECT_EQ(FolderContent(Root + QStringLiteral("out")), QStringList{QStringLiteral("Dane.7z")});
}

TEST_F(SevenZipAdd, FileEntryStoresTheFileNameOnly)
{
    const QString src = Root + QStringLiteral("we*ird .dir/.plik z kropką");
    WriteFile(src, "payload");
    const QString archive = Root + QStringLiteral("out/plik.7z");
    ASSERT_EQ(PackFile(src, archive), 0);
    EXPECT_TRUE(ArchiveTests(archive));
    const auto items = ListArchive(archive);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].Path, QStringLiteral(".plik z kropką"));
    EXPECT_EQ(items[0].Size, 7);
}

// A "*" in a folder's name is a plain character; only the last component is a mask.
TEST_F(SevenZipAdd, StarInAFolderNameIsNotAMask)
{
    const QString src = Root + QStringLiteral("a*b");
    WriteFile(src + QStringLiteral("/x.txt"), "x");
    WriteFile(Root + QStringLiteral("aXYZb/decoy.txt"), "decoy");
    const QString archive = Root + QStringLiteral("out/star.7z");
    ASSERT_EQ(PackFolder(src, archive), 0);
    EXPECT_TRUE(ArchiveTests(archive));
    EXPECT_EQ(Paths(ListArchive(archive)), (QStringList{QStringLiteral("a*b"), QStringLiteral("a*b/x.txt")}));
}

// The root is compared in upper case, so a root given in other letter case still shortens
// every stored name; Add leaves it upper-cased.
TEST_F(SevenZipAdd, RootInOtherLetterCaseStillShortensNames)
{
    const QString src = Root + QStringLiteral("Mieszane/Źródło");
    WriteFile(src + QStringLiteral("/f.txt"), "f");
    Zip->SZFileName = Root + QStringLiteral("out/case.7z");
    const QString root = Root + QStringLiteral("mieszane/");
    Zip->AddRootDir = root;
    Zip->Files.Add(src + QStringLiteral("/*.*"));
    ASSERT_EQ(Zip->Add(), 0);
    EXPECT_EQ(Zip->AddRootDir, root.toUpper());
    EXPECT_TRUE(ArchiveTests(Zip->SZFileName));
    EXPECT_EQ(Paths(ListArchive(Zip->SZFileName)), (QStringList{QStringLiteral("Źródło"), QStringLiteral("Źródło/f.txt")}));
}

// A name outside the root keeps its full path without the leading "/": nothing absolute.
TEST_F(SevenZipAdd, NameOutsideTheRootLosesOnlyTheRootSeparator)
{
    const QString src = Root + QStringLiteral("inny/f.txt");
    WriteFile(src, "f");
    Zip->SZFileName = Root + QStringLiteral("out/abs.7z");
    Zip->AddRootDir = Root + QStringLiteral("zupelnie/inny");
    Zip->Files.Add(src);
    ASSERT_EQ(Zip->Add(), 0);
    EXPECT_TRUE(ArchiveTests(Zip->SZFileName));
    EXPECT_EQ(Paths(ListArchive(Zip->SZFileName)), QStringList{src.mid(1)});
}

TEST_F(SevenZipAdd, NothingGatheredReportsNoFilesAndLeavesNoFile)
{
    struct Case {
        const char* Name;
        QStringList Files;
    };
    const QList<Case> cases{
        {"missing file", {Root + QStringLiteral("nie ma.txt")}},
        {"mask of a missing folder", {Root + QStringLiteral("nie ma/*.*")}},
        {"mask admitting nothing", {Root + QStringLiteral("pusty/*.txt")}},
    };
    QDir().mkpath(Root + QStringLiteral("pusty"));
    const QString archive = Root + QStringLiteral("out/nic.7z");
    WriteFile(archive, "older archive");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        QList<int64_t> pre;
        QList<std::tuple<int32_t, QString, QString>> messages;
        Zip->OnPreProgress = [&](SevenZipPacker*, int64_t total) { pre.append(total); };
        Zip->OnMessage = [&](SevenZipPacker*, int32_t code, const QString& text, const QString& file) {
            messages.append({code, text, file});
        };
        Zip->ErrCode = 0;
        Zip->SZFileName = archive;
        Zip->AddRootDir = Root;
        Zip->Files.Clear();
        for (const QString& f : c.Files)
            Zip->Files.Add(f);
        // "pusty" itself is an item of its mask: only a mask of a missing folder gathers nothing.
        const int32_t result = Zip->Add();
        if (QString::fromLatin1(c.Name) == QStringLiteral("mask admitting nothing")) {
            EXPECT_EQ(result, 0);
            continue;
        }
        EXPECT_EQ(result, -1);
        EXPECT_EQ(Zip->ErrCode, 10);
        EXPECT_EQ(pre, QList<int64_t>{0});
        ASSERT_EQ(messages.size(), 1);
        EXPECT_EQ(messages[0], std::make_tuple(int32_t(10), QStringLiteral("No files to add"), QString()));
        EXPECT_TRUE(Zip->VolumeNames.isEmpty());
        EXPECT_EQ(ReadFile(archive), QByteArray("older archive"));
        EXPECT_EQ(FolderContent(Root + QStringLiteral("out")), QStringList{QStringLiteral("nic.7z")});
    }
}

TEST_F(SevenZipAdd, AnExistingArchiveIsReplacedOnlyBySuccess)
{
    const QString src = Root + QStringLiteral("src");
    WriteFile(src + QStringLiteral("/f.txt"), "new content");
    const QString archive = Root + QStringLiteral("out/a.7z");
    WriteFile(archive, "older archive");
    ASSERT_EQ(PackFolder(src, archive), 0);
    EXPECT_TRUE(ArchiveTests(archive));
    EXPECT_EQ(FolderContent(Root + QStringLiteral("out")), QStringList{QStringLiteral("a.7z")});
}

TEST_F(SevenZipAdd, DestinationThatCannotBeCreatedRaisesTheWriterError)
{
    WriteFile(Root + QStringLiteral("src/f.txt"), "f");
    int messages = 0;
    int pre = 0;
    Zip->OnMessage = [&](SevenZipPacker*, int32_t, const QString&, const QString&) { ++messages; };
    Zip->OnPreProgress = [&](SevenZipPacker*, int64_t) { ++pre; };
    Zip->ErrCode = 3;
    EXPECT_THROW(PackFolder(Root + QStringLiteral("src"), Root + QStringLiteral("nie ma/a.7z")), StreamWriteError);
    EXPECT_EQ(Zip->LastError, ENOENT);
    EXPECT_EQ(Describe(Zip->Problems), QStringList{QStringLiteral("ArchiveWrite %1nie ma/a.7z %2").arg(Root).arg(ENOENT)});
    EXPECT_EQ(Zip->ErrCode, 3);
    EXPECT_EQ(messages, 0);
    EXPECT_EQ(pre, 1);
    EXPECT_FALSE(Zip->CancelRequested);
    EXPECT_FALSE(QFileInfo::exists(Root + QStringLiteral("nie ma")));
}

// A file that cannot be opened when its data is due is left out of the archive (an empty item
// would restore as an empty file over the real one); the rest of the archive stays.
TEST_F(SevenZipAdd, FileThatCannotBeOpenedIsLeftOutAndReported)
{
    struct Case {
        const char* Name;
        int Error;
        std::function<void(const QString&)> Break;
    };
    const QString secret = Root + QStringLiteral("secret.txt");
    WriteFile(secret, "outside the folder");
    const QList<Case> cases{
        {"removed", ENOENT, [](const QString& f) { QFile::remove(f); }},
        {"replaced by a folder", EISDIR,
         [](const QString& f) {
             QFile::remove(f);
             QDir().mkpath(f);
         }},
        {"replaced by a pipe", ENXIO,
         [](const QString& f) {
             QFile::remove(f);
             ASSERT_EQ(::mkfifo(QFile::encodeName(f).constData(), 0600), 0);
         }},
        // A link put in its place is never followed out of the folder.
        {"replaced by a link", ELOOP,
         [&](const QString& f) {
             QFile::remove(f);
             ASSERT_TRUE(QFile::link(secret, f));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString src = Root + QStringLiteral("src_") + QString::number(c.Error);
        const QString lost = src + QStringLiteral("/lost.txt");
        WriteFile(src + QStringLiteral("/kept.txt"), "kept");
        WriteFile(lost, "lost data");
        Zip->LastError = 0;
        Zip->OnPreProgress = [&](SevenZipPacker*, int64_t) { c.Break(lost); };
        const QString archive = Root + QStringLiteral("out/") + QString::number(c.Error) + QStringLiteral(".7z");
        ASSERT_EQ(PackFolder(src, archive), 0);
        EXPECT_EQ(Describe(Zip->Problems), QStringList{QStringLiteral("Unreadable %1 %2").arg(lost).arg(c.Error)});
        EXPECT_TRUE(Zip->Problems[0].Fails());
        EXPECT_EQ(Zip->LastError, c.Error);
        EXPECT_TRUE(ArchiveTests(archive));
        const QString top = QFileInfo(src).fileName();
        const auto items = ListArchive(archive);
        EXPECT_EQ(Paths(items), (QStringList{top, top + QStringLiteral("/kept.txt")}));
        const ListedItem* kept = Find(items, top + QStringLiteral("/kept.txt"));
        ASSERT_NE(kept, nullptr);
        EXPECT_EQ(kept->Size, 4);
    }
}

// What a user without the permission meets: the file is left out, the folders are reported.
TEST_F(SevenZipAdd, UnreadableFilesAndUnlistableFoldersAreReported)
{
    struct Case {
        const char* Name;
        QStringList Locked;  // relative to the source folder; chmod 000 ("." the folder itself)
        AddOpts Options;
        QStringList Problems;
        QStringList Stored;
    };
    const QList<Case> cases{
        {"a file", {"f.txt"}, AddSolid, {"Unreadable f.txt 13"}, {"", "/a", "/g.txt"}},
        {"the folder itself", {"."}, AddSolid, {"FolderUnlistable  13"}, {""}},
        {"a direct subfolder, not walked", {"a"}, AddSolid, {"FolderUnlistable a 13"}, {"", "/a", "/f.txt", "/g.txt"}},
        {"a deeper subfolder, walked", {"a/b"}, AddSolid | AddRecurseDirs, {"FolderUnlistable a/b 13"},
         {"", "/a", "/a/b", "/a/in.txt", "/f.txt", "/g.txt"}},
    };
    Chmod(Tmp.path(), 0755);
    Chmod(Root + QStringLiteral("out"), 0777);
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString src = Root + QStringLiteral("src%1").arg(n);
        const QString archive = Root + QStringLiteral("out/u%1.7z").arg(n++);
        WriteFile(src + QStringLiteral("/f.txt"), "f");
        WriteFile(src + QStringLiteral("/g.txt"), "g");
        WriteFile(src + QStringLiteral("/a/in.txt"), "in");
        WriteFile(src + QStringLiteral("/a/b/deep.txt"), "deep");
        for (const QString& locked : c.Locked)
            Chmod(src + QLatin1Char('/') + locked, 0);
        const QByteArray report = RunUnprivileged([&] {
            Zip->AddOptions = c.Options;
            Zip->LastError = 0;
            const int32_t result = PackFolder(src, archive);
            QStringList lines = Describe(Zip->Problems);
            lines.replaceInStrings(src + QLatin1Char('/'), QString());
            lines.replaceInStrings(src, QString());
            lines.prepend(QStringLiteral("%1 %2").arg(result).arg(Zip->LastError));
            return lines.join(QLatin1Char('\n')).toUtf8();
        });
        for (const QString& locked : c.Locked)
            Chmod(src + QLatin1Char('/') + locked, 0755);
        QStringList expected = c.Problems;
        expected.prepend(QStringLiteral("0 13"));
        EXPECT_EQ(QString::fromUtf8(report).split(QLatin1Char('\n')), expected);
        EXPECT_TRUE(ArchiveTests(archive));
        QStringList stored;
        for (const QString& s : c.Stored)
            stored.append(QFileInfo(src).fileName() + s);
        EXPECT_EQ(Paths(ListArchive(archive)), stored);
        // Only its owner may read a backup.
        EXPECT_EQ(ModeOf(archive), 0600u);
    }
}

// A file cut short between listing and packing: the archive stays consistent with what could
// be read, and the add learns that this is not the file it listed.
TEST_F(SevenZipAdd, FileCutShortWhilePackedIsReported)
{
    const QString src = Root + QStringLiteral("src");
    const QString cut = src + QStringLiteral("/cut.bin");
    const QString emptied = src + QStringLiteral("/emptied.bin");
    const QString grown = src + QStringLiteral("/grown.txt");
    WriteFile(cut, Noise(300 * 1024));
    WriteFile(emptied, Noise(1000, 2));
    WriteFile(grown, "short");
    WriteFile(src + QStringLiteral("/empty.txt"), QByteArray());
    Zip->OnPreProgress = [&](SevenZipPacker*, int64_t) {
        ASSERT_TRUE(QFile::resize(cut, 100));
        ASSERT_TRUE(QFile::resize(emptied, 0));
        WriteFile(grown, "longer than listed");
    };
    const QString archive = Root + QStringLiteral("out/cut.7z");
    ASSERT_EQ(PackFolder(src, archive), 0);
    QStringList problems = Describe(Zip->Problems);
    problems.sort();
    EXPECT_EQ(problems, (QStringList{QStringLiteral("ChangedWhileRead %1 0").arg(cut),
                                     QStringLiteral("ChangedWhileRead %1 0").arg(emptied)}));
    for (const PackProblem& p : Zip->Problems)
        EXPECT_TRUE(p.Fails());
    EXPECT_TRUE(ArchiveTests(archive));
    const auto items = ListArchive(archive);
    ASSERT_NE(Find(items, QStringLiteral("src/cut.bin")), nullptr);
    EXPECT_EQ(Find(items, QStringLiteral("src/cut.bin"))->Size, 100);
    ASSERT_NE(Find(items, QStringLiteral("src/grown.txt")), nullptr);
    EXPECT_EQ(Find(items, QStringLiteral("src/grown.txt"))->Size, 18);
}

TEST_F(SevenZipAdd, CancellationStopsTheLibraryAndKeepsTheOlderArchive)
{
    const QString src = Root + QStringLiteral("src");
    for (int i = 0; i < 20; ++i)
        WriteFile(src + QStringLiteral("/f%1.bin").arg(i), QByteArray(256 * 1024, char('a' + i)));
    const QString archive = Root + QStringLiteral("out/a.7z");
    WriteFile(archive, "older archive");
    QList<std::tuple<int32_t, QString, QString>> messages;
    Zip->OnProgress = [&](SevenZipPacker* z, const QString&, int64_t, int64_t) { z->CancelRequested = true; };
    Zip->OnMessage = [&](SevenZipPacker*, int32_t code, const QString& text, const QString& file) {
        messages.append({code, text, file});
    };
    const int32_t result = PackFolder(src, archive);
    // The library was told "cancelled" (not a failure of ours) and says so back.
    EXPECT_EQ(result, E_ABORT);
    EXPECT_EQ(Zip->ErrCode, 6);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(std::get<0>(messages[0]), 6);
    EXPECT_EQ(std::get<1>(messages[0]), QStringLiteral("User canceled operation"));
    // The item in hand when the library reported, if it had asked for one yet.
    const QString current = std::get<2>(messages[0]);
    EXPECT_TRUE(current.isEmpty() || current.startsWith(src + QLatin1Char('/'))) << current.toStdString();
    EXPECT_FALSE(Zip->CancelRequested);
    EXPECT_TRUE(Zip->VolumeNames.isEmpty());
    EXPECT_EQ(ReadFile(archive), QByteArray("older archive"));
    EXPECT_EQ(FolderContent(Root + QStringLiteral("out")), QStringList{QStringLiteral("a.7z")});
}

// A setting the library refuses would give an archive other than the one asked for: the add
// fails and writes nothing, and the next add with good settings is not affected.
TEST_F(SevenZipAdd, ASettingTheLibraryRefusesFailsTheAddAndWritesNothing)
{
    const QString src = Root + QStringLiteral("src");
    WriteFile(src + QStringLiteral("/a.txt"), QByteArray("alpha\n").repeated(100));
    const QString archive = Root + QStringLiteral("out/a.7z");
    struct Case {
        const char* Name;
        std::function<void(SevenZipPacker&)> Set;
    };
    const Case cases[] = {
        {"a dictionary beyond any size", [](SevenZipPacker& z) { z.LZMAStrength = 200; }},
        {"PPMd memory beyond any size",
         [](SevenZipPacker& z) {
             z.LZMACompressType = PPMD;
             z.LPPMDmem = 255;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteFile(archive, "older archive");
        Zip = MakeWindowPacker();
        c.Set(*Zip);
        EXPECT_EQ(PackFolder(src, archive), E_INVALIDARG);
        EXPECT_TRUE(Zip->VolumeNames.isEmpty());
        EXPECT_NE(Zip->ErrCode, 6);
        EXPECT_EQ(ReadFile(archive), QByteArray("older archive"));
        EXPECT_EQ(FolderContent(Root + QStringLiteral("out")), QStringList{QStringLiteral("a.7z")});

        Zip->LZMAStrength = 0;
        Zip->LZMACompressType = LZMA;
        ASSERT_EQ(PackFolder(src, archive), 0);
        EXPECT_TRUE(ArchiveTests(archive));
    }
}

// An exception inside a method the library calls (here an allocation that fails, at one call
// after another) ends the add as a failure: not a crash, not a cancel, no archive.
TEST_F(SevenZipAdd, AnExceptionInACallbackFailsTheAdd)
{
    const QString src = Root + QStringLiteral("src");
    for (int i = 0; i < 4; ++i)
        WriteFile(src + QStringLiteral("/f%1.bin").arg(i), Noise(64 * 1024, i));
    const QString archive = Root + QStringLiteral("out/a.7z");
    for (const int call : {1, 2, 3, 5, 8, 13, 21, 34}) {
        SCOPED_TRACE(call);
        WriteFile(archive, "older archive");
        Zip->ErrCode = 0;
        InjectBoundaryFailure(call);
        const int32_t result = PackFolder(src, archive);
        InjectBoundaryFailure(0);
        EXPECT_NE(result, 0);
        EXPECT_NE(result, E_ABORT);
        EXPECT_EQ(Zip->ErrCode, 0);
        EXPECT_TRUE(Zip->VolumeNames.isEmpty());
        EXPECT_EQ(ReadFile(archive), QByteArray("older archive"));
        EXPECT_EQ(FolderContent(Root + QStringLiteral("out")), QStringList{QStringLiteral("a.7z")});
    }
    ASSERT_EQ(PackFolder(src, archive), 0);
    EXPECT_TRUE(ArchiveTests(archive));
}

// A write failure in the middle of the archive (the file size limit of the process stands in
// for a full disk) ends the add with a failure and removes what was written.
TEST_F(SevenZipAdd, WriteFailureEndsTheAddAndKeepsTheOlderArchive)
{
    const QString src = Root + QStringLiteral("src");
    const QByteArray noise = Noise(600 * 1024);
    WriteFile(src + QStringLiteral("/noise.bin"), noise);
    const QString archive = Root + QStringLiteral("out/a.7z");
    WriteFile(archive, "older archive");

    int32_t result;
    {
        FileSizeLimit limit(64 * 1024);
        ASSERT_TRUE(limit.Active);
        result = PackFolder(src, archive);
    }

    EXPECT_NE(result, 0);
    EXPECT_EQ(Zip->LastError, EFBIG);
    EXPECT_EQ(Describe(Zip->Problems), QStringList{QStringLiteral("ArchiveWrite %1 %2").arg(archive).arg(EFBIG)});
    EXPECT_TRUE(Zip->VolumeNames.isEmpty());
    EXPECT_EQ(ReadFile(archive), QByteArray("older archive"));
    EXPECT_EQ(FolderContent(Root + QStringLiteral("out")), QStringList{QStringLiteral("a.7z")});
}

TEST_F(SevenZipAdd, ProgressEventsArriveOnTheCallingThreadInOrder)
{
    const QString src = Root + QStringLiteral("src");
    int64_t expected = 0;
    for (int i = 0; i < 12; ++i) {
        const QByteArray data(100000 + i * 7919, char('A' + i));
        WriteFile(src + QStringLiteral("/f%1.txt").arg(i), data);
        expected += data.size();
    }
    const std::thread::id caller = std::this_thread::get_id();
    bool wrongThread = false;
    QList<int64_t> totals;
    QList<int64_t> positions;
    QMap<QString, int64_t> added;
    bool progressBeforePre = false;
    Zip->OnPreProgress = [&](SevenZipPacker*, int64_t total) {
        wrongThread |= std::this_thread::get_id() != caller;
        totals.append(total);
    };
    Zip->OnAddfile = [&](SevenZipPacker*, const QString& name, int64_t size) {
        wrongThread |= std::this_thread::get_id() != caller;
        added.insert(name, size);
    };
    Zip->OnProgress = [&](SevenZipPacker*, const QString&, int64_t arc, int64_t) {
        wrongThread |= std::this_thread::get_id() != caller;
        progressBeforePre |= totals.isEmpty();
        positions.append(arc);
    };
    ASSERT_EQ(PackFolder(src, Root + QStringLiteral("out/p.7z")), 0);
    EXPECT_FALSE(wrongThread);
    EXPECT_FALSE(progressBeforePre);
    EXPECT_EQ(totals, QList<int64_t>{expected});
    ASSERT_FALSE(positions.isEmpty());
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(positions.last(), expected);
    // Raised for the item in hand at the first report after its stream was handed out.
    ASSERT_FALSE(added.isEmpty());
    for (auto it = added.cbegin(); it != added.cend(); ++it) {
        const int i = QFileInfo(it.key()).baseName().mid(1).toInt();
        EXPECT_EQ(it.value(), 100000 + i * 7919) << it.key().toStdString();
    }
    EXPECT_TRUE(ArchiveTests(Root + QStringLiteral("out/p.7z")));
}

TEST_F(SevenZipAdd, SetAddNameRenamesStoredItems)
{
    const QString src = Root + QStringLiteral("src");
    WriteFile(src + QStringLiteral("/f.txt"), "f");
    WriteFile(src + QStringLiteral("/g.txt"), "g");
    const std::thread::id caller = std::this_thread::get_id();
    bool wrongThread = false;
    QStringList seen;
    Zip->OnSetAddName = [&](SevenZipPacker*, uint32_t index, QString& name) {
        wrongThread |= std::this_thread::get_id() != caller;
        seen.append(QString::number(index) + QLatin1Char(' ') + name);
        if (name.endsWith(QStringLiteral("g.txt")))
            name = QStringLiteral("/nowa nazwa/ż.txt");
    };
    const QString archive = Root + QStringLiteral("out/n.7z");
    ASSERT_EQ(PackFolder(src, archive), 0);
    EXPECT_FALSE(wrongThread);
    // Each item is asked for once, by its index, with the root already cut.
    seen.removeDuplicates();
    seen.sort();
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen[0], QStringLiteral("0 src"));
    QStringList files{seen[1].mid(2), seen[2].mid(2)};
    files.sort();
    EXPECT_EQ(files, (QStringList{QStringLiteral("src/f.txt"), QStringLiteral("src/g.txt")}));
    EXPECT_TRUE(ArchiveTests(archive));
    // The handler's name still loses its root separator.
    EXPECT_EQ(Paths(ListArchive(archive)),
              (QStringList{QStringLiteral("nowa nazwa/ż.txt"), QStringLiteral("src"), QStringLiteral("src/f.txt")}));
}

TEST_F(SevenZipAdd, RecursionPutsEachSubfolderBeforeItsContent)
{
    const QString src = Root + QStringLiteral("src");
    WriteFile(src + QStringLiteral("/a/1.txt"), "1");
    WriteFile(src + QStringLiteral("/a/b/2.txt"), "2");
    WriteFile(src + QStringLiteral("/c/3.txt"), "3");
    WriteFile(src + QStringLiteral("/4.txt"), "4");
    Zip->AddOptions = AddSolid | AddRecurseDirs;
    QMap<QString, uint32_t> index;
    Zip->OnSetAddName = [&](SevenZipPacker*, uint32_t i, QString& name) { index.insert(name, i); };
    const QString archive = Root + QStringLiteral("out/r.7z");
    ASSERT_EQ(PackFolder(src, archive), 0);
    EXPECT_TRUE(ArchiveTests(archive));
    EXPECT_EQ(Paths(ListArchive(archive)),
              (QStringList{QStringLiteral("src"), QStringLiteral("src/4.txt"), QStringLiteral("src/a"),
                           QStringLiteral("src/a/1.txt"), QStringLiteral("src/a/b"), QStringLiteral("src/a/b/2.txt"),
                           QStringLiteral("src/c"), QStringLiteral("src/c/3.txt")}));
    // Each folder's content follows it directly: no other item lies between.
    auto span = [&](const QString& folder) {
        uint32_t last = index.value(folder);
        for (auto it = index.cbegin(); it != index.cend(); ++it)
            if (it.key().startsWith(folder + QLatin1Char('/')))
                last = std::max(last, it.value());
        return std::make_pair(index.value(folder), last);
    };
    for (const QString& folder : {QStringLiteral("src/a"), QStringLiteral("src/a/b"), QStringLiteral("src/c")}) {
        SCOPED_TRACE(folder.toStdString());
        const auto [first, last] = span(folder);
        int inside = 0;
        for (auto it = index.cbegin(); it != index.cend(); ++it)
            if (it.value() > first && it.value() <= last)
                inside += it.key().startsWith(folder + QLatin1Char('/')) ? 1 : 100;
        EXPECT_LT(inside, 100);
        EXPECT_EQ(uint32_t(inside), last - first);
    }
}

// The method the library used shows the properties it was given.
TEST_F(SevenZipAdd, CompressionSettingsReachTheLibrary)
{
    struct Case {
        const char* Name;
        std::function<void(SevenZipPacker&)> Set;
        const char* Method;
        const char* Solid;
    };
    const QList<Case> cases{
        {"LZMA fast solid", [](SevenZipPacker&) {}, "LZMA2:16", "+"},
        {"LZMA not solid, dictionary 2^12",
         [](SevenZipPacker& z) {
             z.AddOptions = 0;
             z.LZMAStrength = 12;
         },
         "LZMA2:12", "-"},
        {"PPMd order 6",
         [](SevenZipPacker& z) {
             z.LZMACompressType = PPMD;
             z.LPPMDsize = 6;
             z.LPPMDmem = 20;
         },
         "PPMD:o6:mem20", "+"},
    };
    WriteFile(Root + QStringLiteral("src/a.txt"), QByteArray("compressible text ").repeated(2000));
    WriteFile(Root + QStringLiteral("src/b.txt"), QByteArray("other text ").repeated(2000));
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        SevenZipPacker zip;
        zip.AddOptions = AddSolid;
        zip.LZMACompressStrength = FAST;
        zip.LPPMDmem = 0;
        zip.LPPMDsize = 0;
        c.Set(zip);
        zip.SZFileName = Root + QStringLiteral("out/m%1.7z").arg(n++);
        zip.AddRootDir = Root;
        zip.Files.Add(Root + QStringLiteral("src/*.*"));
        ASSERT_EQ(zip.Add(), 0);
        EXPECT_TRUE(ArchiveTests(zip.SZFileName));
        QString header;
        const auto items = ListArchive(zip.SZFileName, &header);
        const ListedItem* a = Find(items, QStringLiteral("src/a.txt"));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->Method, QString::fromLatin1(c.Method));
        EXPECT_TRUE(header.contains(QStringLiteral("Solid = ") + QString::fromLatin1(c.Solid))) << header.toStdString();
    }
}

TEST_F(SevenZipAdd, PasswordEncryptsDataAndWithEncryptFilenameTheNames)
{
    WriteFile(Root + QStringLiteral("src/tajne.txt"), "secret");
    for (const bool encryptNames : {false, true}) {
        SCOPED_TRACE(encryptNames);
        Zip->Password = QStringLiteral("hasło ąę");
        Zip->AddOptions = encryptNames ? (AddSolid | AddEncryptFilename) : AddSolid;
        const QString archive = Root + (encryptNames ? QStringLiteral("out/he.7z") : QStringLiteral("out/p.7z"));
        ASSERT_EQ(PackFolder(Root + QStringLiteral("src"), archive), 0);
        EXPECT_TRUE(ArchiveTests(archive, Zip->Password));
        EXPECT_FALSE(ArchiveTests(archive, QStringLiteral("zle")));
        const auto withPassword = ListArchive(archive, nullptr, Zip->Password);
        EXPECT_EQ(Paths(withPassword), (QStringList{QStringLiteral("src"), QStringLiteral("src/tajne.txt")}));
        const auto without = ListArchive(archive, nullptr, QStringLiteral("zle"));
        EXPECT_EQ(without.isEmpty(), encryptNames);
    }
}

TEST_F(SevenZipAdd, HandlerFailureStopsTheAddAndPassesOn)
{
    const QString src = Root + QStringLiteral("src");
    for (int i = 0; i < 8; ++i)
        WriteFile(src + QStringLiteral("/f%1.bin").arg(i), QByteArray(200 * 1024, char('a' + i)));
    const QString archive = Root + QStringLiteral("out/a.7z");
    int after = 0;
    bool thrown = false;
    Zip->OnProgress = [&](SevenZipPacker*, const QString&, int64_t, int64_t) {
        if (thrown)
            ++after;
        thrown = true;
        throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(PackFolder(src, archive), std::runtime_error);
    EXPECT_EQ(after, 0);
    EXPECT_TRUE(FolderContent(Root + QStringLiteral("out")).isEmpty());
    // The component stays usable.
    Zip->OnProgress = nullptr;
    EXPECT_EQ(PackFolder(src, archive), 0);
    EXPECT_TRUE(ArchiveTests(archive));
}

// Names that are not UTF-8 keep their bytes: stored the way the 7z command stores them, so it
// lists and extracts them byte for byte, and two names that differ only in such a byte stay two.
TEST_F(SevenZipAdd, NamesThatAreNotUtf8KeepTheirBytes)
{
    const QByteArray folderName = "zr\xf3" "d\xb3o";  // a Windows-1250 name
    const QByteArray src = QFile::encodeName(Root) + folderName;
    ASSERT_EQ(::mkdir(src.constData(), 0755), 0);
    const QList<QPair<QByteArray, QByteArray>> files{
        {"\xff.txt", "abcd"},
        {"\xfe.txt", "other data"},
        {"a\xc3" "b", "a sequence cut short"},
        {"\xc0\xaf.txt", "an overlong form"},
        {"zwyk\xc5\x82y.txt", "valid UTF-8"},
    };
    QList<QByteArray> names;
    for (const auto& [name, data] : files) {
        WriteRawFile(src + '/' + name, data);
        names.append(name);
    }
    std::sort(names.begin(), names.end());

    const QString archive = Root + QStringLiteral("out/raw.7z");
    ASSERT_EQ(PackFolder(FromNativePath(src), archive), 0);
    EXPECT_TRUE(Zip->Problems.empty());
    EXPECT_TRUE(ArchiveTests(archive));

    // The 7z command's own archive of the same folder lists the same names.
    QProcess p;
    p.setWorkingDirectory(Root);
    p.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("7z a -bd out/reference.7z zr*")});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
    const QList<QByteArray> listed = RawPaths(archive);
    EXPECT_EQ(listed.size(), files.size() + 1);
    EXPECT_EQ(listed, RawPaths(Root + QStringLiteral("out/reference.7z")));

    // Extracted, every name has its bytes again, and every file its data.
    ASSERT_EQ(Run7z({QStringLiteral("x"), QStringLiteral("-bd"), QStringLiteral("-o") + Root + QStringLiteral("ext"), archive})
                  .ExitCode,
              0);
    const QByteArray extracted = QFile::encodeName(Root + QStringLiteral("ext/")) + folderName;
    EXPECT_EQ(RawFolderNames(QFile::encodeName(Root + QStringLiteral("ext"))), QList<QByteArray>{folderName});
    EXPECT_EQ(RawFolderNames(extracted), names);
    for (const auto& [name, data] : files)
        EXPECT_EQ(ReadRawFile(extracted + '/' + name), data) << name.toHex().toStdString();
}

// A file entry's path is the file it names, whatever characters it holds; only a folder's own
// mask is a mask.
TEST_F(SevenZipAdd, FileEntryPathIsNeverAMask)
{
    const QString dir = Root + QStringLiteral("gwiazdki/");
    WriteFile(dir + QStringLiteral("a*b.txt"), "star");
    WriteFile(dir + QStringLiteral("aXb.txt"), "decoy");
    WriteFile(dir + QStringLiteral("a-b.txt"), "decoy");
    WriteFile(dir + QStringLiteral("*.txt"), "named like a mask");
    WriteFile(dir + QStringLiteral("c.dat"), "c");
    struct Case {
        const char* Name;
        QString Entry;
        bool Literal;
        int32_t Result;
        QStringList Stored;
    };
    const QList<Case> cases{
        {"literal with a star", dir + QStringLiteral("a*b.txt"), true, 0, {"gwiazdki/a*b.txt"}},
        {"literal named like a mask", dir + QStringLiteral("*.txt"), true, 0, {"gwiazdki/*.txt"}},
        {"an existing file is that file also when not marked", dir + QStringLiteral("a*b.txt"), false, 0,
         {"gwiazdki/a*b.txt"}},
        {"a literal that does not exist adds nothing", dir + QStringLiteral("a*.txt"), true, -1, {}},
        {"a folder's own mask stays a mask", dir + QStringLiteral("*.txt"), false, 0,
         {"gwiazdki", "gwiazdki/*.txt", "gwiazdki/a*b.txt", "gwiazdki/a-b.txt", "gwiazdki/aXb.txt"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Zip->SZFileName = Root + QStringLiteral("out/g%1.7z").arg(n++);
        Zip->AddRootDir = Root;
        Zip->Files.Clear();
        if (c.Literal)
            Zip->Files.AddLiteral(c.Entry);
        else
            Zip->Files.Add(c.Entry);
        ASSERT_EQ(Zip->Add(), c.Result);
        if (c.Result != 0)
            continue;
        EXPECT_TRUE(ArchiveTests(Zip->SZFileName));
        EXPECT_EQ(Paths(ListArchive(Zip->SZFileName)), c.Stored);
    }
}

// Links inside a folder are stored as the links themselves, item for item as `7z a -snl` stores
// them, and never followed: not to a file outside the folder, not into a folder.
TEST_F(SevenZipAdd, LinksInAFolderAreStoredAsLinks)
{
    const QString src = Root + QStringLiteral("linki");
    const QString secret = Root + QStringLiteral("tajne.txt");
    WriteFile(secret, "the secret");
    WriteFile(src + QStringLiteral("/f.txt"), "file");
    WriteFile(src + QStringLiteral("/sub/inner.txt"), "inner");
    const QList<QPair<QString, QString>> links{
        {QStringLiteral("link"), QStringLiteral("f.txt")},
        {QStringLiteral("dirlink"), QStringLiteral("sub")},
        {QStringLiteral("dangling"), QStringLiteral("/nie/ma/takiego")},
        {QStringLiteral("outside"), secret},
    };
    for (const auto& [name, target] : links)
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(src + QLatin1Char('/') + name).constData()),
                  0);

    const QString archive = Root + QStringLiteral("out/ours.7z");
    Zip->AddOptions = AddSolid | AddRecurseDirs;
    ASSERT_EQ(PackFolder(src, archive), 0);
    EXPECT_TRUE(Zip->Problems.empty());
    EXPECT_TRUE(ArchiveTests(archive));
    const auto ours = ListArchive(archive);
    EXPECT_EQ(Paths(ours), (QStringList{"linki", "linki/dangling", "linki/dirlink", "linki/f.txt", "linki/link",
                                        "linki/outside", "linki/sub", "linki/sub/inner.txt"}));

    const QString reference = Root + QStringLiteral("out/reference.7z");
    ASSERT_EQ(Run7z({QStringLiteral("a"), QStringLiteral("-snl"), QStringLiteral("-bd"), reference, QStringLiteral("linki")}, Root)
                  .ExitCode,
              0);
    const auto theirs = ListArchive(reference);
    for (const auto& [name, target] : links) {
        SCOPED_TRACE(name.toStdString());
        const ListedItem* a = Find(ours, QStringLiteral("linki/") + name);
        const ListedItem* b = Find(theirs, QStringLiteral("linki/") + name);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(a->Attributes, QStringLiteral("A lrwxrwxrwx"));
        EXPECT_EQ(a->Attributes, b->Attributes);
        EXPECT_EQ(a->Size, QFile::encodeName(target).size());
        EXPECT_EQ(a->Size, b->Size);
        EXPECT_EQ(a->Crc, b->Crc);
        EXPECT_EQ(a->Modified, b->Modified);
        EXPECT_FALSE(a->IsFolder);
    }

    // Restored, the links are links again, with the targets the 7z command gives its own (it
    // places an absolute target under the folder it extracts to).
    for (const QString& which : {QStringLiteral("ours"), QStringLiteral("reference")})
        ASSERT_EQ(Run7z({QStringLiteral("x"), QStringLiteral("-bd"), QStringLiteral("-o") + Root + QStringLiteral("ext-") + which,
                         Root + QStringLiteral("out/") + which + QStringLiteral(".7z")})
                      .ExitCode,
                  0);
    auto target = [&](const QString& path) {
        char buffer[1024];
        const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
        return QFile::decodeName(QByteArray(buffer, n > 0 ? n : 0));
    };
    for (const auto& [name, linkTarget] : links) {
        SCOPED_TRACE(name.toStdString());
        const QString restored = Root + QStringLiteral("ext-ours/linki/") + name;
        EXPECT_TRUE(QFileInfo(restored).isSymLink());
        EXPECT_TRUE(target(restored).endsWith(linkTarget));
        auto inside = [](const QString& text, const QString& folder) {
            return text.startsWith(folder) ? text.mid(folder.size()) : text;
        };
        EXPECT_EQ(inside(target(restored), Root + QStringLiteral("ext-ours")),
                  inside(target(Root + QStringLiteral("ext-reference/linki/") + name), Root + QStringLiteral("ext-reference")));
    }

    // A file entry that is itself a link is what the user chose: its file is stored.
    ASSERT_EQ(PackFile(src + QStringLiteral("/outside"), Root + QStringLiteral("out/plik.7z")), 0);
    const auto followed = ListArchive(Root + QStringLiteral("out/plik.7z"));
    ASSERT_EQ(followed.size(), 1);
    EXPECT_EQ(followed[0].Path, QStringLiteral("outside"));
    EXPECT_EQ(followed[0].Size, 10);
    EXPECT_EQ(followed[0].Attributes.left(3), QStringLiteral("A -"));
}

// Pipes and sockets have no data to keep: left out, reported, and no failure of the add.
TEST_F(SevenZipAdd, PipesAndSocketsAreLeftOutWithoutFailing)
{
    const QString src = Root + QStringLiteral("src");
    WriteFile(src + QStringLiteral("/f.txt"), "f");
    const QString fifo = src + QStringLiteral("/kolejka");
    const QString socketPath = src + QStringLiteral("/gniazdo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(socketPath);
    ASSERT_LT(size_t(encoded.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    const QString archive = Root + QStringLiteral("out/s.7z");
    Zip->LastError = 0;
    const int32_t result = PackFolder(src, archive);
    ::close(sock);
    ASSERT_EQ(result, 0);
    QStringList problems = Describe(Zip->Problems);
    problems.sort();
    EXPECT_EQ(problems, (QStringList{QStringLiteral("SpecialFileLeftOut %1 0").arg(socketPath),
                                     QStringLiteral("SpecialFileLeftOut %1 0").arg(fifo)}));
    for (const PackProblem& p : Zip->Problems)
        EXPECT_FALSE(p.Fails());
    EXPECT_EQ(Zip->LastError, 0);
    EXPECT_TRUE(ArchiveTests(archive));
    EXPECT_EQ(Paths(ListArchive(archive)), (QStringList{QStringLiteral("src"), QStringLiteral("src/f.txt")}));
}

// Subfolders the add does not walk are still listed, so the user learns how many of them held
// something the archive leaves out.
TEST_F(SevenZipAdd, SubfoldersWithContentThatIsNotWalkedAreCounted)
{
    const QString src = Root + QStringLiteral("src");
    WriteFile(src + QStringLiteral("/f.txt"), "f");
    WriteFile(src + QStringLiteral("/pelny/a.txt"), "a");
    WriteFile(src + QStringLiteral("/ukryty/.plik"), "hidden");
    QDir().mkpath(src + QStringLiteral("/tylko folder/pusty"));
    QDir().mkpath(src + QStringLiteral("/pusty"));
    ASSERT_TRUE(QFile::link(src + QStringLiteral("/pelny"), src + QStringLiteral("/link do folderu")));
    ASSERT_EQ(PackFolder(src, Root + QStringLiteral("out/a.7z")), 0);
    EXPECT_EQ(Zip->SkippedSubfolderCount, 3);
    EXPECT_TRUE(Zip->Problems.empty());
    Zip->AddOptions = AddSolid | AddRecurseDirs;
    ASSERT_EQ(PackFolder(src, Root + QStringLiteral("out/b.7z")), 0);
    EXPECT_EQ(Zip->SkippedSubfolderCount, 0);
}

// The archive is written under a short temporary name of its own, readable by its owner only
// and locked while it is written; the name it gets at the end is the only one left.
TEST_F(SevenZipAdd, ArchiveIsWrittenUnderAShortLockedPrivateName)
{
    const mode_t previousMask = ::umask(022);
    const QString src = Root + QStringLiteral("src");
    for (int i = 0; i < 4; ++i)
        WriteFile(src + QStringLiteral("/f%1.bin").arg(i), Noise(100 * 1024, unsigned(i)));
    QStringList seen;
    Zip->OnProgress = [&](SevenZipPacker*, const QString&, int64_t, int64_t) {
        if (!seen.isEmpty())
            return;
        for (const QString& name : FolderContent(Root + QStringLiteral("out"))) {
            const QString path = Root + QStringLiteral("out/") + name;
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
            const bool locked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
            if (fd >= 0)
                ::close(fd);
            seen.append(QStringLiteral("%1 %2 %3").arg(name).arg(ModeOf(path), 0, 8).arg(locked ? "locked" : "free"));
        }
    };
    const QString archive = Root + QStringLiteral("out/Kopia.7z");
    ASSERT_EQ(PackFolder(src, archive), 0);
    ASSERT_EQ(seen.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\.skrytkar-[A-Za-z0-9]{6}\\.tmp 600 locked$")).match(seen[0]).hasMatch())
        << seen[0].toStdString();
    EXPECT_EQ(FolderContent(Root + QStringLiteral("out")), QStringList{QStringLiteral("Kopia.7z")});
    EXPECT_EQ(ModeOf(archive), 0600u);

    ::umask(previousMask);
}

// The temporary name does not grow with the archive's: every name whose archive name fits the
// file system's limit of 255 bytes works, and one that does not fit is reported.
TEST_F(SevenZipAdd, EveryNameWhoseArchiveNameFitsWorks)
{
    WriteFile(Root + QStringLiteral("src/f.txt"), "f");
    struct Case {
        const char* Name;
        QString Nazwa;
        int Error;
    };
    const QList<Case> cases{
        {"250 bytes", QString(250, QLatin1Char('n')), 0},
        {"252 bytes of two-byte letters", QString(126, QChar(0x017C)), 0},
        {"253 bytes", QString(253, QLatin1Char('n')), ENAMETOOLONG},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString out = Root + QStringLiteral("out/") + QString::fromLatin1(c.Name).left(3) + QLatin1Char('/');
        QDir().mkpath(out);
        const QString archive = out + c.Nazwa + QStringLiteral(".7z");
        const int32_t result = PackFile(Root + QStringLiteral("src/f.txt"), archive);
        if (c.Error == 0) {
            ASSERT_EQ(result, 0);
            EXPECT_TRUE(Zip->Problems.empty());
            EXPECT_TRUE(ArchiveTests(archive));
            EXPECT_EQ(FolderContent(out), QStringList{c.Nazwa + QStringLiteral(".7z")});
        } else {
            EXPECT_NE(result, 0);
            EXPECT_EQ(Describe(Zip->Problems), QStringList{QStringLiteral("ArchiveWrite %1 %2").arg(archive).arg(c.Error)});
            EXPECT_TRUE(FolderContent(out).isEmpty());
        }
    }
}

// Before an add writes into a folder it removes what interrupted adds left there, and only that:
// a temporary file some process still holds a lock on is being written and stays.
TEST_F(SevenZipAdd, StaleTemporaryFilesAreRemovedAndNothingElse)
{
    const QString out = Root + QStringLiteral("out/");
    const QStringList stale{QStringLiteral(".skrytkar-abcDEF.tmp"), QStringLiteral("Dane.7z.x1Y2z3.tmp"),
                            QStringLiteral("Zażółć gęślą.7z.AbCdEf.tmp")};
    const QStringList locked{QStringLiteral(".skrytkar-LOCKED.tmp"), QStringLiteral("Inne.7z.LoCkEd.tmp")};
    const QStringList kept{QStringLiteral("notatki.tmp"),          QStringLiteral(".skrytkar-abc.tmp"),
                           QStringLiteral(".skrytkar-abcdefg.tmp"), QStringLiteral(".skrytkar-abcdef.tmpx"),
                           QStringLiteral("Dane.7z.abcdef.tmp.bak"), QStringLiteral("Dane.7z.abc-ef.tmp"),
                           QStringLiteral("Dane.7z"),               QStringLiteral("Dane.zip.abcdef.tmp")};
    for (const QString& name : stale + locked + kept)
        WriteFile(out + name, "data");
    QDir().mkpath(out + QStringLiteral(".skrytkar-folder.tmp"));
    WriteFile(Root + QStringLiteral("cel.txt"), "target");
    ASSERT_TRUE(QFile::link(Root + QStringLiteral("cel.txt"), out + QStringLiteral(".skrytkar-linkxx.tmp")));
    // Another folder is not this add's business.
    WriteFile(Root + QStringLiteral("inny/.skrytkar-qwerty.tmp"), "elsewhere");

    // Other processes hold locks on two of them, the way a running add holds its own.
    QList<QProcess*> holders;
    for (const QString& name : locked) {
        auto* holder = new QProcess;
        holders.append(holder);
        holder->start(QStringLiteral("flock"), {QStringLiteral("-x"), out + name, QStringLiteral("-c"), QStringLiteral("echo locked; cat")});
        ASSERT_TRUE(holder->waitForReadyRead(10000));
        ASSERT_EQ(holder->readLine().trimmed(), QByteArray("locked"));
    }

    WriteFile(Root + QStringLiteral("src/f.txt"), "f");
    const int32_t result = PackFolder(Root + QStringLiteral("src"), out + QStringLiteral("a.7z"));
    for (QProcess* holder : holders) {
        holder->closeWriteChannel();
        holder->waitForFinished(10000);
        delete holder;
    }
    ASSERT_EQ(result, 0);
    QStringList expected = locked + kept;
    expected << QStringLiteral("a.7z") << QStringLiteral(".skrytkar-folder.tmp") << QStringLiteral(".skrytkar-linkxx.tmp");
    expected.sort();
    EXPECT_EQ(FolderContent(out), expected);
    EXPECT_EQ(ReadFile(Root + QStringLiteral("cel.txt")), QByteArray("target"));
    EXPECT_EQ(ReadFile(Root + QStringLiteral("inny/.skrytkar-qwerty.tmp")), QByteArray("elsewhere"));
}

// Every byte of the archive reaches the disk before it takes its name, and the name reaches it
// after; an archive that cannot be flushed never takes the name.
TEST_F(SevenZipAdd, ArchiveReachesTheDiskBeforeItsNameAndTheNameAfter)
{
    struct HookGuard {
        ~HookGuard() { InjectSyncHook(nullptr); }
    } guard;
    WriteFile(Root + QStringLiteral("src/f.txt"), "f");
    const QString archive = Root + QStringLiteral("out/a.7z");
    QStringList events;
    InjectSyncHook([&](const QString& folder) {
        const QString state = QFileInfo::exists(archive) ? QStringLiteral("named") : QStringLiteral("unnamed");
        events.append(folder.isEmpty() ? QStringLiteral("file ") + state : QStringLiteral("folder %1 %2").arg(folder, state));
        return NoError;
    });
    ASSERT_EQ(PackFolder(Root + QStringLiteral("src"), archive), 0);
    EXPECT_EQ(events, (QStringList{QStringLiteral("file unnamed"), QStringLiteral("folder %1 named").arg(Root + QStringLiteral("out/"))}));

    WriteFile(archive, "older archive");
    InjectSyncHook([](const QString& folder) { return folder.isEmpty() ? EIO : NoError; });
    Zip->LastError = 0;
    EXPECT_NE(PackFolder(Root + QStringLiteral("src"), archive), 0);
    EXPECT_EQ(Describe(Zip->Problems), QStringList{QStringLiteral("ArchiveWrite %1 %2").arg(archive).arg(EIO)});
    EXPECT_EQ(Zip->LastError, EIO);
    EXPECT_TRUE(Zip->VolumeNames.isEmpty());
    EXPECT_EQ(ReadFile(archive), QByteArray("older archive"));
    EXPECT_EQ(FolderContent(Root + QStringLiteral("out")), QStringList{QStringLiteral("a.7z")});
}

// Output that cannot be written is a problem naming the archive and the reason.
TEST_F(SevenZipAdd, OutputFailuresNameTheArchiveAndTheReason)
{
    WriteFile(Root + QStringLiteral("src/f.txt"), "f");
    // A folder in the archive's place: all is written, the name cannot be given.
    const QString taken = Root + QStringLiteral("out/zajete.7z");
    QDir().mkpath(taken);
    Zip->LastError = 0;
    EXPECT_NE(PackFolder(Root + QStringLiteral("src"), taken), 0);
    EXPECT_EQ(Describe(Zip->Problems), QStringList{QStringLiteral("ArchiveWrite %1 %2").arg(taken).arg(EISDIR)});
    EXPECT_EQ(Zip->LastError, EISDIR);
    EXPECT_EQ(FolderContent(Root + QStringLiteral("out")), QStringList{QStringLiteral("zajete.7z")});

    // A folder the user may not write into.
    Chmod(Tmp.path(), 0755);
    const QString readOnly = Root + QStringLiteral("tylko do odczytu");
    QDir().mkpath(readOnly);
    Chmod(readOnly, 0555);
    const QString archive = readOnly + QStringLiteral("/a.7z");
    const QByteArray report = RunUnprivileged([&] {
        Zip->LastError = 0;
        QString outcome;
        try {
            outcome = QString::number(PackFolder(Root + QStringLiteral("src"), archive));
        } catch (const StreamWriteError&) {
            outcome = QStringLiteral("raised");
        }
        QStringList lines = Describe(Zip->Problems);
        lines.prepend(QStringLiteral("%1 %2").arg(outcome).arg(Zip->LastError));
        return lines.join(QLatin1Char('\n')).toUtf8();
    });
    EXPECT_EQ(QString::fromUtf8(report).split(QLatin1Char('\n')),
              (QStringList{QStringLiteral("raised %1").arg(EACCES), QStringLiteral("ArchiveWrite %1 %2").arg(archive).arg(EACCES)}));
    EXPECT_TRUE(FolderContent(readOnly).isEmpty());
}

}  // namespace
