// The restore window: opened from "Plik" and by Alt+R with exactly one line selected, never
// during a run; its list of the entry's archives; restoring to the original place and to a
// chosen folder; the question before an existing file is replaced; Escape; the summary.
// The archives are made by the real 7z command in a temporary tree.

#include "WindowsFixture.h"

#include "core/Messages.h"
#include "ui/skin/CylinderBar.h"
#include "ui/windows/RestoreDialogs.h"
#include "ui/windows/RestoreWindow.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>

namespace {

const QString Older = QStringLiteral("Arch_20261201_1000");
const QString Newer = QStringLiteral("Arch_20261205_0930");

class RestoreWindowTest : public WindowsTest {
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        QDir root(dir->path());
        ASSERT_TRUE(root.mkpath(QStringLiteral("zrodlo/dane/pod")));
        ASSERT_TRUE(root.mkpath(QStringLiteral("kopie")));
        // The older archive: a.txt and pod/b.txt; the newer one adds c.txt and changes a.txt.
        Write(QStringLiteral("zrodlo/dane/a.txt"), "pierwsza wersja");
        Write(QStringLiteral("zrodlo/dane/pod/b.txt"), "bee");
        Pack(Older);
        Write(QStringLiteral("zrodlo/dane/a.txt"), "druga wersja");
        Write(QStringLiteral("zrodlo/dane/c.txt"), QByteArray(5000, 'c'));
        Pack(Newer);
        entries = {
            {QStringLiteral("Folder"), QStringLiteral("Dane"), Path(QStringLiteral("zrodlo/dane")), Path(QStringLiteral("kopie"))},
            {QStringLiteral("Plik"), QStringLiteral("Inny"), Path(QStringLiteral("zrodlo/inny.txt")), Path(QStringLiteral("kopie"))},
        };
        SeedList(entries);
    }

    void TearDown() override
    {
        answering.reset();
        restoreWindow->Podsumowanie->hide();
        Messages().onShow = nullptr;
        if (restoreWindow->isVisible())
            restoreWindow->done(0);
        WindowsTest::TearDown();
    }

    void Write(const QString& name, const QByteArray& bytes)
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    QByteArray Read(const QString& name) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<brak>");
    }

    // Packs zrodlo/dane as the program stores a folder entry: under the folder's own name.
    void Pack(const QString& datedFolder)
    {
        ASSERT_TRUE(QDir(dir->path()).mkpath(QStringLiteral("kopie/") + datedFolder));
        QProcess sevenZip;
        sevenZip.setWorkingDirectory(Path(QStringLiteral("zrodlo")));
        sevenZip.start(QStringLiteral("7z"), {QStringLiteral("a"), QStringLiteral("-t7z"), QStringLiteral("-bd"),
                                               Path(QStringLiteral("kopie/") + datedFolder + QStringLiteral("/Dane.7z")),
                                               QStringLiteral("dane")});
        ASSERT_TRUE(sevenZip.waitForFinished(60000));
        ASSERT_EQ(sevenZip.exitCode(), 0) << sevenZip.readAllStandardOutput().toStdString();
    }

    // Opens the window for the first line with Alt+R and runs the steps inside it; the window
    // is closed afterwards if the steps left it open.
    void WithWindowOpen(std::function<void()> steps)
    {
        SelectRows({0});
        bool ran = false;
        WhenModalOpens([&] {
            ran = true;
            EXPECT_TRUE(restoreWindow->isVisible());
            steps();
            if (restoreWindow->isVisible())
                ClickAt(restoreWindow, restoreWindow->LZamknij->geometry().center());
        });
        QTest::keyClick(mainWindow->Lista, Qt::Key_R, Qt::AltModifier);
        EXPECT_TRUE(ran);
        EXPECT_FALSE(restoreWindow->isVisible());
    }

    // Clicks Przywróć and waits for the restore, which works on its own thread, to end.
    void ClickRestore()
    {
        ClickAt(restoreWindow, restoreWindow->LPrzywroc->geometry().center());
        restoreWindow->WaitForRestore();
    }

    QStringList Lines() const
    {
        QStringList lines;
        for (int i = 0; i < restoreWindow->LArchiwa->count(); ++i)
            lines << restoreWindow->LArchiwa->item(i)->text();
        return lines;
    }

    using Reply = QPushButton* ReplaceQuestion::*;

    // Answers each question before a replace with the next of the buttons (the last one again
    // when they run out), clicked on the real dialog; the questions are kept in asked, and
    // onQuestion runs before each answer.
    void AnswerReplaceQuestions(std::vector<Reply> buttons, std::function<void()> onQuestion = {})
    {
        replies = std::move(buttons);
        asked.clear();
        answering = std::make_unique<QTimer>();
        answering->setInterval(2);
        QObject::connect(answering.get(), &QTimer::timeout, [this, onQuestion] {
            ReplaceQuestion* question = restoreWindow->Pytanie;
            if (!question->isVisible() || replies.empty())
                return;
            asked.push_back(question->LPytanie->text());
            if (onQuestion)
                onQuestion();
            const Reply reply = replies.front();
            if (replies.size() > 1)
                replies.erase(replies.begin());
            QTest::mouseClick(question->*reply, Qt::LeftButton);
        });
        answering->start();
    }

    std::unique_ptr<QTimer> answering;
    std::vector<Reply> replies;
    std::vector<QString> asked;

    std::vector<QString> Texts() const
    {
        std::vector<QString> texts;
        for (const ShownMessage& m : Messages().shown)
            texts.push_back(m.text);
        return texts;
    }

    std::vector<Entry> entries;
};

