#pragma once
// The archive run: the selected entries, or all of them, each packed by the main window's
// packer `Zipek` into Docel/Arch_<time stamp>/Nazwa.7z, with the run's log "Log.txt" in the
// program's directory. Everything here runs on the user-interface thread.

#include "core/UserError.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <stdexcept>

class SevenZipPacker;
struct PackProblem;

// Result codes of one entry.
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

// Names of the status pictures among the program's resources.
inline constexpr char StatusWorkingImage[] = "but_przetwarzam";
inline constexpr char StatusDoneImage[] = "but_wykonano";
// How long the "done" picture stays before the status panel is hidden.
inline constexpr int StatusDonePauseMs = 800;

// Run state.
extern QString ArchiveFolderName;           // "Arch_" + time stamp of the last run that archived
extern std::unique_ptr<QStringList> LogLines;  // the current run's log (made by FormCreate)
extern bool Archiving;                      // a run is in progress
extern bool StopRequested;                  // Escape was pressed during the run
extern bool ErrorsOccurred;                 // some entry of the run failed
// The last ArchiveSelected or ArchiveAll found another run of the same program folder at work
// and did nothing but say so.
extern bool RunFoundBusy;
// Why the last ArchiveEntry ended as it did, one text per cause in the order met, also for
// an entry archived with something left out. LogEntryResult writes them under the entry's
// line and empties the list.
extern QStringList EntryReasons;

// The packer the run drives; the main window (or the headless start-up) owns it.
extern SevenZipPacker* Zipek;

// Raised when "Log.txt" cannot be written; what() is the user-facing Polish text in UTF-8.
class LogWriteError : public UserError {
public:
    using UserError::UserError;
};

// Gives the packer the settings of the main window's design (plain solid LZMA 7z, fast, no
// recursion into subfolders, no password, one volume) and the run's progress handlers.
void ApplyZipekSettings(SevenZipPacker& packer);
// ApplyZipekSettings, then makes the packer the run's `Zipek`; nullptr detaches it.
void InstallZipek(SevenZipPacker* packer);

void ArchiveSelected();
void ArchiveAll();
int ArchiveEntry(int index);
void LogEntryResult(int code, int index);
// Writes the causes of an entry's result under its line, each on its own line led by a TAB.
// The run's own lines without an entry (cancel, empty list) get none.
void LogReasonLines(int code, const QStringList& reasons);
// A name or path as the log shows it: a control character would split the line or hide text,
// so each one becomes "?".
QString LogSafeText(const QString& text);
// The reason line (without its TAB) for something an add met.
QString AddProblemReason(const PackProblem& problem);
// A relative Source or Docel means the same folder from cron and from a terminal: the one
// the list lives in (DataDirectory()). Absolute and empty paths stay as they are.
QString ResolvedEntryPath(const QString& path);
// The lock file that lets one run at a time work for one program folder, beside the list.
QString RunLockPath();
QString TimeStampText();
QString TimeStampText(const QDateTime& moment);
QString ParentFolderOf(const QString& path);
// The folder part of a file's path without its trailing "/" (the root keeps it).
QString FolderOfFile(const QString& path);
// False for a name that would place an archive outside the run's dated folder, or that holds
// a control character (below 0x20, or 0x7F).
bool IsSafeArchiveName(const QString& Nazwa);
void ShowWorkStatus(int state);
void ZipekPreProgress(SevenZipPacker* Sender, int64_t MaxProgress);
void ZipekProgress(SevenZipPacker* Sender, const QString& Filename, int64_t FilePosArc, int64_t FilePosFile);

// Full path of "Log.txt" in the data directory (DataDirectory()).
QString LogFilePath();
// Writes LogLines to "Log.txt" (UTF-8, CR LF after every line); throws LogWriteError.
void SaveLog();
// Frees LogLines now, or when the running run has finished with it.
void ReleaseLogLines();
