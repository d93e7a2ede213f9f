// The restore window: opened from "Plik" and by Alt+R with exactly one line selected, never
// during a run; its list of the entry's archives; restoring to the original place and to a
// chosen folder; the question before an existing file is replaced; Escape; the summary.
// The archives are made by the real 7z command in a temporary tree.

#include "WindowsFixture.h"

#include "core/Messages.h"
#include "ui/skin/CylinderBar.h"
#include "ui/windows/RestoreWindow.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QRadioButton>

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
        int answer;
        bool existingNewer;
        QByteArray expectedA;
        bool restAfterA;  // the items after a.txt came back
        QString summaryEnd;
    } const cases[] = {
        {"Tak", AnswerYes, false, "pierwsza wersja", true, QString()},
        {"Nie", AnswerNo, false, "moja zmiana", true, QStringLiteral("\rPominięto istniejące: 1.")},
        {"Anuluj", AnswerCancel, false, "moja zmiana", false, QStringLiteral("\rPrzywracanie przerwano.")},
        {"Nie, istniejący nowszy", AnswerNo, true, "moja zmiana", true, QStringLiteral("\rPominięto istniejące: 1.")},
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
        Messages().answers = {c.answer};

        WithWindowOpen([&] {
            restoreWindow->LArchiwa->setCurrentRow(1);  // a.txt, then pod, pod/b.txt
            ClickRestore();
        });
        QString question = QStringLiteral("Plik dane/a.txt istnieje. Zastąpić?");
        if (c.existingNewer)
            question += QStringLiteral("\rIstniejący plik jest nowszy niż ten w archiwum.");
        ASSERT_EQ(Messages().shown.size(), 2u);
        EXPECT_EQ(Messages().shown[0], (ShownMessage{ButtonsYesNoCancel, IconQuestion, question}));
        EXPECT_EQ(Read(QStringLiteral("zrodlo/dane/a.txt")), c.expectedA);
        EXPECT_EQ(QFile::exists(Path(QStringLiteral("zrodlo/dane/pod/b.txt"))), c.restAfterA);
        EXPECT_TRUE(Messages().shown[1].text.endsWith(c.summaryEnd)) << Messages().shown[1].text.toStdString();
        EXPECT_EQ(Messages().shown[1].icon, c.answer == AnswerCancel ? IconWarning : IconInfo);
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
    Messages().onShow = [&](const ShownMessage& m) {
        if (!m.text.startsWith(QStringLiteral("Plik ")))
            return;
        ++overwriteQuestions;
        QCoreApplication::postEvent(restoreWindow->LArchiwa, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        Messages().answers = {AnswerYes, overwriteQuestions == 1 ? AnswerNo : AnswerYes};
    };
    WithWindowOpen([&] {
        folderAnswers.push_back(target);
        ClickAt(restoreWindow, restoreWindow->RFolder->geometry().center());
        ClickRestore();
        // Escape after the restore closes the window.
        QTest::keyClick(restoreWindow->LArchiwa, Qt::Key_Escape);
        EXPECT_FALSE(restoreWindow->isVisible());
    });
    const ShownMessage stop{ButtonsYesNoCancel, IconInfo, Msg::RestoreConfirmStop()};
    ASSERT_EQ(Messages().shown.size(), 5u);
    EXPECT_EQ(Messages().shown[1], stop);
    EXPECT_EQ(Messages().shown[3], stop);
    const QString summary = Messages().shown[4].text;
    EXPECT_TRUE(summary.endsWith(QStringLiteral("\rPrzywracanie przerwano."))) << summary.toStdString();
    EXPECT_EQ(Messages().shown[4].icon, IconWarning);
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
