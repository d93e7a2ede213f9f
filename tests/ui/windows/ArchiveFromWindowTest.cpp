// Archive runs started from the main window: the archive hot zone with Escape and the cancel
// question, and "Archiwizuj wszystko" on a full list; archives are checked with the real 7z.

#include "WindowsFixture.h"

#include "ui/skin/CylinderBar.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>

#include <atomic>

namespace {

// For the watchers, which see no fixture.
MainWindow* Main()
{
    return &Program().Main();
}

// The lines of the log of the run at work so far; -1 when no run works. Read only while the run
// waits for an answer, so its result holds still.
int LogLinesOfTheRunAtWork()
{
    const ArchiveRun* run = Main()->CurrentRun();
    return run ? int(run->Result().LogLines().size()) : -1;
}

class ArchiveRunTest : public WindowsTest {
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        QDir root(dir->path());
        ASSERT_TRUE(root.mkpath(QStringLiteral("zrodlo/folder")));
        ASSERT_TRUE(root.mkpath(QStringLiteral("kopie")));
        Write(QStringLiteral("zrodlo/plik.txt"), QByteArray(200000, 'a'));
        Write(QStringLiteral("zrodlo/folder/jeden.txt"), QByteArray("jeden"));
        Write(QStringLiteral("zrodlo/folder/dwa.bin"), QByteArray(300000, '\x07'));
        entries = {
            {QStringLiteral("Plik"), QStringLiteral("Plik"), Path(QStringLiteral("zrodlo/plik.txt")), Path(QStringLiteral("kopie"))},
            {QStringLiteral("Folder"), QStringLiteral("Folder"), Path(QStringLiteral("zrodlo/folder")), Path(QStringLiteral("kopie"))},
        };
        SeedList(entries);
    }

    void Write(const QString& name, const QByteArray& bytes)
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // The archive of an entry in the run's dated folder, if it exists.
    QString ArchiveOf(const QString& name) const
    {
        return Path(QStringLiteral("kopie/") + mainWindow->LastRun().FolderName + QLatin1Char('/') + name + QStringLiteral(".7z"));
    }

    static bool SevenZipAccepts(const QString& archive)
    {
        QProcess sevenZip;
        sevenZip.start(QStringLiteral("7z"), {QStringLiteral("t"), archive});
        return sevenZip.waitForFinished(60000) && sevenZip.exitStatus() == QProcess::NormalExit
               && sevenZip.exitCode() == 0;
    }

    // Presses Escape as soon as the run shows its status panel, before the first entry is
    // packed, and notes whether the panel said at once that the key was heard. The run works on
    // its own thread: it waits at its first pack until the key has been pressed.
    void PressEscapeDuringRun()
    {
        Program().Packer().OnPreProgress = [this](SevenZipPacker*, int64_t) {
            QElapsedTimer waited;
            waited.start();
            while (!escapePressed && waited.elapsed() < 10000)
                QThread::msleep(2);
        };
        struct Watcher : QObject {
            Watcher(QObject* parent, bool* heard) : QObject(parent), heard(heard) {}
            bool eventFilter(QObject*, QEvent* event) override
            {
                if (event->type() == QEvent::Show && !pressed) {
                    pressed = true;
                    QTimer::singleShot(0, this, [this] {
                        QTest::keyClick(Main()->Lista, Qt::Key_Escape);
                        *heard = Main()->LPrzerwanie->isVisible();
                        *done = true;
                    });
                }
                return false;
            }
            bool pressed = false;
            bool* heard;
            std::atomic<bool>* done = nullptr;
        };
        auto* watcher = new Watcher(pending.get(), &escapeHeardAtOnce);
        watcher->done = &escapePressed;
        mainWindow->Pdziala->installEventFilter(watcher);
    }

    // What the status panel shows while the cancel question is open.
    void NoteTheNoticeAtTheQuestion()
    {
        Messages().onShow = [this](const ShownMessage&) {
            noticeAtQuestion = mainWindow->LPrzerwanie->isVisible() ? mainWindow->LPrzerwanie->text() : QString();
            logLinesAtQuestion = LogLinesOfTheRunAtWork();
        };
    }

    void TearDown() override
    {
        mainWindow->WaitForRun();
        Program().Packer().OnPreProgress = nullptr;
        Messages().onShow = nullptr;
        WindowsTest::TearDown();
    }

