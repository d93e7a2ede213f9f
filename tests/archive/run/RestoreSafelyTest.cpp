// Restoring into a folder that may be hostile or changing: archives whose items climb out or
// lead out through links, a folder of the target swapped for a link while the restore runs,
// the user's umask, times before 1970, temporaries left by a killed restore, an archive with
// no items, chosen paths and an archive "/verify" calls damaged. Archives are made by the
// `7z` command (which can be asked for hostile ones) or by our own packer, against the real
// library; nothing may ever appear outside the target.

#include "ReaderTestSupport.h"
#include "SevenZipTestSupport.h"
#include "archive/run/RestoreEntry.h"
#include "archive/sevenzip/SevenZipReader.h"
#include "archive/sevenzip/SevenZip.h"
#include "platform/Files.h"
#include "platform/Restore.h"

#include <QDir>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>

using namespace SevenZipTest;

namespace {

uint64_t FileTimeOfSeconds(int64_t seconds)
{
    return uint64_t(seconds + 11644473600ll) * 10000000ull;
}

class RestoreSafely : public ::testing::Test {
protected:
    QString Path(const QString& relative) const { return root.path() + QLatin1Char('/') + relative; }
    QString MakeFile(const QString& relative, const QByteArray& content) const
    {
        WriteFile(Path(relative), content);
        return Path(relative);
    }
    QString MakeFolder(const QString& relative) const
    {
        QDir().mkpath(Path(relative));
        return Path(relative);
    }

    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        zip = MakeWindowPacker();
        src = MakeFolder(QStringLiteral("src"));
        outside = MakeFolder(QStringLiteral("poza"));
        target = Path(QStringLiteral("cel"));
    }

    // `7z a` from folder from; every switch the case needs.
    QString Pack7z(const QString& name, const QStringList& sources, const QStringList& switches = {},
                   const QString& from = QString())
    {
        const QString archive = Path(name);
        QStringList args{QStringLiteral("a"), QStringLiteral("-mx1"), QStringLiteral("-bd")};
        args << switches << archive << sources;
        const CommandResult r = Run7z(args, from.isEmpty() ? src : from);
        EXPECT_EQ(r.ExitCode, 0) << r.Output.toStdString();
        return archive;
    }

    void Rename7z(const QString& archive, const QString& from, const QString& to)
    {
        const CommandResult r = Run7z({QStringLiteral("rn"), archive, from, to});
        EXPECT_EQ(r.ExitCode, 0) << r.Output.toStdString();
    }

    // Packs the folder top (under src) with our own packer, as the run does.
    QString PackOwn(const QString& top, const QString& name)
    {
        const QString archive = Path(name);
        zip->SZFileName = archive;
        zip->AddRootDir = src + QLatin1Char('/');
        zip->AddOptions = AddSolid | AddRecurseDirs;
        zip->Files.Clear();
        zip->Files.Add(src + QLatin1Char('/') + top + QStringLiteral("/*.*"));
        EXPECT_EQ(zip->Add(), 0);
        return archive;
    }

    RestoreReport Restore(const QString& archive, const QStringList& paths = {})
    {
        RestoreRequest request;
        request.ArchivePath = archive;
        request.Folder = target;
        request.Paths = paths;
        request.BetweenItems = between;
        return RestoreArchive(*zip, request);
    }

    static std::map<QString, ExtractProblem::Kind> ProblemsOf(const RestoreReport& report)
    {
        std::map<QString, ExtractProblem::Kind> problems;
        for (const ExtractProblem& p : report.Result.Problems)
            problems[p.Path] = p.What;
        return problems;
    }

    // Everything in the scratch folder that is neither a source, an archive nor the target.
    QStringList Escaped() const
    {
        QStringList found;
        for (const auto& [path, e] : ReaderTest::Snapshot(QFile::encodeName(root.path()), false)) {
            const QString p = QString::fromStdString(path);
            if (p == QStringLiteral("poza") || p == QStringLiteral("src") || p.startsWith(QStringLiteral("src/")) ||
                p == QStringLiteral("cel") || p.startsWith(QStringLiteral("cel/")) || p.endsWith(QStringLiteral(".7z")))
                continue;
            found << p;
        }
        return found;
    }

