// The run's summary and the history window on a real X server: after a run the summary's
// "Pokaż w historii" opens the history over the main window, Plik -> "Historia..." does too,
// and Escape closes it.

#include "RealDisplayFixture.h"

namespace {

using HistoryWindowOnX = RealDisplay;

const QSize HistorySize(560, 380);
// "Pokaż w historii" on the summary over the status panel, in the main window.
const QPoint SummaryHistoryLink(382, 273);
// "Historia..." in the "Plik" panel.
const QSize PlikPanelSize(124, 174);
const QPoint HistoriaItem(40, 135);

TEST_F(HistoryWindowOnX, TheSummaryAndTheMenuOpenTheHistoryAndEscapeClosesIt)
{
    ASSERT_NO_FATAL_FAILURE(StartProgramWith(1));
    ArchiveEverything();
    ASSERT_NO_FATAL_FAILURE(WaitForTheRunToEnd());
    EXPECT_EQ(LogLines(), QStringList{QStringLiteral("Zarchiwizowano A")});
    ASSERT_TRUE(QDir(programDir + QStringLiteral("Logi")).entryList({QStringLiteral("Log_*.txt")}, QDir::Files).size() == 1);

    ClickAt(main, SummaryHistoryLink);
    ASSERT_TRUE(WaitUntil([&] { return WindowOfSize(HistorySize).has_value(); }, ReactMs))
        << "the summary opened no history: " << Diagnosis();
    KeyAt(*WindowOfSize(HistorySize), QPoint(100, 100), QStringLiteral("Escape"));
    ASSERT_TRUE(WaitUntil([&] { return OnlyTheMainWindowShows(); }, ReactMs)) << "Escape did not close it: " << Diagnosis();

    ClickAt(main, MenuPlik);
    ASSERT_TRUE(WaitUntil([&] { return WindowOfSize(PlikPanelSize).has_value(); }, ReactMs)) << Diagnosis();
    ClickAt(*WindowOfSize(PlikPanelSize), HistoriaItem);
    ASSERT_TRUE(WaitUntil([&] { return WindowOfSize(HistorySize).has_value(); }, ReactMs))
        << "Historia... opened no history: " << Diagnosis();
    KeyAt(*WindowOfSize(HistorySize), QPoint(100, 100), QStringLiteral("Escape"));
    ASSERT_TRUE(WaitUntil([&] { return OnlyTheMainWindowShows(); }, ReactMs)) << Diagnosis();
    CloseAndExpectTheEnd();
}

} // namespace
