// The archive run driven through fakes of the main window, the message dialog and the list
// box, with the real packer writing real archives that the real 7z command checks.

#include "RunFakes.h"

#include <climits>

// Logs are compared as bytes; a failure shows them as the text they are.
void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    *os << '\n' << bytes.toStdString();
}

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new CoreApplicationEnvironment);

const QString ErrorsMessage = QStringLiteral("Wystąpiły błędy podczas archiwizacji.\rZobacz log.");
const QString CancelQuestion = QStringLiteral("Czy rzeczywiście przerwać archiwizację?");
const QString CancelLine = QStringLiteral("Przerwano archiwizację na żądanie użytkownika.");

// ---------------------------------------------------------------- naming helpers

struct TimeStampCase {
    int year, month, day, hour, minute;
    const char* expected;
};

TEST(TimeStampText, YearMonthDayUnderscoreHourMinute)
{
    const TimeStampCase cases[] = {
        {2024, 3, 5, 9, 7, "20240305_0907"},
        {1999, 12, 31, 23, 59, "19991231_2359"},
        {2000, 1, 1, 0, 0, "20000101_0000"},
        {2031, 10, 10, 10, 10, "20311010_1010"},
    };
    for (const auto& c : cases) {
        const QDateTime moment(QDate(c.year, c.month, c.day), QTime(c.hour, c.minute, 59));
        EXPECT_EQ(TimeStampText(moment).toStdString(), c.expected);
    }
}

TEST(PathHelpers, ParentFolderOfIgnoresTheFinalCharacter)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/home/dane/Projekt", "/home/dane/"},
        {"/home/dane/Projekt/", "/home/dane/"},
        {"Projekt", ""},
        {"/Projekt", "/"},
        {"/", ""},
        {"", ""},
        {"dane/Projekt", "dane/"},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(ParentFolderOf(QString::fromUtf8(path)).toStdString(), expected) << path;
}

TEST(PathHelpers, FolderOfFileDropsTheSeparatorButKeepsTheRoot)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/home/dane/plik.txt", "/home/dane"},
        {"/plik.txt", "/"},
        {"plik.txt", ""},
        {"dane/plik.txt", "dane"},
        {"/home/żółw/ąę.txt", "/home/żółw"},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(FolderOfFile(QString::fromUtf8(path)).toStdString(), expected) << path;
}

TEST(PathHelpers, ArchiveNamesThatLeaveTheDatedFolderAreRefused)
{
    const std::pair<QString, bool> cases[] = {
        {QStringLiteral("Dokumenty"), true},
        {QStringLiteral("Zdjęcia 2024"), true},
        {QStringLiteral("..."), true},
        {QStringLiteral(".ukryty"), true},
        {QStringLiteral("."), false},
        {QStringLiteral(".."), false},
        {QStringLiteral("/"), false},
        {QStringLiteral("../poza"), false},
        {QStringLiteral("a/b"), false},
        {QStringLiteral("/etc/passwd"), false},
        {QString(QStringLiteral("zero")) + QChar(u'\0') + QStringLiteral("/../x"), false},
    };
    for (const auto& [name, safe] : cases)
        EXPECT_EQ(IsSafeArchiveName(name), safe) << name.toStdString();
}

// ---------------------------------------------------------------- progress of one entry

struct ProgressCase {
    const char* name;
    int64_t total;
    std::vector<int64_t> reported;
    int expectedMax;
    std::vector<int> expectedPositions;
};

