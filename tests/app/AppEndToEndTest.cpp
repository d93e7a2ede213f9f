// The real program started from a folder of its own: as `skrytkar /all` the way cron starts it
// (no display, or a platform without a screen), on an X server of the test's own, and with the
// options that answer without any display. "Dane.dat" lies beside the program; archives are
// checked with the real 7z command.

#include "core/FieldCipher.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "core/EntryList.h"
#include "RunTestSupport.h"
#include "VirtualXServer.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <iconv.h>

namespace {

// Windows-1250 bytes of a text, as a list written on Windows holds them.
QByteArray Windows1250(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    iconv_t cd = iconv_open("WINDOWS-1250", "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    QByteArray out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.constData());
    size_t inLeft = static_cast<size_t>(utf8.size());
    char* o = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    EXPECT_NE(iconv(cd, &in, &inLeft, &o, &outLeft), static_cast<size_t>(-1)) << text.toStdString();
    iconv_close(cd);
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    return out;
}

QByteArray Enciphered(const QByteArray& bytes)
{
    return CipherField(bytes, FieldCipherType, QByteArray(FieldPassphrase), true);
}

class AppEndToEnd : public ::testing::Test, protected TempTree {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        programDir = root.path() + QStringLiteral("/Program Skrytkar/");
        ASSERT_TRUE(QDir().mkpath(programDir));
        binary = programDir + QStringLiteral("skrytkar");
        windowedBinary = programDir + QFileInfo(QStringLiteral(SKRYTKAR_GUI_BINARY)).fileName();
        // Copies, not links: the program finds its files beside its own executable.
        for (const auto& [from, to] : {std::pair{QStringLiteral(SKRYTKAR_BINARY), binary},
                                       std::pair{QStringLiteral(SKRYTKAR_GUI_BINARY), windowedBinary}}) {
            ASSERT_TRUE(QFile::copy(from, to));
            QFile::setPermissions(to, QFile::permissions(to) | QFile::ExeOwner | QFile::ExeUser);
        }
    }

    // The shared X server of the suite; empty when Xvfb is not installed.
    static QString XDisplay()
    {
        static VirtualXServer server;
        return server.Display();
    }


    // "Dane.dat" written by the program's own list code.
    void SaveListFile(const std::vector<Entry>& entries)
    {
        ASSERT_TRUE(SaveListFileAt(programDir + QStringLiteral("Dane.dat"), entries));
    }

    // "Dane.dat" as the program writes it on Windows: Windows-1250 field bytes enciphered,
    // TAB indentation, CR LF line ends, no declaration.
    void WriteWindowsListFile(const std::vector<Entry>& entries)
    {
        QByteArray text = "<Dane>\r\n\t<Ilosc>" + Enciphered(QByteArray::number(qsizetype(entries.size()))) + "</Ilosc>\r\n";
        int k = 0;
        for (const Entry& e : entries) {
            const QByteArray nr = "Nr" + QByteArray::number(++k);
            text += "\t<" + nr + ">\r\n";
            text += "\t\t<Typ>" + Enciphered(Windows1250(e.Typ)) + "</Typ>\r\n";
            text += "\t\t<Nazwa>" + Enciphered(Windows1250(e.Nazwa)) + "</Nazwa>\r\n";
            text += "\t\t<Source>" + Enciphered(Windows1250(e.Source)) + "</Source>\r\n";
            text += "\t\t<Docel>" + Enciphered(Windows1250(e.Docel)) + "</Docel>\r\n";
            text += "\t</" + nr + ">\r\n";
        }
        text += "</Dane>\r\n";
        QFile f(programDir + QStringLiteral("Dane.dat"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    // Starts the copied program with the given arguments; by default as cron would, without
    // any display.
    Outcome Run(const QStringList& arguments, const QString& platform = QString(), int waitMs = 300000,
                const QString& display = QString())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (!platform.isEmpty())
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        if (!display.isEmpty())
            env.insert(QStringLiteral("DISPLAY"), display);
        for (const QString& name : extraEnvironment.keys())
            env.insert(name, extraEnvironment.value(name));
        return RunProgram(binary, arguments, env, root.path(), waitMs);
    }

    QByteArray LogBytes() const
    {
        QFile f(programDir + QStringLiteral("Log.txt"));
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray("<no log>");
        return f.readAll();
    }

    // The dated folder named by the log's first line; checks the header's shape on the way.
    QString DatedFolderFromLog()
    {
        const QByteArray log = LogBytes();
        static const QRegularExpression header(QStringLiteral("^Log dla: (Arch_\\d{8}_\\d{4})\r\n\\+{34}\r\n"));
        const auto m = header.match(QString::fromUtf8(log));
        EXPECT_TRUE(m.hasMatch()) << log.toStdString();
        return m.captured(1);
    }

    QByteArray ExpectedLog(const QString& dated, const QStringList& lines) const
    {
        QByteArray text = ("Log dla: " + dated + QStringLiteral("\r\n")).toUtf8();
        text += "++++++++++++++++++++++++++++++++++\r\n";
        for (const QString& l : lines)
            text += (l + QStringLiteral("\r\n")).toUtf8();
        return text;
    }

    // Sources and destinations with Polish letters and spaces in names and paths.
    std::vector<Entry> PolishEntries()
    {
        const QString kopie = MakeFolder(QStringLiteral("Kopie łódź"));
        const QString inne = MakeFolder(QStringLiteral("Dysk zewnętrzny/Kopie"));
        const QString notatka = MakeFile(QStringLiteral("Źródła/notatka żółta.txt"), QByteArray(4000, 'n'));
        const QString faktura = MakeFile(QStringLiteral("Źródła/Faktury/faktura 1.pdf"), QByteArray("%PDF-1.4 faktura"));
        const QString zdjecia = MakeFolder(QStringLiteral("Źródła/Zdjęcia ślubne"));
        MakeFile(QStringLiteral("Źródła/Zdjęcia ślubne/ołtarz.jpg"), QByteArray(2500, 'j'));
        MakeFile(QStringLiteral("Źródła/Zdjęcia ślubne/wesele.jpg"), QByteArray(1500, 'w'));
        MakeFile(QStringLiteral("Źródła/Zdjęcia ślubne/Wybrane/pierwsze.jpg"), QByteArray(900, 'p'));
        return {{QStringLiteral("Plik"), QStringLiteral("Notatka żółta"), notatka, kopie},
                {QStringLiteral("Folder"), QStringLiteral("Zdjęcia ślubne"), zdjecia, kopie},
                {QStringLiteral("Plik"), QStringLiteral("Faktura ĄĘŁŃÓŚŹŻ"), faktura, inne}};
    }

    // Every entry archived where it belongs, each archive sound, the log exactly right.
    void ExpectEverythingArchived(const std::vector<Entry>& entries, const Outcome& o)
    {
        EXPECT_FALSE(o.crashed);
        EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
        // No message of the program's own (the platform may note its environment).
        EXPECT_FALSE(o.err.contains(QStringLiteral("skrytkar:"))) << o.err.toStdString();
        const QString dated = DatedFolderFromLog();
        QStringList lines;
        QStringList expectedArchives;
        for (const Entry& e : entries) {
            lines << QStringLiteral("Zarchiwizowano ") + e.Nazwa;
            // A folder entry takes one level: subfolders with content are named as left out.
            if (e.Typ == QLatin1String("Folder")) {
                int withContent = 0;
                for (const QFileInfo& sub : QDir(e.Source).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
                    withContent += QDir(sub.filePath()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden) ? 0 : 1;
                if (withContent > 0)
                    lines << QStringLiteral("\tpominięto zawartość podfolderów: %1").arg(withContent);
            }
            const QString archive = e.Docel + QLatin1Char('/') + dated + QLatin1Char('/') + e.Nazwa + QStringLiteral(".7z");
            expectedArchives << archive;
            EXPECT_TRUE(SevenZipTestPasses(archive)) << archive.toStdString();
        }
        expectedArchives.sort();
        EXPECT_EQ(LogBytes(), ExpectedLog(dated, lines)) << QString::fromUtf8(LogBytes()).toStdString();
        EXPECT_EQ(AllArchives(), expectedArchives);
    }

    // Starts the program on the suite's X server and waits until its standard error holds
    // `expected`; answers what it wrote. The program is left running.
    QString StartWindowedUntil(QProcess& p, const QStringList& arguments, const QString& expected)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("DISPLAY"), XDisplay());
        p.setProcessEnvironment(env);
        p.start(binary, arguments);
        EXPECT_TRUE(p.waitForStarted());
        QString err;
        QElapsedTimer waited;
        waited.start();
        while (!err.contains(expected) && waited.elapsed() < 120000 && p.state() == QProcess::Running) {
            p.waitForReadyRead(200);
            err += QString::fromUtf8(p.readAllStandardError());
        }
        return err;
    }

    QString programDir;
    QString binary;
    QString windowedBinary;
    QProcessEnvironment extraEnvironment;
};

TEST_F(AppEndToEnd, ListWrittenByTheProgramIsArchivedWithoutADisplay)
{
    const auto entries = PolishEntries();
    SaveListFile(entries);
    const Outcome o = Run({QStringLiteral("/all")});
    ExpectEverythingArchived(entries, o);
    const QString dated = DatedFolderFromLog();
    EXPECT_EQ(SevenZipPaths(entries[0].Docel + QLatin1Char('/') + dated + QStringLiteral("/Notatka żółta.7z")),
              QStringList({QStringLiteral("notatka żółta.txt")}));
    EXPECT_EQ(SevenZipPaths(entries[1].Docel + QLatin1Char('/') + dated + QStringLiteral("/Zdjęcia ślubne.7z")),
              QStringList({QStringLiteral("Zdjęcia ślubne"), QStringLiteral("Zdjęcia ślubne/Wybrane"),
                           QStringLiteral("Zdjęcia ślubne/ołtarz.jpg"), QStringLiteral("Zdjęcia ślubne/wesele.jpg")}));
    // The list file is read, never rewritten, by an unattended run.
    EXPECT_FALSE(QFile::exists(programDir + QStringLiteral("Dane.dat.bak")));
}

TEST_F(AppEndToEnd, ListWrittenOnWindowsWithPolishLettersIsArchived)
{
    const auto entries = PolishEntries();
    WriteWindowsListFile(entries);
    const Outcome o = Run({QStringLiteral("/ALL")});
    ExpectEverythingArchived(entries, o);
}

TEST_F(AppEndToEnd, FailingEntriesGiveTheirLinesAndStatusOne)
{
    const QString kopie = MakeFolder(QStringLiteral("Kopie"));
    const QString plik = MakeFile(QStringLiteral("dane/raport.txt"), "raport");
    SaveListFile({{QStringLiteral("Plik"), QStringLiteral("Bez celu"), plik, Path(QStringLiteral("Nie ma takiego folderu"))},
                  {QStringLiteral("Plik"), QStringLiteral("Dobry"), plik, kopie},
                  {QStringLiteral("Plik"), QStringLiteral("Bez źródła"), Path(QStringLiteral("dane/zgubiony.txt")), kopie},
                  {QStringLiteral("Dysk"), QStringLiteral("Inny typ"), plik, kopie}});

    const Outcome o = Run({QStringLiteral("/all")});

    EXPECT_FALSE(o.crashed);
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_TRUE(o.err.contains(QStringLiteral("Wystąpiły błędy podczas archiwizacji.\nZobacz log."))) << o.err.toStdString();
    const QString dated = DatedFolderFromLog();
    const QString missing = QStringLiteral("\t%1: nie ma takiego pliku ani folderu");
    EXPECT_EQ(LogBytes(), ExpectedLog(dated, {QStringLiteral("Folder docelowy dla Bez celu nie istnieje"),
                                              missing.arg(Path(QStringLiteral("Nie ma takiego folderu"))),
                                              QStringLiteral("Zarchiwizowano Dobry"),
                                              QStringLiteral("Folder lub plik źródłowy dla Bez źródła nie istnieje"),
                                              missing.arg(Path(QStringLiteral("dane/zgubiony.txt"))),
                                              QStringLiteral("Folder lub plik źródłowy dla Inny typ nie istnieje"),
                                              QStringLiteral("\tnieznany rodzaj wpisu \"Dysk\" (dozwolone: Plik, Folder)")}));
    EXPECT_TRUE(SevenZipTestPasses(kopie + QLatin1Char('/') + dated + QStringLiteral("/Dobry.7z")));
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("Nie ma takiego folderu"))));
}

