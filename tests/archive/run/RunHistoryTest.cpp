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

}  // namespace
