// The start-up of the main window and the unattended run, driven through the port fakes
// with the real list file code and the real packer.

#include "RunFakes.h"
#include "archive/run/RunLock.h"
#include "archive/run/Startup.h"

#include <QElapsedTimer>
#include <QLockFile>
#include <QTimer>

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new CoreApplicationEnvironment);

TEST(CommandLine, OnlyTheFirstArgumentInAnyLetterCase)
{
    const std::pair<QStringList, bool> cases[] = {
        {{}, false},
        {{QStringLiteral("skrytkar")}, false},
        {{QStringLiteral("skrytkar"), QStringLiteral("/all")}, true},
        {{QStringLiteral("skrytkar"), QStringLiteral("/ALL")}, true},
        {{QStringLiteral("skrytkar"), QStringLiteral("/aLl")}, true},
        {{QStringLiteral("skrytkar"), QStringLiteral("/all"), QStringLiteral("więcej")}, true},
        {{QStringLiteral("skrytkar"), QStringLiteral("inny"), QStringLiteral("/all")}, false},
        {{QStringLiteral("skrytkar"), QStringLiteral("all")}, false},
        {{QStringLiteral("skrytkar"), QStringLiteral("-all")}, false},
        {{QStringLiteral("skrytkar"), QStringLiteral("/all ")}, false},
        {{QStringLiteral("skrytkar"), QStringLiteral("/alle")}, false},
        {{QStringLiteral("skrytkar"), QStringLiteral("")}, false},
        // Only ASCII letters are lower-cased: a dotted capital I is not an "i", nor is
        // the Kelvin sign a "k"; "/ALL" written with a Cyrillic А is no "/all".
        {{QStringLiteral("skrytkar"), QStringLiteral("/\u0410LL")}, false},
    };
    for (const auto& [arguments, unattended] : cases)
        EXPECT_EQ(IsUnattendedCommandLine(arguments), unattended) << arguments.join(QLatin1Char(' ')).toStdString();
}

TEST(CommandLine, FormsOptionsAndRefusals)
{
    const QString program = QStringLiteral("skrytkar");
    const struct {
        QStringList arguments;
        StartMode mode;
        QString refused;
    } cases[] = {
        {{}, StartMode::Interactive, {}},
        {{QStringLiteral("/ALL"), QStringLiteral("--help")}, StartMode::Unattended, {}},
        {{QStringLiteral("--help")}, StartMode::Help, {}},
        {{QStringLiteral("-h")}, StartMode::Help, {}},
        {{QStringLiteral("-help")}, StartMode::Help, {}},
        {{QStringLiteral("--help"), QStringLiteral("/all")}, StartMode::Help, {}},
        {{QStringLiteral("--version"), QStringLiteral("--help")}, StartMode::Help, {}},
        {{QStringLiteral("--version")}, StartMode::Version, {}},
        {{QStringLiteral("-v")}, StartMode::Version, {}},
        // Only a first argument that is an option is read as options: a file name (as a
        // desktop may pass one) opens the window, whatever follows it.
        {{QStringLiteral("plik.txt"), QStringLiteral("--help")}, StartMode::Interactive, {}},
        {{QStringLiteral("-")}, StartMode::Interactive, {}},
        {{QStringLiteral("--")}, StartMode::Interactive, {}},
        {{QStringLiteral("--"), QStringLiteral("--help")}, StartMode::Interactive, {}},
        // Anything else with a leading "-" is refused, as typed.
        {{QStringLiteral("--verbose")}, StartMode::UnknownOption, QStringLiteral("--verbose")},
        {{QStringLiteral("-x")}, StartMode::UnknownOption, QStringLiteral("-x")},
        {{QStringLiteral("-all")}, StartMode::UnknownOption, QStringLiteral("-all")},
        {{QStringLiteral("--all")}, StartMode::UnknownOption, QStringLiteral("--all")},
        {{QStringLiteral("--HELP")}, StartMode::UnknownOption, QStringLiteral("--HELP")},
        {{QStringLiteral("--help"), QStringLiteral("--bogus=1")}, StartMode::UnknownOption, QStringLiteral("--bogus=1")},
        {{QStringLiteral("--version=2")}, StartMode::UnknownOption, QStringLiteral("--version=2")},
        {{QStringLiteral("-platform"), QStringLiteral("offscreen")}, StartMode::UnknownOption, QStringLiteral("-platform")},
    };
    for (const auto& c : cases) {
        const QStringList arguments = QStringList(program) + c.arguments;
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        const StartCommand command = ParseCommandLine(arguments);
        EXPECT_EQ(command.Mode, c.mode);
        EXPECT_EQ(command.UnknownOption, c.refused);
    }
}