    QTemporaryDir root;
    std::unique_ptr<SevenZipPacker> zip;
    QString src, outside, target;
    std::function<void(const ArchiveItem&)> between;
};

// Items with "..", absolute paths, a link to "/" with files stored beneath its name, and a
// name that is a link in one item and a folder in the next: everything comes out inside the
// target or not at all, and links come back as links whatever they point to.
TEST_F(RestoreSafely, HostileArchivesWriteNothingOutsideTheTarget)
{
    const QByteArray s = QFile::encodeName(src);
    // A path to the outside folder, relative to "/".
    const QString outsideFromRoot = outside.mid(1);
    struct Case {
        const char* Name;
        std::function<QString()> Make;
        std::map<QString, ExtractProblem::Kind> Problems;
        std::map<QString, char> Expected;  // path under the target -> 'f' file, 'd' folder, 'l' link
    };
    const Case cases[] = {
        {"dwie kropki i ścieżka bezwzględna",
         [&] {
             MakeFile(QStringLiteral("src/w/poza.txt"), "ucieka");
             MakeFile(QStringLiteral("src/w/k/dobry.txt"), "dobry");
             const QString list = MakeFile(QStringLiteral("src/lista.txt"),
                                           ("../poza.txt\n" + src + "/w/k/dobry.txt\ndobry.txt\n").toUtf8());
             return Pack7z(QStringLiteral("kropki.7z"), {QLatin1Char('@') + list}, {QStringLiteral("-spf")},
                           src + QStringLiteral("/w/k"));
         },
         {{QStringLiteral("../poza.txt"), ExtractProblem::UnsafePath},
          {src + QStringLiteral("/w/k/dobry.txt"), ExtractProblem::UnsafePath}},
         {{QStringLiteral("dobry.txt"), 'f'}}},
        {"dowiązanie do / i plik pod jego nazwą",
         [&] {
             ReaderTest::PutLink("/", s + "/r");
             MakeFile(QStringLiteral("src/k/") + outsideFromRoot + QStringLiteral("/ucieczka.txt"), "ucieka");
             const QString archive = Pack7z(QStringLiteral("korzeń.7z"), {QStringLiteral("r"), QStringLiteral("k")},
                                            {QStringLiteral("-snl")});
             Rename7z(archive, QStringLiteral("k"), QStringLiteral("r"));
             return archive;
         },
         // The folder "r" is made (links come last, so no file goes through one), and the link
         // finds it in its way.
         {{QStringLiteral("r"), ExtractProblem::WriteFailed}},
         {{QStringLiteral("r"), 'd'}, {QStringLiteral("r/") + outsideFromRoot + QStringLiteral("/ucieczka.txt"), 'f'}}},
        {"dowiązanie i folder pod tą samą nazwą",
         [&] {
             ReaderTest::PutLink(QFile::encodeName(outside), s + "/d");
             ReaderTest::PutLink("../poza", s + "/wzgl");
             MakeFile(QStringLiteral("src/e/plik.txt"), "w folderze");
             const QString archive = Pack7z(QStringLiteral("zamiana.7z"),
                                            {QStringLiteral("d"), QStringLiteral("e"), QStringLiteral("wzgl")},
                                            {QStringLiteral("-snl")});
             Rename7z(archive, QStringLiteral("e"), QStringLiteral("d"));
             return archive;
         },
         {{QStringLiteral("d"), ExtractProblem::WriteFailed}},
         {{QStringLiteral("d"), 'd'}, {QStringLiteral("d/plik.txt"), 'f'}, {QStringLiteral("wzgl"), 'l'}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        QDir(src).removeRecursively();
        QDir().mkpath(src);
        QDir(target).removeRecursively();
        const QString archive = c.Make();
        const RestoreReport report = Restore(archive);
        EXPECT_EQ(report.Result.Status, ArchiveStatus::Ok);
        EXPECT_EQ(ProblemsOf(report), c.Problems);
        std::map<QString, char> found;
        for (const auto& [path, e] : ReaderTest::Snapshot(QFile::encodeName(target), false)) {
            const QString p = QString::fromStdString(path);
            // Folders on the way to an expected item are not listed in the case.
            if (e.Type != 'd' || c.Expected.count(p))
                found[p] = e.Type;
        }
        EXPECT_EQ(found, c.Expected);
        EXPECT_TRUE(FolderContent(outside).isEmpty());
        EXPECT_TRUE(Escaped().isEmpty()) << Escaped().join(QLatin1Char(' ')).toStdString();
    }
}

// Between two items a folder of the target is swapped for a link to another folder: one the
// restore has open already, and one it has not reached yet. Nothing reaches the other folder,
// and neither folder of the target changes its bits.
TEST_F(RestoreSafely, AFolderSwappedForALinkDuringTheRestoreSendsNothingOutside)
{
    for (const char* folder : {"a", "b"})
        for (int i = 0; i < 6; ++i)
            MakeFile(QStringLiteral("src/top/%1/%2.txt").arg(QLatin1String(folder)).arg(i), QByteArray("plik ") + folder);
    const QString archive = PackOwn(QStringLiteral("top"), QStringLiteral("top.7z"));
    ASSERT_EQ(::chmod(QFile::encodeName(outside).constData(), 0755), 0);

    // The listing's order: which folder is met first and which last.
    SevenZipReader listing(*zip);
    ASSERT_EQ(listing.Open(archive).Status, ArchiveStatus::Ok);
    QString first, last;
    for (const ArchiveItem& item : listing.Listing().Items) {
        if (item.IsFolder)
            continue;
        const QString folder = item.Path.section(QLatin1Char('/'), 0, 1);
        if (first.isEmpty())
            first = folder;
        last = folder;
    }
    listing.Close();
    ASSERT_NE(first, last);

    for (const bool open : {true, false}) {
        SCOPED_TRACE(open ? "folder already open" : "folder not reached yet");
        QDir(target).removeRecursively();
        const QString swapped = target + QLatin1Char('/') + (open ? first : last);
        bool done = false;
        // The open one after a file of it is written; the other at once, before it is made.
        between = [&](const ArchiveItem& item) {
            if (done || (open && (item.IsFolder || !item.Path.startsWith(first + QLatin1Char('/')))))
                return;
            done = true;
            if (QFileInfo::exists(swapped)) {
                ASSERT_EQ(::rename(QFile::encodeName(swapped).constData(),
                                   QFile::encodeName(swapped + QStringLiteral(".stary")).constData()),
                          0);
            }
            ASSERT_EQ(::symlink(QFile::encodeName(outside).constData(), QFile::encodeName(swapped).constData()), 0);
        };
        const RestoreReport report = Restore(archive);
        EXPECT_TRUE(done);
        EXPECT_TRUE(FolderContent(outside).isEmpty());
        EXPECT_EQ(ModeOf(outside), 0755u);
        EXPECT_TRUE(Escaped().isEmpty());
        if (open) {
            // The folder it had open kept its files, under the name it was moved to.
            EXPECT_EQ(FolderContent(swapped + QStringLiteral(".stary")).size(), 6);
        } else {
            EXPECT_FALSE(report.Complete());
            int through = 0;
            for (const ExtractProblem& p : report.Result.Problems)
                through += p.What == ExtractProblem::ThroughLink;
            EXPECT_GE(through, 6);
        }
    }
}

// Bits the umask takes away stay away, as tar gives them to an ordinary user; a time before
// 1970 comes back as stored.
TEST_F(RestoreSafely, TheUmaskAndTimesBefore1970AreHonoured)
{
    const QByteArray s = QFile::encodeName(src);
    ReaderTest::PutFolder(s + "/stare", 0777);
    ReaderTest::PutFile(s + "/stare/dla wszystkich.txt", "rw", 0666);
    ReaderTest::PutFile(s + "/stare/program", "x", 0777);
    ReaderTest::PutFolder(s + "/stare/głęboki", 0775);
    constexpr int64_t Moon = -14182940;  // 1969-07-20 20:17:40 UTC
    constexpr int64_t Older = -631152000;  // 1950-01-01 (every file system here keeps it)
    ReaderTest::PutTime(s + "/stare/dla wszystkich.txt", Moon);
    ReaderTest::PutTime(s + "/stare/program", Older);
    ReaderTest::PutTime(s + "/stare/głęboki", Moon - 1);
    const QString archive = PackOwn(QStringLiteral("stare"), QStringLiteral("stare.7z"));

    const mode_t previous = ::umask(077);
    const RestoreReport report = Restore(archive);
    ::umask(previous);
    EXPECT_TRUE(report.Complete()) << report.Fault.toStdString();
    const ReaderTest::Tree back = ReaderTest::Snapshot(QFile::encodeName(target), false);
    ASSERT_EQ(back.count("stare/program"), 1u);
    EXPECT_EQ(back.at("stare").Mode, 0700u);
    EXPECT_EQ(back.at("stare/dla wszystkich.txt").Mode, 0600u);
    EXPECT_EQ(back.at("stare/program").Mode, 0700u);
    EXPECT_EQ(back.at("stare/głęboki").Mode, 0700u);
    EXPECT_EQ(back.at("stare/dla wszystkich.txt").ModifiedNs, Moon * 1000000000);
    EXPECT_EQ(back.at("stare/program").ModifiedNs, Older * 1000000000);
    EXPECT_EQ(back.at("stare/głęboki").ModifiedNs, (Moon - 1) * 1000000000);

    // The conversion itself, around the edge.
    struct Case {
        int64_t Seconds;
        long Nanoseconds;
    };
    for (const Case c : {Case{0, 0}, Case{-1, 0}, Case{-1, 500000000}, Case{Moon, 100}, Case{1700000000, 999999900}}) {
        const timespec t = TimespecOfFileTime(FileTimeOfSeconds(c.Seconds) + uint64_t(c.Nanoseconds / 100));
        EXPECT_EQ(int64_t(t.tv_sec), c.Seconds);
        EXPECT_EQ(t.tv_nsec, c.Nanoseconds);
    }
}

// A temporary left by a killed restore goes; one a restore at work holds (locked) stays, and
// so does anything merely named alike.
TEST_F(RestoreSafely, TemporariesOfAKilledRestoreAreRemoved)
{
    MakeFile(QStringLiteral("src/top/plik.txt"), "plik");
    const QString archive = PackOwn(QStringLiteral("top"), QStringLiteral("top.7z"));
    MakeFile(QStringLiteral("cel/.skrytkar-AbCd1234.part"), "połowa");
    MakeFile(QStringLiteral("cel/top/.skrytkar-x9Y8z7W6.part"), "połowa");
    MakeFile(QStringLiteral("cel/top/.skrytkar-krótka.part"), "nie nasza");
    MakeFile(QStringLiteral("cel/top/.skrytkar-AAAAAAAA.part.bak"), "nie nasza");
    const QString held = MakeFile(QStringLiteral("cel/top/.skrytkar-Zajety12.part"), "w użyciu");
    const int fd = ::open(QFile::encodeName(held).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    const RestoreReport report = Restore(archive);
    ::close(fd);
    EXPECT_TRUE(report.Complete());
    EXPECT_EQ(FolderContent(target), QStringList{QStringLiteral("top")});
    EXPECT_EQ(FolderContent(target + QStringLiteral("/top")),
              (QStringList{QStringLiteral(".skrytkar-AAAAAAAA.part.bak"), QStringLiteral(".skrytkar-Zajety12.part"), QStringLiteral(".skrytkar-krótka.part"),
                           QStringLiteral("plik.txt")}));
}

// Only the chosen paths and what lies under them; a path that names nothing restores nothing.
TEST_F(RestoreSafely, ChosenPathsAndTheirSubtreesOnly)
{
    MakeFile(QStringLiteral("src/top/a/1.txt"), "1");
    MakeFile(QStringLiteral("src/top/a/b/2.txt"), "2");
    MakeFile(QStringLiteral("src/top/ab.txt"), "ab");
    MakeFile(QStringLiteral("src/top/c.txt"), "c");
    const QString archive = PackOwn(QStringLiteral("top"), QStringLiteral("top.7z"));

    RestoreReport report = Restore(archive, {QStringLiteral("top/a"), QStringLiteral("top/c.txt")});
    EXPECT_TRUE(report.Complete());
    EXPECT_EQ(report.Chosen, 5);  // top/a, top/a/b, top/a/1.txt, top/a/b/2.txt, top/c.txt
    const ReaderTest::Tree back = ReaderTest::Snapshot(QFile::encodeName(target), false);
    QStringList paths;
    for (const auto& [path, e] : back)
        paths << QString::fromStdString(path);
    EXPECT_EQ(paths, (QStringList{QStringLiteral("top"), QStringLiteral("top/a"), QStringLiteral("top/a/1.txt"),
                                  QStringLiteral("top/a/b"), QStringLiteral("top/a/b/2.txt"), QStringLiteral("top/c.txt")}));

    QDir(target).removeRecursively();
    report = Restore(archive, {QStringLiteral("top/a"), QStringLiteral("top/nie ma")});
    EXPECT_FALSE(report.Complete());
    EXPECT_EQ(report.UnknownPaths, QStringList{QStringLiteral("top/nie ma")});
    EXPECT_FALSE(QFileInfo::exists(target));
}

// An archive without items makes nothing, not even the target; one "/verify" calls damaged
// (bytes after its end) is restored and called damaged.
TEST_F(RestoreSafely, AnEmptyArchiveMakesNothingAndADamagedOneIsSaidSo)
{
    // The signature header of an archive with nothing after it.
    QByteArray start(20, '\0');
    QByteArray empty = QByteArray("7z\xBC\xAF\x27\x1C\x00\x04", 8);
    const uint32_t crc = ReaderTest::Crc32(start);
    for (int i = 0; i < 4; ++i)
        empty.append(char(crc >> (8 * i)));
    empty.append(start);
    const QString emptyArchive = MakeFile(QStringLiteral("puste.7z"), empty);
    RestoreReport report = Restore(emptyArchive);
    EXPECT_EQ(report.Listing.Status, ArchiveStatus::Ok);
    EXPECT_TRUE(report.Complete()) << report.Fault.toStdString();
    EXPECT_EQ(report.Chosen, 0);
    EXPECT_FALSE(QFileInfo::exists(target));

    MakeFile(QStringLiteral("src/top/plik.txt"), "plik");
    const QString archive = PackOwn(QStringLiteral("top"), QStringLiteral("top.7z"));
    QFile f(archive);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("obce dane");
    f.close();
    report = Restore(archive);
    EXPECT_FALSE(report.Complete());
    EXPECT_EQ(report.Fault, QStringLiteral("obce dane za końcem archiwum"));
    EXPECT_EQ(ReadFile(target + QStringLiteral("/top/plik.txt")), QByteArray("plik"));
}

// Where the file system refuses the one-step rename without replacing, the link-then-unlink way
// keeps the promise: an existing name is never replaced.
TEST(RenameNoReplace, NeverReplacesWhatLiesThere)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray d = QFile::encodeName(dir.path());
    ReaderTest::PutFile(d + "/istniejący", "stary");
    const int folder = ::open(d.constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    for (const bool oneStep : {true, false}) {
        SCOPED_TRACE(oneStep ? "one step" : "link, then unlink");
        QFile::remove(dir.path() + QStringLiteral("/nowa nazwa"));
        ReaderTest::PutFile(d + "/tymczasowy", "nowy");
        EXPECT_EQ(RenameNoReplaceAt(folder, "tymczasowy", "istniejący", oneStep), EEXIST);
        EXPECT_EQ(ReadFile(dir.path() + QStringLiteral("/istniejący")), QByteArray("stary"));
        EXPECT_EQ(RenameNoReplaceAt(folder, "tymczasowy", "nowa nazwa", oneStep), NoError);
        EXPECT_EQ(FolderContent(dir.path()), (QStringList{QStringLiteral("istniejący"), QStringLiteral("nowa nazwa")}));
        EXPECT_EQ(ReadFile(dir.path() + QStringLiteral("/nowa nazwa")), QByteArray("nowy"));
    }
    ::close(folder);
}

}  // namespace
