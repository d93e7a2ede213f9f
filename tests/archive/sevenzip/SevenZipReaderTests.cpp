// SevenZipReader against the real 7-Zip library: archives made by the `7z` command and by our
// own Add are listed, tested and extracted, and what comes out is compared with the source tree
// and with what `7z x` gives.

#include "archive/sevenzip/InterfacedObject.h"
#include "archive/sevenzip/SevenZip.h"
#include "archive/sevenzip/SevenZipReader.h"
#include "platform/Files.h"
#include "platform/Restore.h"
#include "ReaderTestSupport.h"
#include "SevenZipTestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <set>
#include <stdexcept>
#include <thread>

using namespace SevenZipTest;
using namespace ReaderTest;

namespace {

// 100 ns steps, as a FILETIME holds them, so stored times compare exactly.
constexpr int64_t T1 = 1600000000;
constexpr int64_t T2 = 1500000000;
constexpr int64_t T3 = 1400000000;

uint64_t FileTimeOf(int64_t seconds, long nanoseconds = 0)
{
    return uint64_t(seconds + 11644473600ll) * 10000000ull + uint64_t(nanoseconds) / 100;
}

QByteArray Bytes(const QString& text)
{
    return text.toUtf8();
}

// The name of one source file is not UTF-8: bytes FF FE in the middle.
const QByteArray BadName("z\xFF\xFE" "bajt.txt");

// A tree with what a backup meets: Polish names, an empty file, an empty folder, a deep tree,
// a folder without write permission, a name that is not UTF-8, links to a file and up a level,
// an executable; every time set.
void MakeSourceTree(const QByteArray& top)
{
    PutFolder(top, 0755);
    PutFile(top + Bytes(QStringLiteral("/plik zażółć.txt")), Bytes(QStringLiteral("treść pliku\n")).repeated(50), 0640);
    PutFile(top + "/pusty.bin", QByteArray(), 0600);
    PutFolder(top + Bytes(QStringLiteral("/pusty folder")), 0750);
    PutFolder(top + "/a");
    PutFolder(top + "/a/b");
    PutFolder(top + "/a/b/c", 0700);
    PutFile(top + Bytes(QStringLiteral("/a/b/c/głęboki.dat")), Noise(200000, 7));
    PutFolder(top + Bytes(QStringLiteral("/tylko do odczytu")));
    PutFile(top + Bytes(QStringLiteral("/tylko do odczytu/w środku.txt")), "inside", 0444);
    PutFile(top + "/" + BadName, "not utf-8 name");
    PutFile(top + "/skrypt.sh", "#!/bin/sh\necho ok\n", 0755);
    PutLink(Bytes(QStringLiteral("a/b/c/głęboki.dat")), top + Bytes(QStringLiteral("/link do pliku")));
    PutLink(Bytes(QStringLiteral("../plik zażółć.txt")), top + Bytes(QStringLiteral("/a/link w górę")));
    ASSERT_EQ(::chmod((top + Bytes(QStringLiteral("/tylko do odczytu"))).constData(), 0555), 0);

    // Deepest first, so no later change moves a folder's time.
    const Tree tree = Snapshot(top, false);
    int k = 0;
    for (auto it = tree.rbegin(); it != tree.rend(); ++it, ++k)
        PutTime(top + "/" + QByteArray::fromStdString(it->first), T1 - k * 86400, (k % 7) * 1234500);
    PutTime(top, T3);
}

class SevenZipRead : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Tmp.isValid());
        Root = Tmp.path() + QLatin1Char('/');
        Zip = MakeWindowPacker();
        Reader = std::make_unique<SevenZipReader>(*Zip);
        QDir().mkpath(Root + QStringLiteral("src"));
        QDir().mkpath(Root + QStringLiteral("out"));
    }
    void TearDown() override
    {
        // Folders without write permission and names that are not UTF-8 must not stop the
        // scratch folder's removal.
        Reader.reset();
        QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("u+rwx"), Tmp.path()});
        QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), Tmp.path()});
    }

    // Packs with the command, from folder `from`, into out/<name>.
    QString PackWithCommand(const QString& name, const QStringList& sources, const QStringList& switches = {},
                            const QString& from = QString())
    {
        const QString archive = Root + QStringLiteral("out/") + name;
        QStringList args{QStringLiteral("a"), QStringLiteral("-mx1"), QStringLiteral("-bd")};
        args << switches << archive << sources;
        const CommandResult r = Run7z(args, from.isEmpty() ? Root + QStringLiteral("src") : from);
        EXPECT_EQ(r.ExitCode, 0) << r.Output.toStdString();
        return archive;
    }

    // Packs a folder with our own Add, as the archive run does.
    QString PackWithAdd(const QString& folder, const QString& name)
    {
        const QString archive = Root + QStringLiteral("out/") + name;
        Zip->SZFileName = archive;
        Zip->AddRootDir = folder.left(folder.lastIndexOf(QLatin1Char('/')) + 1);
        Zip->Files.Clear();
        Zip->Files.Add(folder + QStringLiteral("/*.*"));
        EXPECT_EQ(Zip->Add(), 0);
        return archive;
    }

    const ArchiveItem* Item(const QString& path) const
    {
        for (const ArchiveItem& item : Reader->Listing().Items)
            if (item.Path == path)
                return &item;
        return nullptr;
    }

    // Names of temporary files left anywhere under folder.
    static QStringList Leftovers(const QString& folder)
    {
        QStringList found;
        for (const auto& [path, e] : Snapshot(NativePath(folder), false))
            if (QString::fromStdString(path).contains(QStringLiteral(".skrytkar-")))
                found << QString::fromStdString(path);
        return found;
    }

    QTemporaryDir Tmp;
    QString Root;
    std::unique_ptr<SevenZipPacker> Zip;
    std::unique_ptr<SevenZipReader> Reader;
};

// ---- listing ------------------------------------------------------------------------------------

