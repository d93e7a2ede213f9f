// The history window: opened from "Plik", runs newest first with how they started and their
// result, the chosen run's lines with the failures marked, and the folder of an entry of that run
// opened through the shell. A real run from the window is kept as started by hand.

#include "WindowsFixture.h"

#include "archive/run/RunHistory.h"
#include "ui/windows/HistoryWindow.h"

#include <QDir>
#include <QLabel>

namespace {

class HistoryWindowTest : public WindowsTest {
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        history = &mainWindow->History();
    }

    void TearDown() override
    {
        if (history->isVisible())
            history->done(0);
        WindowsTest::TearDown();
    }

    void Keep(const QString& stamp, const QStringList& lines, bool unattended)
    {
        ASSERT_EQ(SaveHistoryLog(lines, stamp, unattended, Path(QStringLiteral("Logi"))), NoError);
    }

    static QStringList Texts(const QListWidget* list)
    {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
        return texts;
    }

    static std::vector<bool> Marked(const QListWidget* list)
    {
        std::vector<bool> marked;
        for (int i = 0; i < list->count(); ++i)
            marked.push_back(list->item(i)->data(Qt::AccessibleDescriptionRole).toString() == QStringLiteral("błąd"));
        return marked;
    }

    // Opens the window from the "Plik" panel and runs the steps in it.
    void OpenFromMenu(std::function<void()> steps)
    {
        bool ran = false;
        WhenModalOpens([&] {
            ran = true;
            EXPECT_TRUE(history->isVisible());
            steps();
            if (history->isVisible())
                ClickAt(history, history->LZamknij->geometry().center());
        });
        ClickAt(mainWindow, mainWindow->LMenuPLik->geometry().center());
        ClickAt(menu, menu->LHistoria->mapTo(menu, menu->LHistoria->rect().center()));
        EXPECT_TRUE(ran);
        EXPECT_FALSE(history->isVisible());
    }

    HistoryWindow* history = nullptr;
};

TEST_F(HistoryWindowTest, RunsNewestFirstAndTheChosenRunsLinesWithFailuresMarked)
{
    const QString kopie = QDir(Path(QStringLiteral("kopie"))).absolutePath();
    QDir().mkpath(kopie + QStringLiteral("/Arch_20260302_0700"));
    SeedList({{QStringLiteral("Folder"), QStringLiteral("Listy"), Path(QStringLiteral("listy")), kopie},
              {QStringLiteral("Plik"), QStringLiteral("Zdjęcia"), Path(QStringLiteral("z.jpg")), kopie + QLatin1Char('/')}});
    Keep(QStringLiteral("20260301_1930"),
         {QStringLiteral("Log dla: Arch_20260301_1930"), QStringLiteral("++++++++++++++++++++++++++++++++++"),
          QStringLiteral("Zarchiwizowano Listy")},
         true);
    Keep(QStringLiteral("20260302_0700"),
         {QStringLiteral("Log dla: Arch_20260302_0700"), QStringLiteral("++++++++++++++++++++++++++++++++++"),
          QStringLiteral("Zarchiwizowano Listy"), QStringLiteral("Niezidentyfikowane problemy przy pakowaniu Zdjęcia"),
          QStringLiteral("\t/x/z.jpg: brak uprawnień")},
         false);

    OpenFromMenu([&] {
        EXPECT_EQ(Texts(history->LPrzebiegi),
                  (QStringList{QStringLiteral("2026-03-02  07:00   ręcznie   błędy: 1"),
                               QStringLiteral("2026-03-01  19:30   automatycznie   wszystko zarchiwizowane")}));
        EXPECT_EQ(history->LPrzebiegi->currentRow(), 0);
        EXPECT_EQ(Texts(history->LWiersze).size(), 5);
        EXPECT_EQ(Marked(history->LWiersze), (std::vector<bool>{false, false, false, true, true}));
        EXPECT_EQ(history->LWiersze->item(4)->text(), QStringLiteral("      /x/z.jpg: brak uprawnień"));

        // The failed entry's line (or its reason) chosen: its folder of that run opens.
        history->LWiersze->setCurrentRow(4);
        ClickAt(history, history->LOtworz->geometry().center());
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened.back(), QUrl::fromLocalFile(kopie + QStringLiteral("/Arch_20260302_0700")));

        // Another run chosen with the mouse: its lines; its dated folder is gone, so the
        // destination itself opens.
        ClickAt(history->LPrzebiegi->viewport(), history->LPrzebiegi->visualItemRect(history->LPrzebiegi->item(1)).center());
        EXPECT_EQ(history->LPrzebiegi->currentRow(), 1);
        EXPECT_EQ(Texts(history->LWiersze).last(), QStringLiteral("Zarchiwizowano Listy"));
        EXPECT_EQ(Marked(history->LWiersze), (std::vector<bool>{false, false, false}));
        ClickAt(history, history->LOtworz->geometry().center());
        ASSERT_EQ(opened.size(), 2u);
        EXPECT_EQ(opened.back(), QUrl::fromLocalFile(kopie));
    });
    EXPECT_TRUE(Messages().shown.empty());

    // Asked for one run, the window starts at it; Escape closes it.
    WhenModalOpens([&] {
        EXPECT_EQ(history->LPrzebiegi->currentRow(), 1);
        QTest::keyClick(history->LPrzebiegi, Qt::Key_Escape);
    });
    mainWindow->ShowHistory(QStringLiteral("Arch_20260301_1930"));
    EXPECT_FALSE(history->isVisible());
}