TEST_F(AppEndToEnd, ANameFromTheListCannotPlaceAnArchiveOutsideTheDatedFolder)
{
    const QString kopie = MakeFolder(QStringLiteral("a/b/Kopie"));
    const QString plik = MakeFile(QStringLiteral("dane/raport.txt"), "raport");
    SaveListFile({{QStringLiteral("Plik"), QStringLiteral("../../uciekinier"), plik, kopie},
                  {QStringLiteral("Plik"), QStringLiteral(".."), plik, kopie},
                  {QStringLiteral("Plik"), QStringLiteral("Zostaje"), plik, kopie}});

    const Outcome o = Run({QStringLiteral("/all")});

    EXPECT_EQ(o.exitCode, 1) << o.err.toStdString();
    const QString dated = DatedFolderFromLog();
    const QString badName =
        QStringLiteral("\tnazwa archiwum nie może zawierać \"/\" ani znaków sterujących ani być \".\" lub \"..\"");
    EXPECT_EQ(LogBytes(), ExpectedLog(dated, {QStringLiteral("Niezidentyfikowane problemy przy pakowaniu ../../uciekinier"), badName,
                                              QStringLiteral("Niezidentyfikowane problemy przy pakowaniu .."), badName,
                                              QStringLiteral("Zarchiwizowano Zostaje")}));
    EXPECT_EQ(AllArchives(), QStringList({kopie + QLatin1Char('/') + dated + QStringLiteral("/Zostaje.7z")}));
}