TEST(ZipekProgress, BarRunsFromZeroToFullForEverySize)
{
    const int64_t GiB = int64_t(1) << 30;
    const ProgressCase cases[] = {
        {"small", 1000, {0, 500, 1000}, 1000, {0, 500, 1000}},
        {"empty", 0, {0}, 0, {0}},
        {"largest unscaled", INT_MAX, {INT_MAX}, INT_MAX, {INT_MAX}},
        {"2 GiB", 2 * GiB, {0, GiB, 2 * GiB}, int(GiB), {0, int(GiB / 2), int(GiB)}},
        {"5 TiB", 5 * 1024 * GiB, {0, 5 * 1024 * GiB}, int((5 * 1024 * GiB) >> 12), {0, int((5 * 1024 * GiB) >> 12)}},
        {"beyond the total", 100, {150, -5}, 100, {100, 0}},
        {"negative total", -1, {10}, 0, {0}},
    };
    for (const auto& c : cases) {
        FakeMainWindow window;
        SetMainWindowPort(&window);
        ZipekPreProgress(nullptr, c.total);
        EXPECT_EQ(window.progress.max, c.expectedMax) << c.name;
        EXPECT_TRUE(window.progress.visible) << c.name;
        EXPECT_EQ(window.Only(QStringLiteral("Progress")),
                  QStringList({QStringLiteral("Progress.Position=0"), QStringLiteral("Progress.Max=%1").arg(c.expectedMax),
                               QStringLiteral("Progress.Show"), QStringLiteral("Progress.Refresh")}))
            << c.name;
        std::vector<int> positions;
        for (int64_t done : c.reported) {
            ZipekProgress(nullptr, QStringLiteral("plik"), done, done);
            positions.push_back(window.progress.position);
        }
        EXPECT_EQ(positions, c.expectedPositions) << c.name;
        SetMainWindowPort(nullptr);
    }
}

// ---------------------------------------------------------------- the run

class ArchiveRunTest : public RunFixture {};

TEST_F(ArchiveRunTest, EmptyListOrNoSelectionStopsWithAMessageAndNoLog)
{
    ArchiveFolderName = QStringLiteral("Arch_poprzedni");
    ArchiveSelected();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Lista jest pusta, nie ma co archiwizować."));
    EXPECT_EQ(messages.shown[0].buttons, ButtonsClose);
    EXPECT_EQ(messages.shown[0].icon, IconInfo);

    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("a"), MakeFile(QStringLiteral("a.txt"), "a"), docel, false);
    ArchiveSelected();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text, QStringLiteral("Nie wybrano żadnego elementu do archiwizacji."));
    EXPECT_EQ(messages.shown[1].buttons, ButtonsClose);
    EXPECT_EQ(messages.shown[1].icon, IconInfo);

    EXPECT_FALSE(QFile::exists(programDir + QStringLiteral("Log.txt")));
    EXPECT_EQ(ArchiveFolderName, QStringLiteral("Arch_poprzedni"));
    EXPECT_FALSE(Archiving);
    EXPECT_TRUE(AllArchives().isEmpty());
    EXPECT_TRUE(window.Only(QStringLiteral("ProgresEtap")).isEmpty());
}

