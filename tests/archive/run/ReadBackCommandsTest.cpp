// "skrytkar /verify" and "skrytkar /restore" as cron and a user start them: the real program,
// copied into a folder of its own with its list, started without a display, on archives that
// the program's own unattended run wrote. Restored trees are compared with their sources byte
// for byte, times and permission bits included; archives are checked with the real 7z too.

#include "RunTestSupport.h"
#include "ReaderTestSupport.h"

#include <QProcess>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class ReadBackCommands : public ::testing::Test, protected TempTree {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        programDir = root.path() + QStringLiteral("/Program Skrytkar/");
        ASSERT_TRUE(QDir().mkpath(programDir));
        binary = programDir + QStringLiteral("skrytkar");
        ASSERT_TRUE(QFile::copy(QStringLiteral(SKRYTKAR_BINARY), binary));
        QFile::setPermissions(binary, QFile::permissions(binary) | QFile::ExeOwner | QFile::ExeUser);
        docel = MakeFolder(QStringLiteral("kopie"));
    }

    Outcome Run(const QStringList& arguments, int waitMs = 900000)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        return RunProgram(binary, arguments, env, root.path(), waitMs);
    }

    void SaveList(const std::vector<Entry>& entries)
    {
        ASSERT_TRUE(SaveListFileAt(programDir + QStringLiteral("Dane.dat"), entries));
    }

    // The unattended run writes (and checks) the archives.
    void ArchiveAllEntries()
    {
        const Outcome o = Run({QStringLiteral("/all")});
        ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
    }

    // The newest run's dated folder becomes an older one, so the next run makes a new one.
    void MoveRunBack(const QString& olderName)
    {
        const QStringList dated = QDir(docel).entryList({QStringLiteral("Arch_*")}, QDir::Dirs, QDir::Name);
        ASSERT_FALSE(dated.isEmpty());
        ASSERT_TRUE(QDir(docel).rename(dated.last(), olderName));
    }

    // A source folder with Polish names, an empty file, an empty folder, various permission
    // bits and whole-second times (what the archive keeps).
    QString MakeSourceFolder()
    {
        const QString src = MakeFolder(QStringLiteral("Źródła/Listy żółwia"));
        const QByteArray s = QFile::encodeName(src);
        ReaderTest::PutFile(s + "/zażółć gęślą jaźń.txt", QByteArray("Szanowni Państwo,\n").repeated(4000), 0640);
        ReaderTest::PutFile(s + "/pusty", QByteArray(), 0600);
        ReaderTest::PutFile(s + "/skrypt.sh", "#!/bin/sh\necho ćma\n", 0755);
        ReaderTest::PutFolder(s + "/pusty folder", 0750);
        ReaderTest::PutTime(s + "/zażółć gęślą jaźń.txt", 1700000000);
        ReaderTest::PutTime(s + "/pusty", 1600000000);
        ReaderTest::PutTime(s + "/skrypt.sh", 1650000000);
        ReaderTest::PutTime(s + "/pusty folder", 1500000000);
        ReaderTest::PutTime(s, 1710000000);
        return src;
    }

    static void FlipByte(const QString& path, qint64 offset)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(offset));
        char byte = 0;
        ASSERT_TRUE(f.getChar(&byte));
        ASSERT_TRUE(f.seek(offset));
        ASSERT_TRUE(f.putChar(char(byte ^ 0x5A)));
    }

    static void WriteRawFileTo(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    static QByteArray ReadFileBytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }

    QString programDir, binary, docel;
};