TEST_F(AppEndToEnd, EntriesThatWouldLoseOrHideABackupFailWithTheirReasons)
{
    // Relative paths belong to the program's folder; the test starts the program elsewhere.
    const QString kopie = MakeFolder(QStringLiteral("Program Skrytkar/Kopie"));
    MakeFile(QStringLiteral("Program Skrytkar/dane/pierwszy.txt"), "pierwszy");
    MakeFile(QStringLiteral("Program Skrytkar/dane/drugi.txt"), "drugi");
    MakeFile(QStringLiteral("dane/pierwszy.txt"), "obcy");
    MakeFolder(QStringLiteral("Kopie"));
    SaveListFile({{QStringLiteral("Plik"), QStringLiteral("Kopia"), QStringLiteral("dane/pierwszy.txt"), QStringLiteral("Kopie")},
                  {QStringLiteral("Plik"), QStringLiteral("Kopia"), QStringLiteral("dane/drugi.txt"), kopie + QLatin1Char('/')},
                  {QStringLiteral("Plik"), QString(), QStringLiteral("dane/drugi.txt"), QStringLiteral("Kopie")},
                  {QStringLiteral("Plik"), QStringLiteral("dwie\nlinie"), QStringLiteral("dane/drugi.txt"), QStringLiteral("Kopie")},
                  {QStringLiteral("Plik"), QStringLiteral("Drugi"), QStringLiteral("dane/drugi.txt"), QStringLiteral("Kopie")}});

    const Outcome o = Run({QStringLiteral("/all")});

    EXPECT_FALSE(o.crashed);
    EXPECT_EQ(o.exitCode, 1) << o.err.toStdString();
    const QString dated = DatedFolderFromLog();
    EXPECT_EQ(LogBytes(),
              ExpectedLog(dated, {QStringLiteral("Zarchiwizowano Kopia"),
                                  QStringLiteral("Pominięto Kopia: archiwum o tej nazwie zapisano już w tej archiwizacji"),
                                  QStringLiteral("Wpis bez nazwy pominięto"),
                                  QStringLiteral("Niezidentyfikowane problemy przy pakowaniu dwie?linie"),
                                  QStringLiteral("\tnazwa archiwum nie może zawierać \"/\" ani znaków sterujących ani być \".\" lub \"..\""),
                                  QStringLiteral("Zarchiwizowano Drugi")}));
    const QString archives = kopie + QLatin1Char('/') + dated + QLatin1Char('/');
    EXPECT_EQ(AllArchives(), QStringList({archives + QStringLiteral("Drugi.7z"), archives + QStringLiteral("Kopia.7z")}));
    EXPECT_EQ(SevenZipPaths(archives + QStringLiteral("Kopia.7z")), QStringList({QStringLiteral("pierwszy.txt")}));
}