TEST_F(ArchiveRunTest, ThreeSelectedEntriesArchiveWithProgressStatusAndLog)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    const QByteArray text(3000, 'x');
    const QString plik = MakeFile(QStringLiteral("źródła/notatka żółta.txt"), text);
    const QString drugi = MakeFile(QStringLiteral("źródła/drugi.bin"), QByteArray("0123456789"));
    const QString folder = MakeFolder(QStringLiteral("źródła/Projekt"));
    MakeFile(QStringLiteral("źródła/Projekt/jeden.txt"), "1");
    MakeFile(QStringLiteral("źródła/Projekt/dwa.txt"), "22");
    MakeFile(QStringLiteral("źródła/Projekt/głębiej/trzy.txt"), "333");
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("Notatka"), plik, docel);
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("Drugi"), drugi, docel);
    AddListEntry(QStringLiteral("Folder"), QStringLiteral("Projekt ąę"), folder, docel);
    window.panelVisible = false;  // as FormShow leaves it

    ArchiveSelected();

    EXPECT_TRUE(ArchiveFolderName.contains(QRegularExpression(QStringLiteral("^Arch_\\d{8}_\\d{4}$"))))
        << ArchiveFolderName.toStdString();
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano Notatka"), QStringLiteral("Zarchiwizowano Drugi"),
                                       QStringLiteral("Zarchiwizowano Projekt ąę")}));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(Archiving);
    EXPECT_FALSE(ErrorsOccurred);

    // Both archives of one run share the dated folder, each named after its entry.
    for (const QString& nazwa : {QStringLiteral("Notatka"), QStringLiteral("Drugi"), QStringLiteral("Projekt ąę")})
        EXPECT_TRUE(SevenZipTestPasses(ArchiveOf(docel, nazwa))) << nazwa.toStdString();
    EXPECT_EQ(SevenZipPaths(ArchiveOf(docel, QStringLiteral("Notatka"))), QStringList({QStringLiteral("notatka żółta.txt")}));
    // A folder entry holds the folder's own files and its direct subfolders as empty items.
    EXPECT_EQ(SevenZipPaths(ArchiveOf(docel, QStringLiteral("Projekt ąę"))),
              QStringList({QStringLiteral("Projekt"), QStringLiteral("Projekt/dwa.txt"), QStringLiteral("Projekt/głębiej"),
                           QStringLiteral("Projekt/jeden.txt")}));

    // The entry bar: a maximum of 3, positions 0, 1 and 2, then hidden.
    EXPECT_EQ(window.Only(QStringLiteral("ProgresEtap")),
              QStringList({QStringLiteral("ProgresEtap.Max=3"), QStringLiteral("ProgresEtap.Position=0"),
                           QStringLiteral("ProgresEtap.Show"), QStringLiteral("ProgresEtap.Position=0"),
                           QStringLiteral("ProgresEtap.Refresh"), QStringLiteral("ProgresEtap.Position=1"),
                           QStringLiteral("ProgresEtap.Refresh"), QStringLiteral("ProgresEtap.Position=2"),
                           QStringLiteral("ProgresEtap.Refresh"), QStringLiteral("ProgresEtap.Hide"),
                           QStringLiteral("ProgresEtap.Refresh")}));
    // The status panel: working picture at the start, done picture for 800 ms at the end.
    EXPECT_EQ(window.events.mid(window.events.indexOf(QStringLiteral("ProgresEtap.Max=3")), 7),
              QStringList({QStringLiteral("ProgresEtap.Max=3"), QStringLiteral("ProgresEtap.Position=0"),
                           QStringLiteral("ProgresEtap.Show"), QStringLiteral("Pdziala.Show"),
                           QStringLiteral("Image=but_przetwarzam"),
                           QStringLiteral("Image.Refresh"), QStringLiteral("Lista.IsSelected=0")}));
    EXPECT_EQ(window.Only(QStringLiteral("Image=")),
              QStringList({QStringLiteral("Image=but_przetwarzam"), QStringLiteral("Image=but_wykonano")}));
    EXPECT_EQ(window.Only(QStringLiteral("Pause")), QStringList({QStringLiteral("Pause=800")}));
    const QStringList& ev = window.events;
    const auto pause = ev.indexOf(QStringLiteral("Pause=800"));
    EXPECT_EQ(ev.mid(ev.indexOf(QStringLiteral("ProgresEtap.Hide"))),
              QStringList({QStringLiteral("ProgresEtap.Hide"), QStringLiteral("ProgresEtap.Refresh"), QStringLiteral("Progress.Hide"),
                           QStringLiteral("Progress.Refresh"), QStringLiteral("Image=but_wykonano"),
                           QStringLiteral("Image.Refresh"), QStringLiteral("Pause=800"), QStringLiteral("Pdziala.Hide")}));
    EXPECT_GT(pause, 0);
    // Waiting input is let through once after each entry.
    EXPECT_EQ(window.inputTurns, 3);

    // The bytes bar: its maximum is the first entry's size and it ends full.
    const QStringList progress = window.Only(QStringLiteral("Progress.Max="));
    ASSERT_EQ(progress.size(), 3);
    EXPECT_EQ(progress[0], QStringLiteral("Progress.Max=%1").arg(text.size()));
    const qsizetype firstMax = ev.indexOf(progress[0]);
    const qsizetype firstEntryDone = ev.indexOf(QStringLiteral("ProgresEtap.Position=0"), firstMax);
    QString lastPosition;
    for (qsizetype k = firstMax; k < firstEntryDone; ++k)
        if (ev[k].startsWith(QLatin1String("Progress.Position=")))
            lastPosition = ev[k];
    EXPECT_EQ(lastPosition, QStringLiteral("Progress.Position=%1").arg(text.size())) << ev.join(QLatin1Char(' ')).toStdString();
}

