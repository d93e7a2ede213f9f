// Skrytkar's main block: answers the command line, finds out whether a display answers, and
// then either runs the unattended run without a display here or hands over to the windowed
// program. This program links Qt Core only: a run from cron loads no widgets, no platform
// plugin and no fonts.

#include "archive/run/RestoreEntry.h"
#include "archive/run/Startup.h"
#include "archive/run/VerifyCommand.h"
#include "core/Messages.h"
#include "core/UiPorts.h"
#include "platform/Display.h"
#include "platform/Platform.h"
#include "platform/Process.h"

#include <QCoreApplication>

#include <chrono>
#include <thread>

namespace {

QStringList CommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace

int main(int argc, char** argv)
{
    const QStringList arguments = CommandLine(argc, argv);

    // Help, version and a refused option need no display and no application object.
    const StartCommand command = ParseCommandLine(arguments);
    switch (command.Mode) {
    case StartMode::Help:
        return PrintUsage();
    case StartMode::Version:
        return PrintVersion();
    case StartMode::UnknownOption:
        return RefuseOption(command.UnknownOption);
    case StartMode::Verify:
    case StartMode::Restore: {
        // Reading archives back needs no display, whatever the environment offers.
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Skrytkar"));
        QCoreApplication::setApplicationVersion(QString::fromLatin1(SkrytkarVersion));
        return command.Mode == StartMode::Verify ? RunVerifyCommand() : RunRestoreCommand(arguments);
    }
    case StartMode::Interactive:
    case StartMode::Unattended:
        break;
    }

    DisplayAvailability display = ProbeDisplay(DisplayEnvironment::Current());
    // Started for its window (at login, say) while the display server is only coming up: a
    // refused first contact is asked again a few times before the user is told there is none.
    for (int attempt = 1; command.Mode == StartMode::Interactive && display == DisplayAvailability::None &&
                          attempt <= DisplayProbeRetries;
         ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(DisplayProbeRetryMs));
        display = ProbeDisplay(DisplayEnvironment::Current());
    }
    if (command.Mode == StartMode::Unattended && display != DisplayAvailability::Screen) {
        // Started by cron or a timer, or where nobody could see a window: the same run, messages
        // on standard error, an exit status.
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Skrytkar"));
        QCoreApplication::setApplicationVersion(QString::fromLatin1(SkrytkarVersion));
        return RunHeadless(arguments);
    }
    if (display == DisplayAvailability::None) {
        ReportToStandardError(Msg::NoDisplay());
        return ExitFailure;
    }
    // The windows: the windowed program beside this one takes over with the same arguments.
    const QString windowed = QStringLiteral(SKRYTKAR_WINDOWED_PROGRAM);
    const OsError error = ReplaceProcess(ProgramDirectory() + windowed, argv);
    ReportToStandardError(Msg::WindowedProgramMissing(windowed, Msg::SystemReason(error)));
    return ExitFailure;
}
