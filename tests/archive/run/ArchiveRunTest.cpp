// The archive run driven through fakes of the main window, the message dialog and the list
// box, with the real packer writing real archives that the real 7z command checks.

#include "RunFakes.h"
#include "archive/run/ArchiveRecord.h"
#include "archive/run/RunLock.h"
#include "archive/run/RunPaths.h"

#include <QLockFile>
#include <QSysInfo>

#include <cerrno>
#include <climits>

#include <sys/stat.h>

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
        {QStringLiteral("linia\ndruga"), false},
        {QStringLiteral("powrót\r"), false},
        {QStringLiteral("\tz tabulatorem"), false},
        {QStringLiteral("znak\x01"), false},
        {QStringLiteral("znak\x1f"), false},
        {QStringLiteral("usuń\x7f"), false},
        {QStringLiteral("spacja i ~!@#$%^&*()"), true},
        {QStringLiteral("\u00a0nbsp i \u0080"), true},
    };
    for (const auto& [name, safe] : cases)
        EXPECT_EQ(IsSafeArchiveName(name), safe) << name.toStdString();
}

TEST(PathHelpers, LogTextShowsEachControlCharacterAsAQuestionMark)
{
    EXPECT_EQ(LogSafeText(QStringLiteral("a\nb\rc\td\x01" "e\x7f f\u00e9")), QStringLiteral("a?b?c?d?e? f\u00e9"));
    EXPECT_EQ(LogSafeText(QString()), QString());
}

TEST(PathHelpers, RelativeEntryPathsBelongToTheDataFolder)
{
    QTemporaryDir data;
    OverrideProgramDirectory(data.path() + QLatin1Char('/'));
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("kopie"), data.path() + QStringLiteral("/kopie")},
        {QStringLiteral("./a/b.txt"), data.path() + QStringLiteral("/./a/b.txt")},
        {QStringLiteral("../obok"), data.path() + QStringLiteral("/../obok")},
        {QStringLiteral("/bezwzględna"), QStringLiteral("/bezwzględna")},
        {QString(), QString()},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(ResolvedEntryPath(path), expected) << path.toStdString();
    OverrideProgramDirectory(QString());
}

TEST(AddProblems, EachKindHasItsReasonLine)
{
    const struct {
        PackProblem problem;
        const char* expected;
    } cases[] = {
        {{PackProblem::Unreadable, QStringLiteral("/d/a.txt"), EACCES},
         "/d/a.txt: nie można odczytać pliku (brak uprawnień), pominięto go"},
        {{PackProblem::ChangedWhileRead, QStringLiteral("/d/b.log"), 0}, "/d/b.log: plik zmienił się podczas odczytu"},
        {{PackProblem::FolderUnlistable, QStringLiteral("/d/tajne"), EACCES},
         "/d/tajne: nie można odczytać zawartości folderu (brak uprawnień)"},
        {{PackProblem::SpecialFileLeftOut, QStringLiteral("/d/gniazdo"), 0},
         "/d/gniazdo: pominięto plik specjalny (gniazdo, potok lub urządzenie)"},
        {{PackProblem::ArchiveWrite, QStringLiteral("/k/x.7z"), ENOSPC}, "/k/x.7z: nie można zapisać archiwum (brak miejsca na dysku)"},
        {{PackProblem::ArchiveWrite, QString(), EROFS}, "nie można zapisać archiwum (nośnik tylko do odczytu)"},
        {{PackProblem::Unreadable, QStringLiteral("/d/c"), 0}, "/d/c: nie można odczytać pliku (przyczyna nieznana), pominięto go"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AddProblemReason(c.problem), QString::fromUtf8(c.expected));
}

// ---------------------------------------------------------------- progress of one entry

struct ProgressCase {
    const char* name;
    int64_t total;
    std::vector<int64_t> reported;
    int expectedMax;
    std::vector<int> expectedPositions;
};

TEST(ByteProgress, BarRunsFromZeroToFullForEverySize)
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
        ByteProgress bar;
        bar.Start(window.Progress(), c.total);
        EXPECT_EQ(window.progress.max, c.expectedMax) << c.name;
        EXPECT_TRUE(window.progress.visible) << c.name;
        EXPECT_EQ(window.Only(QStringLiteral("Progress")),
                  QStringList({QStringLiteral("Progress.Position=0"), QStringLiteral("Progress.Max=%1").arg(c.expectedMax),
                               QStringLiteral("Progress.Show"), QStringLiteral("Progress.Refresh")}))
            << c.name;
        std::vector<int> positions;
        for (int64_t done : c.reported) {
            bar.Advance(window.Progress(), done);
            positions.push_back(window.progress.position);
        }
        EXPECT_EQ(positions, c.expectedPositions) << c.name;
    }
}

