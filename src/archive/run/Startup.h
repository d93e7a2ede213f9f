#pragma once
// The program's start: what the main window does when it is created, first shown and closed,
// the one tick of its timer `Zegar`, the command-line rule and the unattended run, with and
// without a display. Qt Core only: the run without a display never needs widgets.
//
// The main window calls FormCreate from its constructor (before the other windows exist),
// FormShow from its first show (after clearing its own drag flag) and FormClose from its close
// event. FormShow arms `Zegar`, whose tick calls ZegarTimer.

#include "SkrytkarVersion.h"

#include <QString>
#include <QStringList>

#include <vector>

class QTimer;

// The application's title, shown on its taskbar button.
inline constexpr char ApplicationTitle[] = "Skrytkar " SKRYTKAR_VERSION;
// The one tick of `Zegar` comes this long after FormShow.
inline constexpr int ZegarIntervalMs = 100;

// Exit statuses of the unattended run (and of the other forms: 0 done, 2 refused or failed).
inline constexpr int ExitArchived = 0;       // every entry archived, or the list empty
inline constexpr int ExitEntriesFailed = 1;  // some entry failed
inline constexpr int ExitFailure = 2;        // list file damaged or unreadable, log not written, no library

// Set by FormCreate when the first argument is "/all".
extern bool Unattended;

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

void FormCreate(const QStringList& arguments);
// Sets ListFilePath, loads the list (an unreadable list file raises ListFileError and the
// remaining steps do not run), fills the list box unless unattended, hides the status panel,
// clears the run flags and arms `Zegar`.
void FormShow();
// The main window's one-shot timer: interval ZegarIntervalMs, disarmed, its tick wired to
// ZegarTimer through the error boundary. It lives as long as the application object.
QTimer& Zegar();
void ZegarTimer();
// Unattended only: minimise, archive every entry, terminate. A log that cannot be written
// leaves it as LogWriteError, before terminating.
void RunUnattended();
// Frees LogLines, or leaves that to the run when one is in progress.
void FormClose();

// The exit status of the unattended run that RunUnattended made.
int UnattendedExitStatus();

// The whole unattended run without a display: needs a QCoreApplication; messages go to
// standard error and wait for nobody. Returns the exit status.
int RunHeadless(const QStringList& arguments);