TEST_F(SevenZipRead, ListsEveryItemOfTheCommandsArchiveWithItsProperties)
{
    const QString top = QStringLiteral("Źródło ąę");
    const QByteArray source = NativePath(Root + QStringLiteral("src/") + top);
    MakeSourceTree(source);
    const QString archive = PackWithCommand(QStringLiteral("lista.7z"), {top}, {QStringLiteral("-snl")});

    const ArchiveListing& listing = Reader->Open(archive);
    ASSERT_EQ(listing.Status, ArchiveStatus::Ok);
    EXPECT_EQ(listing.ErrorFlags, 0u);
    EXPECT_EQ(listing.FileSize, uint64_t(QFileInfo(archive).size()));
    EXPECT_EQ(listing.PackedSize, listing.FileSize);

    Tree expected = Snapshot(source);
    expected[""] = Snapshot(NativePath(Root + QStringLiteral("src")))[top.toUtf8().toStdString()];
    ASSERT_EQ(listing.Items.size(), expected.size());
    uint64_t unpacked = 0;
    for (const ArchiveItem& item : listing.Items) {
        SCOPED_TRACE(item.Path.toStdString());
        // Names come with "/" between folders, and in the program's own form, bytes that are
        // not UTF-8 included.
        const QByteArray stored = NativePath(item.Path);
        ASSERT_TRUE(stored == top.toUtf8() || stored.startsWith(top.toUtf8() + "/"));
        const std::string relative = stored.mid(top.toUtf8().size() + 1).toStdString();
        ASSERT_TRUE(expected.count(relative));
        const Entry& e = expected[relative];
        EXPECT_EQ(item.IsFolder, e.Type == 'd');
        EXPECT_EQ(item.IsSymbolicLink(), e.Type == 'l');
        EXPECT_TRUE(item.HasPosixMode());
        if (e.Type != 'l') {
            EXPECT_EQ(item.Permissions(), e.Mode & 0777);
        }
        EXPECT_EQ((item.Attributes & 0x10) != 0, e.Type == 'd');
        EXPECT_TRUE(item.HasTime);
        EXPECT_EQ(item.Time, FileTimeOf(e.ModifiedNs / 1000000000, e.ModifiedNs % 1000000000));
        if (e.Type != 'd') {
            EXPECT_EQ(item.Size, uint64_t(e.Size));
            EXPECT_EQ(item.HasCrc, e.Size > 0);
            if (e.Size > 0) {
                EXPECT_EQ(item.Crc, Crc32(e.Data));
            }
            unpacked += item.Size;
        }
        EXPECT_EQ(item.Index, uint32_t(&item - listing.Items.data()));
    }
    EXPECT_EQ(listing.UnpackedSize, unpacked);

    const ArchiveItem* bad = Item(top + QLatin1Char('/') + FromNativePath(BadName));
    ASSERT_NE(bad, nullptr);
    EXPECT_TRUE(bad->Path.contains(QChar(0xDCFF)));
    EXPECT_TRUE(bad->Path.contains(QChar(0xDCFE)));
    ASSERT_NE(Item(top + QStringLiteral("/a/b/c/głęboki.dat")), nullptr);
    ASSERT_NE(Item(top + QStringLiteral("/pusty folder")), nullptr);
    EXPECT_TRUE(Item(top + QStringLiteral("/pusty folder"))->IsFolder);
    EXPECT_EQ(Item(top + QStringLiteral("/pusty.bin"))->Size, 0u);
    EXPECT_TRUE(Item(top + QStringLiteral("/link do pliku"))->IsSymbolicLink());
}

TEST_F(SevenZipRead, ListsWhatOurOwnAddStored)
{
    const QString source = Root + QStringLiteral("src/Dane ŁÓDŹ");
    const QByteArray s = NativePath(source);
    PutFolder(s);
    PutFile(s + Bytes(QStringLiteral("/ćma.txt")), "moth", 0600);
    PutFile(s + "/zero", QByteArray());
    PutFolder(s + "/pusty");
    PutTime(s + Bytes(QStringLiteral("/ćma.txt")), T2, 1234500);
    const QString archive = PackWithAdd(source, QStringLiteral("nasze.7z"));

    const ArchiveListing& listing = Reader->Open(archive);
    ASSERT_EQ(listing.Status, ArchiveStatus::Ok);
    QStringList ours;
    for (const ArchiveItem& item : listing.Items)
        ours << item.Path;
    ours.sort();
    QStringList theirs = Paths(ListArchive(archive));
    EXPECT_EQ(ours.size(), theirs.size());
    EXPECT_TRUE(ours.contains(QStringLiteral("Dane ŁÓDŹ/ćma.txt")));
    EXPECT_TRUE(ours.contains(QStringLiteral("Dane ŁÓDŹ/pusty")));
    EXPECT_TRUE(ours.contains(QStringLiteral("Dane ŁÓDŹ")));
    const ArchiveItem* moth = Item(QStringLiteral("Dane ŁÓDŹ/ćma.txt"));
    ASSERT_NE(moth, nullptr);
    EXPECT_EQ(moth->Time, FileTimeOf(T2, 1234500));
    EXPECT_EQ(moth->Permissions(), 0600u);
    EXPECT_EQ(moth->Size, 4u);
    EXPECT_EQ(moth->Crc, Crc32("moth"));
    EXPECT_FALSE(moth->IsSymbolicLink());
    EXPECT_TRUE(Item(QStringLiteral("Dane ŁÓDŹ/pusty"))->IsFolder);
}

// ---- test ---------------------------------------------------------------------------------------

// An archive of some size, so several progress reports come while it is decoded; made once by
// our own Add (packing it takes longer than everything done with it) and only read.
struct BiggerArchive {
    QString Source;   // the folder packed, "duże"
    QString Archive;
};

const BiggerArchive& Bigger()
{
    static QTemporaryDir dir;
    static const BiggerArchive made = [] {
        BiggerArchive b;
        b.Source = dir.path() + QStringLiteral("/duże");
        b.Archive = dir.path() + QStringLiteral("/duże.7z");
        QDir().mkpath(b.Source);
        for (int i = 0; i < 4; ++i)
            WriteFile(b.Source + QStringLiteral("/szum%1.bin").arg(i), Noise(3 << 20, 100 + i));
        WriteFile(b.Source + QStringLiteral("/tekst.txt"), QByteArray("wiersz tekstu 12345\n").repeated(100000));
        SevenZipPacker zip;
        zip.AddOptions = AddSolid;
        zip.LZMACompressStrength = FAST;
        zip.SZFileName = b.Archive;
        zip.AddRootDir = dir.path() + QLatin1Char('/');
        zip.Files.Add(b.Source + QStringLiteral("/*.*"));
        EXPECT_EQ(zip.Add(), 0);
        return b;
    }();
    return made;
}