TEST_F(ArchiveRunTest, SelectionIsReadAsTheLoopReachesEachLine)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    for (int k = 0; k < 4; ++k)
        AddListEntry(QStringLiteral("Plik"), QStringLiteral("e%1").arg(k),
                     MakeFile(QStringLiteral("e%1.txt").arg(k), QByteArray(10, char('a' + k))), docel, k == 0 || k == 2);
    // After the first entry the user changes the selection: 2 is dropped, 3 is added.
    window.onWaitingInput = [this](int turn) {
        if (turn == 1) {
            list.SetSelected(2, false);
            list.SetSelected(3, true);
        }
    };

    ArchiveSelected();

    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano e0"), QStringLiteral("Zarchiwizowano e3")}));
    EXPECT_EQ(AllArchives(), QStringList({ArchiveOf(docel, QStringLiteral("e0")), ArchiveOf(docel, QStringLiteral("e3"))}));
    // The maximum counts every entry, the positions are the indices handled.
    EXPECT_EQ(window.Only(QStringLiteral("ProgresEtap.Max")), QStringList({QStringLiteral("ProgresEtap.Max=4")}));
    EXPECT_EQ(window.Only(QStringLiteral("ProgresEtap.Position")),
              QStringList({QStringLiteral("ProgresEtap.Position=0"), QStringLiteral("ProgresEtap.Position=0"),
                           QStringLiteral("ProgresEtap.Position=3")}));
    // Each line's selection is asked for when the loop gets there, after the previous entry.
    const QStringList& ev = window.events;
    EXPECT_LT(ev.indexOf(QStringLiteral("ProcessWaitingInput")), ev.indexOf(QStringLiteral("Lista.IsSelected=2")));
    EXPECT_EQ(ev.count(QStringLiteral("Lista.IsSelected=1")), 1);
}

struct EscapeCase {
    const char* name;
    int answer;
    bool cancels;
};

TEST_F(ArchiveRunTest, EscapeBetweenEntriesAsksAndTakCancels)
{
    const EscapeCase cases[] = {
        {"Tak", AnswerYes, true},
        {"Nie", AnswerNo, false},
        {"Anuluj", AnswerCancel, false},
        {"closed otherwise", AnswerNo, false},
        {"Zamknij answer", AnswerClose, false},
    };
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    for (int k = 0; k < 3; ++k)
        AddListEntry(QStringLiteral("Plik"), QStringLiteral("e%1").arg(k),
                     MakeFile(QStringLiteral("e%1.txt").arg(k), QByteArray(10, 'q')), docel);

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(docel).removeRecursively();
        QDir().mkpath(docel);
        messages.shown.clear();
        messages.answers = {c.answer};
        window.events.clear();
        window.inputTurns = 0;
        bool archivingWhileAsked = false;
        window.onWaitingInput = [&](int turn) {
            if (turn == 2)  // Escape pressed while the second entry was packed
                StopRequested = true;
            archivingWhileAsked = Archiving;
        };

        ArchiveSelected();

        ASSERT_GE(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, CancelQuestion);
        EXPECT_EQ(messages.shown[0].buttons, ButtonsYesNoCancel);
        EXPECT_EQ(messages.shown[0].icon, IconInfo);
        EXPECT_EQ(messages.shown.size(), 1u) << "no error message without a failed entry";
        EXPECT_TRUE(archivingWhileAsked);
        EXPECT_FALSE(Archiving);
        const QStringList& ev = window.events;
        EXPECT_EQ(ev.at(ev.indexOf(QStringLiteral("Message=") + CancelQuestion) + 1), QStringLiteral("RepaintMainWindow"));
        if (c.cancels) {
            EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano e0"), QStringLiteral("Zarchiwizowano e1"), CancelLine}));
            EXPECT_FALSE(QFile::exists(ArchiveOf(docel, QStringLiteral("e2"))));
            EXPECT_EQ(window.inputTurns, 2);
            // The run still closes its bars and status panel after a cancel.
            EXPECT_EQ(window.Only(QStringLiteral("Pause")), QStringList({QStringLiteral("Pause=800")}));
        } else {
            EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano e0"), QStringLiteral("Zarchiwizowano e1"),
                                               QStringLiteral("Zarchiwizowano e2")}));
            EXPECT_TRUE(SevenZipTestPasses(ArchiveOf(docel, QStringLiteral("e2"))));
            EXPECT_FALSE(StopRequested);
            EXPECT_EQ(window.inputTurns, 3);
        }
    }
}

