// The real program on a virtual X server, driven with xdotool through the server, as a user
// drives it: keys and clicks travel through the X connection and reach the program while the
// packer works. Tests that send events straight to the widgets never see that path, and it is
// where run control went wrong (an Escape acted on one entry late, a refused click replayed
// after the run).

#include "core/UProcki.h"
#include "RunTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QRect>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

// Random bytes pack slowly: each entry takes a few seconds on a slow machine and still more
// than the few milliseconds that a key needs to reach the program on a fast one.
constexpr qsizetype EntryBytes = 6 * 1024 * 1024;

// Deadlines: generous, since the machine may be busy; polling ends as soon as the state is seen.
constexpr int StartMs = 30000;
constexpr int PackMs = 120000;
constexpr int ReactMs = 15000;

// Main window zones, relative to the window.
const QPoint CloseZone(470, 28);
const QPoint MenuPlik(46, 63);
const QPoint ArchiveZone(386, 361);
const QPoint Background(300, 110);  // nothing but the picture
const QPoint TitleStrip(200, 24);
QPoint ListLine(int row)
{
    return QPoint(100, 129 + 13 * row + 6);
}
// The message dialog's Tak button.
const QPoint TakButton(107, 129);

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QThread::msleep(20);
    }
    return true;
}

struct XWindow {
    QString id;
    QRect geometry;
};

class RealDisplay : public ::testing::Test, protected TempTree {
protected:
    void SetUp() override
    {
        const bool haveXvfb = !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty();
        const bool haveXdotool = !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
        if (!haveXvfb || !haveXdotool) {
            const std::string missing = !haveXvfb ? "Xvfb" : "xdotool";
            // CI installs both through the setup script: there a missing tool is a fault.
            if (!qEnvironmentVariableIsEmpty("CI"))
                FAIL() << missing << " is missing";
            GTEST_SKIP() << missing << " is not installed (scripts/setup.sh installs it)";
        }
        ASSERT_TRUE(root.isValid());
        StartServer();
        programDir = Path(QStringLiteral("Program/"));
        ASSERT_TRUE(QDir().mkpath(programDir));
        // A copy, not a link: the program finds its files beside its own executable.
        ASSERT_TRUE(QFile::copy(QStringLiteral(SKRYTKAR_BINARY), programDir + QStringLiteral("skrytkar")));
        // The program hands over to its windowed half, which lies beside it.
        ASSERT_TRUE(QFile::copy(QStringLiteral(SKRYTKAR_GUI_BINARY), programDir + QStringLiteral("skrytkar-gui")));
        destination = MakeFolder(QStringLiteral("Kopie"));
    }