// ---------------------------------------------------------------- the run

class ArchiveRunTest : public RunFixture {};

TEST_F(ArchiveRunTest, EmptyListOrNoSelectionStopsWithAMessageAndNoLog)
{
    EXPECT_EQ(ArchiveSelected().Start, RunStart::NothingToArchive);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Lista jest pusta, nie ma co archiwizować."));
    EXPECT_EQ(messages.shown[0].buttons, ButtonsClose);
    EXPECT_EQ(messages.shown[0].icon, IconInfo);

    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("a"), MakeFile(QStringLiteral("a.txt"), "a"), docel, false);
    EXPECT_EQ(ArchiveSelected().Start, RunStart::NothingSelected);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text, QStringLiteral("Nie wybrano żadnego elementu do archiwizacji."));
    EXPECT_EQ(messages.shown[1].buttons, ButtonsClose);
    EXPECT_EQ(messages.shown[1].icon, IconInfo);

    EXPECT_FALSE(QFile::exists(programDir + QStringLiteral("Log.txt")));
    EXPECT_TRUE(FolderName().isEmpty());
    EXPECT_TRUE(result.Entries.empty());
    EXPECT_FALSE(run->Archiving());
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

    EXPECT_TRUE(FolderName().contains(QRegularExpression(QStringLiteral("^Arch_\\d{8}_\\d{4}$"))))
        << FolderName().toStdString();
    // The folder's subfolder with content is left out, and the log says so.
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano Notatka"), QStringLiteral("Zarchiwizowano Drugi"),
                                       QStringLiteral("Zarchiwizowano Projekt ąę"), QStringLiteral("\tpominięto zawartość podfolderów: 1")}));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(run->Archiving());
    EXPECT_FALSE(result.ErrorsOccurred());

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
                run->RequestStop();
            archivingWhileAsked = run->Archiving();
        };

        ArchiveSelected();

        ASSERT_GE(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, CancelQuestion);
        EXPECT_EQ(messages.shown[0].buttons, ButtonsYesNoCancel);
        EXPECT_EQ(messages.shown[0].icon, IconInfo);
        EXPECT_EQ(messages.shown.size(), 1u) << "no error message without a failed entry";
        EXPECT_TRUE(archivingWhileAsked);
        EXPECT_FALSE(run->Archiving());
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
            EXPECT_FALSE(run->StopRequested());
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
    window.onWaitingInput = [this](int turn) {
        if (turn == 1)
            run->RequestStop();
    };

    ArchiveSelected();

    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Folder lub plik źródłowy dla brak nie istnieje"),
                                       QStringLiteral("\t%1: nie ma takiego pliku ani folderu").arg(Path(QStringLiteral("nie ma.txt"))),
                                       CancelLine}));
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
    // The reason line under it, without its TAB; "{docel}" and "{source}" stand for the paths.
    QString expectedReason;
};

