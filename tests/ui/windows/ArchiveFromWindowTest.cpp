// Archive runs started from the main window: the archive hot zone with Escape and the cancel
// question, and "Archiwizuj wszystko" on a full list; archives are checked with the real 7z.

#include "WindowsFixture.h"

#include <QDir>
#include <QProcess>

namespace {

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
        return Path(QStringLiteral("kopie/") + ArchiveFolderName + QLatin1Char('/') + name + QStringLiteral(".7z"));
    }

    static bool SevenZipAccepts(const QString& archive)
    {
        QProcess sevenZip;
        sevenZip.start(QStringLiteral("7z"), {QStringLiteral("t"), archive});
        return sevenZip.waitForFinished(60000) && sevenZip.exitStatus() == QProcess::NormalExit
               && sevenZip.exitCode() == 0;
    }

    // Presses Escape as soon as the run shows its status panel; the key waits in the queue
    // like a user's key while the packer works.
    void PressEscapeDuringRun()
    {
        struct Watcher : QObject {
            explicit Watcher(QObject* parent) : QObject(parent) {}
            bool eventFilter(QObject*, QEvent* event) override
            {
                if (event->type() == QEvent::Show && !pressed) {
                    pressed = true;
                    QTimer::singleShot(0, this, [] { QTest::keyClick(FGlowny->Lista, Qt::Key_Escape); });
                }
                return false;
            }
            bool pressed = false;
        };
        FGlowny->Pdziala->installEventFilter(new Watcher(pending.get()));
    }

    std::vector<_Wpis> entries;
};

TEST_F(ArchiveRunTest, ArchiveZoneWithEscapeAndTakCancelsAfterTheCurrentEntry)
{
    SelectRows({0, 1});
    Messages().answers.push_back(AnswerYes);
    PressEscapeDuringRun();
    ClickAt(FGlowny, FGlowny->LArchiwum->geometry().center());

    ASSERT_EQ(Messages().shown.size(), 1u);
    EXPECT_EQ(Messages().shown[0].text, QStringLiteral("Czy rzeczywiście przerwać archiwizację?"));
    EXPECT_EQ(Messages().shown[0].buttons, ButtonsYesNoCancel);
    EXPECT_EQ(LogLinesOnDisk(), (QStringList{QStringLiteral("Log dla: ") + ArchiveFolderName,
                                             QStringLiteral("++++++++++++++++++++++++++++++++++"),
                                             QStringLiteral("Zarchiwizowano Plik"),
                                             QStringLiteral("Przerwano archiwizację na żądanie użytkownika.")}));
    EXPECT_TRUE(SevenZipAccepts(ArchiveOf(QStringLiteral("Plik"))));
    EXPECT_FALSE(QFile::exists(ArchiveOf(QStringLiteral("Folder"))));
    EXPECT_FALSE(Archiving);
    EXPECT_TRUE(FGlowny->Pdziala->isHidden());
    EXPECT_EQ(ListOnDisk(), entries);  // a run never changes the list
}

TEST_F(ArchiveRunTest, ArchiveZoneWithEscapeAndNieGoesOn)
{
    SelectRows({0, 1});
    Messages().answers.push_back(AnswerNo);
    PressEscapeDuringRun();
    ClickAt(FGlowny, FGlowny->LArchiwum->geometry().center());

    ASSERT_EQ(Messages().shown.size(), 1u);
    EXPECT_EQ(LogLinesOnDisk().mid(2), (QStringList{QStringLiteral("Zarchiwizowano Plik"), QStringLiteral("Zarchiwizowano Folder")}));
    EXPECT_TRUE(SevenZipAccepts(ArchiveOf(QStringLiteral("Plik"))));
    EXPECT_TRUE(SevenZipAccepts(ArchiveOf(QStringLiteral("Folder"))));
    EXPECT_FALSE(StopRequested);
}

TEST_F(ArchiveRunTest, ArchiveZoneArchivesOnlyTheSelectedLines)
{
    SelectRows({1});
    ClickAt(FGlowny, FGlowny->LArchiwum->geometry().center());
    EXPECT_TRUE(Messages().shown.empty());
    EXPECT_EQ(LogLinesOnDisk().mid(2), QStringList{QStringLiteral("Zarchiwizowano Folder")});
    EXPECT_FALSE(QFile::exists(ArchiveOf(QStringLiteral("Plik"))));
    EXPECT_TRUE(SevenZipAccepts(ArchiveOf(QStringLiteral("Folder"))));
}

TEST_F(ArchiveRunTest, ArchiwizujWszystkoSelectsAndArchivesTheWholeList)
{
    SelectRows({});
    ClickAt(FGlowny, QPoint(46, 63));  // "Plik"
    ClickAt(FMenu, FMenu->LArchiwizujAll->geometry().center());
    EXPECT_TRUE(Messages().shown.empty());
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 1}));
    EXPECT_EQ(LogLinesOnDisk().mid(2), (QStringList{QStringLiteral("Zarchiwizowano Plik"), QStringLiteral("Zarchiwizowano Folder")}));
    EXPECT_TRUE(SevenZipAccepts(ArchiveOf(QStringLiteral("Plik"))));
    EXPECT_TRUE(SevenZipAccepts(ArchiveOf(QStringLiteral("Folder"))));
    EXPECT_EQ(ListOnDisk(), entries);
}

TEST_F(ArchiveRunTest, CommandsWaitDuringTheRun)
{
    // Clicks and keys that arrive while a run works are handled between entries, where the
    // window refuses everything but minimising, dragging, F1 and the list's selection.
    SelectRows({0, 1});
    struct Watcher : QObject {
        explicit Watcher(QObject* parent) : QObject(parent) {}
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Show && !done) {
                done = true;
                QTimer::singleShot(0, this, [] {
                    ClickAt(FGlowny, QPoint(46, 63));  // "Plik"
                    ClickAt(FGlowny, FGlowny->LClose->geometry().center());
                    ClickAt(FGlowny, FGlowny->LArchiwum->geometry().center());
                    QTest::keyClick(FGlowny->Lista, Qt::Key_P, Qt::AltModifier);
                    QTest::keyClick(FGlowny->Lista, Qt::Key_F1);
                });
            }
            return false;
        }
        bool done = false;
    };
    FGlowny->Pdziala->installEventFilter(new Watcher(pending.get()));
    ClickAt(FGlowny, FGlowny->LArchiwum->geometry().center());
    EXPECT_FALSE(FMenu->isVisible());
    EXPECT_EQ(terminations, 0);
    EXPECT_TRUE(fileDialogTitles.empty());
    EXPECT_EQ(opened.size(), 1u);  // F1
    EXPECT_EQ(LogLinesOnDisk().size(), 4);  // one run, both entries
}

} // namespace
