// Skrytkar's main block: decides between the windowed program and the unattended run without
// a display, then starts the application in the fixed order.

#include "ui/windows/Application.h"
#include "core/Messages.h"
#include "ui/windows/ErrorReport.h"
#include "archive/run/Startup.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList CommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

bool EnvironmentVariableSet(const char* name)
{
    return !qEnvironmentVariableIsEmpty(name);
}

bool DisplayNamed()
{
    return EnvironmentVariableSet("DISPLAY") || EnvironmentVariableSet("WAYLAND_DISPLAY") || EnvironmentVariableSet("QT_QPA_PLATFORM");
}

// QApplication ends the process when its platform plugin cannot open a display, so a run
// from cron with a stale DISPLAY would never reach the unattended run. Whether a display can
// be opened is therefore tried in a child process first.
bool DisplayCanBeOpened(int argc, char** argv)
{
    if (!DisplayNamed())
        return false;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return true;  // cannot tell: let the platform try
    if (child == 0) {
        const int devnull = ::open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            ::dup2(devnull, STDOUT_FILENO);
            ::dup2(devnull, STDERR_FILENO);
        }
        QGuiApplication probe(argc, argv);
        ::_exit(0);
    }
    // A display that does not answer counts as none.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

int main(int argc, char** argv)
{
    const QStringList arguments = CommandLine(argc, argv);

    if (IsUnattendedCommandLine(arguments) && !DisplayCanBeOpened(argc, argv)) {
        // Started by cron or a timer: the same run, messages on standard error, an exit status.
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Skrytkar"));
        QCoreApplication::setApplicationVersion(QString::fromLatin1(SkrytkarVersion));
        return RunHeadless(arguments);
    }
    if (!DisplayNamed()) {
        ReportToStandardError(Msg::NoDisplay());
        return ExitFailure;
    }
    // The windowed program: the application with its error report at the event boundary, the
    // five windows and the message loop.
    TSkrytkarApplication app(argc, argv);
    return RunWindowedProgram(app);
}