    void TearDown() override
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
        if (server.state() != QProcess::NotRunning) {
            server.terminate();
            if (!server.waitForFinished(5000)) {
                server.kill();
                server.waitForFinished(5000);
            }
        }
    }

    // Xvfb on a display number it chooses itself (a free one) and writes to its output when
    // it is ready for clients.
    void StartServer()
    {
        server.setProgram(QStringLiteral("Xvfb"));
        server.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                             QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        server.setProcessChannelMode(QProcess::SeparateChannels);
        server.setStandardErrorFile(QProcess::nullDevice());
        server.start();
        ASSERT_TRUE(server.waitForStarted(StartMs)) << "Xvfb did not start";
        QByteArray out;
        ASSERT_TRUE(WaitUntil(
            [&] {
                server.waitForReadyRead(50);
                out += server.readAllStandardOutput();
                return out.contains('\n') || server.state() == QProcess::NotRunning;
            },
            StartMs))
            << "Xvfb named no display";
        bool ok = false;
        const int number = out.trimmed().toInt(&ok);
        ASSERT_TRUE(ok) << "Xvfb said: " << out.toStdString();
        display = QStringLiteral(":%1").arg(number);
    }

    // xdotool on the test's display; its output.
    QString Xdotool(const QStringList& arguments, int* exitCode = nullptr)
    {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral("xdotool"), arguments);
        const bool finished = tool.waitForFinished(ReactMs);
        EXPECT_TRUE(finished) << "xdotool " << arguments.join(QLatin1Char(' ')).toStdString();
        if (exitCode)
            *exitCode = finished ? tool.exitCode() : -1;
        return QString::fromUtf8(tool.readAllStandardOutput());
    }

    // The program's windows that are on the screen.
    std::vector<XWindow> VisibleWindows()
    {
        std::vector<XWindow> windows;
        if (program.state() != QProcess::Running)
            return windows;
        int status = 0;
        const QString ids = Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                     QString::number(program.processId())},
                                    &status);
        for (const QString& id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            // WINDOW=, X=, Y=, WIDTH=, HEIGHT=, SCREEN= lines.
            const QString shell = Xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id});
            QMap<QString, int> values;
            for (const QString& line : shell.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                const qsizetype eq = line.indexOf(QLatin1Char('='));
                if (eq > 0)
                    values[line.left(eq)] = line.mid(eq + 1).toInt();
            }
            if (values.contains(QStringLiteral("WIDTH")))
                windows.push_back({id, QRect(values[QStringLiteral("X")], values[QStringLiteral("Y")], values[QStringLiteral("WIDTH")],
                                             values[QStringLiteral("HEIGHT")])});
        }
        return windows;
    }

    std::optional<XWindow> WindowOfSize(const QSize& size)
    {
        for (const XWindow& w : VisibleWindows())
            if (w.geometry.size() == size)
                return w;
        return std::nullopt;
    }
    std::optional<XWindow> MainWindow() { return WindowOfSize(QSize(500, 450)); }
    std::optional<XWindow> Question() { return WindowOfSize(QSize(350, 150)); }
    // Any window of the program but the main one: a question, a menu panel, an editor.
    bool OnlyTheMainWindowShows()
    {
        const std::vector<XWindow> windows = VisibleWindows();
        return windows.size() == 1 && windows[0].geometry.size() == QSize(500, 450);
    }

    // Entries named A, B, C, ... of random files, in the folder "Kopie".
    void StartProgramWith(int entryCount)
    {
        std::vector<_Wpis> entries;
        for (int i = 0; i < entryCount; ++i) {
            const QString name = QString(QLatin1Char(char('A' + i)));
            QByteArray bytes(EntryBytes, Qt::Uninitialized);
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
            entries.push_back({QStringLiteral("Plik"), name, MakeFile(QStringLiteral("zrodla/") + name + QStringLiteral(".bin"), bytes),
                               destination});
            names << name;
        }
        ASSERT_TRUE(SaveListFileAt(programDir + QStringLiteral("Dane.dat"), entries));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("DISPLAY"), display);
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(root.path());
        program.setStandardOutputFile(QProcess::nullDevice());
        program.setStandardErrorFile(Path(QStringLiteral("program-stderr.txt")));
        program.start(programDir + QStringLiteral("skrytkar"), {});
        ASSERT_TRUE(program.waitForStarted(StartMs));
        std::optional<XWindow> window;
        ASSERT_TRUE(WaitUntil([&] { return (window = MainWindow()).has_value(); }, StartMs)) << "no main window";
        main = *window;
    }

    // The pointer to a point of a window, then the given xdotool steps there.
    void At(const XWindow& window, const QPoint& point, const QStringList& steps)
    {
        Xdotool(QStringList{QStringLiteral("mousemove"), QStringLiteral("--window"), window.id, QString::number(point.x()),
                            QString::number(point.y())}
                + steps);
    }
    void ClickAt(const XWindow& window, const QPoint& point)
    {
        At(window, point, {QStringLiteral("click"), QStringLiteral("1")});
    }
    void KeyAt(const XWindow& window, const QPoint& point, const QString& key)
    {
        At(window, point, {QStringLiteral("key"), key});
    }

    // Selects the lines of the whole list and starts the run with the archive zone.
    void ArchiveEverything()
    {
        ClickAt(main, ListLine(0));
        if (names.size() > 1)
            At(main, ListLine(int(names.size()) - 1),
               {QStringLiteral("keydown"), QStringLiteral("shift"), QStringLiteral("click"), QStringLiteral("1"),
                QStringLiteral("keyup"), QStringLiteral("shift")});
        ClickAt(main, ArchiveZone);
    }

    // Names of the files in the run's dated folder (temporary ones too).
    QStringList DatedFolderFiles() const
    {
        QStringList files;
        const QDir kopie(destination);
        for (const QString& dated : kopie.entryList({QStringLiteral("Arch_*")}, QDir::Dirs | QDir::NoDotAndDotDot))
            files << QDir(kopie.filePath(dated)).entryList(QDir::Files | QDir::Hidden);
        return files;
    }
    QString ArchiveOf(const QString& name) const
    {
        const QDir kopie(destination);
        const QStringList dated = kopie.entryList({QStringLiteral("Arch_*")}, QDir::Dirs | QDir::NoDotAndDotDot);
        return dated.isEmpty() ? QString() : kopie.filePath(dated[0] + QLatin1Char('/') + name + QStringLiteral(".7z"));
    }
    bool Archived(const QString& name) const { return DatedFolderFiles().contains(name + QStringLiteral(".7z")); }
    // The first entry is being packed: its archive is being written and not yet in place.
    bool PackingTheFirst() const { return !DatedFolderFiles().isEmpty() && !Archived(names[0]); }

    QString LogPath() const { return programDir + QStringLiteral("Log.txt"); }
    QStringList LogLines() const
    {
        QFile log(LogPath());
        if (!log.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(log.readAll()).split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines.mid(2);  // after the header and the separator
    }

    void WaitForTheFirstToBePacking()
    {
        ASSERT_TRUE(WaitUntil([&] { return PackingTheFirst(); }, StartMs)) << "the run did not start";
    }

    // The run is over and the window idle: the log is written and no other window shows.
    void WaitForTheRunToEnd()
    {
        ASSERT_TRUE(WaitUntil([&] { return QFile::exists(LogPath()) && OnlyTheMainWindowShows(); }, PackMs))
            << "the run did not end";
    }

    // The program is still there a moment after the run: nothing held back ends it now.
    void ExpectStillRunningAfterTheRun()
    {
        EXPECT_FALSE(program.waitForFinished(1500)) << "the program ended by itself";
        EXPECT_EQ(program.state(), QProcess::Running);
        EXPECT_TRUE(OnlyTheMainWindowShows());
    }

    // Asked to close once idle, it ends at once.
    void CloseAndExpectTheEnd()
    {
        ClickAt(main, CloseZone);
        EXPECT_TRUE(program.waitForFinished(ReactMs)) << "the close zone did not end the idle program";
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
    }

    const QString Cancelled = QStringLiteral("Przerwano archiwizację na żądanie użytkownika.");

    QProcess server;
    QString display;
    QProcess program;
    QString programDir;
    QString destination;
    QStringList names;
    XWindow main;
};