TEST_F(ArchiveRunTest, CancelAfterAFailedEntryStillReportsTheErrors)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("brak"), Path(QStringLiteral("nie ma.txt")), docel);
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("jest"), MakeFile(QStringLiteral("jest.txt"), "x"), docel);
    messages.answers = {AnswerYes};
    window.onWaitingInput = [](int turn) { StopRequested = turn == 1; };

    ArchiveSelected();

    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Folder lub plik źródłowy dla brak nie istnieje"), CancelLine}));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, CancelQuestion);
    EXPECT_EQ(messages.shown[1].text, ErrorsMessage);
    EXPECT_EQ(messages.shown[1].buttons, ButtonsClose);
    EXPECT_EQ(messages.shown[1].icon, IconInfo);
    EXPECT_FALSE(QFile::exists(ArchiveOf(docel, QStringLiteral("jest"))));
}

// How one failing entry is set up and what it must leave behind.
struct FailureCase {
    const char* name;
    const char* typ;
    QString nazwa;
    enum Source { ExistingFile, ExistingFolder, Missing } source;
    bool docelExists;
    QString expectedLine;  // with %1 for the name
    bool datedFolderMade;
};

TEST_F(ArchiveRunTest, FailingEntriesAreLoggedCountedAndNeverStopTheRun)
{
    const FailureCase cases[] = {
        {"destination missing", "Plik", QStringLiteral("bez celu"), FailureCase::ExistingFile, false,
         QStringLiteral("Folder docelowy dla %1 nie istnieje"), false},
        {"file missing", "Plik", QStringLiteral("zgubiony"), FailureCase::Missing, true,
         QStringLiteral("Folder lub plik źródłowy dla %1 nie istnieje"), true},
        {"folder missing", "Folder", QStringLiteral("zgubiony folder"), FailureCase::Missing, true,
         QStringLiteral("Folder lub plik źródłowy dla %1 nie istnieje"), true},
        {"file named as folder", "Folder", QStringLiteral("to plik"), FailureCase::ExistingFile, true,
         QStringLiteral("Folder lub plik źródłowy dla %1 nie istnieje"), true},
        {"folder named as file", "Plik", QStringLiteral("to folder"), FailureCase::ExistingFolder, true,
         QStringLiteral("Folder lub plik źródłowy dla %1 nie istnieje"), true},
        {"Typ in lower case", "plik", QStringLiteral("mała litera"), FailureCase::ExistingFile, true,
         QStringLiteral("Folder lub plik źródłowy dla %1 nie istnieje"), true},
        {"other Typ", "Archiwum", QStringLiteral("inny typ"), FailureCase::ExistingFile, true,
         QStringLiteral("Folder lub plik źródłowy dla %1 nie istnieje"), true},
        {"name climbing out", "Plik", QStringLiteral("../../poza"), FailureCase::ExistingFile, true,
         QStringLiteral("Niezidentyfikowane problemy przy pakowaniu %1"), true},
        {"name with a slash", "Folder", QStringLiteral("pod/folder"), FailureCase::ExistingFolder, true,
         QStringLiteral("Niezidentyfikowane problemy przy pakowaniu %1"), true},
        {"name only a slash", "Plik", QStringLiteral("/"), FailureCase::ExistingFile, true,
         QStringLiteral("Niezidentyfikowane problemy przy pakowaniu %1"), true},
        {"name dot", "Plik", QStringLiteral("."), FailureCase::ExistingFile, true,
         QStringLiteral("Niezidentyfikowane problemy przy pakowaniu %1"), true},
        {"name dot dot", "Folder", QStringLiteral(".."), FailureCase::ExistingFolder, true,
         QStringLiteral("Niezidentyfikowane problemy przy pakowaniu %1"), true},
    };
    const QString plik = MakeFile(QStringLiteral("źródło/plik.txt"), "zawartość");
    const QString folder = MakeFolder(QStringLiteral("źródło/folder"));
    MakeFile(QStringLiteral("źródło/folder/w środku.txt"), "w");

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = QStringLiteral("przypadek/") + QString::fromUtf8(c.name);
        const QString docel = c.docelExists ? MakeFolder(base + QStringLiteral("/a/b/kopie"))
                                            : Path(base + QStringLiteral("/a/b/nie ma"));
        const QString source = c.source == FailureCase::ExistingFile     ? plik
                               : c.source == FailureCase::ExistingFolder ? folder
                                                                         : Path(QStringLiteral("nie istnieje"));
        Wpisy.clear();
        list.Clear();
        messages.shown.clear();
        // A good entry on each side shows that the run goes on.
        AddListEntry(QStringLiteral("Plik"), QStringLiteral("przed"), plik, MakeFolder(base + QStringLiteral("/dobre")));
        AddListEntry(QString::fromUtf8(c.typ), c.nazwa, source, docel);
        AddListEntry(QStringLiteral("Plik"), QStringLiteral("po"), plik, MakeFolder(base + QStringLiteral("/dobre")));

        ArchiveSelected();

        EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano przed"), c.expectedLine.arg(c.nazwa),
                                           QStringLiteral("Zarchiwizowano po")}));
        EXPECT_TRUE(ErrorsOccurred);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, ErrorsMessage);
        EXPECT_EQ(QFileInfo(docel + QLatin1Char('/') + ArchiveFolderName).isDir(), c.datedFolderMade);
        EXPECT_FALSE(QFileInfo::exists(docel) && !c.docelExists) << "the destination is never made";
        // Nothing but the two good archives was written anywhere.
        QStringList written;
        for (const QString& a : AllArchives())
            if (a.startsWith(Path(base)))
                written << a;
        EXPECT_EQ(written, QStringList({ArchiveOf(Path(base + QStringLiteral("/dobre")), QStringLiteral("po")),
                                        ArchiveOf(Path(base + QStringLiteral("/dobre")), QStringLiteral("przed"))}));
        QDirIterator anything(Path(base), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        QStringList files;
        while (anything.hasNext())
            files << anything.next();
        EXPECT_EQ(files.size(), 2) << files.join(QLatin1Char(' ')).toStdString();
    }
}

