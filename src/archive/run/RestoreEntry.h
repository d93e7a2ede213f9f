#pragma once
// Restoring: one archive of a list entry extracted into a folder, with the overwrite decision
// left to the caller and every item that was not restored reported. The "/restore" command
// uses it, and so can a window.

#include "archive/run/EntryArchives.h"
#include "archive/sevenzip/SevenZipReader.h"
#include "core/EntryList.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>

class SevenZipPacker;

// Exit statuses of "/restore".
inline constexpr int ExitRestoreComplete = 0;  // every item restored
inline constexpr int ExitRestorePartial = 1;   // something skipped, refused, damaged or not written
inline constexpr int ExitRestoreRefused = 2;   // unknown entry or archive, bad arguments, list or library

// The first entry whose Nazwa is nazwa exactly.
std::optional<Entry> FindEntryByName(const EntryVector& entries, const QString& nazwa);

// The entry's archive in the dated folder folderName, or its newest when folderName is empty.
std::optional<EntryArchive> ChooseEntryArchive(const Entry& entry, const QString& folderName = QString());

struct RestoreRequest {
    QString ArchivePath;
    QString Folder;  // made when missing
    // What to do with a file or link that lies under an item's name; unset means skip.
    std::function<OverwriteAnswer(const ArchiveItem& item, const ExistingFile& existing)> Decide;
    // Bytes done of the total, as the library goes.
    std::function<void(uint64_t done, uint64_t total)> OnProgress;
    // Each item not restored as stored, as it happens.
    std::function<void(const ExtractProblem& problem)> OnProblem;
    // Stops the restore soon after it is set; what was restored stays.
    const std::atomic<bool>* Cancel = nullptr;
};

struct RestoreReport {
    ArchiveListing Listing;  // the archive as opened (Status tells whether it opened)
    ExtractResult Result;
    bool Complete() const { return Listing.Status == ArchiveStatus::Ok && Result.Complete(); }
};

RestoreReport RestoreArchive(const SevenZipPacker& zip, const RestoreRequest& request);

// One Polish line for an item that was not restored ("pominięto (plik istnieje): PATH", ...).
QString RestoreProblemLine(const ExtractProblem& problem);

// The whole "skrytkar /restore NAME FOLDER [Arch_YYYYMMDD_HHMM]" command (arguments as
// QCoreApplication gives them, the program's name first): never overwrites, lists what it did
// not restore on standard output, messages on standard error. Answers the exit status.
int RunRestoreCommand(const QStringList& arguments);