TEST(CommandLine, UsageNamesEveryFormAndTheExitStatuses)
{
    const QString usage = UsageText();
    EXPECT_TRUE(usage.startsWith(QStringLiteral("Skrytkar ") + QString::fromLatin1(SKRYTKAR_VERSION))) << usage.toStdString();
    // One line per form: its names, then the first line of its description.
    for (const CommandLineForm& form : CommandLineForms()) {
        const QString names = QStringLiteral("skrytkar") + (form.Names.isEmpty() ? QString() : QLatin1Char(' ') + form.Names.join(QStringLiteral(", ")));
        const QString description = form.Description().section(QLatin1Char('\n'), 0, 0);
        const QRegularExpression line(QStringLiteral("\n  ") + QRegularExpression::escape(names) + QStringLiteral(" +") +
                                      QRegularExpression::escape(description) + QStringLiteral("\n"));
        EXPECT_TRUE(line.match(usage).hasMatch()) << names.toStdString();
    }
    for (const char* status : {"\n  0  ", "\n  1  ", "\n  2  "})
        EXPECT_TRUE(usage.contains(QString::fromLatin1(status))) << status;
    EXPECT_FALSE(usage.contains(QLatin1Char('\r')));
}

class StartupTest : public RunFixture {
protected:
    void SetUp() override
    {
        RunFixture::SetUp();
        docel = MakeFolder(QStringLiteral("kopie"));
    }

    void TearDown() override
    {
        startup.reset();
        entryList.reset();
        RunFixture::TearDown();
    }

    // A new start with the given command line over a new list; its run archives every entry of
    // the list with the fixture's window, messages and packer.
    Startup& Start(const QStringList& arguments)
    {
        startup.reset();
        entryList = std::make_unique<EntryList>();
        entryList->SetListBox(&list);
        startup = std::make_unique<Startup>(arguments, *entryList, window, [this] {
            entries = entryList->Entries();
            MakeRun();
            try {
                ArchiveAllInPlace(*run, *startup);
            } catch (...) {
                Keep(run->Result());
                throw;
            }
            Keep(run->Result());
        });
        return *startup;
    }

    // Writes "Dane.dat" beside the program with the program's own list code.
    void SaveListFile(const std::vector<Entry>& entries)
    {
        ASSERT_TRUE(SaveListFileAt(programDir + QStringLiteral("Dane.dat"), entries));
    }

    std::vector<Entry> TwoGoodEntries()
    {
        return {{QStringLiteral("Plik"), QStringLiteral("Notatki"), MakeFile(QStringLiteral("n.txt"), "notatki"), docel},
                {QStringLiteral("Folder"), QStringLiteral("Zdjęcia"), MakeFolder(QStringLiteral("zdjęcia")), docel}};
    }

    QString docel;
    std::unique_ptr<EntryList> entryList;
    std::unique_ptr<Startup> startup;
};

TEST_F(StartupTest, TheStartReadsTheCommandLine)
{
    EXPECT_TRUE(Start({QStringLiteral("skrytkar"), QStringLiteral("/All")}).Unattended());
    EXPECT_FALSE(Start({QStringLiteral("skrytkar")}).Unattended());
}

TEST_F(StartupTest, InteractiveStartFillsTheListAndTheTickDoesNothing)
{
    SaveListFile(TwoGoodEntries());
    Start({QStringLiteral("skrytkar")});

    startup->Show();

    EXPECT_EQ(entryList->FilePath(), programDir + QStringLiteral("Dane.dat"));
    EXPECT_EQ(entryList->Entries().size(), 2u);
    EXPECT_EQ(list.items, QStringList({QStringLiteral("Notatki"), QStringLiteral("Zdjęcia")}));
    EXPECT_TRUE(list.selected[0]);
    EXPECT_FALSE(window.panelVisible);
    EXPECT_TRUE(startup->Timer().isActive());
    EXPECT_EQ(startup->Timer().interval(), ZegarIntervalMs);
    EXPECT_TRUE(startup->Timer().isSingleShot());
    EXPECT_TRUE(messages.shown.empty());

    window.events.clear();
    startup->TimerTick();
    EXPECT_FALSE(startup->Timer().isActive());
    EXPECT_TRUE(window.events.isEmpty());
    EXPECT_FALSE(QFile::exists(programDir + QStringLiteral("Log.txt")));
}