TEST_F(ArchiveRunTest, PackerFailureBecomesThePackFailureLine)
{
    // A file stands where the dated folder should be made, so the archive cannot be created.
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    const QDateTime now = QDateTime::currentDateTime();
    for (const QDateTime& t : {now, now.addSecs(60)})
        MakeFile(QStringLiteral("kopie/Arch_") + TimeStampText(t), "zajęte");
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("zablokowany"), MakeFile(QStringLiteral("a.txt"), "a"), docel);

    ArchiveSelected();

    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Niezidentyfikowane problemy przy pakowaniu zablokowany")}));
    EXPECT_TRUE(ErrorsOccurred);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, ErrorsMessage);
}

TEST_F(ArchiveRunTest, AFileThatVanishesWhilePackingIsNoSuccess)
{
    // The packer gathers the file, then it disappears before its data is read: the archive is
    // written without it, so the entry must not be logged as archived.
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    const QString folder = MakeFolder(QStringLiteral("dane"));
    MakeFile(QStringLiteral("dane/zostaje.txt"), "zostaje");
    const QString vanishing = MakeFile(QStringLiteral("dane/znika.txt"), "znika");
    AddListEntry(QStringLiteral("Folder"), QStringLiteral("dane"), folder, docel);
    packer->OnPreProgress = [&](TSevenZip* sender, int64_t total) {
        QFile::remove(vanishing);
        ZipekPreProgress(sender, total);
    };

    ArchiveSelected();

    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Niezidentyfikowane problemy przy pakowaniu dane")}));
    EXPECT_TRUE(ErrorsOccurred);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, ErrorsMessage);
    // What could be packed is kept, and it is a sound archive.
    EXPECT_TRUE(SevenZipTestPasses(ArchiveOf(docel, QStringLiteral("dane"))));
}

