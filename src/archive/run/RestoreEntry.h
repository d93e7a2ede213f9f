#pragma once
// Restoring: one archive of a list entry extracted into a folder, with the overwrite decision
// left to the caller and every item that was not restored reported. The "/restore" command
// uses it, and so can a window.

#include "archive/run/EntryArchives.h"
#include "archive/sevenzip/SevenZipReader.h"
#include "core/UProcki.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>

class TSevenZip;

// Exit statuses of "/restore".
inline constexpr int ExitRestoreComplete = 0;  // every item restored
inline constexpr int ExitRestorePartial = 1;   // something skipped, refused, damaged or not written
inline constexpr int ExitRestoreRefused = 2;   // unknown entry or archive, bad arguments, list or library

// The first entry of the list in memory whose Nazwa is nazwa exactly.
std::optional<_Wpis> FindEntryByName(const QString& nazwa);

// The entry's archive in the dated folder folderName, or its newest when folderName is empty.
std::optional<TEntryArchive> ChooseEntryArchive(const _Wpis& entry, const QString& folderName = QString());

struct TRestoreRequest {
    QString ArchivePath;
    QString Folder;  // made when missing
    // What to do with a file or link that lies under an item's name; unset means skip.
    std::function<TOverwriteAnswer(const TArchiveItem& item, const TExistingFile& existing)> Decide;
    // Bytes done of the total, as the library goes.
    std::function<void(uint64_t done, uint64_t total)> OnProgress;
    // Each item not restored as stored, as it happens.
    std::function<void(const TExtractProblem& problem)> OnProblem;
    // Stops the restore soon after it is set; what was restored stays.
    const std::atomic<bool>* Cancel = nullptr;
};

struct TRestoreReport {
    TArchiveListing Listing;  // the archive as opened (Status tells whether it opened)
    TExtractResult Result;
    bool Complete() const { return Listing.Status == TArchiveStatus::Ok && Result.Complete(); }
};

TRestoreReport RestoreArchive(const TSevenZip& zip, const TRestoreRequest& request);

// One Polish line for an item that was not restored ("pominięto (plik istnieje): PATH", ...).
QString RestoreProblemLine(const TExtractProblem& problem);

// The whole "skrytkar /restore NAME FOLDER [Arch_YYYYMMDD_HHMM]" command (arguments as
// QCoreApplication gives them, the program's name first): never overwrites, lists what it did
// not restore on standard output, messages on standard error. Answers the exit status.
int RunRestoreCommand(const QStringList& arguments);