TEST_F(ArchiveRunTest, FailingEntriesAreLoggedCountedAndNeverStopTheRun)
{
    const QString BadName =
        QStringLiteral("nazwa archiwum nie może zawierać \"/\" ani znaków sterujących ani być \".\" lub \"..\"");
    const FailureCase cases[] = {
        {"destination missing", "Plik", QStringLiteral("bez celu"), FailureCase::ExistingFile, false,
         QStringLiteral("Folder docelowy dla %1 nie istnieje"), false, QStringLiteral("{docel}: nie ma takiego pliku ani folderu")},
        {"file missing", "Plik", QStringLiteral("zgubiony"), FailureCase::Missing, true,
         QStringLiteral("Folder lub plik źródłowy dla %1 nie istnieje"), true, QStringLiteral("{source}: nie ma takiego pliku ani folderu")},
        {"folder missing", "Folder", QStringLiteral("zgubiony folder"), FailureCase::Missing, true,
         QStringLiteral("Folder lub plik źródłowy dla %1 nie istnieje"), true, QStringLiteral("{source}: nie ma takiego pliku ani folderu")},
        {"file named as folder", "Folder", QStringLiteral("to plik"), FailureCase::ExistingFile, true,
         QStringLiteral("Folder lub plik źródłowy dla %1 nie istnieje"), true, QStringLiteral("{source}: to nie jest folder")},
        {"folder named as file", "Plik", QStringLiteral("to folder"), FailureCase::ExistingFolder, true,
         QStringLiteral("Folder lub plik źródłowy dla %1 nie istnieje"), true, QStringLiteral("{source}: to jest folder, nie plik")},
        {"Typ in lower case", "plik", QStringLiteral("mała litera"), FailureCase::ExistingFile, true,
         QStringLiteral("Folder lub plik źródłowy dla %1 nie istnieje"), true, QStringLiteral("nieznany rodzaj wpisu \"plik\" (dozwolone: Plik, Folder)")},
        {"other Typ", "Archiwum", QStringLiteral("inny typ"), FailureCase::ExistingFile, true,
         QStringLiteral("Folder lub plik źródłowy dla %1 nie istnieje"), true, QStringLiteral("nieznany rodzaj wpisu \"Archiwum\" (dozwolone: Plik, Folder)")},
        {"name climbing out", "Plik", QStringLiteral("../../poza"), FailureCase::ExistingFile, true,
         QStringLiteral("Niezidentyfikowane problemy przy pakowaniu %1"), true, BadName},
        {"name with a slash", "Folder", QStringLiteral("pod/folder"), FailureCase::ExistingFolder, true,
         QStringLiteral("Niezidentyfikowane problemy przy pakowaniu %1"), true, BadName},
        {"name only a slash", "Plik", QStringLiteral("/"), FailureCase::ExistingFile, true,
         QStringLiteral("Niezidentyfikowane problemy przy pakowaniu %1"), true, BadName},
        {"name dot", "Plik", QStringLiteral("."), FailureCase::ExistingFile, true,
         QStringLiteral("Niezidentyfikowane problemy przy pakowaniu %1"), true, BadName},
        {"name dot dot", "Folder", QStringLiteral(".."), FailureCase::ExistingFolder, true,
         QStringLiteral("Niezidentyfikowane problemy przy pakowaniu %1"), true, BadName},
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
        entries.clear();
        list.Clear();
        messages.shown.clear();
        // A good entry on each side shows that the run goes on.
        AddListEntry(QStringLiteral("Plik"), QStringLiteral("przed"), plik, MakeFolder(base + QStringLiteral("/dobre")));
        AddListEntry(QString::fromUtf8(c.typ), c.nazwa, source, docel);
        AddListEntry(QStringLiteral("Plik"), QStringLiteral("po"), plik, MakeFolder(base + QStringLiteral("/dobre")));

        ArchiveSelected();

        QString reason = c.expectedReason;
        reason.replace(QStringLiteral("{docel}"), docel).replace(QStringLiteral("{source}"), source);
        EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano przed"), c.expectedLine.arg(c.nazwa),
                                           QLatin1Char('\t') + reason, QStringLiteral("Zarchiwizowano po")}));
        EXPECT_TRUE(result.ErrorsOccurred());
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, ErrorsMessage);
        EXPECT_EQ(QFileInfo(docel + QLatin1Char('/') + FolderName()).isDir(), c.datedFolderMade);
        EXPECT_FALSE(QFileInfo::exists(docel) && !c.docelExists) << "the destination is never made";
        // Nothing but the two good archives was written anywhere.
        QStringList written;
        for (const QString& a : AllArchives())
            if (a.startsWith(Path(base)))
                written << a;
        EXPECT_EQ(written, QStringList({ArchiveOf(Path(base + QStringLiteral("/dobre")), QStringLiteral("po")),
                                        ArchiveOf(Path(base + QStringLiteral("/dobre")), QStringLiteral("przed"))}));
        // Besides them, only their records (digests of archives read back whole).
        QDirIterator anything(Path(base), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        QStringList files;
        while (anything.hasNext())
            files << anything.next();
        files.sort();
        QStringList expected = written;
        for (const QString& archive : written)
            expected << RecordPathOf(archive);
        expected.sort();
        EXPECT_EQ(files, expected);
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

    EXPECT_EQ(LogBytes(),
              ExpectedLog({QStringLiteral("Niezidentyfikowane problemy przy pakowaniu zablokowany"),
                           QStringLiteral("\t%1/%2: w miejscu folderu archiwizacji jest coś innego niż folder").arg(docel, FolderName())}));
    EXPECT_TRUE(result.ErrorsOccurred());
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
    packer->OnPreProgress = [&](SevenZipPacker*, int64_t) {
        QFile::remove(vanishing);
    };

    ArchiveSelected();

    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Niezidentyfikowane problemy przy pakowaniu dane"),
                                       QStringLiteral("\t%1: nie można odczytać pliku (nie ma takiego pliku ani folderu), pominięto go")
                                           .arg(vanishing)}));
    EXPECT_TRUE(result.ErrorsOccurred());
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
        EXPECT_EQ(EntryLogLine(code, QStringLiteral("dziwny")), QStringLiteral("Niezidentyfikowane problemy przy pakowaniu dziwny")) << code;
        EXPECT_TRUE(IsFailureCode(code)) << code;
    }
    // The run's own codes without a name, which are no errors.
    EXPECT_EQ(EntryLogLine(ResultCancelled, QStringLiteral("dziwny")), CancelLine);
    EXPECT_EQ(EntryLogLine(ResultListEmpty, QString()), QStringLiteral("Lista plików jest pusta."));
    EXPECT_FALSE(IsFailureCode(ResultCancelled));
    EXPECT_FALSE(IsFailureCode(ResultListEmpty));
}