TEST_F(AppEndToEnd, ASecondRunOfTheSameProgramFolderEndsAtOnceWithStatusTwo)
{
    const auto entries = PolishEntries();
    SaveListFile(entries);
    MakeFile(QStringLiteral("Program Skrytkar/Log.txt"), "log tamtej archiwizacji");
    // The lock of a run at work: this very test process holds it.
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    MakeFile(QStringLiteral("Program Skrytkar/Skrytkar.lock"),
             QByteArray::number(QCoreApplication::applicationPid()) + '\n' + QFile::encodeName(self) + '\n' +
                 QSysInfo::machineHostName().toUtf8() + '\n');

    const Outcome busy = Run({QStringLiteral("/all")});

    EXPECT_FALSE(busy.crashed);
    EXPECT_EQ(busy.exitCode, 2);
    EXPECT_TRUE(busy.err.contains(QStringLiteral("Archiwizacja już trwa."))) << busy.err.toStdString();
    EXPECT_EQ(LogBytes(), QByteArray("log tamtej archiwizacji"));
    EXPECT_TRUE(AllArchives().isEmpty());

    // Once that run has ended, the next one works.
    ASSERT_TRUE(QFile::remove(programDir + QStringLiteral("Skrytkar.lock")));
    ExpectEverythingArchived(entries, Run({QStringLiteral("/all")}));
    EXPECT_FALSE(QFile::exists(programDir + QStringLiteral("Skrytkar.lock")));
}