TEST_F(SevenZipRead, TestOfAGoodArchiveReportsEveryItemWholeAndProgressOnTheCallingThread)
{
    ASSERT_EQ(Reader->Open(Bigger().Archive).Status, ArchiveStatus::Ok);
    const QStringList before = FolderContent(QFileInfo(Bigger().Archive).path());

    const std::thread::id caller = std::this_thread::get_id();
    bool offThread = false;
    uint64_t lastDone = 0, lastTotal = 0;
    int progressCalls = 0;
    std::vector<QString> items;
    Reader->OnProgress = [&](uint64_t done, uint64_t total) {
        offThread |= std::this_thread::get_id() != caller;
        lastDone = done;
        lastTotal = total;
        ++progressCalls;
    };
    Reader->OnItem = [&](const ArchiveItem& item) {
        offThread |= std::this_thread::get_id() != caller;
        items.push_back(item.Path);
    };
    const ArchiveTestResult result = Reader->Test();
    EXPECT_EQ(result.Status, ArchiveStatus::Ok);
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(result.BadItems, 0u);
    EXPECT_EQ(result.ItemResults, std::vector<int32_t>(Reader->Listing().Items.size(), ItemOk));
    EXPECT_FALSE(offThread);
    EXPECT_GT(progressCalls, 1);
    EXPECT_EQ(lastTotal, Reader->Listing().UnpackedSize);
    EXPECT_EQ(lastDone, lastTotal);
    EXPECT_EQ(items.size(), Reader->Listing().Items.size());
    // Testing writes nothing.
    EXPECT_EQ(FolderContent(QFileInfo(Bigger().Archive).path()), before);
}

// How a spoiled file shows: the archive opened or not, and the verdict of the test.
TEST_F(SevenZipRead, TestReportsEveryKindOfDamage)
{
    const QByteArray bytes = ReadFile(Bigger().Archive);
    ASSERT_GT(bytes.size(), 20000);

    struct Case {
        const char* Name;
        std::function<QByteArray(QByteArray)> Spoil;
        ArchiveStatus Open;
        ArchiveStatus Test;
        uint32_t Flag;  // expected among the error flags (0: none expected)
    };
    const Case cases[] = {
        {"one byte of packed data", [](QByteArray b) { b[10000] = char(b[10000] ^ 0x55); return b; },
         ArchiveStatus::Ok, ArchiveStatus::Damaged, 0},
        {"one byte of the headers at the end", [](QByteArray b) { b[b.size() - 20] = char(b[b.size() - 20] ^ 0x55); return b; },
         ArchiveStatus::Damaged, ArchiveStatus::Damaged, 0},
        {"one byte of the start header", [](QByteArray b) { b[14] = char(b[14] ^ 0x55); return b; },
         ArchiveStatus::Damaged, ArchiveStatus::Damaged, 0},
        {"cut short", [](QByteArray b) { return b.left(b.size() / 2); },
         ArchiveStatus::Damaged, ArchiveStatus::Damaged, ArchiveUnexpectedEnd},
        {"bytes after its end", [](QByteArray b) { return b + QByteArray("trailing bytes"); },
         ArchiveStatus::Ok, ArchiveStatus::Damaged, ArchiveDataAfterEnd},
        {"not an archive", [](QByteArray) { return QByteArray("Zwykły plik tekstowy, nie archiwum.\n"); },
         ArchiveStatus::NotArchive, ArchiveStatus::NotArchive, 0},
        {"empty", [](QByteArray) { return QByteArray(); }, ArchiveStatus::NotArchive, ArchiveStatus::NotArchive, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString path = Root + QStringLiteral("out/zepsute.7z");
        QFile::remove(path);
        WriteFile(path, c.Spoil(bytes));
        const ArchiveListing& listing = Reader->Open(path);
        EXPECT_EQ(listing.Status, c.Open);
        if (c.Flag) {
            EXPECT_TRUE(listing.ErrorFlags & c.Flag) << listing.ErrorFlags;
        }
        const ArchiveTestResult result = Reader->Test();
        EXPECT_EQ(result.Status, c.Test);
        EXPECT_FALSE(result.Ok());
        if (c.Open == ArchiveStatus::Ok && c.Flag == 0) {
            // The library names the item: a data or CRC error.
            EXPECT_GE(result.BadItems, 1u);
            bool named = false;
            for (const int32_t r : result.ItemResults)
                named |= r == ItemDataError || r == ItemCrcError;
            EXPECT_TRUE(named);
        }
        Reader->Close();
    }
}

TEST_F(SevenZipRead, AFileThatCannotBeReadIsReportedWithTheSystemsReason)
{
    EXPECT_EQ(Reader->Open(Root + QStringLiteral("out/nie ma.7z")).Status, ArchiveStatus::FileError);
    EXPECT_EQ(Reader->Listing().Error, ENOENT);
    EXPECT_EQ(Reader->Test().Status, ArchiveStatus::FileError);
    EXPECT_EQ(Reader->Test().Error, ENOENT);
    // A folder opens but does not read.
    EXPECT_EQ(Reader->Open(Root + QStringLiteral("out")).Status, ArchiveStatus::FileError);
    EXPECT_EQ(Reader->Listing().Error, EISDIR);
    // Nothing opened at all.
    Reader->Close();
    EXPECT_EQ(Reader->Test().Status, ArchiveStatus::NotOpen);
    EXPECT_EQ(Reader->Extract(Root + QStringLiteral("x")).Status, ArchiveStatus::NotOpen);
}

TEST_F(SevenZipRead, TestStopsWhenCancelled)
{
    ASSERT_EQ(Reader->Open(Bigger().Archive).Status, ArchiveStatus::Ok);
    uint64_t doneAtCancel = 0;
    Reader->OnProgress = [&](uint64_t done, uint64_t) {
        if (done > 0 && !doneAtCancel) {
            doneAtCancel = done;
            Reader->CancelRequested = true;
        }
    };
    const ArchiveTestResult result = Reader->Test();
    EXPECT_EQ(result.Status, ArchiveStatus::Cancelled);
    EXPECT_EQ(result.LibraryResult, SevenZipAbi::E_ABORT);
    EXPECT_GT(doneAtCancel, 0u);
    EXPECT_FALSE(Reader->CancelRequested);
    // The next test starts afresh.
    Reader->OnProgress = nullptr;
    EXPECT_EQ(Reader->Test().Status, ArchiveStatus::Ok);
}

TEST_F(SevenZipRead, EncryptedArchivesNeedTheirPassword)
{
    WriteFile(Root + QStringLiteral("src/tajne.txt"), QByteArray("sekret ").repeated(1000));
    const QString data = PackWithCommand(QStringLiteral("dane.7z"), {QStringLiteral("tajne.txt")}, {QStringLiteral("-pHasło1")});
    const QString headers = PackWithCommand(QStringLiteral("nagłówki.7z"), {QStringLiteral("tajne.txt")},
                                            {QStringLiteral("-pHasło1"), QStringLiteral("-mhe=on")});
    struct Case {
        QString Archive;
        QString Password;
        ArchiveStatus Open;
        ArchiveStatus Test;
    };
    const Case cases[] = {
        {data, QString(), ArchiveStatus::Ok, ArchiveStatus::WrongPassword},
        {data, QStringLiteral("złe"), ArchiveStatus::Ok, ArchiveStatus::WrongPassword},
        {data, QStringLiteral("Hasło1"), ArchiveStatus::Ok, ArchiveStatus::Ok},
        {headers, QString(), ArchiveStatus::WrongPassword, ArchiveStatus::WrongPassword},
        {headers, QStringLiteral("złe"), ArchiveStatus::WrongPassword, ArchiveStatus::WrongPassword},
        {headers, QStringLiteral("Hasło1"), ArchiveStatus::Ok, ArchiveStatus::Ok},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.Archive + QLatin1Char(' ') + c.Password).toStdString());
        Reader->Password = c.Password;
        EXPECT_EQ(Reader->Open(c.Archive).Status, c.Open);
        EXPECT_EQ(Reader->Test().Status, c.Test);
    }
}