TEST_F(ArchiveRunTest, AFilePathWithATrailingSlashIsAMissingSource)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("ukośnik"), MakeFile(QStringLiteral("a.txt"), "a") + QLatin1Char('/'),
                 docel);
    ArchiveSelected();
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Folder lub plik źródłowy dla ukośnik nie istnieje"),
                                       QStringLiteral("\t%1/: to nie jest folder").arg(Path(QStringLiteral("a.txt")))}));
}

TEST_F(ArchiveRunTest, ANameWithControlCharactersIsRefusedAndLoggedWithQuestionMarks)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    const QString plik = MakeFile(QStringLiteral("a.txt"), "a");
    for (const QString& nazwa : {QStringLiteral("dwie\nlinie"), QStringLiteral("powrót\rkaretki"), QStringLiteral("ukryty\x1b[2J"),
                                 QStringLiteral("usuń\x7f")})
        AddListEntry(QStringLiteral("Plik"), nazwa, plik, docel);
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("zwykły"), plik, docel);

    ArchiveSelected();

    const QString reason =
        QStringLiteral("\tnazwa archiwum nie może zawierać \"/\" ani znaków sterujących ani być \".\" lub \"..\"");
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Niezidentyfikowane problemy przy pakowaniu dwie?linie"), reason,
                                       QStringLiteral("Niezidentyfikowane problemy przy pakowaniu powrót?karetki"), reason,
                                       QStringLiteral("Niezidentyfikowane problemy przy pakowaniu ukryty?[2J"), reason,
                                       QStringLiteral("Niezidentyfikowane problemy przy pakowaniu usuń?"), reason,
                                       QStringLiteral("Zarchiwizowano zwykły")}));
    EXPECT_EQ(AllArchives(), QStringList({ArchiveOf(docel, QStringLiteral("zwykły"))}));
    EXPECT_TRUE(result.ErrorsOccurred());
}

