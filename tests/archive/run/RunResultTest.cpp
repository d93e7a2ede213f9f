// The run's result: one record per entry the run took up (outcome, reasons, archive, bytes),
// and the log text made from it alone.

#include "RunFakes.h"
#include "archive/run/RunResult.h"

#include <QFileInfo>

#include <cerrno>

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new CoreApplicationEnvironment);

// ---------------------------------------------------------------- records of a real run

struct OutcomeCase {
    const char* name;
    QString typ;
    QString nazwa;
    enum Source { File, Folder, Missing } source;
    bool destinationExists;
    int code;
    // Reasons with "{docel}" and "{source}" for the paths.
    QStringList reasons;
    bool archive;  // an archive is named in the record (and has bytes)
};

class RunResultTest : public RunFixture {};

TEST_F(RunResultTest, EveryEntryTakenUpHasItsRecordInListOrder)
{
    const OutcomeCase cases[] = {
        {"file", QStringLiteral("Plik"), QStringLiteral("plik"), OutcomeCase::File, true, ResultArchived, {}, true},
        {"folder with a subfolder left out", QStringLiteral("Folder"), QStringLiteral("folder"), OutcomeCase::Folder, true,
         ResultArchived, {QStringLiteral("pominięto zawartość podfolderów: 1")}, true},
        {"source missing", QStringLiteral("Plik"), QStringLiteral("brak"), OutcomeCase::Missing, true, ResultSourceMissing,
         {QStringLiteral("{source}: nie ma takiego pliku ani folderu")}, false},
        {"destination missing", QStringLiteral("Plik"), QStringLiteral("bez celu"), OutcomeCase::File, false,
         ResultDestinationMissing, {QStringLiteral("{docel}: nie ma takiego pliku ani folderu")}, false},
        {"no name", QStringLiteral("Plik"), QString(), OutcomeCase::File, true, ResultNoName, {}, false},
        {"unknown type", QStringLiteral("Dysk"), QStringLiteral("dysk"), OutcomeCase::File, true, ResultSourceMissing,
         {QStringLiteral("nieznany rodzaj wpisu \"Dysk\" (dozwolone: Plik, Folder)")}, false},
        {"name with a slash", QStringLiteral("Plik"), QStringLiteral("a/b"), OutcomeCase::File, true, ResultPackFailed,
         {QStringLiteral("nazwa archiwum nie może zawierać \"/\" ani znaków sterujących ani być \".\" lub \"..\"")}, false},
        {"same name again", QStringLiteral("Plik"), QStringLiteral("plik"), OutcomeCase::File, true, ResultNameUsedInRun, {},
         false},
    };
    const QString plik = MakeFile(QStringLiteral("źródło/plik.txt"), QByteArray(4000, 'p'));
    const QString folder = MakeFolder(QStringLiteral("źródło/folder"));
    MakeFile(QStringLiteral("źródło/folder/a.txt"), "a");
    MakeFile(QStringLiteral("źródło/folder/pod/b.txt"), "b");
    const QString missing = Path(QStringLiteral("nie ma.txt"));
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    const QString noDocel = Path(QStringLiteral("nie ma kopii"));
    for (const OutcomeCase& c : cases) {
        const QString source = c.source == OutcomeCase::File ? plik : c.source == OutcomeCase::Folder ? folder : missing;
        AddListEntry(c.typ, c.nazwa, source, c.destinationExists ? docel : noDocel);
    }
    // A line left out of the selection has no record.
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("nie wybrany"), plik, docel, false);

    const RunResult& made = ArchiveSelected();

    EXPECT_EQ(made.Start, RunStart::Ran);
    EXPECT_FALSE(made.Cancelled);
    EXPECT_TRUE(made.LogFailure.isEmpty());
    EXPECT_TRUE(made.ErrorsOccurred());
    ASSERT_EQ(made.Entries.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const OutcomeCase& c = cases[i];
        const EntryOutcome& e = made.Entries[i];
        SCOPED_TRACE(c.name);
        const QString source = c.source == OutcomeCase::File ? plik : c.source == OutcomeCase::Folder ? folder : missing;
        EXPECT_EQ(e.Index, static_cast<int>(i));
        EXPECT_EQ(e.Name, c.nazwa);
        EXPECT_EQ(e.Code, c.code);
        EXPECT_EQ(e.Failed(), c.code != ResultArchived);
        QStringList reasons;
        for (QString r : c.reasons)
            reasons << r.replace(QStringLiteral("{docel}"), noDocel).replace(QStringLiteral("{source}"), source);
        EXPECT_EQ(e.Reasons, reasons);
        if (c.archive) {
            EXPECT_EQ(e.ArchivePath, ArchiveOf(docel, c.nazwa));
            EXPECT_EQ(e.Bytes, QFileInfo(e.ArchivePath).size());
            EXPECT_GT(e.Bytes, 0);
            EXPECT_TRUE(SevenZipTestPasses(e.ArchivePath));
        } else {
            EXPECT_TRUE(e.ArchivePath.isEmpty());
            EXPECT_EQ(e.Bytes, 0);
        }
    }
    // The log on the disk is the one the result makes.
    QByteArray expected;
    for (const QString& line : made.LogLines())
        expected += (line + QStringLiteral("\r\n")).toUtf8();
    EXPECT_EQ(LogBytes(), expected);
}

