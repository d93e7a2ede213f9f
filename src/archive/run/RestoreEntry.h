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

// The first entry whose Nazwa is nazwa exactly; else the one entry whose Nazwa is nazwa in
// another letter case (none when two or more are).
std::optional<Entry> FindEntryByName(const EntryVector& entries, const QString& nazwa);

// The entry's archive in the dated folder folderName, or its newest when folderName is empty.
std::optional<EntryArchive> ChooseEntryArchive(const Entry& entry, const QString& folderName = QString());

struct RestoreRequest {
    QString ArchivePath;
    QString Folder;  // made when missing (and anything is to be restored)
    // Item paths as stored; each is restored with everything under it. Empty for all items.
    QStringList Paths;
    // What to do with a file or link that lies under an item's name; unset means skip.
    std::function<OverwriteAnswer(const ArchiveItem& item, const ExistingFile& existing)> Decide;
    // Bytes done of the total, as the library goes.
    std::function<void(uint64_t done, uint64_t total)> OnProgress;
    // Each item not restored as stored, as it happens.
    std::function<void(const ExtractProblem& problem)> OnProblem;
    // Stops the restore soon after it is set; what was restored stays.
    const std::atomic<bool>* Cancel = nullptr;
    // Test seam: runs between two items, on the library's thread.
    std::function<void(const ArchiveItem& item)> BetweenItems;
};

struct RestoreReport {
    ArchiveListing Listing;  // the archive as opened (Status tells whether it opened)
    ExtractResult Result;
    // Why the archive is not whole, as "/verify" says it; empty when it is (or it was stopped).
    QString Fault;
    // Paths of the request that name no item; nothing is restored then.
    QStringList UnknownPaths;
    // Items chosen (all of the archive when no paths were given).
    qint64 Chosen = 0;
    bool Complete() const
    {
        return Listing.Status == ArchiveStatus::Ok && Result.Complete() && Fault.isEmpty() && UnknownPaths.isEmpty();
    }
};

// The indices of the items at the given paths and under them (every item for no paths); each
// path that names no item is added to unknown.
std::vector<uint32_t> ChosenItems(const ArchiveListing& listing, const QStringList& paths, QStringList* unknown = nullptr);

// Why the archive is not whole, judged as "/verify" judges it from what the restore read; empty
// when it is whole or the restore was stopped before the end.
QString RestoreFault(const ArchiveListing& listing, const ExtractResult& result);

// The one place an item's or entry's name is put into what "/restore" prints.
QString PrintedName(const QString& name);

RestoreReport RestoreArchive(const SevenZipPacker& zip, const RestoreRequest& request);

// One Polish line for an item that was not restored ("pominięto (plik istnieje): PATH", ...).
QString RestoreProblemLine(const ExtractProblem& problem);

// The whole "skrytkar /restore NAME FOLDER [Arch_YYYYMMDD_HHMM] [PATH...]" command (arguments as
// QCoreApplication gives them, the program's name first): never overwrites, lists what it did
// not restore on standard output, messages on standard error. Answers the exit status.
int RunRestoreCommand(const QStringList& arguments);