TEST_F(ReadBackCommands, VerifyNamesEveryArchiveOfTheListAndEachDamagedOne)
{
    const QString src = MakeSourceFolder();
    const QString note = MakeFile(QStringLiteral("notatka ćmy.txt"), "notatka\n");
    const std::vector<Entry> entries{{QStringLiteral("Folder"), QStringLiteral("Listy żółwia"), src, docel},
                                     {QStringLiteral("Plik"), QStringLiteral("Notatka"), note, docel}};
    SaveList(entries);
    ArchiveAllEntries();
    MoveRunBack(QStringLiteral("Arch_20240305_0907"));
    // Changed since, so the second run packs new archives instead of linking the first ones.
    MakeFile(QStringLiteral("notatka ćmy.txt"), "notatka, druga wersja\n");
    MakeFile(QStringLiteral("Źródła/Listy żółwia/nowy.txt"), "nowy\n");
    ArchiveAllEntries();
    // An entry added since: it has no archive yet.
    std::vector<Entry> more = entries;
    more.push_back({QStringLiteral("Plik"), QStringLiteral("Bez kopii"), note, MakeFolder(QStringLiteral("pusto"))});
    SaveList(more);
    const QStringList archives = AllArchives();
    ASSERT_EQ(archives.size(), 4);
    for (const QString& archive : archives)
        EXPECT_TRUE(SevenZipTestPasses(archive)) << archive.toStdString();

    // Any letter case; list order, newest first within an entry. The entry without an archive
    // has its line and fails the check.
    Outcome o = Run({QStringLiteral("/VeRiFy")});
    EXPECT_EQ(o.exitCode, 1) << o.err.toStdString();
    const QString older = docel + QStringLiteral("/Arch_20240305_0907/");
    QStringList lines = o.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << o.out.toStdString();
    EXPECT_EQ(lines[4], QStringLiteral("brak archiwów: Bez kopii (") + Path(QStringLiteral("pusto"))
                            + QStringLiteral(": żaden folder Arch_ nie zawiera pliku Bez kopii.7z)"));
    SaveList(entries);
    o = Run({QStringLiteral("/verify")});
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    lines = o.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << o.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("poprawne: ") + docel + QStringLiteral("/Arch_2")));
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("/Listy żółwia.7z")));
    EXPECT_EQ(lines[1], QStringLiteral("poprawne: ") + older + QStringLiteral("Listy żółwia.7z"));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("/Notatka.7z")));
    EXPECT_EQ(lines[3], QStringLiteral("poprawne: ") + older + QStringLiteral("Notatka.7z"));

    // One archive spoiled in its packed data, one cut short, one not an archive at all.
    const QString newestListy = lines[0].mid(10);
    FlipByte(newestListy, 40);
    QFile::resize(older + QStringLiteral("Notatka.7z"), QFileInfo(older + QStringLiteral("Notatka.7z")).size() - 20);
    WriteRawFileTo(older + QStringLiteral("Listy żółwia.7z"), "to nie archiwum");
    o = Run({QStringLiteral("/verify")});
    EXPECT_EQ(o.exitCode, 1);
    lines = o.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << o.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("uszkodzone: ") + newestListy + QStringLiteral(" (błąd ")))
        << lines[0].toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("uszkodzone: ") + older + QStringLiteral("Listy żółwia.7z (to nie jest archiwum 7z)"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("poprawne: ")));
    EXPECT_EQ(lines[3], QStringLiteral("uszkodzone: ") + older + QStringLiteral("Notatka.7z (archiwum jest ucięte)"));
}

TEST_F(ReadBackCommands, VerifyWithoutArchivesOrListAndWithADamagedList)
{
    Outcome o = Run({QStringLiteral("/verify")});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_TRUE(o.out.isEmpty());

    // An entry without any archive is no passed check.
    SaveList({{QStringLiteral("Plik"), QStringLiteral("Nic"), Path(QStringLiteral("brak.txt")), docel}});
    o = Run({QStringLiteral("/verify")});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.out, QStringLiteral("brak archiwów: Nic (") + docel + QStringLiteral(": żaden folder Arch_ nie zawiera pliku Nic.7z)\n"));

    MakeFile(QStringLiteral("Program Skrytkar/Dane.dat"), "<Dane><Ilosc>to nie liczba");
    o = Run({QStringLiteral("/verify")});
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_TRUE(o.err.contains(QStringLiteral("Plik listy jest uszkodzony."))) << o.err.toStdString();
}