// ---- extract ------------------------------------------------------------------------------------

// The tree comes out as it went in, whether the command or our own Add packed it, and as `7z x`
// makes it.
TEST_F(SevenZipRead, ExtractionGivesBackTheSourceTreeAsTheCommandDoes)
{
    const QString top = QStringLiteral("Źródło ąę");
    const QByteArray source = NativePath(Root + QStringLiteral("src/") + top);
    MakeSourceTree(source);
    const Tree expected = Snapshot(source);
    const QString archive = PackWithCommand(QStringLiteral("drzewo.7z"), {top}, {QStringLiteral("-snl")});

    ASSERT_EQ(Reader->Open(archive).Status, ArchiveStatus::Ok);
    const QString ours = Root + QStringLiteral("out/nasze/głęboko/cel");  // made when missing
    const ExtractResult result = Reader->Extract(ours);
    EXPECT_TRUE(result.Complete());
    for (const ExtractProblem& p : result.Problems)
        ADD_FAILURE() << p.What << " " << p.Path.toStdString() << " " << p.Error;
    EXPECT_EQ(result.Extracted, Reader->Listing().Items.size());
    EXPECT_TRUE(SameTrees(expected, Snapshot(NativePath(ours + QLatin1Char('/') + top))));
    // The folder itself got its time after its content was written.
    EXPECT_EQ(Snapshot(NativePath(ours))[top.toUtf8().toStdString()].ModifiedNs, T3 * 1000000000);

    const QString theirs = Root + QStringLiteral("out/7z");
    // -snld: the command's own link check refuses any link with "..", even one that stays inside.
    const CommandResult r = Run7z({QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-snl"), QStringLiteral("-snld"),
                                   QStringLiteral("-o") + theirs, archive});
    ASSERT_EQ(r.ExitCode, 0) << r.Output.toStdString();
    // The command leaves a folder without write permission writable; ours keeps the source's bits.
    Tree command = Snapshot(NativePath(theirs));
    const std::string readOnly = (top + QStringLiteral("/tylko do odczytu")).toUtf8().toStdString();
    ASSERT_EQ(command[readOnly].Mode, 0755u);
    command[readOnly].Mode = 0555;
    EXPECT_TRUE(SameTrees(command, Snapshot(NativePath(ours))));
    EXPECT_TRUE(Leftovers(ours).isEmpty());
}

TEST_F(SevenZipRead, ExtractionOfOurOwnArchiveGivesBackItsSource)
{
    const QString source = Root + QStringLiteral("src/Moje pliki");
    const QByteArray s = NativePath(source);
    PutFolder(s, 0711);
    PutFile(s + Bytes(QStringLiteral("/żółw.txt")), "turtle", 0604);
    PutFile(s + "/pusty", QByteArray(), 0400);
    PutFile(s + "/szum.bin", Noise(300000, 3));
    PutFolder(s + "/pusty folder", 0500);
    PutFolder(s + "/sub");  // a subfolder is stored without its content
    const Tree tree = Snapshot(s, false);
    for (const auto& [path, e] : tree)
        PutTime(s + "/" + QByteArray::fromStdString(path), T2, 5000000);
    PutTime(s, T1);
    const Tree expected = Snapshot(s);
    const QString archive = PackWithAdd(source, QStringLiteral("moje.7z"));

    ASSERT_EQ(Reader->Open(archive).Status, ArchiveStatus::Ok);
    const ExtractResult result = Reader->Extract(Root + QStringLiteral("out/cel"));
    EXPECT_TRUE(result.Complete());
    EXPECT_TRUE(SameTrees(expected, Snapshot(NativePath(Root + QStringLiteral("out/cel/Moje pliki")))));
    EXPECT_EQ(Snapshot(NativePath(Root + QStringLiteral("out/cel")))["Moje pliki"].Mode, 0711u);
}