TEST_F(RestoreWindowTest, AltROpensTheWindowOnlyWithExactlyOneLineAndNotDuringARun)
{
    struct Case {
        const char* name;
        std::vector<int> rows;
        bool archiving;
        bool opens;
    } const cases[] = {
        {"no line", {}, false, false},
        {"one line", {0}, false, true},
        {"two lines", {0, 1}, false, false},
        {"one line during a run", {0}, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SelectRows(c.rows);
        mainWindow->SimulateArchiving(c.archiving);
        bool opened = false;
        WhenModalOpens([&] {
            opened = restoreWindow->isVisible();
            if (opened)
                restoreWindow->LZamknijClick();
        });
        QTest::keyClick(mainWindow->Lista, Qt::Key_R, Qt::AltModifier);
        QCoreApplication::processEvents();
        mainWindow->SimulateArchiving(false);
        EXPECT_EQ(opened, c.opens);
        EXPECT_FALSE(restoreWindow->isVisible());
        EXPECT_TRUE(Messages().shown.empty());  // a refused key is dropped without a word
        EXPECT_EQ(ListOnDisk(), entries);
    }
}

TEST_F(RestoreWindowTest, PlikItemIsGreyedUnlessOneLineIsSelectedAndOpensTheWindow)
{
    for (const auto& [rows, enabled] : {std::pair{std::vector<int>{}, false}, std::pair{std::vector<int>{1, 0}, false},
                                        std::pair{std::vector<int>{0}, true}}) {
        SelectRows(rows);
        ClickAt(mainWindow, mainWindow->LMenuPLik->geometry().center());
        ASSERT_TRUE(menu->isVisible());
        EXPECT_EQ(menu->LPrzywroc->isEnabled(), enabled) << rows.size();
        EXPECT_TRUE(menu->LUstawienia->isEnabled());
        menu->hide();
    }
    SelectRows({0});
    ClickAt(mainWindow, mainWindow->LMenuPLik->geometry().center());
    QString shownEntry;
    WhenModalOpens([&] {
        shownEntry = restoreWindow->isVisible() ? restoreWindow->LWpis->text() : QString();
        restoreWindow->LZamknijClick();
    });
    ClickAt(menu, menu->LPrzywroc->mapTo(menu, menu->LPrzywroc->rect().center()));
    EXPECT_EQ(shownEntry, QStringLiteral("Dane"));
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(RestoreWindowTest, ListsTheArchivesNewestFirstWithTimeSizeAndItemCount)
{
    // A damaged third archive is listed, and says it cannot be read.
    ASSERT_TRUE(QDir(dir->path()).mkpath(QStringLiteral("kopie/Arch_20261130_0800")));
    Write(QStringLiteral("kopie/Arch_20261130_0800/Dane.7z"), "to nie jest archiwum");
    const auto size = [&](const QString& folder) {
        return Msg::ByteSize(quint64(QFileInfo(Path(QStringLiteral("kopie/") + folder + QStringLiteral("/Dane.7z"))).size()));
    };
    WithWindowOpen([&] {
        EXPECT_EQ(Lines(), (QStringList{QStringLiteral("2026-12-05  09:30    ") + size(Newer) + QStringLiteral("    5 elementów"),
                                        QStringLiteral("2026-12-01  10:00    ") + size(Older) + QStringLiteral("    4 elementy"),
                                        QStringLiteral("2026-11-30  08:00    nie można odczytać")}));
        EXPECT_EQ(restoreWindow->LArchiwa->currentRow(), 0);
        EXPECT_EQ(restoreWindow->LWpis->text(), QStringLiteral("Dane"));
        EXPECT_TRUE(restoreWindow->RMiejsce->isChecked());
        EXPECT_EQ(restoreWindow->TargetFolder(), Path(QStringLiteral("zrodlo")));
    });
}

TEST_F(RestoreWindowTest, AnEntryWithoutArchivesSaysSoAndOpensNothing)
{
    SelectRows({1});
    bool opened = false;
    WhenModalOpens([&] { opened = restoreWindow->isVisible(); });
    QTest::keyClick(mainWindow->Lista, Qt::Key_R, Qt::AltModifier);
    EXPECT_FALSE(opened);
    EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral("Wpis \"Inny\" nie ma jeszcze żadnego archiwum.")});
}