    bool escapeHeardAtOnce = false;
    std::atomic<bool> escapePressed{false};
    QString noticeAtQuestion;
    int logLinesAtQuestion = -1;
    std::vector<Entry> entries;
};

TEST_F(ArchiveRunTest, ArchiveZoneWithEscapeAndTakCancelsAfterTheCurrentEntry)
{
    SelectRows({0, 1});
    Messages().answers.push_back(AnswerYes);
    PressEscapeDuringRun();
    NoteTheNoticeAtTheQuestion();
    ClickAt(mainWindow, mainWindow->LArchiwum->geometry().center());
    mainWindow->WaitForRun();

    EXPECT_TRUE(escapeHeardAtOnce);
    EXPECT_EQ(noticeAtQuestion, QStringLiteral("Przerwanie po tym wpisie…"));
    EXPECT_FALSE(mainWindow->LPrzerwanie->isVisible());

    ASSERT_EQ(Messages().shown.size(), 1u);
    EXPECT_EQ(Messages().shown[0].text, QStringLiteral("Czy rzeczywiście przerwać archiwizację?"));
    EXPECT_EQ(Messages().shown[0].buttons, ButtonsYesNoCancel);
    EXPECT_EQ(LogLinesOnDisk(), (QStringList{QStringLiteral("Log dla: ") + mainWindow->LastRun().FolderName,
                                             QStringLiteral("++++++++++++++++++++++++++++++++++"),
                                             QStringLiteral("Zarchiwizowano Plik"),
                                             QStringLiteral("Przerwano archiwizację na żądanie użytkownika.")}));
    EXPECT_TRUE(SevenZipAccepts(ArchiveOf(QStringLiteral("Plik"))));
    EXPECT_FALSE(QFile::exists(ArchiveOf(QStringLiteral("Folder"))));
    EXPECT_FALSE(mainWindow->Archiving());
    EXPECT_TRUE(mainWindow->Pdziala->isHidden());
    EXPECT_EQ(ListOnDisk(), entries);  // a run never changes the list
}

TEST_F(ArchiveRunTest, ArchiveZoneWithEscapeAndNieGoesOn)
{
    SelectRows({0, 1});
    Messages().answers.push_back(AnswerNo);
    PressEscapeDuringRun();
    NoteTheNoticeAtTheQuestion();
    // The notice goes away as the run goes on, before the next entry is done (the entry bar
    // moves to the second line only when it is).
    int entryBarWhenNoticeWent = -1;
    struct HideWatcher : QObject {
        HideWatcher(QObject* parent, int* position) : QObject(parent), position(position) {}
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Hide && *position < 0 && Main()->Archiving())
                *position = Main()->ProgresEtap->Position();
            return false;
        }
        int* position;
    };
    mainWindow->LPrzerwanie->installEventFilter(new HideWatcher(pending.get(), &entryBarWhenNoticeWent));
    ClickAt(mainWindow, mainWindow->LArchiwum->geometry().center());
    mainWindow->WaitForRun();

    EXPECT_TRUE(escapeHeardAtOnce);
    EXPECT_FALSE(noticeAtQuestion.isEmpty());
    EXPECT_EQ(entryBarWhenNoticeWent, 0);  // the first entry done, the second not yet
    EXPECT_FALSE(mainWindow->LPrzerwanie->isVisible());

    ASSERT_EQ(Messages().shown.size(), 1u);
    EXPECT_EQ(LogLinesOnDisk().mid(2), (QStringList{QStringLiteral("Zarchiwizowano Plik"), QStringLiteral("Zarchiwizowano Folder")}));
    EXPECT_TRUE(SevenZipAccepts(ArchiveOf(QStringLiteral("Plik"))));
    EXPECT_TRUE(SevenZipAccepts(ArchiveOf(QStringLiteral("Folder"))));
    EXPECT_FALSE(mainWindow->StopRequested());
}

TEST_F(ArchiveRunTest, EscapeDuringTheOnlyEntryAsksAfterIt)
{
    SelectRows({1});
    Messages().answers.push_back(AnswerYes);
    PressEscapeDuringRun();
    NoteTheNoticeAtTheQuestion();
    ClickAt(mainWindow, mainWindow->LArchiwum->geometry().center());
    mainWindow->WaitForRun();

    ASSERT_EQ(Messages().shown.size(), 1u);
    EXPECT_EQ(Messages().shown[0].text, QStringLiteral("Czy rzeczywiście przerwać archiwizację?"));
    EXPECT_EQ(logLinesAtQuestion, 3);
    EXPECT_EQ(LogLinesOnDisk().mid(2), (QStringList{QStringLiteral("Zarchiwizowano Folder"),
                                                    QStringLiteral("Przerwano archiwizację na żądanie użytkownika.")}));
    EXPECT_TRUE(SevenZipAccepts(ArchiveOf(QStringLiteral("Folder"))));
}

