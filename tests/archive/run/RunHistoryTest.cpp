// A kept log read back for the history window: how the run started, how many entries failed,
// which lines belong to a failure; the window's list newest first.

#include "RunTestSupport.h"
#include "archive/run/RunHistory.h"

namespace {

class RunHistoryFolder : public ::testing::Test, protected TempTree {
protected:
    QString Keep(const QString& stamp, const QStringList& lines, bool unattended)
    {
        EXPECT_EQ(SaveHistoryLog(lines, stamp, unattended, Path(QStringLiteral("Logi"))), NoError);
        return Path(QStringLiteral("Logi/Log_") + stamp + QStringLiteral(".txt"));
    }
};

TEST_F(RunHistoryFolder, FailuresAndTheirReasonsAreMarkedAndCounted)
{
    const QStringList lines{QStringLiteral("Log dla: Arch_20260301_1930"),
                            QStringLiteral("++++++++++++++++++++++++++++++++++"),
                            QStringLiteral("\tUstawienia.ini: Zachowaj=abc nie jest liczbą; przyjęto 0"),
                            QStringLiteral("Zarchiwizowano Listy"),
                            QStringLiteral("\tpominięto zawartość podfolderów: 2"),
                            QStringLiteral("Folder docelowy dla Zdjęcia nie istnieje"),
                            QStringLiteral("Sprawdzenie archiwum Notatki nie powiodło się"),
                            QStringLiteral("\t/x/Notatki.7z: archiwum jest ucięte"),
                            QStringLiteral("Zarchiwizowano Umowy (bez zmian)"),
                            QStringLiteral("Usunięto stare archiwum /x/Arch_20250101_0000/Umowy.7z"),
                            QStringLiteral("Nie można usunąć starego archiwum /x/Arch_20240101_0000/Umowy.7z: brak uprawnień"),
                            QStringLiteral("Przerwano archiwizację na żądanie użytkownika.")};
    const HistoryRun run = ReadHistoryLog(Keep(QStringLiteral("20260301_1930"), lines, false));
    EXPECT_EQ(run.Lines, lines);
    EXPECT_TRUE(run.StartKnown);
    EXPECT_FALSE(run.Unattended);
    EXPECT_EQ(run.Failures, 2);
    EXPECT_EQ(run.FolderName, QStringLiteral("Arch_20260301_1930"));
    EXPECT_EQ(run.Time, QDateTime(QDate(2026, 3, 1), QTime(19, 30)));
    EXPECT_EQ(run.FailureLines, (std::vector<bool>{false, false, false, false, false, true, true, true, false, false, true, false}));
}

TEST_F(RunHistoryFolder, NewestFirstAndOnlyKeptLogsCount)
{
    Keep(QStringLiteral("20260301_1930"), {QStringLiteral("Lista plików jest pusta.")}, true);
    Keep(QStringLiteral("20260302_0700"), {QStringLiteral("Log dla: Arch_20260302_0700")}, false);
    MakeFile(QStringLiteral("Logi/Log_20261399_0000.txt"), "not a date");
    MakeFile(QStringLiteral("Logi/inny.txt"), "x");
    // A log kept before the history knew how runs start.
    MakeFile(QStringLiteral("Logi/Log_20250101_0000.txt"), "Log dla: Arch_20250101_0000\r\nFolder docelowy dla A nie istnieje\r\n");
    const std::vector<HistoryRun> runs = ReadHistory(Path(QStringLiteral("Logi")));
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].Time, QDateTime(QDate(2026, 3, 2), QTime(7, 0)));
    EXPECT_FALSE(runs[0].Unattended);
    EXPECT_TRUE(runs[1].Unattended);
    EXPECT_EQ(runs[1].Failures, 0);
    EXPECT_FALSE(runs[2].StartKnown);
    EXPECT_EQ(runs[2].Failures, 1);
    EXPECT_EQ(HistoryLogPathFor(QStringLiteral("Arch_20260302_0700"), Path(QStringLiteral("Logi"))), runs[0].Path);
}

TEST_F(RunHistoryFolder, TheLastFullArchivingAndWhenItTurnsToAWarning)
{
    const EntryVector entries{{QStringLiteral("Plik"), QStringLiteral("A"), QStringLiteral("/a"), QStringLiteral("/k")},
                              {QStringLiteral("Plik"), QStringLiteral("B"), QStringLiteral("/b"), QStringLiteral("/k")}};
    const QString head = QStringLiteral("Log dla: Arch_x");
    Keep(QStringLiteral("20260301_1930"), {head, QStringLiteral("Zarchiwizowano A"), QStringLiteral("Zarchiwizowano B (bez zmian)")}, true);
    // Newer, but not full: one entry only, one with a failure, one stopped.
    Keep(QStringLiteral("20260302_0700"), {head, QStringLiteral("Zarchiwizowano A")}, false);
    Keep(QStringLiteral("20260303_0700"), {head, QStringLiteral("Zarchiwizowano A"), QStringLiteral("Folder docelowy dla B nie istnieje")}, true);
    Keep(QStringLiteral("20260304_0700"),
         {head, QStringLiteral("Zarchiwizowano A"), QStringLiteral("Zarchiwizowano B"), QStringLiteral("Przerwano archiwizację na żądanie użytkownika.")},
         false);
    const std::vector<HistoryRun> runs = ReadHistory(Path(QStringLiteral("Logi")));
    const QDateTime full(QDate(2026, 3, 1), QTime(19, 30));
    EXPECT_EQ(LastFullRun(entries, runs), full);
    EXPECT_FALSE(LastFullRun({}, runs).isValid());
    EXPECT_FALSE(LastFullRun({{QStringLiteral("Plik"), QStringLiteral("C"), QStringLiteral("/c"), QStringLiteral("/k")}}, runs).isValid());

    struct Case {
        QDateTime now;
        int days;
        QString text;
        bool warning;
    } const cases[] = {
        {QDateTime(QDate(2026, 3, 1), QTime(22, 0)), 7, QStringLiteral("Ostatnia archiwizacja: dziś o 19:30"), false},
        {QDateTime(QDate(2026, 3, 2), QTime(8, 0)), 7, QStringLiteral("Ostatnia archiwizacja: wczoraj o 19:30"), false},
        {QDateTime(QDate(2026, 3, 8), QTime(19, 30)), 7, QStringLiteral("Ostatnia archiwizacja: 2026-03-01 o 19:30"), false},
        {QDateTime(QDate(2026, 3, 8), QTime(19, 31)), 7,
         QStringLiteral("Uwaga: ostatnia pełna archiwizacja 2026-03-01 o 19:30 (dni temu: 7)"), true},
        {QDateTime(QDate(2026, 3, 2), QTime(20, 0)), 0, QStringLiteral("Uwaga: ostatnia pełna archiwizacja wczoraj o 19:30 (dni temu: 1)"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        bool warning = !c.warning;
        EXPECT_EQ(LastFullRunText(full, c.now, c.days, warning), c.text);
        EXPECT_EQ(warning, c.warning);
    }
    bool warning = false;
    EXPECT_EQ(LastFullRunText(QDateTime(), full, 7, warning), QStringLiteral("Uwaga: lista nie była jeszcze zarchiwizowana w całości"));
    EXPECT_TRUE(warning);
}

}  // namespace