// Crafted archives: names that climb out of the folder or start at the root are refused; links
// that lead out, by their text or through another link of the same archive, come back as links
// holding what was stored and are never followed.
TEST_F(SevenZipRead, ExtractionRefusesEverythingThatWouldLeaveTheFolder)
{
    const QString work = Root + QStringLiteral("src/w/k");
    QDir().mkpath(work);
    WriteFile(Root + QStringLiteral("src/w/poza.txt"), "climbs out");
    WriteFile(work + QStringLiteral("/dobry.txt"), "good");
    WriteFile(work + QStringLiteral("/absolutny.txt"), "absolute");
    const QByteArray k = NativePath(work);
    PutLink("../../../etc", k + "/w górę");
    PutLink("/etc/passwd", k + "/bezwzględny");
    PutLink(".", k + "/kropka");
    PutLink("kropka/..", k + "/przez kropkę");
    PutLink("dobry.txt", k + "/w porządku");
    const QString list = Root + QStringLiteral("src/lista.txt");
    WriteFile(list, (QStringList{QStringLiteral("../poza.txt"), work + QStringLiteral("/absolutny.txt"),
                                 QStringLiteral("dobry.txt"), QStringLiteral("w górę"), QStringLiteral("bezwzględny"),
                                 QStringLiteral("kropka"), QStringLiteral("przez kropkę"), QStringLiteral("w porządku")})
                         .join(QLatin1Char('\n'))
                         .toUtf8());
    const QString archive = PackWithCommand(QStringLiteral("złe.7z"), {QLatin1Char('@') + list},
                                            {QStringLiteral("-spf"), QStringLiteral("-snl")}, work);
    ASSERT_EQ(Reader->Open(archive).Status, ArchiveStatus::Ok);
    ASSERT_NE(Item(QStringLiteral("../poza.txt")), nullptr);
    ASSERT_NE(Item(work + QStringLiteral("/absolutny.txt")), nullptr);

    const QString dest = Root + QStringLiteral("out/a/b");
    std::vector<ExtractProblem> reported;
    const std::thread::id caller = std::this_thread::get_id();
    Reader->OnProblem = [&](const ExtractProblem& p) {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        reported.push_back(p);
    };
    const ExtractResult result = Reader->Extract(dest);
    EXPECT_EQ(result.Status, ArchiveStatus::Ok);
    EXPECT_FALSE(result.Complete());

    std::map<QString, ExtractProblem::Kind> problems;
    for (const ExtractProblem& p : result.Problems)
        problems[p.Path] = p.What;
    const std::map<QString, ExtractProblem::Kind> expected{
        {QStringLiteral("../poza.txt"), ExtractProblem::UnsafePath},
        {work + QStringLiteral("/absolutny.txt"), ExtractProblem::UnsafePath},
    };
    EXPECT_EQ(problems, expected);
    EXPECT_EQ(reported.size(), result.Problems.size());

    // Nothing outside the folder, nothing refused inside it, the rest as stored: every link a
    // link with its own text.
    EXPECT_FALSE(PathExists(Root + QStringLiteral("out/a/poza.txt")));
    EXPECT_EQ(FolderContent(Root + QStringLiteral("out/a")), QStringList{QStringLiteral("b")});
    EXPECT_EQ(FolderContent(dest), (QStringList{QStringLiteral("bezwzględny"), QStringLiteral("dobry.txt"),
                                                QStringLiteral("kropka"), QStringLiteral("przez kropkę"),
                                                QStringLiteral("w górę"), QStringLiteral("w porządku")}));
    const std::pair<QString, QString> links[] = {
        {QStringLiteral("w górę"), QStringLiteral("../../../etc")},
        {QStringLiteral("bezwzględny"), QStringLiteral("/etc/passwd")},
        {QStringLiteral("kropka"), QStringLiteral(".")},
        {QStringLiteral("przez kropkę"), QStringLiteral("kropka/..")},
        {QStringLiteral("w porządku"), QStringLiteral("dobry.txt")},
    };
    for (const auto& [name, text] : links) {
        QString stored;
        EXPECT_EQ(ReadSymbolicLink(dest + QLatin1Char('/') + name, stored), NoError) << name.toStdString();
        EXPECT_EQ(stored, text) << name.toStdString();
    }
    EXPECT_EQ(ReadFile(dest + QStringLiteral("/w porządku")), QByteArray("good"));
    EXPECT_EQ(result.Extracted, 6u);
}

// A link that lies in the target folder where an item's folder belongs is never followed,
// wherever it leads: the item is refused and the link stays as it was.
TEST_F(SevenZipRead, ExtractionWritesThroughNoLinkInTheFolder)
{
    WriteFile(Root + QStringLiteral("src/d/plik.txt"), "data");
    const QString archive = PackWithCommand(QStringLiteral("d.7z"), {QStringLiteral("d")});
    const QString dest = Root + QStringLiteral("out/cel");
    const QString elsewhere = Root + QStringLiteral("out/gdzie indziej");
    QDir().mkpath(dest + QStringLiteral("/prawdziwy"));
    QDir().mkpath(elsewhere);
    for (const QByteArray& linkTarget : {NativePath(elsewhere), QByteArray("../gdzie indziej"), QByteArray("prawdziwy")}) {
        SCOPED_TRACE(linkTarget.toStdString());
        QFile::remove(dest + QStringLiteral("/d"));
        PutLink(linkTarget, NativePath(dest + QStringLiteral("/d")));
        ASSERT_EQ(Reader->Open(archive).Status, ArchiveStatus::Ok);
        const ExtractResult result = Reader->Extract(dest);
        EXPECT_FALSE(result.Complete());
        ASSERT_FALSE(result.Problems.empty());
        EXPECT_EQ(result.Problems[0].What, ExtractProblem::ThroughLink);
        EXPECT_EQ(result.Problems[0].Path, QStringLiteral("d"));
        QString stored;
        EXPECT_EQ(ReadSymbolicLink(dest + QStringLiteral("/d"), stored), NoError);
        EXPECT_EQ(NativePath(stored), linkTarget);
        EXPECT_TRUE(FolderContent(elsewhere).isEmpty());
        EXPECT_TRUE(FolderContent(dest + QStringLiteral("/prawdziwy")).isEmpty());
    }
}