TEST_F(StartupTest, UnattendedStartLeavesTheListBoxEmptyAndArchivesEverything)
{
    SaveListFile(TwoGoodEntries());
    Start({QStringLiteral("skrytkar"), QStringLiteral("/all")}).Show();
    EXPECT_TRUE(list.items.isEmpty());
    EXPECT_EQ(entryList->Entries().size(), 2u);

    window.events.clear();
    startup->TimerTick();

    EXPECT_EQ(window.events.first(), QStringLiteral("Minimize"));
    EXPECT_EQ(window.events.last(), QStringLiteral("Terminate"));
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano Notatki"), QStringLiteral("Zarchiwizowano Zdjęcia")}));
    EXPECT_TRUE(SevenZipTestPasses(ArchiveOf(docel, QStringLiteral("Notatki"))));
    EXPECT_TRUE(SevenZipTestPasses(ArchiveOf(docel, QStringLiteral("Zdjęcia"))));
    EXPECT_EQ(startup->UnattendedExitStatus(), ExitArchived);
    EXPECT_TRUE(messages.shown.empty());
}

struct UnattendedCase {
    const char* name;
    enum List { Good, Empty, Missing, Failing, Damaged, Busy } list;
    QByteArray expectedLogStart;
    std::vector<QString> expectedMessages;
    int expectedStatus;
};

TEST_F(StartupTest, UnattendedOutcomesAndExitStatus)
{
    const UnattendedCase cases[] = {
        {"all archived", UnattendedCase::Good, "Log dla: Arch_", {}, ExitArchived},
        {"empty list", UnattendedCase::Empty, "Lista plików jest pusta.\r\n", {}, ExitArchived},
        {"no list file", UnattendedCase::Missing, "Lista plików jest pusta.\r\n", {}, ExitArchived},
        {"an entry fails", UnattendedCase::Failing, "Log dla: Arch_",
         {QStringLiteral("Wystąpiły błędy podczas archiwizacji.\rZobacz log.")}, ExitEntriesFailed},
        {"damaged list", UnattendedCase::Damaged, "Lista plików jest pusta.\r\n",
         {QStringLiteral("Plik listy jest uszkodzony.\rUtwórz nowy plik.\rUszkodzony plik zachowano jako %1Dane.dat.bak.")
              .arg(programDir)},
         ExitFailure},
        // Another run of this program folder holds the lock: nothing is written, not even the log.
        {"another run at work", UnattendedCase::Busy, "<no log>", {QStringLiteral("Archiwizacja już trwa.")}, ExitFailure},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(programDir + QStringLiteral("Dane.dat"));
        QFile::remove(programDir + QStringLiteral("Dane.dat.bak"));
        QFile::remove(programDir + QStringLiteral("Log.txt"));
        result = RunResult{};
        messages.shown.clear();
        switch (c.list) {
        case UnattendedCase::Good: SaveListFile(TwoGoodEntries()); break;
        case UnattendedCase::Empty: SaveListFile({}); break;
        case UnattendedCase::Missing: break;
        case UnattendedCase::Failing:
            SaveListFile({{QStringLiteral("Plik"), QStringLiteral("zgubiony"), Path(QStringLiteral("nie ma.txt")), docel}});
            break;
        case UnattendedCase::Damaged: MakeFile(QStringLiteral("program/Dane.dat"), "<Dane><Ilosc>to nie liczba"); break;
        case UnattendedCase::Busy: SaveListFile(TwoGoodEntries()); break;
        }
        QLockFile otherRun(RunLockPath());
        if (c.list == UnattendedCase::Busy) {
            ASSERT_TRUE(otherRun.tryLock(0));
        }
        Start({QStringLiteral("skrytkar"), QStringLiteral("/ALL")}).Show();
        startup->TimerTick();
        otherRun.unlock();

        EXPECT_TRUE(LogBytes().startsWith(c.expectedLogStart)) << LogBytes().toStdString();
        std::vector<QString> texts;
        for (const auto& m : messages.shown)
            texts.push_back(m.text);
        EXPECT_EQ(texts, c.expectedMessages);
        EXPECT_EQ(startup->UnattendedExitStatus(), c.expectedStatus);
    }
}

TEST_F(StartupTest, AStartRemovesWhatKilledSavesOfTheListAndTheLogLeft)
{
    SaveListFile(TwoGoodEntries());
    const QStringList stale = {programDir + QStringLiteral("Dane.dat.QxYzAb"), programDir + QStringLiteral("Log.txt.AbCdEf")};
    const QStringList kept = {programDir + QStringLiteral("Dane.dat.backup"), programDir + QStringLiteral("Dane.dat.bak")};
    for (const QString& path : stale + kept)
        MakeFile(path.mid(root.path().size() + 1), "<Dane>");

    Start({QStringLiteral("skrytkar")}).Show();

    for (const QString& path : stale)
        EXPECT_FALSE(QFile::exists(path)) << path.toStdString();
    for (const QString& path : kept)
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    EXPECT_EQ(entryList->Entries().size(), 2u);
}