TEST_F(ArchiveRunTest, ResultsTheRunDoesNotKnowGetThePackFailureLine)
{
    // The packer's "nothing gathered" and the library's own failure codes reach the log as a
    // failure of the named entry, never as "Zarchiwizowano ".
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("dziwny"), QString(), QString());
    const int codes[] = {ResultPackFailed, -4, -7, 1, static_cast<int>(0x80004005u), static_cast<int>(0x80004004u)};
    for (int code : codes) {
        LogLines->clear();
        ErrorsOccurred = false;
        LogEntryResult(code, 0);
        EXPECT_EQ(*LogLines, QStringList({QStringLiteral("Niezidentyfikowane problemy przy pakowaniu dziwny")})) << code;
        EXPECT_TRUE(ErrorsOccurred) << code;
    }
    // The run's own codes without a name, which are no errors.
    LogLines->clear();
    ErrorsOccurred = false;
    LogEntryResult(ResultCancelled, 7);
    LogEntryResult(ResultListEmpty, -1);
    EXPECT_EQ(*LogLines, QStringList({CancelLine, QStringLiteral("Lista plików jest pusta.")}));
    EXPECT_FALSE(ErrorsOccurred);
}

TEST_F(ArchiveRunTest, AFilePathWithATrailingSlashIsAMissingSource)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("ukośnik"), MakeFile(QStringLiteral("a.txt"), "a") + QLatin1Char('/'),
                 docel);
    ArchiveSelected();
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Folder lub plik źródłowy dla ukośnik nie istnieje")}));
}

TEST_F(ArchiveRunTest, ArchiveAllIgnoresTheSelection)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("a"), MakeFile(QStringLiteral("a.txt"), "a"), docel, false);
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("b"), MakeFile(QStringLiteral("b.txt"), "b"), docel, false);

    ArchiveAll();

    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano a"), QStringLiteral("Zarchiwizowano b")}));
    EXPECT_TRUE(window.Only(QStringLiteral("Lista.")).isEmpty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(SevenZipTestPasses(ArchiveOf(docel, QStringLiteral("a"))));
    EXPECT_TRUE(SevenZipTestPasses(ArchiveOf(docel, QStringLiteral("b"))));
}

TEST_F(ArchiveRunTest, ArchiveAllOverAnEmptyListWritesTheOneLineLog)
{
    ArchiveFolderName = QStringLiteral("Arch_poprzedni");
    LogLines->append(QStringLiteral("stara linia"));
    ArchiveAll();
    EXPECT_EQ(LogBytes(), QByteArray("Lista plików jest pusta.\r\n"));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(window.events.isEmpty());
    EXPECT_EQ(ArchiveFolderName, QStringLiteral("Arch_poprzedni"));
    EXPECT_FALSE(ErrorsOccurred);
}

TEST_F(ArchiveRunTest, AnUnwritableLogLeavesTheRunAsAnException)
{
    // A folder where the log should be: the file cannot be created, even for root.
    ASSERT_TRUE(QDir().mkpath(programDir + QStringLiteral("Log.txt")));
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("brak"), Path(QStringLiteral("nie ma")), docel);

    try {
        ArchiveSelected();
        ADD_FAILURE() << "no exception";
    } catch (const ELogWriteError& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(programDir + QStringLiteral("Log.txt")));
    }
    EXPECT_FALSE(Archiving);
    // The closing message comes after the log; the failure reaches the caller first.
    EXPECT_TRUE(messages.shown.empty());

    Wpisy.clear();
    EXPECT_THROW(ArchiveAll(), ELogWriteError);
}

TEST_F(ArchiveRunTest, LogIsRewrittenWholeAtEveryRun)
{
    MakeFile(QStringLiteral("program/Log.txt"), QByteArray(5000, 'z'));
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("a"), MakeFile(QStringLiteral("a.txt"), "a"), docel);
    ArchiveSelected();
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano a")}));
}