TEST_F(AppEndToEnd, EmptyOrMissingListGivesTheOneLineLog)
{
    for (bool listExists : {true, false}) {
        SCOPED_TRACE(listExists ? "empty list" : "no list file");
        QFile::remove(programDir + QStringLiteral("Dane.dat"));
        QFile::remove(programDir + QStringLiteral("Log.txt"));
        if (listExists)
            SaveListFile({});
        const Outcome o = Run({QStringLiteral("/all")});
        EXPECT_FALSE(o.crashed);
        EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
        EXPECT_TRUE(o.err.isEmpty()) << o.err.toStdString();
        EXPECT_EQ(LogBytes(), QByteArray("Lista plików jest pusta.\r\n"));
    }
}

TEST_F(AppEndToEnd, DamagedListSaysSoAndExitsTwo)
{
    const QByteArray damaged[] = {QByteArray(), QByteArray("to nie jest lista"), QByteArray("<Dane><Ilosc>AAAA</Ilosc>")};
    // Each damaged list is kept under a name of its own, never over the one before.
    const QString copies[] = {QStringLiteral("Dane.dat.bak"), QStringLiteral("Dane.dat.bak.2"), QStringLiteral("Dane.dat.bak.3")};
    for (int k = 0; k < 3; ++k) {
        const QByteArray& bytes = damaged[k];
        SCOPED_TRACE(bytes.toStdString());
        QFile::remove(programDir + QStringLiteral("Log.txt"));
        MakeFile(QStringLiteral("Program Skrytkar/Dane.dat"), bytes);
        const Outcome o = Run({QStringLiteral("/all")});
        EXPECT_FALSE(o.crashed);
        EXPECT_EQ(o.exitCode, 2);
        EXPECT_TRUE(o.err.contains(QStringLiteral("Plik listy jest uszkodzony.\nUtwórz nowy plik.\nUszkodzony plik zachowano jako %1.")
                                       .arg(programDir + copies[k])))
            << o.err.toStdString();
        EXPECT_EQ(LogBytes(), QByteArray("Lista plików jest pusta.\r\n"));
    }
    for (int k = 0; k < 3; ++k) {
        QFile copy(programDir + copies[k]);
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly)) << copies[k].toStdString();
        EXPECT_EQ(copy.readAll(), damaged[k]);
    }
}