TEST_F(RestoreWindowTest, RestoresTheChosenArchiveToTheOriginalPlace)
{
    ASSERT_TRUE(QDir(Path(QStringLiteral("zrodlo/dane"))).removeRecursively());
    WithWindowOpen([&] {
        restoreWindow->LArchiwa->setCurrentRow(1);  // the older one
        ClickRestore();
        EXPECT_TRUE(restoreWindow->isVisible());  // the window stays for another restore
        EXPECT_EQ(restoreWindow->Progress->Position(), 100);
        EXPECT_EQ(restoreWindow->ProgresEtap->Position(), 100);
    });
    EXPECT_EQ(Read(QStringLiteral("zrodlo/dane/a.txt")), "pierwsza wersja");
    EXPECT_EQ(Read(QStringLiteral("zrodlo/dane/pod/b.txt")), "bee");
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("zrodlo/dane/c.txt"))));
    ASSERT_EQ(Messages().shown.size(), 1u);
    EXPECT_EQ(Messages().shown[0],
              (ShownMessage{ButtonsClose, IconInfo, QStringLiteral("Przywrócono 4 z 4 elementów do ") + Path(QStringLiteral("zrodlo")) + QStringLiteral(".")}));
}

TEST_F(RestoreWindowTest, RestoresToAFolderChosenWithThePicker)
{
    const QString target = Path(QStringLiteral("odtworzone"));
    WithWindowOpen([&] {
        folderAnswers.push_back(QString());  // first cancelled: the original place stays
        ClickAt(restoreWindow, restoreWindow->RFolder->geometry().center());
        EXPECT_TRUE(restoreWindow->RMiejsce->isChecked());
        EXPECT_EQ(restoreWindow->TargetFolder(), Path(QStringLiteral("zrodlo")));
        folderAnswers.push_back(target);
        ClickAt(restoreWindow, restoreWindow->RFolder->geometry().center());
        EXPECT_TRUE(restoreWindow->RFolder->isChecked());
        EXPECT_EQ(restoreWindow->TargetFolder(), target);
        EXPECT_EQ(restoreWindow->LCel->toolTip(), target);
        ClickRestore();
    });
    ASSERT_EQ(folderRequests.size(), 2u);
    EXPECT_EQ(folderRequests[0].StartFolder, Path(QStringLiteral("zrodlo")));
    EXPECT_EQ(Read(QStringLiteral("odtworzone/dane/a.txt")), "druga wersja");
    EXPECT_EQ(Read(QStringLiteral("odtworzone/dane/c.txt")), QByteArray(5000, 'c'));
    EXPECT_EQ(Read(QStringLiteral("odtworzone/dane/pod/b.txt")), "bee");
    EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral("Przywrócono 5 z 5 elementów do ") + target + QStringLiteral(".")});
}