TEST_F(HistoryWindowTest, NoHistoryYetAndARunFromTheWindowIsKeptAsStartedByHand)
{
    OpenFromMenu([&] {
        EXPECT_EQ(history->LPrzebiegi->count(), 0);
        EXPECT_EQ(history->LOpis->text(), QStringLiteral("Nie ma jeszcze żadnej zapisanej archiwizacji."));
        ClickAt(history, history->LOtworz->geometry().center());
        ASSERT_EQ(Messages().shown.size(), 1u);
        EXPECT_TRUE(opened.empty());
    });
    Messages().shown.clear();

    const QString source = Path(QStringLiteral("notatka.txt"));
    QFile f(source);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("notatka\n");
    f.close();
    QDir().mkpath(Path(QStringLiteral("kopie")));
    SeedList({{QStringLiteral("Plik"), QStringLiteral("Notatka"), source, Path(QStringLiteral("kopie"))}});
    SelectRows({0});
    mainWindow->ArchiveSelected();
    mainWindow->WaitForRun();
    // The whole list was archived just now: the main window says so.
    EXPECT_TRUE(mainWindow->LOstatnia->text().startsWith(QStringLiteral("Ostatnia archiwizacja: dziś o ")));
    history->Fill(List().Entries());
    ASSERT_EQ(history->Runs.size(), 1u);
    EXPECT_TRUE(history->LPrzebiegi->item(0)->text().endsWith(QStringLiteral("   ręcznie   wszystko zarchiwizowane")));
    EXPECT_EQ(history->Runs[0].Lines, LogLinesOnDisk());
}

TEST_F(HistoryWindowTest, AfterARunTheWindowSumsItUpAndLeadsToItsLines)
{
    const QString source = Path(QStringLiteral("notatka.txt"));
    QFile f(source);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("notatka\n");
    f.close();
    const QString kopie = Path(QStringLiteral("kopie"));
    QDir().mkpath(kopie);
    SeedList({{QStringLiteral("Plik"), QStringLiteral("Notatka"), source, kopie},
              {QStringLiteral("Plik"), QStringLiteral("Zły"), source, Path(QStringLiteral("nie ma"))}});
    SelectRows({0, 1});
    mainWindow->ArchiveSelected();
    mainWindow->WaitForRun();
    ASSERT_TRUE(mainWindow->PPodsumowanie->isVisible());
    EXPECT_EQ(mainWindow->LPodsumowanie->text(),
              QStringLiteral("Zarchiwizowano: 1\nBez zmian: 0\nNie powiodło się: 1\nZły"));
    // The summary says it: no message waits for the user.
    EXPECT_TRUE(Messages().shown.empty());

    // Its button opens the history at this run.
    const QString folderName = mainWindow->LastRun().FolderName;
    WhenModalOpens([&] {
        ASSERT_EQ(history->LPrzebiegi->currentRow(), 0);
        EXPECT_EQ(history->Runs[0].FolderName, folderName);
        EXPECT_EQ(history->LWiersze->item(3)->text(), QStringLiteral("Folder docelowy dla Zły nie istnieje"));
        QTest::keyClick(history->LPrzebiegi, Qt::Key_Escape);
    });
    ClickAt(mainWindow, mainWindow->LHistoriaRunuZone->mapTo(mainWindow, mainWindow->LHistoriaRunuZone->rect().center()));
    EXPECT_FALSE(history->isVisible());

    // The next run hides it while it works.
    SelectRows({0});
    mainWindow->ArchiveSelected();
    EXPECT_FALSE(mainWindow->PPodsumowanie->isVisible());
    mainWindow->WaitForRun();
    EXPECT_TRUE(mainWindow->PPodsumowanie->isVisible());
    EXPECT_TRUE(mainWindow->LPodsumowanie->text().endsWith(QStringLiteral("\nNie powiodło się: 0"))) << mainWindow->LPodsumowanie->text().toStdString();
}

}  // namespace
