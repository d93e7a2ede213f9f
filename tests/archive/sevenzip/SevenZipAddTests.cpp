// TSevenZip::Add against the real 7-Zip library; every archive is checked with the `7z` command.

#include "archive/sevenzip/SevenZip.h"
#include "SevenZipTestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <stdexcept>
#include <thread>
#include <unistd.h>

using namespace SevenZipTest;

namespace {

class SevenZipAdd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Tmp.isValid());
        Root = Tmp.path() + QLatin1Char('/');
        Zip = std::make_unique<TSevenZip>();
        // The settings the main window gives its packer.
        Zip->AddOptions = AddSolid;
        Zip->LZMACompressStrength = FAST;
        Zip->LPPMDmem = 0;
        Zip->LPPMDsize = 0;
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
    std::unique_ptr<TSevenZip> Zip;
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
        Zip->OnPreProgress = [&](TSevenZip*, int64_t total) { pre.append(total); };
        Zip->OnMessage = [&](TSevenZip*, int32_t code, const QString& text, const QString& file) {
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
    Zip->OnMessage = [&](TSevenZip*, int32_t, const QString&, const QString&) { ++messages; };
    Zip->OnPreProgress = [&](TSevenZip*, int64_t) { ++pre; };
    Zip->ErrCode = 3;
    EXPECT_THROW(PackFolder(Root + QStringLiteral("src"), Root + QStringLiteral("nie ma/a.7z")), EStreamWriteError);
    EXPECT_EQ(Zip->LastError, ENOENT);
    EXPECT_EQ(Zip->ErrCode, 3);
    EXPECT_EQ(messages, 0);
    EXPECT_EQ(pre, 1);
    EXPECT_FALSE(Zip->CancelRequested);
    EXPECT_FALSE(QFileInfo::exists(Root + QStringLiteral("nie ma")));
}