TEST_F(RestoreWindowTest, AsksBeforeReplacingAnExistingFile)
{
    struct Case {
        const char* name;
        Reply answer;
        bool existingNewer;
        QByteArray expectedA;
        bool restAfterA;  // the items after a.txt came back
        QString summaryEnd;
        QStringList notRestored;
    } const cases[] = {
        {"Tak", &ReplaceQuestion::BTak, false, "pierwsza wersja", true, QString(), {}},
        {"Nie", &ReplaceQuestion::BNie, false, "moja zmiana", true, QStringLiteral("\rPominięto istniejące: 1."),
         {QStringLiteral("pominięto, plik już istnieje: dane/a.txt")}},
        {"Anuluj", &ReplaceQuestion::BAnuluj, false, "moja zmiana", false, QStringLiteral("\rPrzywracanie przerwano."), {}},
        {"Nie, istniejący nowszy", &ReplaceQuestion::BNie, true, "moja zmiana", true,
         QStringLiteral("\rPominięto istniejące: 1."), {QStringLiteral("pominięto, plik już istnieje: dane/a.txt")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(QDir(Path(QStringLiteral("zrodlo/dane"))).removeRecursively());
        ASSERT_TRUE(QDir(dir->path()).mkpath(QStringLiteral("zrodlo/dane")));
        Write(QStringLiteral("zrodlo/dane/a.txt"), "moja zmiana");
        QFile a(Path(QStringLiteral("zrodlo/dane/a.txt")));
        ASSERT_TRUE(a.open(QIODevice::ReadWrite));
        const QDateTime when = c.existingNewer ? QDateTime::currentDateTime().addDays(1) : QDateTime(QDate(2000, 1, 1), QTime(12, 0));
        ASSERT_TRUE(a.setFileTime(when, QFileDevice::FileModificationTime));
        a.close();
        Messages().shown.clear();
        AnswerReplaceQuestions({c.answer});

        WithWindowOpen([&] {
            restoreWindow->LArchiwa->setCurrentRow(1);  // a.txt, then pod, pod/b.txt
            ClickRestore();
            // What was not restored is listed in a window of its own, beside this one.
            EXPECT_EQ(restoreWindow->Podsumowanie->isVisible(), !c.notRestored.isEmpty());
        });
        QString question = QStringLiteral("Plik dane/a.txt istnieje. Zastąpić?");
        if (c.existingNewer)
            question += QStringLiteral("\nIstniejący plik jest nowszy niż ten w archiwum.");
        EXPECT_EQ(asked, std::vector<QString>{question});
        EXPECT_EQ(Read(QStringLiteral("zrodlo/dane/a.txt")), c.expectedA);
        EXPECT_EQ(QFile::exists(Path(QStringLiteral("zrodlo/dane/pod/b.txt"))), c.restAfterA);
        EXPECT_TRUE(restoreWindow->LastSummary.endsWith(c.summaryEnd)) << restoreWindow->LastSummary.toStdString();
        EXPECT_EQ(restoreWindow->LastNotRestored, c.notRestored);
        if (c.notRestored.isEmpty()) {
            ASSERT_EQ(Messages().shown.size(), 1u);
            EXPECT_EQ(Messages().shown[0].text, restoreWindow->LastSummary);
            EXPECT_EQ(Messages().shown[0].icon, c.answer == &ReplaceQuestion::BAnuluj ? IconWarning : IconInfo);
        } else {
            EXPECT_TRUE(Messages().shown.empty());
            EXPECT_EQ(restoreWindow->Podsumowanie->LNiePrzywrocone->toPlainText(), c.notRestored.join(QLatin1Char('\n')));
            EXPECT_TRUE(restoreWindow->Podsumowanie->LPodsumowanie->text().startsWith(QStringLiteral("Przywrócono 2 z 4 ")))
                << restoreWindow->Podsumowanie->LPodsumowanie->text().toStdString();
        }
    }
}

// An answer for all: asked once, then every other existing file is treated the same; the
// summary counts only the files written and lists every one kept, in a box that scrolls.
TEST_F(RestoreWindowTest, AnAnswerForAllIsAskedOnceAndTheSummaryListsWhatWasKept)
{
    ASSERT_TRUE(QDir(dir->path()).mkpath(QStringLiteral("zrodlo/dane/wiele")));
    const auto name = [](int i) { return QStringLiteral("wiele/p%1.txt").arg(i, 2, 10, QLatin1Char('0')); };
    for (int i = 0; i < 40; ++i)
        Write(QStringLiteral("zrodlo/dane/") + name(i), QByteArray(100 + i, 'n'));
    ASSERT_TRUE(QDir(Path(QStringLiteral("kopie/") + Newer)).removeRecursively());
    Pack(Newer);
    for (int i = 0; i < 40; ++i)
        Write(QStringLiteral("zrodlo/dane/") + name(i), "stary");
    struct Case {
        const char* name;
        Reply answer;
        QByteArray expected;
        int listed;
    } const cases[] = {
        {"Tak dla wszystkich", &ReplaceQuestion::BTakWszystkie, QByteArray(100 + 7, 'n'), 0},
        {"Nie dla wszystkich", &ReplaceQuestion::BNieWszystkie, "stary", 43},  // with a.txt, c.txt, pod/b.txt
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < 40; ++i)
            Write(QStringLiteral("zrodlo/dane/") + name(i), "stary");
        Messages().shown.clear();
        AnswerReplaceQuestions({c.answer, &ReplaceQuestion::BAnuluj});
        WithWindowOpen([&] {
            ClickRestore();
            if (c.listed > 0) {
                QPlainTextEdit* list = restoreWindow->Podsumowanie->LNiePrzywrocone;
                EXPECT_TRUE(list->isVisible());
                EXPECT_GT(list->verticalScrollBar()->maximum(), 0);
            }
        });
        EXPECT_EQ(asked.size(), 1u);
        EXPECT_EQ(Read(QStringLiteral("zrodlo/dane/") + name(7)), c.expected);
        EXPECT_EQ(restoreWindow->LastNotRestored.size(), c.listed);
        // Folders that were there already are not counted as restored.
        // 46 items: the folders dane, pod and wiele, and 43 files.
        EXPECT_TRUE(restoreWindow->LastSummary.startsWith(QStringLiteral("Przywrócono %1 z 46 ").arg(43 - c.listed)))
            << restoreWindow->LastSummary.toStdString();
    }
}

TEST_F(RestoreWindowTest, EscapeAsksToStopAndWhatCameBackStays)
{
    ASSERT_TRUE(QDir(dir->path()).mkpath(QStringLiteral("zrodlo/dane/wiele")));
    const auto name = [](int i) { return QStringLiteral("wiele/p%1.txt").arg(i, 2, 10, QLatin1Char('0')); };
    for (int i = 0; i < 60; ++i)
        Write(QStringLiteral("zrodlo/dane/") + name(i), QByteArray(1000 + i, 'x'));
    ASSERT_TRUE(QDir(Path(QStringLiteral("kopie/") + Newer)).removeRecursively());
    Pack(Newer);
    // Two files lie in the target already: their questions are where the library waits, so
    // an Escape pressed while one is open is heard before the library goes on.
    const QString target = Path(QStringLiteral("cel"));
    ASSERT_TRUE(QDir(dir->path()).mkpath(QStringLiteral("cel/dane/wiele")));
    Write(QStringLiteral("cel/dane/") + name(20), "stary");
    Write(QStringLiteral("cel/dane/") + name(40), "stary");

    // At each question Escape is pressed and the file replaced; the first stop question is
    // answered Nie (the restore goes on), the second Tak.
    int overwriteQuestions = 0;
    AnswerReplaceQuestions({&ReplaceQuestion::BTak}, [&] {
        ++overwriteQuestions;
        QCoreApplication::postEvent(restoreWindow->LArchiwa, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        Messages().answers = {overwriteQuestions == 1 ? AnswerNo : AnswerYes};
    });
    WithWindowOpen([&] {
        folderAnswers.push_back(target);
        ClickAt(restoreWindow, restoreWindow->RFolder->geometry().center());
        ClickRestore();
        // Escape after the restore closes the window.
        QTest::keyClick(restoreWindow->LArchiwa, Qt::Key_Escape);
        EXPECT_FALSE(restoreWindow->isVisible());
    });
    const ShownMessage stop{ButtonsYesNoCancel, IconInfo, Msg::RestoreConfirmStop()};
    EXPECT_EQ(overwriteQuestions, 2);
    ASSERT_EQ(Messages().shown.size(), 3u);
    EXPECT_EQ(Messages().shown[0], stop);
    EXPECT_EQ(Messages().shown[1], stop);
    const QString summary = Messages().shown[2].text;
    EXPECT_TRUE(summary.endsWith(QStringLiteral("\rPrzywracanie przerwano."))) << summary.toStdString();
    EXPECT_EQ(Messages().shown[2].icon, IconWarning);
    // Up to the second question everything came back and stays; from it on nothing.
    for (int i = 0; i < 60; ++i) {
        const QString file = QStringLiteral("cel/dane/") + name(i);
        if (i < 40)
            EXPECT_EQ(Read(file), QByteArray(1000 + i, 'x')) << i;
        else if (i == 40)
            EXPECT_EQ(Read(file), "stary");
        else
            EXPECT_FALSE(QFile::exists(Path(file))) << i;
    }
}

// The program's own archives: a file entry and a folder entry archived from the main window,
// their sources lost, and both brought back to where they were.
TEST_F(RestoreWindowTest, BringsBackWhatTheProgramArchivedToWhereItWas)
{
    ASSERT_TRUE(QDir(dir->path()).mkpath(QStringLiteral("wlasne/Zdjecia")));
    ASSERT_TRUE(QDir(dir->path()).mkpath(QStringLiteral("wlasne/kopie")));
    Write(QStringLiteral("wlasne/budżet.ods"), QByteArray(70000, 'b'));
    Write(QStringLiteral("wlasne/Zdjecia/opis.txt"), "opis");
    const QString kopie = Path(QStringLiteral("wlasne/kopie"));
    SeedList({{QStringLiteral("Plik"), QStringLiteral("Budżet"), Path(QStringLiteral("wlasne/budżet.ods")), kopie},
              {QStringLiteral("Folder"), QStringLiteral("Zdjęcia"), Path(QStringLiteral("wlasne/Zdjecia")), kopie}});
    SelectRows({0, 1});
    ClickAt(mainWindow, mainWindow->LArchiwum->geometry().center());
    mainWindow->WaitForRun();
    ASSERT_FALSE(mainWindow->Archiving());
    ASSERT_TRUE(QFile::remove(Path(QStringLiteral("wlasne/budżet.ods"))));
    ASSERT_TRUE(QFile::remove(Path(QStringLiteral("wlasne/Zdjecia/opis.txt"))));
    Messages().shown.clear();

    for (const int row : {0, 1}) {
        SelectRows({row});
        WhenModalOpens([&] {
            EXPECT_EQ(restoreWindow->LArchiwa->count(), 1);
            ClickRestore();
            restoreWindow->LZamknijClick();
        });
        QTest::keyClick(mainWindow->Lista, Qt::Key_R, Qt::AltModifier);
    }
    EXPECT_EQ(Read(QStringLiteral("wlasne/budżet.ods")), QByteArray(70000, 'b'));
    EXPECT_EQ(Read(QStringLiteral("wlasne/Zdjecia/opis.txt")), "opis");
    ASSERT_EQ(Messages().shown.size(), 2u);
    EXPECT_EQ(Messages().shown[0],
              (ShownMessage{ButtonsClose, IconInfo,
                            QStringLiteral("Przywrócono 1 z 1 elementu do ") + Path(QStringLiteral("wlasne")) + QStringLiteral(".")}));
    EXPECT_TRUE(Messages().shown[1].text.startsWith(QStringLiteral("Przywrócono "))) << Messages().shown[1].text.toStdString();
    EXPECT_EQ(Messages().shown[1].icon, IconInfo);
}

TEST_F(RestoreWindowTest, AnArchiveThatCannotBeReadIsSaidAndNothingIsWritten)
{
    ASSERT_TRUE(QDir(dir->path()).mkpath(QStringLiteral("kopie/Arch_20261130_0800")));
    Write(QStringLiteral("kopie/Arch_20261130_0800/Dane.7z"), "to nie jest archiwum");
    ASSERT_TRUE(QDir(Path(QStringLiteral("zrodlo/dane"))).removeRecursively());
    WithWindowOpen([&] {
        restoreWindow->LArchiwa->setCurrentRow(2);
        ClickRestore();
        EXPECT_TRUE(restoreWindow->isVisible());
    });
    EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral("Nie można odczytać archiwum ") +
                                            Path(QStringLiteral("kopie/Arch_20261130_0800/Dane.7z")) + QStringLiteral(".")});
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("zrodlo/dane"))));
}