TEST_F(AppEndToEnd, UnwritableLogSaysSoAndExitsTwo)
{
    const auto entries = PolishEntries();
    SaveListFile(entries);
    ASSERT_TRUE(QDir().mkpath(programDir + QStringLiteral("Log.txt")));

    const Outcome o = Run({QStringLiteral("/all")});

    EXPECT_FALSE(o.crashed);
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_TRUE(o.err.contains(programDir + QStringLiteral("Log.txt"))) << o.err.toStdString();
    // The archives themselves were made.
    EXPECT_EQ(AllArchives().size(), 3);
}

TEST_F(AppEndToEnd, OnlyTheFirstArgumentSelectsTheUnattendedRun)
{
    SaveListFile(PolishEntries());
    for (const QStringList& arguments : {QStringList(), QStringList({QStringLiteral("inny"), QStringLiteral("/all")})}) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        const Outcome o = Run(arguments, QString(), 60000);
        EXPECT_FALSE(o.crashed);
        EXPECT_EQ(o.exitCode, 2);
        EXPECT_TRUE(o.err.contains(QStringLiteral("/all"))) << o.err.toStdString();
        EXPECT_FALSE(QFile::exists(programDir + QStringLiteral("Log.txt")));
        EXPECT_TRUE(AllArchives().isEmpty());
    }
}