TEST_F(ArchiveRunTest, EscapeAfterTheLastEntryShowsNoNotice)
{
    // Once the loop is over nothing is asked, so the panel does not promise a stop either.
    SelectRows({0});
    bool noticeInPause = true;
    auto* poll = new QTimer(pending.get());
    poll->setInterval(2);
    QObject::connect(poll, &QTimer::timeout, poll, [&] {
        if (mainWindow->Pdziala->isHidden() || !mainWindow->ProgresEtap->isHidden())
            return;
        poll->stop();
        QTest::keyClick(mainWindow->Lista, Qt::Key_Escape);
        noticeInPause = mainWindow->LPrzerwanie->isVisible();
    });
    poll->start();
    ClickAt(mainWindow, mainWindow->LArchiwum->geometry().center());
    mainWindow->WaitForRun();
    EXPECT_FALSE(poll->isActive());
    EXPECT_FALSE(noticeInPause);
    EXPECT_TRUE(Messages().shown.empty());
    EXPECT_EQ(LogLinesOnDisk().mid(2), QStringList{QStringLiteral("Zarchiwizowano Plik")});
}

TEST_F(ArchiveRunTest, CommandsDuringTheClosingPauseAfterACancelAreDropped)
{
    // After Tak the run is no longer `Archiving`, but it still shows its closing picture and has
    // its log to write: nothing may end the program or open anything meanwhile.
    SelectRows({0, 1});
    Messages().answers.push_back(AnswerYes);
    PressEscapeDuringRun();
    bool tried = false;
    bool closeRefused = false;
    auto* poll = new QTimer(pending.get());
    poll->setInterval(2);
    QObject::connect(poll, &QTimer::timeout, poll, [&] {
        if (mainWindow->Pdziala->isHidden() || !mainWindow->ProgresEtap->isHidden())
            return;
        poll->stop();
        tried = true;
        ClickAt(mainWindow, mainWindow->LClose->geometry().center());
        ClickAt(mainWindow, mainWindow->LArchiwum->geometry().center());
        ClickAt(mainWindow, QPoint(46, 63));  // "Plik"
        QTest::keyClick(mainWindow->Lista, Qt::Key_P, Qt::AltModifier);
        QTest::keyClick(mainWindow->Lista, Qt::Key_E, Qt::AltModifier);
        QListWidget* list = mainWindow->Lista;
        DoubleClick(list->viewport(), list->visualItemRect(list->item(1)).center());
        closeRefused = !mainWindow->close();
    });
    poll->start();
    ClickAt(mainWindow, mainWindow->LArchiwum->geometry().center());
    mainWindow->WaitForRun();

    EXPECT_TRUE(tried);
    EXPECT_EQ(terminations, 0);
    EXPECT_TRUE(closeRefused);
    EXPECT_TRUE(mainWindow->isVisible());
    EXPECT_FALSE(menu->isVisible());
    EXPECT_TRUE(fileDialogTitles.empty());
    ASSERT_EQ(Messages().shown.size(), 1u);  // the cancel question only
    EXPECT_EQ(LogLinesOnDisk().mid(2), (QStringList{QStringLiteral("Zarchiwizowano Plik"),
                                                    QStringLiteral("Przerwano archiwizację na żądanie użytkownika.")}));
    EXPECT_TRUE(mainWindow->Pdziala->isHidden());
}

TEST_F(ArchiveRunTest, ArchiveZoneArchivesOnlyTheSelectedLines)
{
    SelectRows({1});
    ClickAt(mainWindow, mainWindow->LArchiwum->geometry().center());
    mainWindow->WaitForRun();
    EXPECT_TRUE(Messages().shown.empty());
    EXPECT_EQ(LogLinesOnDisk().mid(2), QStringList{QStringLiteral("Zarchiwizowano Folder")});
    EXPECT_FALSE(QFile::exists(ArchiveOf(QStringLiteral("Plik"))));
    EXPECT_TRUE(SevenZipAccepts(ArchiveOf(QStringLiteral("Folder"))));
}