TEST_F(RunResultTest, AnUnchangedEntryNamesTheLinkAndACancelEndsTheRecords)
{
    const QString docel = MakeFolder(QStringLiteral("kopie"));
    const QString plik = MakeFile(QStringLiteral("plik.txt"), "treść");
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("plik"), plik, docel);
    startLater = true;
    ArchiveSelected();
    ASSERT_EQ(result.Entries.size(), 1u);
    // The earlier run's folder under another name, so the next run's link is to it.
    ASSERT_TRUE(QDir(docel).rename(FolderName(), QStringLiteral("Arch_20200101_1200")));

    AddListEntry(QStringLiteral("Plik"), QStringLiteral("drugi"), plik, docel);
    messages.answers = {AnswerYes};
    window.inputTurns = 0;
    window.onWaitingInput = [this](int turn) {
        if (turn == 1)
            run->RequestStop();
    };
    ArchiveSelected();

    ASSERT_EQ(result.Entries.size(), 1u) << "the second entry was never taken up";
    EXPECT_EQ(result.Entries[0].Code, ResultArchivedUnchanged);
    EXPECT_EQ(result.Entries[0].ArchivePath, ArchiveOf(docel, QStringLiteral("plik")));
    EXPECT_EQ(result.Entries[0].Bytes, QFileInfo(docel + QStringLiteral("/Arch_20200101_1200/plik.7z")).size());
    EXPECT_TRUE(result.Cancelled);
    EXPECT_FALSE(result.ErrorsOccurred());
}

// ---------------------------------------------------------------- the log made from a result

RunResult HandMade()
{
    RunResult r;
    r.FolderName = QStringLiteral("Arch_20261211_0930");
    EntryOutcome good;
    good.Index = 0;
    good.Name = QStringLiteral("Zdjęcia");
    good.Code = ResultArchived;
    good.Reasons = {QStringLiteral("pominięto zawartość podfolderów: 2")};
    good.Retention.RemovedArchives = {QStringLiteral("/k/Arch_20200101_1200/Zdjęcia.7z")};
    good.Retention.Failures = {{QStringLiteral("/k/Arch_20200102_1200/Zdjęcia.7z"), EACCES}};
    EntryOutcome odd;
    odd.Index = 3;
    odd.Name = QStringLiteral("a\nb\tc");
    odd.Code = ResultSourceMissing;
    odd.Reasons = {QStringLiteral("/src/x\ry: nie ma takiego pliku ani folderu"), QStringLiteral("drugi powód")};
    r.Entries = {good, odd};
    return r;
}

TEST(RunResultLog, IsMadeFromTheRecordsAlone)
{
    const RunResult r = HandMade();
    EXPECT_EQ(r.LogLines(),
              QStringList({QStringLiteral("Log dla: Arch_20261211_0930"), QStringLiteral("++++++++++++++++++++++++++++++++++"),
                           QStringLiteral("Zarchiwizowano Zdjęcia"), QStringLiteral("\tpominięto zawartość podfolderów: 2"),
                           QStringLiteral("Usunięto stare archiwum /k/Arch_20200101_1200/Zdjęcia.7z"),
                           QStringLiteral("Nie można usunąć starego archiwum /k/Arch_20200102_1200/Zdjęcia.7z: brak uprawnień"),
                           // A control character would split the line or hide text.
                           QStringLiteral("Folder lub plik źródłowy dla a?b?c nie istnieje"),
                           QStringLiteral("\t/src/x?y: nie ma takiego pliku ani folderu"), QStringLiteral("\tdrugi powód")}));
    EXPECT_TRUE(r.ErrorsOccurred());
}

TEST(RunResultLog, TheRunsOwnEndings)
{
    RunResult cancelled = HandMade();
    cancelled.Entries.resize(1);
    cancelled.Cancelled = true;
    const QStringList lines = cancelled.LogLines();
    EXPECT_EQ(lines.last(), QStringLiteral("Przerwano archiwizację na żądanie użytkownika."));
    EXPECT_FALSE(cancelled.ErrorsOccurred()) << "a cancel is no error";

    RunResult empty;
    empty.ListEmpty = true;
    EXPECT_EQ(empty.LogLines(), QStringList({QStringLiteral("Lista plików jest pusta.")}));
    EXPECT_FALSE(empty.ErrorsOccurred());

    RunResult none;
    none.FolderName = QStringLiteral("Arch_20261211_0930");
    EXPECT_EQ(none.LogLines(),
              QStringList({QStringLiteral("Log dla: Arch_20261211_0930"), QStringLiteral("++++++++++++++++++++++++++++++++++")}));
}

TEST(RunResultLog, WhichCodesAreFailures)
{
    const std::pair<int, bool> codes[] = {
        {ResultArchived, false},          {ResultArchivedUnchanged, false}, {ResultCancelled, false},
        {ResultListEmpty, false},         {ResultDestinationMissing, true}, {ResultSourceMissing, true},
        {ResultPackFailed, true},         {ResultNameUsedInRun, true},      {ResultNoName, true},
        {ResultVerifyFailed, true},       {-4, true},                       {1, true},
    };
    for (const auto& [code, failed] : codes)
        EXPECT_EQ(IsFailureCode(code), failed) << code;
}

} // namespace
