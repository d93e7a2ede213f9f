// The real program on a virtual X server, driven with xdotool through the server, as a user
// drives it: keys and clicks travel through the X connection and reach the program while the
// packer works. Tests that send events straight to the widgets never see that path, and it is
// where run control went wrong (an Escape acted on one entry late, a refused click replayed
// after the run).

#include "RealDisplayFixture.h"

namespace {

TEST_F(RealDisplay, EscapeDuringTheFirstOfThreeAsksRightAfterItAndTakKeepsOnlyIt)
{
    ASSERT_NO_FATAL_FAILURE(StartProgramWith(3));
    ArchiveEverything();
    ASSERT_NO_FATAL_FAILURE(WaitForTheFirstToBePacking());
    KeyAt(main, Background, QStringLiteral("Escape"));
    ASSERT_FALSE(Archived(QStringLiteral("A"))) << "the first entry was done before Escape reached the program";

    std::optional<XWindow> question;
    ASSERT_TRUE(WaitUntil([&] { return (question = Question()).has_value() || QFile::exists(LogPath()); }, PackMs));
    ASSERT_TRUE(question.has_value()) << "no question; the log says: " << LogLines().join(QLatin1Char('|')).toStdString();
    // Right after the first entry: its archive (with its record) is in place and the second was
    // never begun.
    EXPECT_EQ(DatedFolderFiles(), (QStringList{QStringLiteral(".A.7z.sum"), QStringLiteral("A.7z")}));

    // The main window takes no command while the question is open, nor keeps one for later.
    ClickAt(main, CloseZone);
    KeyAt(*question, QPoint(175, 30), QStringLiteral("t"));
    ASSERT_NO_FATAL_FAILURE(WaitForTheRunToEnd());

    EXPECT_EQ(LogLines(), (QStringList{QStringLiteral("Zarchiwizowano A"), Cancelled}));
    EXPECT_EQ(DatedFolderFiles(), (QStringList{QStringLiteral(".A.7z.sum"), QStringLiteral("A.7z")}));
    EXPECT_TRUE(SevenZipTestPasses(ArchiveOf(QStringLiteral("A"))));
    ExpectStillRunningAfterTheRun();
    CloseAndExpectTheEnd();
}

TEST_F(RealDisplay, EscapeDuringTheOnlyEntryAsksAndAClickOnTakCancels)
{
    ASSERT_NO_FATAL_FAILURE(StartProgramWith(1));
    ArchiveEverything();
    ASSERT_NO_FATAL_FAILURE(WaitForTheFirstToBePacking());
    KeyAt(main, Background, QStringLiteral("Escape"));
    ASSERT_FALSE(Archived(QStringLiteral("A"))) << "the entry was done before Escape reached the program";

    std::optional<XWindow> question;
    ASSERT_TRUE(WaitUntil([&] { return (question = Question()).has_value() || QFile::exists(LogPath()); }, PackMs));
    ASSERT_TRUE(question.has_value()) << "no question; the log says: " << LogLines().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(Archived(QStringLiteral("A")));
    EXPECT_FALSE(QFile::exists(LogPath()));  // the run waits for the answer

    ClickAt(*question, TakButton);
    ASSERT_NO_FATAL_FAILURE(WaitForTheRunToEnd());
    EXPECT_EQ(LogLines(), (QStringList{QStringLiteral("Zarchiwizowano A"), Cancelled}));
    EXPECT_TRUE(SevenZipTestPasses(ArchiveOf(QStringLiteral("A"))));
    ExpectStillRunningAfterTheRun();
    CloseAndExpectTheEnd();
}

TEST_F(RealDisplay, CommandsDuringARunAreDroppedAndTheProgramEndsOnlyWhenAskedAfterIt)
{
    ASSERT_NO_FATAL_FAILURE(StartProgramWith(1));
    ArchiveEverything();
    ASSERT_NO_FATAL_FAILURE(WaitForTheFirstToBePacking());
    ClickAt(main, CloseZone);
    ClickAt(main, MenuPlik);
    ClickAt(main, ArchiveZone);
    At(main, ListLine(0), {QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("1")});
    KeyAt(main, Background, QStringLiteral("alt+p"));
    EXPECT_TRUE(OnlyTheMainWindowShows());  // no menu panel, editor or file dialog

    // Once more in the closing pause, which follows the entry's archive landing in place.
    ASSERT_TRUE(WaitUntil([&] { return Archived(QStringLiteral("A")) || program.state() != QProcess::Running; }, PackMs));
    ClickAt(main, CloseZone);
    ClickAt(main, MenuPlik);

    ASSERT_NO_FATAL_FAILURE(WaitForTheRunToEnd());
    EXPECT_EQ(LogLines(), QStringList{QStringLiteral("Zarchiwizowano A")});  // one run, one entry
    ExpectStillRunningAfterTheRun();
    CloseAndExpectTheEnd();
}

TEST_F(RealDisplay, TitleStripDragsTheWindowDuringARunAndAfterIt)
{
    ASSERT_NO_FATAL_FAILURE(StartProgramWith(1));
    ArchiveEverything();
    ASSERT_NO_FATAL_FAILURE(WaitForTheFirstToBePacking());

    const QPoint start = main.geometry.topLeft();
    At(main, TitleStrip,
       {QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove_relative"), QStringLiteral("--"), QStringLiteral("30"),
        QStringLiteral("10"), QStringLiteral("mousemove_relative"), QStringLiteral("--"), QStringLiteral("15"), QStringLiteral("-25"),
        QStringLiteral("mouseup"), QStringLiteral("1")});
    std::optional<XWindow> moved;
    ASSERT_TRUE(WaitUntil(
        [&] {
            moved = MainWindow();
            return moved && moved->geometry.topLeft() == start + QPoint(45, -15);
        },
        ReactMs))
        << "the window did not follow the drag";
    EXPECT_FALSE(Archived(QStringLiteral("A"))) << "the window moved only after the entry";
    main = *moved;

    ASSERT_NO_FATAL_FAILURE(WaitForTheRunToEnd());
    At(main, TitleStrip,
       {QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove_relative"), QStringLiteral("--"), QStringLiteral("-60"),
        QStringLiteral("40"), QStringLiteral("mouseup"), QStringLiteral("1")});
    EXPECT_TRUE(WaitUntil(
        [&] {
            moved = MainWindow();
            return moved && moved->geometry.topLeft() == start + QPoint(-15, 25);
        },
        ReactMs))
        << "the idle window did not follow the drag";
    main = *moved;
    EXPECT_EQ(LogLines(), QStringList{QStringLiteral("Zarchiwizowano A")});
    CloseAndExpectTheEnd();
}

} // namespace
