#pragma once
// The history of runs: every run's log is also kept as "Logi/Log_YYYYMMDD_HHMM.txt" in the data
// folder, the newest ones only, so that a failed night can still be read after the next run
// has rewritten "Log.txt". A kept log holds the lines of "Log.txt" and one more line at its
// end that says how the run started; the history window reads them back.

#include "archive/run/RunResult.h"
#include "core/EntryList.h"
#include "platform/Files.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

// How many kept logs stay; older ones are removed when a run keeps its own.
inline constexpr int KeptHistoryLogs = 100;

// DataDirectory() + "Logi/".
QString HistoryFolderPath();
// "Log_" + stamp + ".txt" for the stamp YYYYMMDD_HHMM of a run.
QString HistoryLogName(const QString& stamp);
// The line a kept log ends with.
QString HistoryStartLine(bool unattended);

// Keeps the run's log lines (as "Log.txt" holds them) with the start line under the stamp, in
// folder (HistoryFolderPath() when empty), then removes all but the newest KeptHistoryLogs.
OsError SaveHistoryLog(const QStringList& logLines, const QString& stamp, bool unattended,
                       const QString& folder = QString());

// One kept log as the history window shows it.
struct HistoryRun {
    QString Path;
    QDateTime Time;          // from the file's name (local time, minutes)
    bool Unattended = false;
    bool StartKnown = false;  // the log says how the run started
    int Failures = 0;        // entries that failed
    QStringList Lines;       // the log's lines, without the start line
    std::vector<bool> FailureLines;  // per line: belongs to a failed entry
    QString FolderName;      // "Arch_..." from the log's header; empty when it has none
};

// Reads one kept log.
HistoryRun ReadHistoryLog(const QString& path);
// Every kept log in folder (HistoryFolderPath() when empty), newest first.
std::vector<HistoryRun> ReadHistory(const QString& folder = QString());
// How many days without a full archiving the main window lets pass before it warns
// ("OstrzegajPoDniach" of "Ustawienia.ini").
inline constexpr int DefaultWarnAfterDays = 7;
// The newest kept run that archived every entry of entries (packed or unchanged) without a
// failure; invalid when there is none or the list is empty.
QDateTime LastFullRun(const EntryVector& entries, const std::vector<HistoryRun>& runs);
// The main window's line about it at the moment now: "Ostatnia archiwizacja: wczoraj o 19:30";
// warning is set when it is older than warnAfterDays days or there is none.
QString LastFullRunText(const QDateTime& last, const QDateTime& now, int warnAfterDays, bool& warning);

// What a run did in a few lines for the window's summary: entries archived, unchanged and
// failed, and the failed entries' names.
QString RunSummaryText(const RunResult& result);

// The kept log of the run with this stamp (or dated folder name "Arch_" + stamp).
QString HistoryLogPathFor(const QString& stampOrFolderName, const QString& folder = QString());