TEST_F(StartupTest, UnwritableLogLeavesTheUnattendedRunUnterminated)
{
    SaveListFile(TwoGoodEntries());
    ASSERT_TRUE(QDir().mkpath(programDir + QStringLiteral("Log.txt")));
    Start({QStringLiteral("skrytkar"), QStringLiteral("/all")}).Show();
    EXPECT_THROW(startup->TimerTick(), LogWriteError);
    EXPECT_FALSE(window.events.contains(QStringLiteral("Terminate")));
    EXPECT_FALSE(run->Running());
    EXPECT_EQ(startup->UnattendedExitStatus(), ExitFailure);
    // A new start begins with a clean slate.
    Start({QStringLiteral("skrytkar"), QStringLiteral("/all")});
    EXPECT_EQ(startup->UnattendedExitStatus(), ExitArchived);
}

// An installed program (under /usr, never written to) keeps the list and the log in the
// user's data folder; nothing lands beside the program.
TEST_F(StartupTest, AnInstalledProgramKeepsTheListAndTheLogInTheUserDataFolder)
{
    const QByteArray savedXdg = qgetenv("XDG_DATA_HOME");
    const bool hadXdg = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QString xdg = root.path() + QStringLiteral("/xdg");
    qputenv("XDG_DATA_HOME", QFile::encodeName(xdg));
    OverrideProgramDirectory(QStringLiteral("/usr/lib/skrytkar-nie-ma/"));
    const QString data = xdg + QStringLiteral("/skrytkar/");
    ASSERT_TRUE(QDir().mkpath(data));
    ASSERT_TRUE(SaveListFileAt(data + QStringLiteral("Dane.dat"), TwoGoodEntries()));

    Start({QStringLiteral("skrytkar"), QStringLiteral("/all")}).Show();
    startup->TimerTick();

    EXPECT_EQ(entryList->FilePath(), data + QStringLiteral("Dane.dat"));
    EXPECT_EQ(entryList->Entries().size(), 2u);
    EXPECT_EQ(LogFilePath(), data + QStringLiteral("Log.txt"));
    QFile log(data + QStringLiteral("Log.txt"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), ExpectedLog({QStringLiteral("Zarchiwizowano Notatki"), QStringLiteral("Zarchiwizowano Zdjęcia")}));
    EXPECT_EQ(startup->UnattendedExitStatus(), ExitArchived);

    if (hadXdg)
        qputenv("XDG_DATA_HOME", savedXdg);
    else
        qunsetenv("XDG_DATA_HOME");
}

TEST_F(StartupTest, TheTimerTicksOnceFromTheEventLoop)
{
    SaveListFile({});
    Start({QStringLiteral("skrytkar"), QStringLiteral("/all")}).Show();
    QElapsedTimer waited;
    waited.start();
    while (!window.events.contains(QStringLiteral("Terminate")) && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(window.events.contains(QStringLiteral("Terminate")));
    EXPECT_EQ(window.events.count(QStringLiteral("Minimize")), 1);
    EXPECT_FALSE(startup->Timer().isActive());
    EXPECT_EQ(LogBytes(), QByteArray("Lista plików jest pusta.\r\n"));
}

TEST_F(StartupTest, AFailingTickFromTheEventLoopIsReportedAndGoesNoFurther)
{
    // The tick's error (an unwritable log) must not unwind through the timer's signal: it is
    // reported through the message port and the event loop goes on.
    SaveListFile(TwoGoodEntries());
    ASSERT_TRUE(QDir().mkpath(programDir + QStringLiteral("Log.txt")));
    Start({QStringLiteral("skrytkar"), QStringLiteral("/all")}).Show();
    bool loopWentOn = false;
    QElapsedTimer waited;
    waited.start();
    while (messages.shown.empty() && waited.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QTimer::singleShot(0, [&] { loopWentOn = true; });
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, IconWarning);
    EXPECT_TRUE(messages.shown[0].text.startsWith(QStringLiteral("Nie można zapisać pliku logu ") + programDir))
        << messages.shown[0].text.toStdString();
    EXPECT_TRUE(loopWentOn);
    EXPECT_FALSE(window.events.contains(QStringLiteral("Terminate")));
    EXPECT_EQ(startup->UnattendedExitStatus(), ExitFailure);
}

} // namespace