// The chosen archive's contents as a tree: everything checked at first, a folder checks its
// subtree, and only what is checked comes back.
TEST_F(RestoreWindowTest, TheTreeRestoresOnlyWhatIsChecked)
{
    const QString target = Path(QStringLiteral("wybrane"));
    WithWindowOpen([&] {
        QTreeWidget* tree = restoreWindow->TElementy;
        ASSERT_EQ(tree->topLevelItemCount(), 1);
        QTreeWidgetItem* dane = tree->topLevelItem(0);
        EXPECT_EQ(dane->text(0), QStringLiteral("dane"));
        QStringList names;
        for (int i = 0; i < dane->childCount(); ++i)
            names << dane->child(i)->text(0);
        EXPECT_EQ(names, (QStringList{QStringLiteral("a.txt"), QStringLiteral("c.txt"), QStringLiteral("pod")}));
        EXPECT_EQ(restoreWindow->CheckedPaths(),
                  (QStringList{QStringLiteral("dane"), QStringLiteral("dane/a.txt"), QStringLiteral("dane/c.txt"),
                               QStringLiteral("dane/pod"), QStringLiteral("dane/pod/b.txt")}));

        // Space on a folder unchecks it with everything under it.
        QTreeWidgetItem* pod = restoreWindow->TreeItem(QStringLiteral("dane/pod"));
        ASSERT_NE(pod, nullptr);
        tree->setFocus();
        tree->setCurrentItem(pod);
        QTest::keyClick(tree, Qt::Key_Space);
        EXPECT_EQ(restoreWindow->TreeItem(QStringLiteral("dane/pod/b.txt"))->checkState(0), Qt::Unchecked);
        EXPECT_EQ(dane->checkState(0), Qt::PartiallyChecked);
        EXPECT_EQ(restoreWindow->CheckedPaths(), (QStringList{QStringLiteral("dane/a.txt"), QStringLiteral("dane/c.txt")}));

        folderAnswers.push_back(target);
        ClickAt(restoreWindow, restoreWindow->RFolder->geometry().center());
        ClickRestore();

        // Nothing checked: nothing to restore.
        tree->setCurrentItem(dane);
        QTest::keyClick(tree, Qt::Key_Space);  // partly checked -> checked
        QTest::keyClick(tree, Qt::Key_Space);  // -> unchecked
        EXPECT_TRUE(restoreWindow->CheckedPaths().isEmpty());
        ClickRestore();
    });
    EXPECT_EQ(Read(QStringLiteral("wybrane/dane/a.txt")), "druga wersja");
    EXPECT_EQ(Read(QStringLiteral("wybrane/dane/c.txt")), QByteArray(5000, 'c'));
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("wybrane/dane/pod"))));
    EXPECT_EQ(Texts(), (std::vector<QString>{QStringLiteral("Przywrócono 3 z 3 elementów do ") + target + QStringLiteral("."),
                                             QStringLiteral("Zaznacz w archiwum to, co przywrócić.")}));
}