// Files that vanish or cannot be read after gathering give their item no data; the add goes on.
TEST_F(SevenZipAdd, FileLostAfterGatheringGetsNoDataAndSetsLastError)
{
    struct Case {
        const char* Name;
        int Error;
        std::function<void(const QString&)> Break;
    };
    const QList<Case> cases{
        {"removed", ENOENT, [](const QString& f) { QFile::remove(f); }},
        {"replaced by a folder", EISDIR,
         [](const QString& f) {
             QFile::remove(f);
             QDir().mkpath(f);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString src = Root + QStringLiteral("src_") + QString::number(c.Error);
        const QString lost = src + QStringLiteral("/lost.txt");
        WriteFile(src + QStringLiteral("/kept.txt"), "kept");
        WriteFile(lost, "lost data");
        Zip->LastError = 0;
        Zip->OnPreProgress = [&](TSevenZip*, int64_t) { c.Break(lost); };
        const QString archive = Root + QStringLiteral("out/") + QString::number(c.Error) + QStringLiteral(".7z");
        ASSERT_EQ(PackFolder(src, archive), 0);
        EXPECT_EQ(Zip->LastError, c.Error);
        EXPECT_TRUE(ArchiveTests(archive));
        const auto items = ListArchive(archive);
        const QString top = QFileInfo(src).fileName();
        const ListedItem* kept = Find(items, top + QStringLiteral("/kept.txt"));
        ASSERT_NE(kept, nullptr);
        EXPECT_EQ(kept->Size, 4);
        const ListedItem* lostItem = Find(items, top + QStringLiteral("/lost.txt"));
        ASSERT_NE(lostItem, nullptr);
        EXPECT_EQ(lostItem->Size, 0);
    }
}

TEST_F(SevenZipAdd, CancellationStopsTheLibraryAndKeepsTheOlderArchive)
{
    const QString src = Root + QStringLiteral("src");
    for (int i = 0; i < 20; ++i)
        WriteFile(src + QStringLiteral("/f%1.bin").arg(i), QByteArray(256 * 1024, char('a' + i)));
    const QString archive = Root + QStringLiteral("out/a.7z");
    WriteFile(archive, "older archive");
    QList<std::tuple<int32_t, QString, QString>> messages;
    Zip->OnProgress = [&](TSevenZip* z, const QString&, int64_t, int64_t) { z->CancelRequested = true; };
    Zip->OnMessage = [&](TSevenZip*, int32_t code, const QString& text, const QString& file) {
        messages.append({code, text, file});
    };
    const int32_t result = PackFolder(src, archive);
    EXPECT_NE(result, 0);
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
    Zip->OnPreProgress = [&](TSevenZip*, int64_t total) {
        wrongThread |= std::this_thread::get_id() != caller;
        totals.append(total);
    };
    Zip->OnAddfile = [&](TSevenZip*, const QString& name, int64_t size) {
        wrongThread |= std::this_thread::get_id() != caller;
        added.insert(name, size);
    };
    Zip->OnProgress = [&](TSevenZip*, const QString&, int64_t arc, int64_t) {
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
    Zip->OnSetAddName = [&](TSevenZip*, uint32_t index, QString& name) {
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
    Zip->OnSetAddName = [&](TSevenZip*, uint32_t i, QString& name) { index.insert(name, i); };
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

TEST_F(SevenZipAdd, VolumesAreNamedAndSizedAndTestAsOneArchive)
{
    const QString src = Root + QStringLiteral("src");
    const QByteArray noise = Noise(5000);
    WriteFile(src + QStringLiteral("/noise.bin"), noise);
    Zip->SetVolumeSize(1000);
    const QString archive = Root + QStringLiteral("out/v.7z");
    ASSERT_EQ(PackFolder(src, archive), 0);
    ASSERT_GE(Zip->VolumeNames.size(), 5);
    for (int i = 0; i < Zip->VolumeNames.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Zip->VolumeNames[i], archive + QStringLiteral(".%1").arg(i + 1, 3, 10, QLatin1Char('0')));
        const qint64 size = QFileInfo(Zip->VolumeNames[i]).size();
        if (i + 1 < Zip->VolumeNames.size())
            EXPECT_EQ(size, 1000);
        else
            EXPECT_LE(size, 1000);
    }
    EXPECT_TRUE(ArchiveTests(Zip->VolumeNames[0]));
    EXPECT_EQ(Paths(ListArchive(Zip->VolumeNames[0])), (QStringList{QStringLiteral("src"), QStringLiteral("src/noise.bin")}));
    EXPECT_EQ(FolderContent(Root + QStringLiteral("out")).size(), Zip->VolumeNames.size());
}

TEST_F(SevenZipAdd, FailedVolumeAddRemovesItsVolumes)
{
    const QString src = Root + QStringLiteral("src");
    const QByteArray noise = Noise(300 * 1024);
    WriteFile(src + QStringLiteral("/noise.bin"), noise);
    WriteFile(src + QStringLiteral("/more.bin"), noise);
    Zip->SetVolumeSize(1000);
    const QString archive = Root + QStringLiteral("out/v.7z");
    WriteFile(archive + QStringLiteral(".001"), "older volume");
    Zip->OnProgress = [&](TSevenZip* z, const QString&, int64_t arc, int64_t) {
        if (arc > 0)
            z->CancelRequested = true;
    };
    EXPECT_NE(PackFolder(src, archive), 0);
    EXPECT_TRUE(Zip->VolumeNames.isEmpty());
    EXPECT_EQ(FolderContent(Root + QStringLiteral("out")), QStringList{QStringLiteral("v.7z.001")});
    EXPECT_EQ(ReadFile(archive + QStringLiteral(".001")), QByteArray("older volume"));
}

TEST_F(SevenZipAdd, SelfExtractingArchiveExtractsWhenRun)
{
    const QString src = Root + QStringLiteral("src");
    WriteFile(src + QStringLiteral("/ąę.txt"), QByteArray("self extracting\n").repeated(50));
    Zip->SFXModule = QStringLiteral("/usr/lib/p7zip/7zCon.sfx");
    Zip->SetSFXCreate(true);
    ASSERT_TRUE(Zip->SFXCreate());
    EXPECT_EQ(Zip->SFXModuleSize, QFileInfo(Zip->SFXModule).size());
    ASSERT_EQ(PackFolder(src, Root + QStringLiteral("out/s.7z")), 0);
    const QString exe = Root + QStringLiteral("out/s.exe");
    EXPECT_EQ(Zip->SZFileName, exe);
    EXPECT_EQ(Zip->VolumeNames, QStringList{exe});
    EXPECT_EQ(FolderContent(Root + QStringLiteral("out")), QStringList{QStringLiteral("s.exe")});
    EXPECT_TRUE(ArchiveTests(exe));

    QProcess run;
    run.setWorkingDirectory(Root);
    run.start(exe, {QStringLiteral("x"), QStringLiteral("-o") + Root + QStringLiteral("wynik"), QStringLiteral("-y")});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAll().toStdString();
    EXPECT_EQ(ReadFile(Root + QStringLiteral("wynik/src/ąę.txt")), QByteArray("self extracting\n").repeated(50));
}

TEST_F(SevenZipAdd, SelfExtractingArchiveNeverReplacesAFile)
{
    WriteFile(Root + QStringLiteral("src/f.txt"), "f");
    const QString exe = Root + QStringLiteral("out/s.exe");
    WriteFile(exe, "someone's program");
    Zip->SFXModule = QStringLiteral("/usr/lib/p7zip/7zCon.sfx");
    Zip->SetSFXCreate(true);
    QList<std::tuple<int32_t, QString, QString>> messages;
    Zip->OnMessage = [&](TSevenZip*, int32_t code, const QString& text, const QString& file) {
        messages.append({code, text, file});
    };
    EXPECT_NE(PackFolder(Root + QStringLiteral("src"), Root + QStringLiteral("out/s.7z")), 0);
    EXPECT_EQ(Zip->ErrCode, 9);
    EXPECT_EQ(Zip->LastError, EEXIST);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], std::make_tuple(int32_t(9), QStringLiteral("Could not create SFX"), exe));
    EXPECT_EQ(ReadFile(exe), QByteArray("someone's program"));
    EXPECT_EQ(FolderContent(Root + QStringLiteral("out")), QStringList{QStringLiteral("s.exe")});
}

// The method the library used shows the properties it was given.
TEST_F(SevenZipAdd, CompressionSettingsReachTheLibrary)
{
    struct Case {
        const char* Name;
        std::function<void(TSevenZip&)> Set;
        const char* Method;
        const char* Solid;
    };
    const QList<Case> cases{
        {"LZMA fast solid", [](TSevenZip&) {}, "LZMA2:16", "+"},
        {"LZMA not solid, dictionary 2^12",
         [](TSevenZip& z) {
             z.AddOptions = 0;
             z.LZMAStrength = 12;
         },
         "LZMA2:12", "-"},
        {"PPMd order 6",
         [](TSevenZip& z) {
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
        TSevenZip zip;
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
    Zip->OnProgress = [&](TSevenZip*, const QString&, int64_t, int64_t) {
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

}  // namespace