TEST_F(ReadBackCommands, RestoreGivesBackTheTreeAndNeverOverwrites)
{
    const QString src = MakeSourceFolder();
    SaveList({{QStringLiteral("Folder"), QStringLiteral("Listy"), src, docel}});
    ArchiveAllEntries();
    const ReaderTest::Tree original = ReaderTest::Snapshot(QFile::encodeName(src));
    // A later change, archived in a later run.
    MoveRunBack(QStringLiteral("Arch_20240305_0907"));
    MakeFile(QStringLiteral("Źródła/Listy żółwia/nowy.txt"), "nowy");
    ReaderTest::PutTime(QFile::encodeName(src + QStringLiteral("/nowy.txt")), 1720000000);
    ReaderTest::PutTime(QFile::encodeName(src), 1710000000);
    ArchiveAllEntries();
    const ReaderTest::Tree changed = ReaderTest::Snapshot(QFile::encodeName(src));

    // The newest archive, into a folder that does not exist yet.
    const QString out = Path(QStringLiteral("przywrócone/tu"));
    Outcome o = Run({QStringLiteral("/restore"), QStringLiteral("Listy"), out});
    EXPECT_EQ(o.exitCode, 0) << o.out.toStdString() << o.err.toStdString();
    EXPECT_TRUE(ReaderTest::SameTrees(changed, ReaderTest::Snapshot(QFile::encodeName(out + QStringLiteral("/Listy żółwia")))));
    EXPECT_EQ(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Listy żółwia")});

    // The archive that was named, in any letter case of the command.
    const QString outOld = Path(QStringLiteral("stare"));
    o = Run({QStringLiteral("/RESTORE"), QStringLiteral("Listy"), outOld, QStringLiteral("Arch_20240305_0907")});
    EXPECT_EQ(o.exitCode, 0) << o.out.toStdString() << o.err.toStdString();
    EXPECT_TRUE(ReaderTest::SameTrees(original, ReaderTest::Snapshot(QFile::encodeName(outOld + QStringLiteral("/Listy żółwia")))));

    // Again into the same folder: every file is there already, kept and listed.
    const QString kept = out + QStringLiteral("/Listy żółwia/pusty");
    ReaderTest::PutFile(QFile::encodeName(kept), "zmieniony przez użytkownika", 0600);
    o = Run({QStringLiteral("/restore"), QStringLiteral("Listy"), out});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_TRUE(o.out.contains(QStringLiteral("pominięto, plik już istnieje: Listy żółwia/pusty\n"))) << o.out.toStdString();
    EXPECT_TRUE(o.out.contains(QStringLiteral("pominięto, plik już istnieje: Listy żółwia/nowy.txt\n")));
    EXPECT_EQ(ReadFileBytes(kept), QByteArray("zmieniony przez użytkownika"));
}

TEST_F(ReadBackCommands, RestoreRefusesWhatItCannotFindAndReportsADamagedArchive)
{
    const QString note = MakeFile(QStringLiteral("notatka.txt"), QByteArray("notatka\n").repeated(1000));
    SaveList({{QStringLiteral("Plik"), QStringLiteral("Notatka"), note, docel}});
    ArchiveAllEntries();
    SaveList({{QStringLiteral("Plik"), QStringLiteral("Notatka"), note, docel},
              {QStringLiteral("Plik"), QStringLiteral("Bez kopii"), note, MakeFolder(QStringLiteral("pusto"))}});
    const QString out = Path(QStringLiteral("wynik"));
    struct Case {
        QStringList arguments;
        const char* message;
    };
    const Case refused[] = {
        {{QStringLiteral("/restore")}, "Użycie: skrytkar /restore"},
        {{QStringLiteral("/restore"), QStringLiteral("Notatka")}, "Użycie: skrytkar /restore"},
        {{QStringLiteral("/restore"), QStringLiteral("notatki"), out}, "Na liście nie ma wpisu notatki."},
        {{QStringLiteral("/restore"), QStringLiteral("Bez kopii"), out}, "Wpis Bez kopii nie ma jeszcze żadnego archiwum."},
        {{QStringLiteral("/restore"), QStringLiteral("Notatka"), out, QStringLiteral("Arch_20200101_0000")},
         "Wpis Notatka nie ma archiwum w folderze Arch_20200101_0000."},
        // Not a dated folder: a path in the archive, and there is none such.
        {{QStringLiteral("/restore"), QStringLiteral("Notatka"), out, QStringLiteral("../kopie")},
         "nie ma ../kopie."},
        {{QStringLiteral("/restore"), QStringLiteral("Notatka"), out, QStringLiteral("Arch_20200101_0000"), QStringLiteral("notatka.txt")},
         "Wpis Notatka nie ma archiwum w folderze Arch_20200101_0000."},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const Outcome o = Run(c.arguments);
        EXPECT_EQ(o.exitCode, 2);
        EXPECT_TRUE(o.err.contains(QString::fromUtf8(c.message))) << o.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(out));
    }

    const QStringList archives = AllArchives();
    ASSERT_EQ(archives.size(), 1);
    const QByteArray whole = ReadFileBytes(archives.front());
    // The name in another letter case finds the one entry it can mean.
    Outcome o = Run({QStringLiteral("/restore"), QStringLiteral("NOTATKA"), out});
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(ReadFileBytes(out + QStringLiteral("/notatka.txt")), QByteArray("notatka\n").repeated(1000));
    QDir(out).removeRecursively();

    // Bytes after the archive's end: restored, and said as "/verify" says it.
    WriteRawFileTo(archives.front(), whole + "śmieci");
    o = Run({QStringLiteral("/restore"), QStringLiteral("Notatka"), out});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_TRUE(o.err.contains(QStringLiteral("Nie można przywrócić z archiwum ") + archives.front() +
                               QStringLiteral(": obce dane za końcem archiwum.")))
        << o.err.toStdString();
    EXPECT_EQ(ReadFileBytes(out + QStringLiteral("/notatka.txt")), QByteArray("notatka\n").repeated(1000));
    o = Run({QStringLiteral("/verify")});
    EXPECT_TRUE(o.out.contains(QStringLiteral("(obce dane za końcem archiwum)"))) << o.out.toStdString();
    QDir(out).removeRecursively();
    WriteRawFileTo(archives.front(), whole);
    // Damaged inside the item's data: the item is not restored.
    FlipByte(archives.front(), 40);
    o = Run({QStringLiteral("/restore"), QStringLiteral("Notatka"), out});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_TRUE(o.out.contains(QStringLiteral("uszkodzone, nie przywrócono: notatka.txt"))) << o.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/notatka.txt")));

    // Damaged after the item's data (the size in the block's first header): the item passes
    // its own check and is restored, but the archive is reported damaged.
    WriteRawFileTo(archives.front(), whole);
    FlipByte(archives.front(), 34);
    o = Run({QStringLiteral("/restore"), QStringLiteral("Notatka"), out});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_TRUE(o.err.contains(QStringLiteral("Nie można przywrócić z archiwum ") + archives.front() +
                               QStringLiteral(": archiwum jest uszkodzone.")))
        << o.err.toStdString();
    EXPECT_EQ(ReadFileBytes(out + QStringLiteral("/notatka.txt")), QByteArray("notatka\n").repeated(1000));
    o = Run({QStringLiteral("/verify")});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.out, QStringLiteral("uszkodzone: ") + archives.front() + QStringLiteral(" (archiwum jest uszkodzone)\n")
                         + QStringLiteral("brak archiwów: Bez kopii (") + Path(QStringLiteral("pusto"))
                         + QStringLiteral(": żaden folder Arch_ nie zawiera pliku Bez kopii.7z)\n"));
}