TEST_F(ArchiveRunTest, AnEntryWithoutANameWritesNothing)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QString(), MakeFile(QStringLiteral("a.txt"), "a"), docel);
    AddListEntry(QStringLiteral("Folder"), QString(), MakeFolder(QStringLiteral("dane")), docel);

    ArchiveSelected();

    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Wpis bez nazwy pominięto"), QStringLiteral("Wpis bez nazwy pominięto")}));
    EXPECT_TRUE(result.ErrorsOccurred());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, ErrorsMessage);
    // Not even the dated folder: nothing at all was written for them.
    EXPECT_TRUE(QDir(docel).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(ArchiveRunTest, AnArchiveThisRunWroteIsNeverReplaced)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    const QString pierwszy = MakeFile(QStringLiteral("pierwszy.txt"), "pierwszy");
    const QString drugi = MakeFile(QStringLiteral("drugi.txt"), "drugi");
    const QString inne = MakeFolder(QStringLiteral("inne kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("Kopia"), pierwszy, docel);
    // The same folder spelt three other ways, and a link to it: each would write the same file.
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("Kopia"), drugi, docel);
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("Kopia"), drugi, docel + QLatin1Char('/'));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("Kopia"), drugi, docel + QStringLiteral("/../kopie"));
    ASSERT_TRUE(QFile::link(docel, Path(QStringLiteral("dowiązanie"))));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("Kopia"), drugi, Path(QStringLiteral("dowiązanie")));
    // Another folder is another archive.
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("Kopia"), drugi, inne);

    ArchiveSelected();

    const QString skipped = QStringLiteral("Pominięto Kopia: archiwum o tej nazwie zapisano już w tej archiwizacji");
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano Kopia"), skipped, skipped, skipped, skipped,
                                       QStringLiteral("Zarchiwizowano Kopia")}));
    EXPECT_TRUE(result.ErrorsOccurred());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, ErrorsMessage);
    EXPECT_EQ(SevenZipPaths(ArchiveOf(docel, QStringLiteral("Kopia"))), QStringList({QStringLiteral("pierwszy.txt")}));
    EXPECT_EQ(SevenZipPaths(ArchiveOf(inne, QStringLiteral("Kopia"))), QStringList({QStringLiteral("drugi.txt")}));

    // The next run starts afresh: an archive of an earlier run is the packer's to replace.
    entries.erase(entries.begin() + 1, entries.end());
    ArchiveSelected();
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano Kopia")}));
}

TEST_F(ArchiveRunTest, AFolderSourceWithATrailingSlashArchivesLikeWithout)
{
    const QString folder = MakeFolder(QStringLiteral("Projekt"));
    MakeFile(QStringLiteral("Projekt/a.txt"), "a");
    MakeFile(QStringLiteral("Projekt/pod/b.txt"), "b");
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Folder"), QStringLiteral("bez"), folder, docel);
    AddListEntry(QStringLiteral("Folder"), QStringLiteral("jeden"), folder + QLatin1Char('/'), docel);
    AddListEntry(QStringLiteral("Folder"), QStringLiteral("dwa"), folder + QStringLiteral("//"), docel);

    ArchiveSelected();

    const QString skipped = QStringLiteral("\tpominięto zawartość podfolderów: 1");
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano bez"), skipped, QStringLiteral("Zarchiwizowano jeden"), skipped,
                                       QStringLiteral("Zarchiwizowano dwa"), skipped}));
    const QStringList expected({QStringLiteral("Projekt"), QStringLiteral("Projekt/a.txt"), QStringLiteral("Projekt/pod")});
    for (const QString& nazwa : {QStringLiteral("bez"), QStringLiteral("jeden"), QStringLiteral("dwa")})
        EXPECT_EQ(SevenZipPaths(ArchiveOf(docel, nazwa)), expected) << nazwa.toStdString();
}

TEST_F(ArchiveRunTest, AFileEntryPathIsNeverAMask)
{
    // "*" is an ordinary character in names here: the entry is the one file it names.
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    const QString gwiazdka = MakeFile(QStringLiteral("dane/*.txt"), "gwiazdka");
    MakeFile(QStringLiteral("dane/inny.txt"), "inny");
    MakeFile(QStringLiteral("dane/trzeci.txt"), "trzeci");
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("gwiazdka"), gwiazdka, docel);
    // A name with "*" that no file has is no mask either: the source is missing.
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("wzorzec"), Path(QStringLiteral("dane/*.*")), docel);

    ArchiveSelected();

    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano gwiazdka"),
                                       QStringLiteral("Folder lub plik źródłowy dla wzorzec nie istnieje"),
                                       QStringLiteral("\t%1: nie ma takiego pliku ani folderu").arg(Path(QStringLiteral("dane/*.*")))}));
    EXPECT_EQ(SevenZipPaths(ArchiveOf(docel, QStringLiteral("gwiazdka"))), QStringList({QStringLiteral("*.txt")}));
}

