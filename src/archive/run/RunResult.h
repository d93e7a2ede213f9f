#pragma once
// What one archive run did: one record per entry it took up, in list order, and how it ended.
// The log text, the exit status of the unattended run and the window's closing message are
// all made from this one structure.

#include "archive/run/Retention.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// Outcome codes of one entry.
inline constexpr int ResultArchived = 0;
inline constexpr int ResultDestinationMissing = -1;
inline constexpr int ResultSourceMissing = -2;
inline constexpr int ResultPackFailed = -3;
inline constexpr int ResultCancelled = -5;
inline constexpr int ResultListEmpty = -6;
// An archive of this name in this folder was already written by the same run: kept, not replaced.
inline constexpr int ResultNameUsedInRun = -8;
// The entry has no name, so its archive would have none either: nothing is written.
inline constexpr int ResultNoName = -9;
// Written, but it did not test whole when read back from the disk: removed, never named.
inline constexpr int ResultVerifyFailed = -10;
// Nothing changed since the entry's newest archive: the new one is a second name of it.
inline constexpr int ResultArchivedUnchanged = -11;

// True for the codes that count as a failed entry.
bool IsFailureCode(int code);

struct EntryOutcome {
    int Index = -1;         // the entry's line in the list
    QString Name;           // its Nazwa, as the list holds it
    int Code = ResultPackFailed;
    QStringList Reasons;    // why it ended so, one text per cause in the order met
    QString ArchivePath;    // the archive written or linked; empty when there is none
    int64_t Bytes = 0;      // that archive's size on the disk
    RetentionResult Retention;  // older archives removed after it
    // The entry's newest earlier archive was found damaged (and nothing was taken from it):
    // the entry may have archived, but the run must not end as a success.
    bool EarlierDamaged = false;

    bool Failed() const { return IsFailureCode(Code); }
};

// How the run began: only Ran takes up entries.
enum class RunStart {
    Ran,
    NothingToArchive,  // the list is empty (archiving the selection)
    NothingSelected,   // no line selected
    FoundBusy,         // another run of the same program folder holds the lock
    AlreadyRunning,    // this run object is at work already
};

struct RunResult {
    RunStart Start = RunStart::Ran;
    QString FolderName;        // "Arch_" + time stamp of the run; empty for a run that archived nothing
    bool ListEmpty = false;    // every entry was asked for and the list is empty
    std::vector<EntryOutcome> Entries;
    bool Cancelled = false;    // the user stopped the run after the last entry in Entries
    QString LogFailure;        // why "Log.txt" could not be written; empty when it was

    bool ErrorsOccurred() const;
    // The run's log as "Log.txt" holds it, one line each, without line ends.
    QStringList LogLines() const;
};

// The log line for one entry's outcome (the entry's name already made safe for the log).
QString EntryLogLine(int code, const QString& safeName);
// Its reason lines, each led by a TAB; the run's own lines without an entry get none.
QStringList ReasonLogLines(int code, const QStringList& reasons);
// A name or path as the log shows it: a control character would split the line or hide text,
// so each one becomes "?".
QString LogSafeText(const QString& text);