TEST_F(ReadBackCommands, RestoreRefusesPathsThatLeaveTheFolder)
{
    // An archive made elsewhere, placed where the entry's archives lie: its items climb out.
    const QString dated = MakeFolder(QStringLiteral("kopie/Arch_20240305_0907"));
    const QString work = MakeFolder(QStringLiteral("a/b"));
    MakeFile(QStringLiteral("a/uciekinier.txt"), "poza folderem");
    MakeFile(QStringLiteral("a/b/dobry.txt"), "w folderze");
    QProcess p;
    p.setWorkingDirectory(work);
    p.start(QStringLiteral("7z"), {QStringLiteral("a"), QStringLiteral("-spf"), dated + QStringLiteral("/Obcy.7z"),
                                   QStringLiteral("../uciekinier.txt"), QStringLiteral("dobry.txt")});
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
    SaveList({{QStringLiteral("Plik"), QStringLiteral("Obcy"), Path(QStringLiteral("a/b/dobry.txt")), docel}});

    const QString out = Path(QStringLiteral("cel/w"));
    const Outcome o = Run({QStringLiteral("/restore"), QStringLiteral("Obcy"), out});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_TRUE(o.out.contains(QStringLiteral("odrzucono, ścieżka wychodzi poza folder: ../uciekinier.txt"))) << o.out.toStdString();
    EXPECT_EQ(ReadFileBytes(out + QStringLiteral("/dobry.txt")), QByteArray("w folderze"));
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("cel/uciekinier.txt"))));
}