TEST_F(ArchiveRunTest, RelativePathsAreTakenFromTheDataFolderWhateverTheWorkingFolder)
{
    MakeFile(QStringLiteral("program/dane/raport.txt"), "raport");
    MakeFile(QStringLiteral("program/Projekt/a.txt"), "a");
    MakeFolder(QStringLiteral("program/kopie"));
    // Decoys where the working folder would find them.
    MakeFile(QStringLiteral("gdzie indziej/dane/raport.txt"), "obcy");
    MakeFolder(QStringLiteral("gdzie indziej/kopie"));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(Path(QStringLiteral("gdzie indziej"))));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("raport"), QStringLiteral("dane/raport.txt"), QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Folder"), QStringLiteral("projekt"), QStringLiteral("Projekt"), QStringLiteral("./kopie/"));

    ArchiveSelected();
    QDir::setCurrent(before);

    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano raport"), QStringLiteral("Zarchiwizowano projekt")}));
    const QString kopie = programDir + QStringLiteral("kopie");
    EXPECT_EQ(AllArchives(), QStringList({ArchiveOf(kopie, QStringLiteral("projekt")), ArchiveOf(kopie, QStringLiteral("raport"))}));
    EXPECT_EQ(SevenZipPaths(ArchiveOf(kopie, QStringLiteral("projekt"))),
              QStringList({QStringLiteral("Projekt"), QStringLiteral("Projekt/a.txt")}));
}

TEST_F(ArchiveRunTest, ADatedFolderNameHeldByALinkOrAFileIsNeverFollowed)
{
    const QString cel = MakeFolder(QStringLiteral("cudzy folder"));
    const QString plik = MakeFile(QStringLiteral("a.txt"), "a");
    const struct {
        const char* name;
        bool link;
        const char* reason;
    } cases[] = {
        {"link", true, "w miejscu folderu archiwizacji jest dowiązanie symboliczne, nie użyto go"},
        {"file", false, "w miejscu folderu archiwizacji jest coś innego niż folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString docel = MakeFolder(QStringLiteral("kopie ") + QString::fromUtf8(c.name));
        // Planted at the names of this minute and the next, so the run meets one of them.
        const QDateTime now = QDateTime::currentDateTime();
        for (const QDateTime& t : {now, now.addSecs(60)}) {
            const QString dated = docel + QStringLiteral("/Arch_") + TimeStampText(t);
            if (c.link)
                ASSERT_TRUE(QFile::link(cel, dated));
            else
                MakeFile(dated.mid(root.path().size() + 1), "zajęte");
        }
        entries.clear();
        list.Clear();
        AddListEntry(QStringLiteral("Plik"), QStringLiteral("pierwszy"), plik, docel);
        AddListEntry(QStringLiteral("Plik"), QStringLiteral("drugi"), plik, docel);

        ArchiveSelected();

        const QString reason = QStringLiteral("\t%1/%2: %3").arg(docel, FolderName(), QString::fromUtf8(c.reason));
        EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Niezidentyfikowane problemy przy pakowaniu pierwszy"), reason,
                                           QStringLiteral("Niezidentyfikowane problemy przy pakowaniu drugi"), reason}));
        EXPECT_TRUE(QDir(cel).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    }
}

TEST_F(ArchiveRunTest, NewDatedFoldersAndArchivesAreForTheOwnerOnly)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("a"), MakeFile(QStringLiteral("a.txt"), "a"), docel);
    ArchiveSelected();
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(docel + QLatin1Char('/') + FolderName()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    ASSERT_EQ(::stat(QFile::encodeName(ArchiveOf(docel, QStringLiteral("a"))).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u);
}

TEST_F(ArchiveRunTest, AFileCutShortWhileItIsPackedFailsItsEntry)
{
    // Listed at its full size, then cut short before its data is read: the archive holds what
    // there was, but the backup is not whole.
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    const QString folder = MakeFolder(QStringLiteral("dane"));
    MakeFile(QStringLiteral("dane/zostaje.txt"), "zostaje");
    const QString shrinking = Path(QStringLiteral("dane/maleje.log"));
    packer->OnPreProgress = [&](SevenZipPacker*, int64_t) {
        QFile f(shrinking);
        EXPECT_TRUE(f.open(QIODevice::ReadWrite));
        f.resize(10);
    };
    for (const char* typ : {"Folder", "Plik"}) {
        SCOPED_TRACE(typ);
        MakeFile(QStringLiteral("dane/maleje.log"), QByteArray(100000, 'm'));
        entries.clear();
        list.Clear();
        const bool isFolder = QLatin1String(typ) == QLatin1String("Folder");
        AddListEntry(QString::fromLatin1(typ), QStringLiteral("kopia"), isFolder ? folder : shrinking, docel);

        ArchiveSelected();

        EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Niezidentyfikowane problemy przy pakowaniu kopia"),
                                           QStringLiteral("\t%1: plik zmienił się podczas odczytu").arg(shrinking)}));
        EXPECT_TRUE(result.ErrorsOccurred());
        EXPECT_TRUE(SevenZipTestPasses(ArchiveOf(docel, QStringLiteral("kopia"))));
        QDir(docel).removeRecursively();
        QDir().mkpath(docel);
    }
}