TEST_F(ArchiveRunTest, ArchiwizujWszystkoSelectsAndArchivesTheWholeList)
{
    SelectRows({});
    ClickAt(mainWindow, QPoint(46, 63));  // "Plik"
    ClickAt(menu, menu->LArchiwizujAll->geometry().center());
    mainWindow->WaitForRun();
    EXPECT_TRUE(Messages().shown.empty());
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 1}));
    EXPECT_EQ(LogLinesOnDisk().mid(2), (QStringList{QStringLiteral("Zarchiwizowano Plik"), QStringLiteral("Zarchiwizowano Folder")}));
    EXPECT_TRUE(SevenZipAccepts(ArchiveOf(QStringLiteral("Plik"))));
    EXPECT_TRUE(SevenZipAccepts(ArchiveOf(QStringLiteral("Folder"))));
    EXPECT_EQ(ListOnDisk(), entries);
}

TEST_F(ArchiveRunTest, CommandsDuringTheRunAreDroppedExceptTheAllowedOnes)
{
    // Clicks and keys that arrive while a run works are handled as they come: the window
    // refuses everything but minimising, dragging, F1, the list's selection and Escape.
    SelectRows({0, 1});
    struct Watcher : QObject {
        explicit Watcher(QObject* parent) : QObject(parent) {}
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Show && !done) {
                done = true;
                QTimer::singleShot(0, this, [] {
                    MainWindow* main = Main();
                    ClickAt(main, QPoint(46, 63));  // "Plik"
                    ClickAt(main, main->LClose->geometry().center());
                    ClickAt(main, main->LArchiwum->geometry().center());
                    QTest::keyClick(main->Lista, Qt::Key_P, Qt::AltModifier);
                    QTest::keyClick(main->Lista, Qt::Key_F1);
                });
            }
            return false;
        }
        bool done = false;
    };
    mainWindow->Pdziala->installEventFilter(new Watcher(pending.get()));
    ClickAt(mainWindow, mainWindow->LArchiwum->geometry().center());
    mainWindow->WaitForRun();
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(terminations, 0);
    EXPECT_TRUE(fileDialogTitles.empty());
    EXPECT_EQ(opened.size(), 1u);  // F1
    EXPECT_EQ(LogLinesOnDisk().size(), 4);  // one run, both entries
}

TEST_F(ArchiveRunTest, TheWindowServesItsEventsWhileAnEntryPacksAndHearsTheRunsEnd)
{
    // The run is held inside its first pack until the window's own timer has ticked a few
    // times: a tick comes only from the window's event loop, and nothing of the run hands it
    // events, so the loop runs while the entry packs.
    SelectRows({0});
    std::atomic<bool> packing{false};
    std::atomic<int> ticks{0};
    Program().Packer().OnPreProgress = [&](SevenZipPacker*, int64_t) {
        packing = true;
        QElapsedTimer waited;
        waited.start();
        while (ticks < 5 && waited.elapsed() < 10000)
            QThread::msleep(2);
        packing = false;
    };
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, &tick, [&] {
        if (packing)
            ++ticks;
    });
    tick.start();
    QSignalSpy ended(mainWindow, &MainWindow::RunEnded);

    ClickAt(mainWindow, mainWindow->LArchiwum->geometry().center());
    // The click has returned; the run works on.
    EXPECT_NE(mainWindow->CurrentRun(), nullptr);
    EXPECT_TRUE(mainWindow->RunBusy());
    ASSERT_TRUE(ended.wait(20000));

    EXPECT_GE(ticks, 5);
    EXPECT_EQ(mainWindow->CurrentRun(), nullptr);
    EXPECT_FALSE(mainWindow->RunBusy());
    // What the run did is the window's now.
    const RunResult& result = mainWindow->LastRun();
    ASSERT_EQ(result.Entries.size(), 1u);
    EXPECT_EQ(result.Entries[0].Code, ResultArchived);
    EXPECT_EQ(result.Entries[0].Name, QStringLiteral("Plik"));
    EXPECT_TRUE(result.Entries[0].ArchivePath.endsWith(result.FolderName + QStringLiteral("/Plik.7z")));
    EXPECT_TRUE(SevenZipAccepts(result.Entries[0].ArchivePath));
    EXPECT_EQ(LogLinesOnDisk().mid(2), QStringList{QStringLiteral("Zarchiwizowano Plik")});
    EXPECT_TRUE(Messages().shown.empty());
}

} // namespace