TEST_F(AppEndToEnd, HelpAndVersionAnswerWithoutAnyDisplay)
{
    // Asked for X11 where there is none: a program that created its windowed application
    // object would end with the platform's own complaint instead of answering.
    extraEnvironment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const struct {
        QStringList arguments;
        int status;
        QString out;  // the start of standard output
        QString err;  // standard error, exactly
    } cases[] = {
        {{QStringLiteral("--version")}, 0, QStringLiteral("Skrytkar 1.55\n"), QString()},
        {{QStringLiteral("-v")}, 0, QStringLiteral("Skrytkar 1.55\n"), QString()},
        {{QStringLiteral("--help")}, 0, QStringLiteral("Skrytkar 1.55: "), QString()},
        {{QStringLiteral("-h"), QStringLiteral("/all")}, 0, QStringLiteral("Skrytkar 1.55: "), QString()},
        {{QStringLiteral("--verbose")}, 2, QString(),
         QStringLiteral("skrytkar: nieznana opcja --verbose\nOpis użycia: skrytkar --help\n")},
        {{QStringLiteral("-platform"), QStringLiteral("offscreen")}, 2, QString(),
         QStringLiteral("skrytkar: nieznana opcja -platform\nOpis użycia: skrytkar --help\n")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const Outcome o = Run(c.arguments, QString(), 30000, QStringLiteral(":93"));
        EXPECT_FALSE(o.crashed);
        EXPECT_EQ(o.exitCode, c.status);
        EXPECT_TRUE(o.out.startsWith(c.out)) << o.out.toStdString();
        if (c.out.isEmpty()) {
            EXPECT_TRUE(o.out.isEmpty()) << o.out.toStdString();
        }
        EXPECT_EQ(o.err, c.err);
    }
    // The usage names every form and the exit statuses.
    const Outcome help = Run({QStringLiteral("--help")});
    for (const char* part : {"skrytkar /all", "skrytkar -h, --help", "skrytkar -v, --version", "\n  0  ", "\n  1  ", "\n  2  "})
        EXPECT_TRUE(help.out.contains(QString::fromUtf8(part))) << part << "\n" << help.out.toStdString();
    EXPECT_FALSE(QFile::exists(programDir + QStringLiteral("Log.txt")));
}

TEST_F(AppEndToEnd, TheProgramAsStartedLinksNoWindowsLibraries)
{
    // The run from cron must not pay for Qt Gui and the widgets; only the windowed program
    // beside it loads them.
    const auto librariesOf = [](const QString& program) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_TRACE_LOADED_OBJECTS"), QStringLiteral("1"));
        p.setProcessEnvironment(env);
        p.start(program, {});
        EXPECT_TRUE(p.waitForFinished(30000));
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    const QString started = librariesOf(binary);
    const QString windowed = librariesOf(windowedBinary);
    EXPECT_TRUE(started.contains(QStringLiteral("libQt6Core"))) << started.toStdString();
    EXPECT_FALSE(started.contains(QStringLiteral("libQt6Gui"))) << started.toStdString();
    EXPECT_FALSE(started.contains(QStringLiteral("libQt6Widgets"))) << started.toStdString();
    EXPECT_TRUE(windowed.contains(QStringLiteral("libQt6Widgets"))) << windowed.toStdString();
}

// A platform without a real screen is no display for the unattended run: nothing can wait for
// a user there, so messages go to standard error and the program ends with its status.
TEST_F(AppEndToEnd, APlatformWithoutAScreenRunsLikeNoDisplay)
{
    const QString kopie = MakeFolder(QStringLiteral("Kopie"));
    const QString plik = MakeFile(QStringLiteral("dane/raport.txt"), "raport");
    for (const QString& platform : {QStringLiteral("offscreen"), QStringLiteral("minimal")}) {
        SCOPED_TRACE(platform.toStdString());
        {
            SCOPED_TRACE("a failing entry");
            QFile::remove(programDir + QStringLiteral("Log.txt"));
            SaveListFile({{QStringLiteral("Plik"), QStringLiteral("Dobry"), plik, kopie},
                          {QStringLiteral("Plik"), QStringLiteral("Bez źródła"), Path(QStringLiteral("dane/zgubiony.txt")), kopie}});
            const Outcome o = Run({QStringLiteral("/all")}, platform, 60000);
            EXPECT_FALSE(o.crashed);
            EXPECT_EQ(o.exitCode, 1);
            EXPECT_TRUE(o.err.contains(QStringLiteral("Wystąpiły błędy podczas archiwizacji.\nZobacz log."))) << o.err.toStdString();
        }
        {
            SCOPED_TRACE("a damaged list");
            QFile::remove(programDir + QStringLiteral("Log.txt"));
            MakeFile(QStringLiteral("Program Skrytkar/Dane.dat"), "to nie jest lista");
            const Outcome o = Run({QStringLiteral("/all")}, platform, 60000);
            EXPECT_FALSE(o.crashed);
            EXPECT_EQ(o.exitCode, 2);
            EXPECT_TRUE(o.err.contains(QStringLiteral("Plik listy jest uszkodzony.\nUtwórz nowy plik."))) << o.err.toStdString();
            EXPECT_EQ(LogBytes(), QByteArray("Lista plików jest pusta.\r\n"));
        }
        // The damaged list's kept copies.
        for (const QString& copy : QDir(programDir).entryList({QStringLiteral("Dane.dat.*")}, QDir::Files))
            QFile::remove(programDir + copy);
    }
}

TEST_F(AppEndToEnd, AListFileThatIsAFolderIsExplainedInPolish)
{
    ASSERT_TRUE(QDir().mkpath(programDir + QStringLiteral("Dane.dat")));
    const QString expected = QStringLiteral("Nie można odczytać pliku listy %1Dane.dat: to jest folder, nie plik.").arg(programDir);
    {
        SCOPED_TRACE("without a display");
        const Outcome o = Run({QStringLiteral("/all")});
        EXPECT_FALSE(o.crashed);
        EXPECT_EQ(o.exitCode, 2);
        EXPECT_EQ(o.err, QStringLiteral("skrytkar: ") + expected + QLatin1Char('\n'));
    }
    if (XDisplay().isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    {
        SCOPED_TRACE("with a display");
        QProcess p;
        const QString err = StartWindowedUntil(p, {}, expected);
        EXPECT_TRUE(err.contains(expected)) << err.toStdString();
        EXPECT_FALSE(err.contains(QStringLiteral("directory"), Qt::CaseInsensitive)) << err.toStdString();
        // The report waits in the program's dialog; the program goes on.
        EXPECT_FALSE(p.waitForFinished(1500));
        EXPECT_EQ(p.state(), QProcess::Running);
        p.kill();
        p.waitForFinished();
    }
}

TEST_F(AppEndToEnd, WithADisplayTheUnattendedRunEndsByItself)
{
    if (XDisplay().isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    const auto entries = PolishEntries();
    SaveListFile(entries);
    const Outcome o = Run({QStringLiteral("/all")}, QString(), 300000, XDisplay());
    ExpectEverythingArchived(entries, o);
}

TEST_F(AppEndToEnd, ADisplayThatCannotBeOpenedCountsAsNone)
{
    // A cron job that inherited a DISPLAY whose server is gone.
    const auto entries = PolishEntries();
    SaveListFile(entries);
    const Outcome o = Run({QStringLiteral("/all")}, QString(), 300000, QStringLiteral(":93"));
    ExpectEverythingArchived(entries, o);
    // Without "/all" it says so in Polish instead of leaving it to the platform.
    const Outcome window = Run({}, QString(), 60000, QStringLiteral(":93"));
    EXPECT_FALSE(window.crashed);
    EXPECT_EQ(window.exitCode, 2);
    EXPECT_EQ(window.err, QStringLiteral("skrytkar: Nie można otworzyć ekranu. Bez ekranu program działa tylko z argumentem /all.\n"));
}

TEST_F(AppEndToEnd, WithoutTheWindowedProgramBesideItOnlyTheRunWithoutADisplayWorks)
{
    ASSERT_TRUE(QFile::remove(windowedBinary));
    SaveListFile({});
    // The offscreen platform has windows, nobody sees them: the interactive start needs the
    // windowed program.
    const Outcome o = Run({}, QStringLiteral("offscreen"), 60000);
    EXPECT_FALSE(o.crashed);
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_TRUE(o.err.startsWith(QStringLiteral("skrytkar: Nie można uruchomić okna programu (skrytkar-gui w katalogu programu): "
                                                "nie ma takiego pliku ani folderu.")))
        << o.err.toStdString();
    const Outcome unattended = Run({QStringLiteral("/all")}, QStringLiteral("offscreen"), 60000);
    EXPECT_EQ(unattended.exitCode, 0) << unattended.err.toStdString();
    EXPECT_EQ(LogBytes(), QByteArray("Lista plików jest pusta.\r\n"));
}

TEST_F(AppEndToEnd, WithADisplayAnUnwritableLogIsReportedAndTheProgramStaysOpen)
{
    if (XDisplay().isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    SaveListFile({});
    ASSERT_TRUE(QDir().mkpath(programDir + QStringLiteral("Log.txt")));
    QProcess p;
    const QString err = StartWindowedUntil(p, {QStringLiteral("/all")}, programDir + QStringLiteral("Log.txt"));
    EXPECT_TRUE(err.contains(QStringLiteral("Nie można zapisać pliku logu ") + programDir + QStringLiteral("Log.txt")))
        << err.toStdString();
    // The report waits for the user; the program neither ends nor terminates by itself.
    EXPECT_FALSE(p.waitForFinished(1500));
    EXPECT_EQ(p.state(), QProcess::Running);
    p.kill();
    p.waitForFinished();
}

} // namespace