TEST_F(ArchiveRunTest, ASpecialFileLeftOutIsNamedUnderTheArchivedLine)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    const QString folder = MakeFolder(QStringLiteral("dane"));
    MakeFile(QStringLiteral("dane/a.txt"), "a");
    const QString fifo = Path(QStringLiteral("dane/potok"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    AddListEntry(QStringLiteral("Folder"), QStringLiteral("dane"), folder, docel);

    ArchiveSelected();

    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano dane"),
                                       QStringLiteral("\t%1: pominięto plik specjalny (gniazdo, potok lub urządzenie)").arg(fifo)}));
    EXPECT_FALSE(result.ErrorsOccurred());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(SevenZipPaths(ArchiveOf(docel, QStringLiteral("dane"))), QStringList({QStringLiteral("dane"), QStringLiteral("dane/a.txt")}));
}

TEST_F(ArchiveRunTest, ASecondRunOfTheSameProgramFolderDoesNothingButSaySo)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("a"), MakeFile(QStringLiteral("a.txt"), "a"), docel);
    MakeFile(QStringLiteral("program/Log.txt"), "log tamtej archiwizacji");
    {
        QLockFile other(RunLockPath());
        ASSERT_TRUE(other.tryLock(0));
        for (const bool all : {false, true}) {
            messages.shown.clear();
            const RunStart start = (all ? ArchiveAll() : ArchiveSelected()).Start;
            EXPECT_EQ(start, RunStart::FoundBusy);
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].text, QStringLiteral("Archiwizacja już trwa."));
            EXPECT_EQ(messages.shown[0].buttons, ButtonsClose);
            EXPECT_TRUE((result.Start == RunStart::FoundBusy));
            EXPECT_FALSE(run->Archiving());
            EXPECT_EQ(LogBytes(), QByteArray("log tamtej archiwizacji"));
            EXPECT_TRUE(AllArchives().isEmpty());
        }
        entries.clear();
        ArchiveAll();
        EXPECT_EQ(LogBytes(), QByteArray("log tamtej archiwizacji")) << "not even the empty list's log";
    }
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("a"), Path(QStringLiteral("a.txt")), docel);

    // Free again, the run works and holds the lock only while it does.
    bool heldDuringTheRun = false;
    window.onWaitingInput = [&](int) {
        QLockFile probe(RunLockPath());
        heldDuringTheRun = !probe.tryLock(0);
    };
    messages.shown.clear();
    ArchiveSelected();
    EXPECT_FALSE((result.Start == RunStart::FoundBusy));
    EXPECT_TRUE(heldDuringTheRun);
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano a")}));
    QLockFile afterwards(RunLockPath());
    EXPECT_TRUE(afterwards.tryLock(0)) << "an idle program holds no lock";
}

TEST_F(ArchiveRunTest, ALockLeftByAnEndedProcessDoesNotStopTheRun)
{
    // A run that was killed leaves its lock file; its process is gone.
    QProcess gone;
    gone.start(QStringLiteral("sleep"), {QStringLiteral("0.1")});
    ASSERT_TRUE(gone.waitForStarted(60000));
    const qint64 pid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished(60000));
    MakeFile(QStringLiteral("program/Skrytkar.lock"),
             QByteArray::number(pid) + "\nskrytkar\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("a"), MakeFile(QStringLiteral("a.txt"), "a"), docel);

    ArchiveSelected();

    EXPECT_FALSE((result.Start == RunStart::FoundBusy));
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano a")}));
}

