#pragma once
// An entry whose files have not changed since its newest earlier archive needs no packing: the
// new archive becomes a second name (a hard link) of that one. "Unchanged" is decided from the
// archive's headers (names, folder flags, sizes, times, attributes) and from the inodes' change
// times, never from the packed data: a file rewritten with its time set back, or a folder
// swapped for a copy, has a change time after the earlier archive's run began.
// Whatever cannot be read, differs or fails means "pack as usual".

#include "archive/sevenzip/SevenZip.h"
#include "platform/Files.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Why an entry was found unchanged or not; only Unchanged allows the link.
enum class UnchangedVerdict {
    Unchanged,
    NoEarlierArchive,   // no archive of the entry in another dated folder
    GatheringProblems,  // the gathering met something the add must report; or nothing to add
    Unreadable,         // the earlier archive's headers could not be read, or carry a flaw
    Different,          // items, sizes, times or attributes differ, or an inode changed since
};

struct UnchangedCheck {
    UnchangedVerdict Verdict = UnchangedVerdict::NoEarlierArchive;
    QString EarlierArchive;  // the newest earlier archive looked at (empty when none)
    bool Unchanged() const { return Verdict == UnchangedVerdict::Unchanged; }
};

// True when both lists hold the same items in any order: same stored paths, folder flags,
// sizes, times and attributes, each present in both or in neither.
bool SameItems(const std::vector<ArchiveItem>& gathered, const std::vector<ArchiveItem>& stored);

// Compares the items the entry would gather now with the newest archive of nazwa in the dated
// folders of docel, passing over the current run's folder. zip reads the earlier archive;
// changedSince (FILETIME) is the start of that archive's run: an item whose inode changed at or
// after it is changed.
UnchangedCheck CheckUnchanged(const SevenZipPacker& zip, const GatheredItems& items, const QString& docel,
                               const QString& nazwa, const QString& currentFolderName, uint64_t changedSince);
// The same check against one given archive.
UnchangedCheck CheckUnchangedAgainst(const SevenZipPacker& zip, const GatheredItems& items, const QString& earlierArchive,
                                     uint64_t changedSince);

// Makes the hard link; the seam for tests that play another file system or a refusal.
using HardLinkFunction = std::function<OsError(const QString& from, const QString& to)>;

// Gives the new archive `target` as a second name of `earlier` (same file system only), taking
// the place of an archive of that name left by a run of the same minute in one step, and makes
// the folder's entries reach the disk. 0 when the new name is there; otherwise the system's
// error, and the entry is to be packed as usual (packing replaces whatever the link left).
OsError LinkArchive(const QString& earlier, const QString& target, const HardLinkFunction& link = MakeHardLink);