// A home folder as users keep one: links with absolute, relative and dangling targets come back
// as links, equal to the source; chosen paths bring back only themselves and what is under them.
TEST_F(ReadBackCommands, AHomeFolderWithLinksComesBackEqualAndChosenPathsAlone)
{
    const QString home = MakeFolder(QStringLiteral("home/ala"));
    const QByteArray h = QFile::encodeName(home);
    ReaderTest::PutFolder(h + "/Dokumenty", 0700);
    ReaderTest::PutFolder(h + "/Dokumenty/Umowy", 0755);
    ReaderTest::PutFile(h + "/Dokumenty/Umowy/najem.txt", "umowa najmu", 0600);
    ReaderTest::PutFile(h + "/Dokumenty/list.txt", "drogi Jasiu", 0644);
    ReaderTest::PutFolder(h + "/.config", 0700);
    ReaderTest::PutFile(h + "/.config/ustawienia", "a=1", 0600);
    ReaderTest::PutLink("/etc/hostname", h + "/nazwa hosta");
    ReaderTest::PutLink("Dokumenty/list.txt", h + "/list");
    ReaderTest::PutLink("../../nie ma takiego", h + "/.config/zerwane");
    ReaderTest::PutLink("/", h + "/korzeń");
    int k = 0;
    const ReaderTest::Tree made = ReaderTest::Snapshot(h, false);
    for (auto it = made.rbegin(); it != made.rend(); ++it, ++k)
        ReaderTest::PutTime(h + "/" + QByteArray::fromStdString(it->first), 1600000000 - k * 3600);
    SaveList({{QStringLiteral("Folder"), QStringLiteral("Ala"), home, docel}});
    const QString settings = programDir + QStringLiteral("Ustawienia.ini");
    WriteRawFileTo(settings, "[Archiwizacja]\nPodfoldery=true\n");
    ArchiveAllEntries();
    const ReaderTest::Tree original = ReaderTest::Snapshot(h);

    const QString out = Path(QStringLiteral("odzysk"));
    Outcome o = Run({QStringLiteral("/restore"), QStringLiteral("Ala"), out});
    EXPECT_EQ(o.exitCode, 0) << o.out.toStdString() << o.err.toStdString();
    EXPECT_TRUE(ReaderTest::SameTrees(original, ReaderTest::Snapshot(QFile::encodeName(out + QStringLiteral("/ala")))));

    const QString some = Path(QStringLiteral("wybrane"));
    o = Run({QStringLiteral("/restore"), QStringLiteral("Ala"), some, QStringLiteral("ala/Dokumenty/Umowy"),
             QStringLiteral("ala/list")});
    EXPECT_EQ(o.exitCode, 0) << o.out.toStdString() << o.err.toStdString();
    QStringList paths;
    for (const auto& [path, e] : ReaderTest::Snapshot(QFile::encodeName(some), false))
        paths << QString::fromStdString(path);
    EXPECT_EQ(paths, (QStringList{QStringLiteral("ala"), QStringLiteral("ala/Dokumenty"), QStringLiteral("ala/Dokumenty/Umowy"),
                                  QStringLiteral("ala/Dokumenty/Umowy/najem.txt"), QStringLiteral("ala/list")}));
    EXPECT_TRUE(o.out.contains(QStringLiteral("Przywrócono 3 z 3 "))) << o.out.toStdString();

    o = Run({QStringLiteral("/restore"), QStringLiteral("Ala"), Path(QStringLiteral("nic")), QStringLiteral("ala/brak")});
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_TRUE(o.err.contains(QStringLiteral("nie ma ala/brak."))) << o.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("nic"))));
}

