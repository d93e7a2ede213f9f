#pragma once
// The run's log "Log.txt" in the data folder, rewritten whole by every run.

#include "core/UserError.h"

#include <QString>
#include <QStringList>

// Raised when "Log.txt" cannot be written; what() is the user-facing Polish text in UTF-8.
class LogWriteError : public UserError {
public:
    using UserError::UserError;
};

// Full path of "Log.txt" in the data directory (DataDirectory()).
QString LogFilePath();
// Writes the lines (UTF-8, CR LF after every line) through a temporary file, so a failed write
// keeps the previous log whole; throws LogWriteError.
void SaveLog(const QStringList& lines);

// Writes one line (UTF-8, LF) to standard output with control characters shown as "?", as the
// log shows them: a name with a line break in it cannot make a line of its own.
void PrintSafeLine(const QString& text);

// The log's lines with the settings' notices put in as TAB lines after the header, where the
// reader of the log sees them before the entries the settings shaped.
QStringList WithSettingsNotices(const QStringList& lines, const QStringList& notices);
// The same notices on standard error, one TAB line each, for the journal of an unattended run.
void ReportSettingsNotices(const QStringList& notices);

// The whole log of one run: "Log.txt" with the settings' notices put in (throws LogWriteError),
// then the same lines kept in the history under the run's dated folder name ("Arch_" + stamp;
// the time now when empty), with how it started. A history that cannot be written costs the
// run nothing: "Log.txt" is written by then.
void SaveRunLog(const QStringList& lines, const QStringList& settingsNotices, const QString& folderName,
                bool unattended);