TEST_F(ArchiveRunTest, ClosingTheWindowDuringARunKeepsTheLogUntilTheRunEnds)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("a"), MakeFile(QStringLiteral("a.txt"), "a"), docel);
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("b"), MakeFile(QStringLiteral("b.txt"), "b"), docel);
    bool logAliveAfterClose = false;
    window.onWaitingInput = [&](int turn) {
        if (turn == 1) {
            ReleaseLogLines();  // what FormClose does
            logAliveAfterClose = LogLines != nullptr;
        }
    };

    ArchiveSelected();

    EXPECT_TRUE(logAliveAfterClose);
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano a"), QStringLiteral("Zarchiwizowano b")}));
    EXPECT_EQ(LogLines, nullptr) << "freed once the run was done with it";

    // Idle, the lines go at once.
    LogLines = std::make_unique<QStringList>();
    ReleaseLogLines();
    EXPECT_EQ(LogLines, nullptr);
}

TEST_F(ArchiveRunTest, ClosingTheWindowDuringTheClosingPauseAfterACancelKeepsTheLog)
{
    // After Tak, Archiving is clear while the closing picture is still shown and the log not
    // yet written: a close request then must not take the lines away either.
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("a"), MakeFile(QStringLiteral("a.txt"), "a"), docel);
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("b"), MakeFile(QStringLiteral("b.txt"), "b"), docel);
    messages.answers = {AnswerYes};
    window.onWaitingInput = [](int) { StopRequested = true; };
    bool archivingAtPause = true;
    window.onPause = [&] {
        archivingAtPause = Archiving;
        ReleaseLogLines();
    };

    ArchiveSelected();

    EXPECT_FALSE(archivingAtPause);
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano a"), CancelLine}));
    EXPECT_EQ(LogLines, nullptr);
}

TEST_F(ArchiveRunTest, ARunNeverStartsInsideAnother)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("a"), MakeFile(QStringLiteral("a.txt"), "a"), docel);
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("b"), MakeFile(QStringLiteral("b.txt"), "b"), docel);
    window.onWaitingInput = [](int) {
        ArchiveSelected();
        ArchiveAll();
    };
    ArchiveSelected();
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano a"), QStringLiteral("Zarchiwizowano b")}));
    EXPECT_EQ(window.Only(QStringLiteral("ProgresEtap.Max")).size(), 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ArchiveRunTest, PackerSettingsOfTheMainWindow)
{
    TSevenZip fresh;
    fresh.LZMACompressStrength = ULTRA;
    fresh.AddOptions = AddRecurseDirs | AddStoreOnlyFilename;
    fresh.Password = QStringLiteral("tajne");
    ApplyZipekSettings(fresh);
    EXPECT_FALSE(fresh.SFXCreate());
    EXPECT_EQ(fresh.AddOptions, AddOpts(AddSolid));
    EXPECT_EQ(fresh.LZMACompressType, LZMA);
    EXPECT_EQ(fresh.LZMACompressStrength, FAST);
    EXPECT_EQ(fresh.LZMAStrength, 0);
    EXPECT_EQ(fresh.VolumeSize(), 0);
    EXPECT_TRUE(fresh.Password.isEmpty());
    EXPECT_TRUE(bool(fresh.OnPreProgress));
    EXPECT_TRUE(bool(fresh.OnProgress));

    // What the settings make: a solid, unencrypted LZMA archive, one volume, no stub.
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    const QString folder = MakeFolder(QStringLiteral("dane"));
    for (int k = 0; k < 3; ++k)
        MakeFile(QStringLiteral("dane/p%1.txt").arg(k), QByteArray(2000, char('a' + k)));
    AddListEntry(QStringLiteral("Folder"), QStringLiteral("dane"), folder, docel);
    ArchiveSelected();
    const QString archive = ArchiveOf(docel, QStringLiteral("dane"));
    ASSERT_TRUE(SevenZipTestPasses(archive));
    QProcess p;
    p.start(QStringLiteral("7z"), {QStringLiteral("l"), QStringLiteral("-slt"), archive});
    p.waitForFinished(60000);
    const QString listing = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(listing.contains(QStringLiteral("Solid = +"))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("Encrypted = -")));
    EXPECT_TRUE(listing.contains(QStringLiteral("Method = LZMA"))) << listing.toStdString();
    EXPECT_EQ(QDir(docel + QLatin1Char('/') + ArchiveFolderName).entryList(QDir::Files), QStringList({QStringLiteral("dane.7z")}));
}

} // namespace