TEST_F(RealDisplay, EscapeDuringTheFirstOfThreeAsksRightAfterItAndTakKeepsOnlyIt)
{
    StartProgramWith(3);
    ArchiveEverything();
    WaitForTheFirstToBePacking();
    KeyAt(main, Background, QStringLiteral("Escape"));
    ASSERT_FALSE(Archived(QStringLiteral("A"))) << "the first entry was done before Escape reached the program";

    std::optional<XWindow> question;
    ASSERT_TRUE(WaitUntil([&] { return (question = Question()).has_value() || QFile::exists(LogPath()); }, PackMs));
    ASSERT_TRUE(question.has_value()) << "no question; the log says: " << LogLines().join(QLatin1Char('|')).toStdString();
    // Right after the first entry: its archive is in place and the second was never begun.
    EXPECT_EQ(DatedFolderFiles(), QStringList{QStringLiteral("A.7z")});

    // The main window takes no command while the question is open, nor keeps one for later.
    ClickAt(main, CloseZone);
    KeyAt(*question, QPoint(175, 30), QStringLiteral("t"));
    WaitForTheRunToEnd();

    EXPECT_EQ(LogLines(), (QStringList{QStringLiteral("Zarchiwizowano A"), Cancelled}));
    EXPECT_EQ(DatedFolderFiles(), QStringList{QStringLiteral("A.7z")});
    EXPECT_TRUE(SevenZipTestPasses(ArchiveOf(QStringLiteral("A"))));
    ExpectStillRunningAfterTheRun();
    CloseAndExpectTheEnd();
}

TEST_F(RealDisplay, EscapeDuringTheOnlyEntryAsksAndAClickOnTakCancels)
{
    StartProgramWith(1);
    ArchiveEverything();
    WaitForTheFirstToBePacking();
    KeyAt(main, Background, QStringLiteral("Escape"));
    ASSERT_FALSE(Archived(QStringLiteral("A"))) << "the entry was done before Escape reached the program";

    std::optional<XWindow> question;
    ASSERT_TRUE(WaitUntil([&] { return (question = Question()).has_value() || QFile::exists(LogPath()); }, PackMs));
    ASSERT_TRUE(question.has_value()) << "no question; the log says: " << LogLines().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(Archived(QStringLiteral("A")));
    EXPECT_FALSE(QFile::exists(LogPath()));  // the run waits for the answer

    ClickAt(*question, TakButton);
    WaitForTheRunToEnd();
    EXPECT_EQ(LogLines(), (QStringList{QStringLiteral("Zarchiwizowano A"), Cancelled}));
    EXPECT_TRUE(SevenZipTestPasses(ArchiveOf(QStringLiteral("A"))));
    ExpectStillRunningAfterTheRun();
    CloseAndExpectTheEnd();
}

TEST_F(RealDisplay, CommandsDuringARunAreDroppedAndTheProgramEndsOnlyWhenAskedAfterIt)
{
    StartProgramWith(1);
    ArchiveEverything();
    WaitForTheFirstToBePacking();
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

    WaitForTheRunToEnd();
    EXPECT_EQ(LogLines(), QStringList{QStringLiteral("Zarchiwizowano A")});  // one run, one entry
    ExpectStillRunningAfterTheRun();
    CloseAndExpectTheEnd();
}

TEST_F(RealDisplay, TitleStripDragsTheWindowDuringARunAndAfterIt)
{
    StartProgramWith(1);
    ArchiveEverything();
    WaitForTheFirstToBePacking();

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

    WaitForTheRunToEnd();
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