TEST_F(SevenZipRead, AnExistingFileIsReplacedOnlyWhenTheDecisionSaysSo)
{
    WriteFile(Root + QStringLiteral("src/k/a.txt"), "new a");
    WriteFile(Root + QStringLiteral("src/k/b.txt"), "new b");
    SetModified(Root + QStringLiteral("src/k/a.txt"), T1);
    const QString archive = PackWithCommand(QStringLiteral("k.7z"), {QStringLiteral("k")});
    const QString dest = Root + QStringLiteral("out/cel");

    struct Case {
        const char* Name;
        bool Handler;
        OverwriteAnswer Answer;
        QByteArray ExpectedA;
        bool BExtracted;
        ArchiveStatus Status;
    };
    const Case cases[] = {
        {"no decision: kept", false, OverwriteAnswer::Skip, "old a, longer", true, ArchiveStatus::Ok},
        {"skip", true, OverwriteAnswer::Skip, "old a, longer", true, ArchiveStatus::Ok},
        {"replace", true, OverwriteAnswer::Replace, "new a", true, ArchiveStatus::Ok},
        {"cancel", true, OverwriteAnswer::Cancel, "old a, longer", false, ArchiveStatus::Cancelled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        QDir(dest).removeRecursively();
        WriteFile(dest + QStringLiteral("/k/a.txt"), "old a, longer");
        SetModified(dest + QStringLiteral("/k/a.txt"), T2);
        ASSERT_EQ(Reader->Open(archive).Status, ArchiveStatus::Ok);
        int asked = 0;
        ExistingFile seen;
        QString askedFor;
        const std::thread::id caller = std::this_thread::get_id();
        Reader->OnOverwrite = nullptr;
        if (c.Handler)
            Reader->OnOverwrite = [&](const ArchiveItem& item, const ExistingFile& existing) {
                // Asked on the calling thread, while the library waits for the answer.
                EXPECT_EQ(std::this_thread::get_id(), caller);
                ++asked;
                seen = existing;
                askedFor = item.Path;
                return c.Answer;
            };
        const ExtractResult result = Reader->Extract(dest);
        EXPECT_EQ(result.Status, c.Status);
        EXPECT_EQ(ReadFile(dest + QStringLiteral("/k/a.txt")), c.ExpectedA);
        // Items are extracted in archive order: a.txt before b.txt.
        EXPECT_EQ(PathExists(dest + QStringLiteral("/k/b.txt")), c.BExtracted);
        if (c.Handler) {
            EXPECT_EQ(asked, 1);
            EXPECT_EQ(askedFor, QStringLiteral("k/a.txt"));
            EXPECT_EQ(seen.Path, dest + QStringLiteral("/k/a.txt"));
            EXPECT_EQ(seen.Size, 13);
            EXPECT_EQ(seen.Time, FileTimeOf(T2));
            EXPECT_FALSE(seen.IsLink);
        }
        const bool skipped = c.Answer == OverwriteAnswer::Skip || !c.Handler;
        ASSERT_EQ(result.Problems.size(), skipped ? 1u : 0u);
        if (skipped) {
            EXPECT_EQ(result.Problems[0].What, ExtractProblem::Skipped);
            EXPECT_EQ(result.Problems[0].Path, QStringLiteral("k/a.txt"));
        }
        if (c.Answer == OverwriteAnswer::Replace) {
            EXPECT_EQ(Snapshot(NativePath(dest))["k/a.txt"].ModifiedNs, T1 * 1000000000);
        }
        EXPECT_TRUE(Leftovers(dest).isEmpty());
    }
}

// An exception inside a method the library calls (an allocation that fails, at one call after
// another) ends a test or an extraction as a failure: not a crash, not a cancel, not damage,
// and no half file under an item's name.
TEST_F(SevenZipRead, AnExceptionInACallbackFailsTheTestOrTheExtraction)
{
    ASSERT_EQ(Reader->Open(Bigger().Archive).Status, ArchiveStatus::Ok);
    for (const int call : {1, 2, 3, 5, 8, 13, 21}) {
        SCOPED_TRACE(call);
        InjectBoundaryFailure(call);
        const ArchiveTestResult test = Reader->Test();
        InjectBoundaryFailure(0);
        EXPECT_EQ(test.Status, ArchiveStatus::Failed);
        EXPECT_EQ(test.LibraryResult, SevenZipAbi::E_OUTOFMEMORY);

        const QString dest = Root + QStringLiteral("out/wynik%1").arg(call);
        InjectBoundaryFailure(call);
        const ExtractResult extract = Reader->Extract(dest);
        InjectBoundaryFailure(0);
        EXPECT_EQ(extract.Status, ArchiveStatus::Failed);
        EXPECT_EQ(extract.LibraryResult, SevenZipAbi::E_OUTOFMEMORY);
        EXPECT_TRUE(Leftovers(dest).isEmpty());
    }
    EXPECT_EQ(Reader->Test().Status, ArchiveStatus::Ok);
}

// A cancel in the middle of a file: what was whole before stays, the half file never appears
// under its name, no temporary file is left.
TEST_F(SevenZipRead, CancelledExtractionKeepsWhatWasDoneAndLeavesNoHalfFile)
{
    ASSERT_EQ(Reader->Open(Bigger().Archive).Status, ArchiveStatus::Ok);
    const QString dest = Root + QStringLiteral("out/cel");
    // The cancel comes as the second file with data begins.
    int files = 0;
    Reader->OnItem = [&](const ArchiveItem& item) {
        if (!item.IsFolder && item.Size > 0 && ++files == 2)
            Reader->CancelRequested = true;
    };
    const ExtractResult result = Reader->Extract(dest);
    EXPECT_EQ(result.Status, ArchiveStatus::Cancelled);
    EXPECT_EQ(result.LibraryResult, SevenZipAbi::E_ABORT);
    EXPECT_FALSE(result.Complete());
    EXPECT_TRUE(Leftovers(dest).isEmpty());
    // Every file under its name is whole; the one under way when the cancel came is not there.
    uint32_t whole = 0, dataFiles = 0;
    for (const ArchiveItem& item : Reader->Listing().Items) {
        if (item.IsFolder)
            continue;
        ++dataFiles;
        const QString path = dest + QLatin1Char('/') + item.Path;
        if (!PathExists(path))
            continue;
        ++whole;
        EXPECT_EQ(ReadFile(path), ReadFile(QFileInfo(Bigger().Archive).path() + QLatin1Char('/') + item.Path))
            << path.toStdString();
        EXPECT_EQ(result.ItemResults[item.Index], ItemOk);
    }
    EXPECT_GE(whole, 1u);
    EXPECT_LT(whole, dataFiles);
    EXPECT_EQ(result.Extracted, whole + 1);  // the folder too
}

TEST_F(SevenZipRead, AFolderWithoutWritePermissionIsReportedForEveryItem)
{
    WriteFile(Root + QStringLiteral("src/k/a.txt"), "a");
    WriteFile(Root + QStringLiteral("src/k/b.txt"), "b");
    const QString archive = PackWithCommand(QStringLiteral("k.7z"), {QStringLiteral("k/a.txt"), QStringLiteral("k/b.txt")});
    const QString dest = Root + QStringLiteral("out/tylko do odczytu");
    QDir().mkpath(dest);
    ASSERT_EQ(::chmod(NativePath(dest).constData(), 0555), 0);
    ASSERT_EQ(Reader->Open(archive).Status, ArchiveStatus::Ok);
    ExtractResult result;
    {
        NoPermissionOverride asAnyUser;
        ASSERT_TRUE(asAnyUser.Active || ::geteuid() != 0);
        result = Reader->Extract(dest);
    }
    EXPECT_EQ(result.Status, ArchiveStatus::Ok);  // the archive itself is fine
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(result.Extracted, 0u);
    ASSERT_EQ(result.Problems.size(), 2u);
    for (const ExtractProblem& p : result.Problems) {
        EXPECT_EQ(p.What, ExtractProblem::WriteFailed);
        EXPECT_EQ(p.Error, EACCES);
        EXPECT_EQ(p.Target, dest + QStringLiteral("/k"));
    }
    EXPECT_TRUE(FolderContent(dest).isEmpty());

    // A target folder that cannot be made: one problem, for the folder, and nothing done.
    {
        NoPermissionOverride asAnyUser;
        result = Reader->Extract(dest + QStringLiteral("/nowy"));
    }
    EXPECT_FALSE(result.Complete());
    ASSERT_EQ(result.Problems.size(), 1u);
    EXPECT_EQ(result.Problems[0].What, ExtractProblem::WriteFailed);
    EXPECT_EQ(result.Problems[0].Index, ExtractProblem::NoItem);
    EXPECT_EQ(result.Problems[0].Target, dest + QStringLiteral("/nowy"));
    EXPECT_EQ(result.Problems[0].Error, EACCES);
    EXPECT_EQ(result.Extracted, 0u);

    // No folder named: nothing goes anywhere (least of all to the root of the system).
    result = Reader->Extract(QString());
    EXPECT_FALSE(result.Complete());
    ASSERT_EQ(result.Problems.size(), 1u);
    EXPECT_EQ(result.Problems[0].Error, ENOENT);
    EXPECT_EQ(result.Extracted, 0u);
    EXPECT_FALSE(PathExists(QStringLiteral("/k")));
}

// A disk that fills up: the file that did not fit is reported with the system's reason and is
// not left half written; the others come out.
TEST_F(SevenZipRead, AWriteFailureLeavesNoHalfFileAndTheRestGoesOn)
{
    WriteFile(Root + QStringLiteral("src/k/1 mały.txt"), "small one");
    WriteFile(Root + QStringLiteral("src/k/2 duży.bin"), Noise(3 << 20, 9));
    WriteFile(Root + QStringLiteral("src/k/3 mały.txt"), "small three");
    const QString archive = PackWithCommand(QStringLiteral("k.7z"), {QStringLiteral("k")}, {QStringLiteral("-mqs=off")});
    ASSERT_EQ(Reader->Open(archive).Status, ArchiveStatus::Ok);
    const QString dest = Root + QStringLiteral("out/cel");
    ExtractResult result;
    {
        FileSizeLimit limit(1 << 20);
        ASSERT_TRUE(limit.Active);
        result = Reader->Extract(dest);
    }
    EXPECT_EQ(result.Status, ArchiveStatus::Ok);
    ASSERT_EQ(result.Problems.size(), 1u);
    EXPECT_EQ(result.Problems[0].What, ExtractProblem::WriteFailed);
    EXPECT_EQ(result.Problems[0].Error, EFBIG);
    EXPECT_EQ(result.Problems[0].Path, QStringLiteral("k/2 duży.bin"));
    EXPECT_FALSE(PathExists(dest + QStringLiteral("/k/2 duży.bin")));
    EXPECT_EQ(ReadFile(dest + QStringLiteral("/k/1 mały.txt")), QByteArray("small one"));
    EXPECT_EQ(ReadFile(dest + QStringLiteral("/k/3 mały.txt")), QByteArray("small three"));
    EXPECT_TRUE(Leftovers(dest).isEmpty());
}

// A damaged item never reaches its name: neither a half file nor a file of wrong bytes.
TEST_F(SevenZipRead, ADamagedItemIsNotWritten)
{
    WriteFile(Root + QStringLiteral("src/k/szum.bin"), Noise(500000, 4));
    const QString archive = PackWithCommand(QStringLiteral("k.7z"), {QStringLiteral("k")});
    QByteArray bytes = ReadFile(archive);
    bytes[1000] = char(bytes[1000] ^ 0x55);
    WriteFile(archive, bytes);
    ASSERT_EQ(Reader->Open(archive).Status, ArchiveStatus::Ok);
    const QString dest = Root + QStringLiteral("out/cel");
    const ExtractResult result = Reader->Extract(dest);
    EXPECT_EQ(result.Status, ArchiveStatus::Damaged);
    ASSERT_EQ(result.Problems.size(), 1u);
    EXPECT_EQ(result.Problems[0].What, ExtractProblem::Damaged);
    EXPECT_TRUE(result.Problems[0].ItemResult == ItemDataError || result.Problems[0].ItemResult == ItemCrcError);
    EXPECT_FALSE(PathExists(dest + QStringLiteral("/k/szum.bin")));
    EXPECT_TRUE(Leftovers(dest).isEmpty());
}

TEST_F(SevenZipRead, ChosenItemsOnly)
{
    WriteFile(Root + QStringLiteral("src/k/a.txt"), "a");
    WriteFile(Root + QStringLiteral("src/k/p/b.txt"), "b");
    WriteFile(Root + QStringLiteral("src/k/c.txt"), "c");
    const QString archive = PackWithCommand(QStringLiteral("k.7z"), {QStringLiteral("k")});
    ASSERT_EQ(Reader->Open(archive).Status, ArchiveStatus::Ok);
    const uint32_t b = Item(QStringLiteral("k/p/b.txt"))->Index;
    const uint32_t c = Item(QStringLiteral("k/c.txt"))->Index;
    const QString dest = Root + QStringLiteral("out/cel");
    const ExtractResult result = Reader->Extract(dest, {c, b, c});
    EXPECT_TRUE(result.Complete());
    EXPECT_EQ(result.Extracted, 2u);
    EXPECT_EQ(ReadFile(dest + QStringLiteral("/k/p/b.txt")), QByteArray("b"));
    EXPECT_EQ(ReadFile(dest + QStringLiteral("/k/c.txt")), QByteArray("c"));
    EXPECT_FALSE(PathExists(dest + QStringLiteral("/k/a.txt")));
    EXPECT_EQ(Reader->Extract(dest, {99}).Status, ArchiveStatus::Failed);
}

// A handler that throws stops the work; the exception reaches the caller, and nothing half
// done stays behind.
TEST_F(SevenZipRead, AThrowingHandlerStopsTheWorkAndReachesTheCaller)
{
    ASSERT_EQ(Reader->Open(Bigger().Archive).Status, ArchiveStatus::Ok);
    int calls = 0;
    Reader->OnProgress = [&](uint64_t done, uint64_t) {
        ++calls;
        if (done > 0)
            throw std::runtime_error("handler failed");
    };
    const QString dest = Root + QStringLiteral("out/cel");
    EXPECT_THROW(Reader->Extract(dest), std::runtime_error);
    EXPECT_TRUE(Leftovers(dest).isEmpty());
    EXPECT_THROW(Reader->Test(), std::runtime_error);
    // The reader stays usable.
    Reader->OnProgress = nullptr;
    EXPECT_EQ(Reader->Test().Status, ArchiveStatus::Ok);
}

// ---- a sparse file of more than 4 GiB -------------------------------------------------------------

// An archive that holds nothing brings nothing back: not even the folder is made.
TEST_F(SevenZipRead, AnArchiveWithoutItemsMakesNothing)
{
    // The signature header of an archive with nothing after it.
    const QByteArray start(20, '\0');
    QByteArray empty("7z\xBC\xAF\x27\x1C\x00\x04", 8);
    const uint32_t crc = Crc32(start);
    for (int i = 0; i < 4; ++i)
        empty.append(char(crc >> (8 * i)));
    empty.append(start);
    const QString archive = Root + QStringLiteral("puste.7z");
    WriteFile(archive, empty);
    ASSERT_EQ(Reader->Open(archive).Status, ArchiveStatus::Ok);
    ASSERT_TRUE(Reader->Listing().Items.empty());
    const ExtractResult result = Reader->Extract(Root + QStringLiteral("out/nowy/cel"));
    EXPECT_TRUE(result.Complete());
    EXPECT_EQ(result.Extracted, 0u);
    EXPECT_FALSE(PathExists(Root + QStringLiteral("out/nowy")));
}

// The seam between items runs on the library's thread once each item is in place, before the
// next one begins.
TEST_F(SevenZipRead, BetweenItemsRunsAfterEachItemOnTheLibrarysThread)
{
    WriteFile(Root + QStringLiteral("src/k/a.txt"), "a");
    WriteFile(Root + QStringLiteral("src/k/b.txt"), "b");
    const QString archive = PackWithCommand(QStringLiteral("k.7z"), {QStringLiteral("k")});
    ASSERT_EQ(Reader->Open(archive).Status, ArchiveStatus::Ok);
    const QString dest = Root + QStringLiteral("out/cel");
    const std::thread::id caller = std::this_thread::get_id();
    QStringList seen;
    Reader->BetweenItems = [&](const ArchiveItem& item) {
        EXPECT_NE(std::this_thread::get_id(), caller);
        EXPECT_TRUE(PathExists(dest + QLatin1Char('/') + item.Path)) << item.Path.toStdString();
        seen << item.Path;
    };
    EXPECT_TRUE(Reader->Extract(dest).Complete());
    QStringList all;
    for (const ArchiveItem& item : Reader->Listing().Items)
        all << item.Path;
    EXPECT_EQ(seen, all);
}

class SevenZipReadLarge : public SevenZipRead {};

TEST_F(SevenZipReadLarge, ASparseFileOfMoreThan4GiBIsListedAndComesBackSparse)
{
    constexpr int64_t Size = (4ll << 30) + 123457;
    const QString big = Root + QStringLiteral("src/duży obraz.img");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.write("początek") > 0);
        ASSERT_TRUE(f.seek(3ll << 30));
        ASSERT_TRUE(f.write("środek") > 0);
        ASSERT_TRUE(f.resize(Size));
    }
    const QString archive = PackWithCommand(QStringLiteral("rzadki.7z"), {QStringLiteral("duży obraz.img")});
    ASSERT_EQ(Reader->Open(archive).Status, ArchiveStatus::Ok);
    ASSERT_EQ(Reader->Listing().Items.size(), 1u);
    EXPECT_EQ(Reader->Listing().Items[0].Size, uint64_t(Size));
    EXPECT_EQ(Reader->Listing().UnpackedSize, uint64_t(Size));

    const QString dest = Root + QStringLiteral("out/cel");
    const ExtractResult result = Reader->Extract(dest);
    EXPECT_TRUE(result.Complete());
    const Tree tree = Snapshot(NativePath(dest), false);
    const Entry& e = tree.at("duży obraz.img");
    EXPECT_EQ(e.Size, Size);
    EXPECT_LT(e.Blocks * 512, 1 << 20) << "the zeros took disk space";
    QFile f(dest + QStringLiteral("/duży obraz.img"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.read(9), Bytes(QStringLiteral("początek")));
    ASSERT_TRUE(f.seek(3ll << 30));
    EXPECT_EQ(f.read(7), Bytes(QStringLiteral("środek")));
    ASSERT_TRUE(f.seek(Size - 4));
    EXPECT_EQ(f.read(10), QByteArray(4, '\0'));
}

}  // namespace