// The search field filters the tree by name, keeping the folders on the way; choosing a file
// lists the archives that hold it with its size and time in each, and choosing one of those
// brings that archive up, so the version from before a change can be restored alone.
TEST_F(RestoreWindowTest, SearchAndTheVersionsOfAFile)
{
    const QString target = Path(QStringLiteral("wersja"));
    WithWindowOpen([&] {
        QTreeWidget* tree = restoreWindow->TElementy;
        restoreWindow->ESzukaj->setFocus();
        QTest::keyClicks(restoreWindow->ESzukaj, QStringLiteral("B.T"));
        QStringList shown;
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            if (!(*it)->isHidden())
                shown << (*it)->data(0, Qt::UserRole).toString();
        EXPECT_EQ(shown, (QStringList{QStringLiteral("dane"), QStringLiteral("dane/pod"), QStringLiteral("dane/pod/b.txt")}));
        // Enter in the field starts nothing.
        QTest::keyClick(restoreWindow->ESzukaj, Qt::Key_Return);
        EXPECT_FALSE(restoreWindow->Restoring());
        restoreWindow->ESzukaj->clear();
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            EXPECT_FALSE((*it)->isHidden());

        tree->setCurrentItem(restoreWindow->TreeItem(QStringLiteral("dane/a.txt")));
        QListWidget* versions = restoreWindow->LWersje;
        ASSERT_EQ(versions->count(), 2);
        EXPECT_TRUE(versions->item(0)->text().startsWith(QStringLiteral("2026-12-05 09:30    12 B    "))) << versions->item(0)->text().toStdString();
        EXPECT_TRUE(versions->item(1)->text().startsWith(QStringLiteral("2026-12-01 10:00    15 B    "))) << versions->item(1)->text().toStdString();
        // c.txt is only in the newer one; a folder has no versions.
        tree->setCurrentItem(restoreWindow->TreeItem(QStringLiteral("dane/c.txt")));
        EXPECT_EQ(versions->count(), 1);
        tree->setCurrentItem(restoreWindow->TreeItem(QStringLiteral("dane/pod")));
        EXPECT_EQ(versions->count(), 0);

        tree->setCurrentItem(restoreWindow->TreeItem(QStringLiteral("dane/a.txt")));
        versions->setCurrentRow(1);
        versions->setFocus();
        QTest::keyClick(versions, Qt::Key_Return);
        EXPECT_EQ(restoreWindow->LArchiwa->currentRow(), 1);
        EXPECT_EQ(tree->currentItem()->data(0, Qt::UserRole).toString(), QStringLiteral("dane/a.txt"));
        // Only that file: the folder off, the file on.
        QTreeWidgetItem* dane = tree->topLevelItem(0);
        dane->setCheckState(0, Qt::Unchecked);
        tree->currentItem()->setCheckState(0, Qt::Checked);
        folderAnswers.push_back(target);
        ClickAt(restoreWindow, restoreWindow->RFolder->geometry().center());
        ClickRestore();
    });
    EXPECT_EQ(Read(QStringLiteral("wersja/dane/a.txt")), "pierwsza wersja");
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("wersja/dane/pod"))));
}