// Archives made elsewhere to climb out: a link to "/" with a file stored beneath its name, and a
// link and a folder under one name. The program writes nothing outside the target.
TEST_F(ReadBackCommands, RestoreWritesNothingThroughALinkAnArchiveHolds)
{
    const QString outside = MakeFolder(QStringLiteral("poza"));
    const QString dated = MakeFolder(QStringLiteral("kopie/Arch_20240305_0907"));
    const QString work = MakeFolder(QStringLiteral("obcy"));
    const QByteArray w = QFile::encodeName(work);
    ReaderTest::PutLink("/", w + "/r");
    MakeFile(QStringLiteral("obcy/k") + outside + QStringLiteral("/przez korzeń.txt"), "ucieka");
    ReaderTest::PutLink(QFile::encodeName(outside), w + "/d");
    MakeFile(QStringLiteral("obcy/e/przez folder.txt"), "ucieka");
    const QString archive = dated + QStringLiteral("/Obcy.7z");
    const auto run7z = [&](const QStringList& arguments) {
        QProcess p;
        p.setWorkingDirectory(work);
        p.start(QStringLiteral("7z"), arguments);
        ASSERT_TRUE(p.waitForFinished(120000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
    };
    run7z({QStringLiteral("a"), QStringLiteral("-snl"), archive, QStringLiteral("r"), QStringLiteral("k"), QStringLiteral("d"),
           QStringLiteral("e")});
    run7z({QStringLiteral("rn"), archive, QStringLiteral("k"), QStringLiteral("r"), QStringLiteral("e"), QStringLiteral("d")});
    SaveList({{QStringLiteral("Folder"), QStringLiteral("Obcy"), work, docel}});

    const QString out = Path(QStringLiteral("cel"));
    const Outcome o = Run({QStringLiteral("/restore"), QStringLiteral("Obcy"), out});
    EXPECT_EQ(o.exitCode, 1) << o.out.toStdString() << o.err.toStdString();
    EXPECT_TRUE(QDir(outside).isEmpty());
    EXPECT_EQ(ReadFileBytes(out + QStringLiteral("/r") + outside + QStringLiteral("/przez korzeń.txt")), QByteArray("ucieka"));
    EXPECT_EQ(ReadFileBytes(out + QStringLiteral("/d/przez folder.txt")), QByteArray("ucieka"));
    EXPECT_TRUE(QFileInfo(out + QStringLiteral("/r")).isDir() && !QFileInfo(out + QStringLiteral("/r")).isSymLink());
    EXPECT_TRUE(o.out.contains(QStringLiteral("nie zapisano: r ("))) << o.out.toStdString();
}

TEST_F(ReadBackCommands, AFileOfMoreThanFourGibibytesMadeSparseComesBackWhole)
{
    const QString big = Path(QStringLiteral("duży obraz.img"));
    {
        const int fd = ::open(QFile::encodeName(big).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0640);
        ASSERT_GE(fd, 0);
        const off_t end = (off_t(4) << 30) + 4096;
        ASSERT_EQ(::pwrite(fd, "początek", 9, 0), 9);
        ASSERT_EQ(::pwrite(fd, "koniec", 6, end - 6), 6);
        ::close(fd);
        ASSERT_EQ(::chmod(QFile::encodeName(big).constData(), 0640), 0);
        ReaderTest::PutTime(QFile::encodeName(big), 1690000000);
    }
    SaveList({{QStringLiteral("Plik"), QStringLiteral("Obraz"), big, docel}});
    ArchiveAllEntries();
    Outcome o = Run({QStringLiteral("/verify")});
    EXPECT_EQ(o.exitCode, 0) << o.out.toStdString();
    EXPECT_TRUE(o.out.startsWith(QStringLiteral("poprawne: "))) << o.out.toStdString();

    const QString out = Path(QStringLiteral("odzysk"));
    o = Run({QStringLiteral("/restore"), QStringLiteral("Obraz"), out});
    EXPECT_EQ(o.exitCode, 0) << o.out.toStdString() << o.err.toStdString();
    const QByteArray restored = QFile::encodeName(out + QStringLiteral("/duży obraz.img"));
    const ReaderTest::Tree source = ReaderTest::Snapshot(QFile::encodeName(Path(QString())), false);
    const ReaderTest::Tree back = ReaderTest::Snapshot(QFile::encodeName(out), false);
    ASSERT_EQ(back.count("duży obraz.img"), 1u);
    const ReaderTest::Entry& e = back.at("duży obraz.img");
    EXPECT_EQ(e, source.at("duży obraz.img"));
    // Its zeros are holes again: a few blocks on the disk, not four gibibytes.
    EXPECT_LT(e.Blocks * 512, int64_t(64) << 20);
    QFile f(QString::fromUtf8(restored));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.read(9), QByteArray("początek"));
    ASSERT_TRUE(f.seek(f.size() - 6));
    EXPECT_EQ(f.read(6), QByteArray("koniec"));
}

// Runs of the real program that build on earlier archives: an unchanged entry is linked, a
// file rewritten with its time put back is noticed by its change time and the archive is made
// from the earlier one, and an earlier archive found damaged is reported and never built on.
TEST_F(ReadBackCommands, LaterRunsBuildOnTheEarlierArchiveOnlyWhileItIsWhole)
{
    const QString src = MakeSourceFolder();
    SaveList({{QStringLiteral("Folder"), QStringLiteral("Listy"), src, docel}});
    const QString log = programDir + QStringLiteral("Log.txt");
    auto entryLines = [&] {
        QStringList lines = QString::fromUtf8(ReadFileBytes(log)).split(QStringLiteral("\r\n")).mid(2);
        lines.removeAll(QString());
        return lines;
    };
    auto newest = [&] {
        const QStringList dated = QDir(docel).entryList({QStringLiteral("Arch_*")}, QDir::Dirs, QDir::Name);
        return docel + QLatin1Char('/') + dated.last() + QStringLiteral("/Listy.7z");
    };
    // The first run begins after the files' last changes.
    QThread::msleep(2100);
    ASSERT_NO_FATAL_FAILURE(ArchiveAllEntries());
    ASSERT_NO_FATAL_FAILURE(MoveRunBack(QStringLiteral("Arch_20260101_1200")));

    ASSERT_NO_FATAL_FAILURE(ArchiveAllEntries());
    EXPECT_EQ(entryLines(), QStringList{QStringLiteral("Zarchiwizowano Listy (bez zmian)")});
    ASSERT_NO_FATAL_FAILURE(MoveRunBack(QStringLiteral("Arch_20260102_1200")));

    // Same size, same time, other words: only the inode's change time tells.
    const QByteArray text = QFile::encodeName(src + QStringLiteral("/zażółć gęślą jaźń.txt"));
    ReaderTest::PutFile(text, QByteArray("Szanowne Państwo,\n").repeated(4000), 0640);
    ReaderTest::PutTime(text, 1700000000);
    ASSERT_NO_FATAL_FAILURE(ArchiveAllEntries());
    EXPECT_EQ(entryLines(), (QStringList{QStringLiteral("Zarchiwizowano Listy"),
                                         QStringLiteral("\tzmienione pliki: 1, nowe: 0, usunięte: 0")}));
    const QString updated = newest();
    EXPECT_TRUE(SevenZipTestPasses(updated));
    const QString out = Path(QStringLiteral("rozpakowane"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("7z"), {QStringLiteral("x"), QStringLiteral("-o") + out, updated}), 0);
    EXPECT_EQ(ReadFileBytes(out + QStringLiteral("/Listy żółwia/zażółć gęślą jaźń.txt")),
              QByteArray("Szanowne Państwo,\n").repeated(4000));
    ASSERT_NO_FATAL_FAILURE(MoveRunBack(QStringLiteral("Arch_20260103_1200")));

    // One byte of the newest archive's data spoiled, its headers whole.
    ASSERT_NO_FATAL_FAILURE(FlipByte(newest(), 40));
    const Outcome o = Run({QStringLiteral("/all")});
    EXPECT_EQ(o.exitCode, 1) << o.err.toStdString();
    EXPECT_EQ(entryLines(), (QStringList{QStringLiteral("Zarchiwizowano Listy"),
                                         QStringLiteral("\twcześniejsze archiwum ") + docel +
                                             QStringLiteral("/Arch_20260103_1200/Listy.7z jest uszkodzone; spakowano od nowa")}));
    EXPECT_TRUE(SevenZipTestPasses(newest()));
}

}  // namespace
