#pragma once
// The real program on a virtual X server of the test's own, driven with xdotool through the
// server as a user drives it. Shared by the suites that need input to travel the way it does
// for a user: through the X connection, while the program works.

#include "core/EntryList.h"
#include "RunTestSupport.h"
#include "VirtualXServer.h"

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
#include <memory>
#include <optional>
#include <string>

// Random bytes pack slowly: each entry takes a few seconds on a slow machine and still more
// than the few milliseconds that a key needs to reach the program on a fast one.
constexpr qsizetype EntryBytes = 6 * 1024 * 1024;

// Deadlines: generous, since the machine may be busy; polling ends as soon as the state is seen.
constexpr int StartMs = 60000;
constexpr int PackMs = 120000;
constexpr int ReactMs = 15000;

// Main window zones, relative to the window.
inline const QPoint CloseZone(470, 28);
inline const QPoint MenuPlik(46, 63);
inline const QPoint ArchiveZone(386, 361);
inline const QPoint Background(300, 110);  // nothing but the picture
inline const QPoint TitleStrip(200, 24);
inline QPoint ListLine(int row)
{
    return QPoint(100, 129 + 13 * row + 6);
}
// The message dialog's Tak button.
inline const QPoint TakButton(107, 129);

inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
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
        server = std::make_unique<VirtualXServer>();
        display = server->Display();
        ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start";
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
        server.reset();
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

    XWindow WindowWithId(const QString& id)
    {
        // WINDOW=, X=, Y=, WIDTH=, HEIGHT=, SCREEN= lines.
        const QString shell = Xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id});
        QMap<QString, int> values;
        for (const QString& line : shell.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq > 0)
                values[line.left(eq)] = line.mid(eq + 1).toInt();
        }
        return {id, QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")), values.value(QStringLiteral("WIDTH")),
                          values.value(QStringLiteral("HEIGHT")))};
    }

    // The program's windows (those on the screen only, or all it has).
    std::vector<XWindow> ProgramWindows(bool onlyVisible = true)
    {
        std::vector<XWindow> windows;
        if (program.state() != QProcess::Running)
            return windows;
        QStringList search{QStringLiteral("search")};
        if (onlyVisible)
            search << QStringLiteral("--onlyvisible");
        search << QStringLiteral("--pid") << QString::number(program.processId());
        for (const QString& id : Xdotool(search).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const XWindow window = WindowWithId(id);
            if (!window.geometry.isEmpty())
                windows.push_back(window);
        }
        return windows;
    }
    std::vector<XWindow> VisibleWindows() { return ProgramWindows(true); }

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

    // What a failure message needs to tell a fault of the program from one of the machine:
    // whether the program runs, what it wrote to its error output, and the windows it has.
    std::string Diagnosis()
    {
        program.waitForFinished(0);
        QString text = QStringLiteral("program ");
        if (program.state() == QProcess::Running) {
            text += QStringLiteral("running; windows:");
            for (const XWindow& w : ProgramWindows(false))
                text += QStringLiteral(" %1 %2x%3+%4+%5").arg(w.id).arg(w.geometry.width()).arg(w.geometry.height())
                            .arg(w.geometry.x()).arg(w.geometry.y());
            text += QStringLiteral("; visible: %1").arg(VisibleWindows().size());
        } else {
            text += QStringLiteral("ended (status %1, %2)")
                        .arg(program.exitCode())
                        .arg(program.exitStatus() == QProcess::NormalExit ? QStringLiteral("normal") : QStringLiteral("crash"));
        }
        QFile errors(Path(QStringLiteral("program-stderr.txt")));
        if (errors.open(QIODevice::ReadOnly))
            text += QStringLiteral("; stderr: ") + QString::fromUtf8(errors.readAll());
        return text.toStdString();
    }

    // Entries named A, B, C, ... of random files, in the folder "Kopie".
    void StartProgramWith(int entryCount)
    {
        std::vector<Entry> entries;
        for (int i = 0; i < entryCount; ++i) {
            const QString name = QString(QLatin1Char(char('A' + i)));
            QByteArray bytes(EntryBytes, Qt::Uninitialized);
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
            entries.push_back({QStringLiteral("Plik"), name, MakeFile(QStringLiteral("zrodla/") + name + QStringLiteral(".bin"), bytes),
                               destination});
            names << name;
        }
        ASSERT_TRUE(SaveListFileAt(programDir + QStringLiteral("Dane.dat"), entries));
        StartProgram();
    }

    void StartProgram()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("DISPLAY"), display);
        // Nothing of the machine's desktop session: a session bus that is slow to answer (or
        // to start the accessibility bus) holds Qt's start-up for the length of its time-out.
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        env.remove(QStringLiteral("QT_QPA_PLATFORMTHEME"));
        env.remove(QStringLiteral("XDG_SESSION_TYPE"));
        const QString runtimeDir = MakeFolder(QStringLiteral("runtime"));
        QFile::setPermissions(runtimeDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(root.path());
        program.setStandardOutputFile(QProcess::nullDevice());
        program.setStandardErrorFile(Path(QStringLiteral("program-stderr.txt")));
        program.start(programDir + QStringLiteral("skrytkar"), {});
        ASSERT_TRUE(program.waitForStarted(StartMs));
        std::optional<XWindow> window;
        // Without an event loop the process's end is seen only through a wait.
        ASSERT_TRUE(WaitUntil([&] { return (window = MainWindow()).has_value() || program.waitForFinished(0); }, StartMs) && window)
            << "no main window: " << Diagnosis();
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
        ASSERT_TRUE(WaitUntil([&] { return PackingTheFirst(); }, StartMs)) << "the run did not start: " << Diagnosis();
    }

    // The run is over and the window idle: the log is written and no other window shows.
    void WaitForTheRunToEnd()
    {
        ASSERT_TRUE(WaitUntil([&] { return QFile::exists(LogPath()) && OnlyTheMainWindowShows(); }, PackMs))
            << "the run did not end: " << Diagnosis();
    }

    // The program is still there a moment after the run: nothing held back ends it now.
    void ExpectStillRunningAfterTheRun()
    {
        EXPECT_FALSE(program.waitForFinished(1500)) << "the program ended by itself";
        EXPECT_EQ(program.state(), QProcess::Running);
        EXPECT_TRUE(OnlyTheMainWindowShows()) << Diagnosis();
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

    std::unique_ptr<VirtualXServer> server;
    QString display;
    QProcess program;
    QString programDir;
    QString destination;
    QStringList names;
    XWindow main;
};