TEST_F(ArchiveRunTest, AnUnreadableLockFileKeepsRunsOutOnlyWhileItIsNew)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("a"), MakeFile(QStringLiteral("a.txt"), "a"), docel);
    for (const QByteArray& content : {QByteArray(), QByteArray("nie blokada")}) {
        SCOPED_TRACE(content.toStdString());
        const QString lock = MakeFile(QStringLiteral("program/Skrytkar.lock"), content);
        // Just made: perhaps a run that is still writing it.
        messages.shown.clear();
        ArchiveSelected();
        EXPECT_TRUE((result.Start == RunStart::FoundBusy));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, QStringLiteral("Archiwizacja już trwa."));
        // Left long ago: stale.
        QFile f(lock);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        f.close();
        messages.shown.clear();
        ArchiveSelected();
        EXPECT_FALSE((result.Start == RunStart::FoundBusy));
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano a")}));
    }
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
    MakeFile(QStringLiteral("program/Log.txt"), "stara linia\r\n");
    ArchiveAll();
    EXPECT_EQ(LogBytes(), QByteArray("Lista plików jest pusta.\r\n"));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(window.events.isEmpty());
    EXPECT_TRUE(result.ListEmpty);
    EXPECT_TRUE(FolderName().isEmpty());
    EXPECT_FALSE(result.ErrorsOccurred());
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
    } catch (const LogWriteError& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(programDir + QStringLiteral("Log.txt")));
    }
    EXPECT_FALSE(run->Archiving());
    // The closing message comes after the log; the failure reaches the caller first.
    EXPECT_TRUE(messages.shown.empty());
    // The result is whole all the same, with the reason the log could not be written.
    ASSERT_EQ(run->Result().Entries.size(), 1u);
    EXPECT_EQ(run->Result().Entries[0].Code, ResultSourceMissing);
    EXPECT_TRUE(run->Result().LogFailure.contains(programDir + QStringLiteral("Log.txt")));

    entries.clear();
    EXPECT_THROW(ArchiveAll(), LogWriteError);
}

TEST_F(ArchiveRunTest, LogIsRewrittenWholeAtEveryRun)
{
    MakeFile(QStringLiteral("program/Log.txt"), QByteArray(5000, 'z'));
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("a"), MakeFile(QStringLiteral("a.txt"), "a"), docel);
    ArchiveSelected();
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano a")}));
}

TEST_F(ArchiveRunTest, TheClosingPauseAfterACancelStillBelongsToTheRun)
{
    // After Tak the loop is over while the closing picture is still shown and the log not yet
    // written: the run is still at work then (the window refuses to close or start another).
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("a"), MakeFile(QStringLiteral("a.txt"), "a"), docel);
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("b"), MakeFile(QStringLiteral("b.txt"), "b"), docel);
    messages.answers = {AnswerYes};
    window.onWaitingInput = [this](int) { run->RequestStop(); };
    bool archivingAtPause = true;
    bool runningAtPause = false;
    window.onPause = [&] {
        archivingAtPause = run->Archiving();
        runningAtPause = run->Running();
    };

    ArchiveSelected();

    EXPECT_FALSE(archivingAtPause);
    EXPECT_TRUE(runningAtPause);
    EXPECT_FALSE(run->Running());
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano a"), CancelLine}));
    EXPECT_TRUE(result.Cancelled);
}

TEST_F(ArchiveRunTest, ARunNeverStartsInsideAnother)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("a"), MakeFile(QStringLiteral("a.txt"), "a"), docel);
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("b"), MakeFile(QStringLiteral("b.txt"), "b"), docel);
    window.onWaitingInput = [this](int) {
        EXPECT_EQ(run->ArchiveSelected().Start, RunStart::AlreadyRunning);
        EXPECT_EQ(run->ArchiveAll().Start, RunStart::AlreadyRunning);
    };
    ArchiveSelected();
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano a"), QStringLiteral("Zarchiwizowano b")}));
    EXPECT_EQ(window.Only(QStringLiteral("ProgresEtap.Max")).size(), 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ArchiveRunTest, PackerSettingsOfTheMainWindow)
{
    SevenZipPacker fresh;
    fresh.LZMACompressStrength = ULTRA;
    fresh.AddOptions = AddRecurseDirs | AddStoreOnlyFilename;
    fresh.Password = QStringLiteral("tajne");
    ConfigurePacker(fresh);
    EXPECT_EQ(fresh.AddOptions, AddOpts(AddSolid));
    EXPECT_EQ(fresh.LZMACompressType, LZMA);
    EXPECT_EQ(fresh.LZMACompressStrength, FAST);
    EXPECT_EQ(fresh.LZMAStrength, 0);
    EXPECT_TRUE(fresh.Password.isEmpty());
    EXPECT_TRUE(fresh.VerifyAfterWrite);

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
    EXPECT_EQ(QDir(docel + QLatin1Char('/') + FolderName()).entryList(QDir::Files), QStringList({QStringLiteral("dane.7z")}));
}

} // namespace