// An archive "/verify" would call damaged (bytes after its end) is restored and said to be so;
// an archive without items makes nothing.
TEST_F(RestoreWindowTest, ADamagedArchiveIsSaidAndAnEmptyOneMakesNothing)
{
    const QString newest = Path(QStringLiteral("kopie/") + Newer + QStringLiteral("/Dane.7z"));
    QFile archive(newest);
    ASSERT_TRUE(archive.open(QIODevice::Append));
    archive.write("obce");
    archive.close();
    const QString target = Path(QStringLiteral("uszkodzone"));
    WithWindowOpen([&] {
        folderAnswers.push_back(target);
        ClickAt(restoreWindow, restoreWindow->RFolder->geometry().center());
        ClickRestore();
    });
    EXPECT_EQ(Read(QStringLiteral("uszkodzone/dane/a.txt")), "druga wersja");
    ASSERT_EQ(Messages().shown.size(), 1u);
    EXPECT_TRUE(Messages().shown[0].text.endsWith(QStringLiteral("\rNie można przywrócić z archiwum ") + newest +
                                                  QStringLiteral(": obce dane za końcem archiwum.")))
        << Messages().shown[0].text.toStdString();
    EXPECT_EQ(Messages().shown[0].icon, IconWarning);

    // The signature header of an archive with nothing after it.
    QByteArray header(20, '\0');
    QByteArray empty("7z\xBC\xAF\x27\x1C\x00\x04", 8);
    const quint32 crc = [&] {
        quint32 c = 0xFFFFFFFFu;
        for (const char b : header) {
            c ^= quint8(b);
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return ~c;
    }();
    for (int i = 0; i < 4; ++i)
        empty.append(char(crc >> (8 * i)));
    empty.append(header);
    ASSERT_TRUE(QFile::remove(newest));
    Write(QStringLiteral("kopie/") + Newer + QStringLiteral("/Dane.7z"), empty);
    const QString nothing = Path(QStringLiteral("nic"));
    Messages().shown.clear();
    WithWindowOpen([&] {
        EXPECT_EQ(restoreWindow->TElementy->topLevelItemCount(), 0);
        folderAnswers.push_back(nothing);
        ClickAt(restoreWindow, restoreWindow->RFolder->geometry().center());
        ClickRestore();
    });
    EXPECT_FALSE(QFileInfo::exists(nothing));
    EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral("Przywrócono 0 z 0 elementów do ") + nothing + QStringLiteral(".")});
}

TEST_F(RestoreWindowTest, CloseZoneAndEscapeCloseTheWindowWithoutRestoring)
{
    for (const bool byKey : {false, true}) {
        WithWindowOpen([&] {
            if (byKey)
                QTest::keyClick(restoreWindow->LArchiwa, Qt::Key_Escape);
            else
                ClickAt(restoreWindow, restoreWindow->LClose->geometry().center());
            EXPECT_FALSE(restoreWindow->isVisible());
        });
    }
    EXPECT_TRUE(Messages().shown.empty());
    EXPECT_EQ(Read(QStringLiteral("zrodlo/dane/a.txt")), "druga wersja");
}

} // namespace
