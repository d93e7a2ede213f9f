#pragma once
// The program's start: what the main window does when it is created, first shown and closed,
// the one tick of its timer `Zegar`, the command-line rule and the unattended run, with and
// without a display. Qt Core only: the run without a display never needs widgets.
//
// The main window makes its Startup in its constructor (before the other windows exist) and calls
// Show from its first show (after clearing its own drag flag). Show arms the timer `Zegar`,
// whose tick calls TimerTick.

#include "SkrytkarVersion.h"
#include "archive/run/RunResult.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class ArchiveRun;
class EntryList;
class MainWindowPort;
class QTimer;
class SevenZipPacker;

// The application's title, shown on its taskbar button.
inline constexpr char ApplicationTitle[] = "Skrytkar " SKRYTKAR_VERSION;
// The one tick of `Zegar` comes this long after FormShow.
inline constexpr int ZegarIntervalMs = 100;

// Exit statuses of the unattended run (and of the other forms: 0 done, 2 refused or failed).
inline constexpr int ExitArchived = 0;       // every entry archived, or the list empty
inline constexpr int ExitEntriesFailed = 1;  // some entry failed
inline constexpr int ExitFailure = 2;        // list file damaged or unreadable, log not written, no library

// --- The command line ---------------------------------------------------------------------
// `arguments` always holds the program's name first, as QCoreApplication::arguments() does.

// What the program is asked to do.
enum class StartMode { Interactive, Unattended, Help, Version, UnknownOption, Verify, Restore };

// One form of the command line, as the usage text lists it. A name beginning with "/" is
// looked for in the first argument only, in any letter case (ASCII letters); names beginning
// with "-" are options. A new form is one more row of CommandLineForms and its description
// in the catalogue.
struct CommandLineForm {
    QStringList Names;  // empty for the start without arguments
    StartMode Mode;
    QString (*Description)();
};
// Every form the program takes, in the order of the usage text.
const std::vector<CommandLineForm>& CommandLineForms();

struct StartCommand {
    StartMode Mode = StartMode::Interactive;
    QString UnknownOption;  // the argument as given, for UnknownOption
};
// Only the first argument decides: a "/" form when it names one; options when it begins with
// "-" (an option the program does not know is refused); anything else, a file name for
// example, or nothing at all, is the interactive start.
StartCommand ParseCommandLine(const QStringList& arguments);
// The command-line rule of the unattended run: "/all" as the first argument, any letter case.
bool IsUnattendedCommandLine(const QStringList& arguments);

// The answers that need neither a display nor an application object: the usage text or the
// version on standard output, or a refused option on standard error. Each returns the exit
// status.
int PrintUsage();
int PrintVersion();
int RefuseOption(const QString& option);
QString UsageText();

// The program's start as the main window (or the run without a display) goes through it:
// the command line read once, the list loaded when the window is first shown, the one tick of
// the timer `Zegar` that starts the unattended run, and that run's exit status.
class Startup {
public:
    // startArchiveAll starts archiving every entry of the list, and the run's end is told back
    // with UnattendedRunEnded: the main window starts its own run on its worker thread, the start
    // without a display runs it in place (ArchiveAllInPlace).
    Startup(const QStringList& arguments, EntryList& list, MainWindowPort& window,
            std::function<void()> startArchiveAll);
    ~Startup();
    Startup(const Startup&) = delete;
    Startup& operator=(const Startup&) = delete;

    // "/all" was the first argument.
    bool Unattended() const { return unattended; }

    // What the main window's first show does: gives the list its file in the data folder,
    // removes what a killed save left, loads the list (an unreadable list file raises
    // ListFileError and the remaining steps do not run), fills the list box unless unattended,
    // hides the status panel and arms the timer.
    void Show();
    // The one-shot timer: interval ZegarIntervalMs, disarmed, its tick wired to TimerTick
    // through the error boundary.
    QTimer& Timer() { return *timer; }
    void TimerTick();
    // Unattended only: minimise and start archiving every entry.
    void RunUnattended();
    // The unattended run has ended: the program ends, unless its log could not be written (that
    // is reported, and the window stays).
    void UnattendedRunEnded(const RunResult& result, bool logWriteFailed);
    // The exit status of the unattended run.
    // The unattended run that ended; nullptr when none ran.
    const RunResult* LastRun() const { return ran ? &lastRun : nullptr; }
    int UnattendedExitStatus() const;

private:
    bool unattended;
    EntryList& list;
    MainWindowPort& window;
    std::function<void()> startArchiveAll;
    std::unique_ptr<QTimer> timer;
    RunResult lastRun;
    bool ran = false;
    bool logWriteFailed = false;
};

// Archives every entry with `run` in place and tells `startup` how it ended; a log that cannot
// be written leaves as LogWriteError after that.
void ArchiveAllInPlace(ArchiveRun& run, Startup& startup);

// The whole unattended run without a display: needs a QCoreApplication; messages go to
// standard error and wait for nobody. Returns the exit status.
int RunHeadless(const QStringList& arguments);
// The same, for arguments RunHeadless accepted, with a packer that is ready (ConfigurePacker
// applied).
int RunHeadlessWith(const QStringList& arguments, SevenZipPacker& packer);
