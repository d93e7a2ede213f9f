#include "archive/run/Unchanged.h"

#include "archive/run/EntryArchives.h"
#include "archive/sevenzip/UpdatePlan.h"
#include "core/Messages.h"
#include "platform/FileSystem.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <tuple>

namespace {

bool ByPath(const ArchiveItem& a, const ArchiveItem& b)
{
    return std::tie(a.Path, a.IsFolder, a.Size, a.Time, a.Attributes) <
           std::tie(b.Path, b.IsFolder, b.Size, b.Time, b.Attributes);
}

// A name in the archive's folder that an interrupted link may leave behind: the shape of the
// packer's temporary files, which the next add in that folder clears away.
QString TemporaryLinkName(const QString& folder)
{
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString letters;
    for (int i = 0; i < 6; ++i)
        letters += QLatin1Char(Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))]);
    return folder + QStringLiteral(".skrytkar-") + letters + QStringLiteral(".tmp");
}

}  // namespace

bool SameItems(const std::vector<ArchiveItem>& gathered, const std::vector<ArchiveItem>& stored)
{
    if (gathered.size() != stored.size())
        return false;
    // The library orders a solid archive's items its own way, so only the sets can be compared.
    std::vector<ArchiveItem> a = gathered;
    std::vector<ArchiveItem> b = stored;
    std::sort(a.begin(), a.end(), ByPath);
    std::sort(b.begin(), b.end(), ByPath);
    return std::equal(a.begin(), a.end(), b.begin(), SameStoredItem);
}

UnchangedCheck CheckUnchangedAgainst(const SevenZipPacker& zip, const GatheredItems& items, const QString& earlierArchive,
                                     uint64_t changedSince)
{
    UnchangedCheck check;
    check.EarlierArchive = earlierArchive;
    // A problem must reach the log as the add reports it, and an add of nothing fails as ever.
    if (!items.Problems.empty() || items.Items.empty()) {
        check.Verdict = UnchangedVerdict::GatheringProblems;
        return check;
    }
    SevenZipReader reader(zip);
    const ArchiveListing& listing = reader.Open(earlierArchive);
    if (listing.Status != ArchiveStatus::Ok || listing.ErrorFlags != 0) {
        check.Verdict = UnchangedVerdict::Unreadable;
        return check;
    }
    check.Verdict = PlanUpdate(items.Items, listing.Items, changedSince).KeepsAll() ? UnchangedVerdict::Unchanged
                                                                                  : UnchangedVerdict::Different;
    return check;
}

UnchangedCheck CheckUnchanged(const SevenZipPacker& zip, const GatheredItems& items, const QString& docel,
                               const QString& nazwa, const QString& currentFolderName, uint64_t changedSince)
{
    for (const EntryArchive& archive : ArchivesIn(docel, nazwa)) {
        if (archive.FolderName == currentFolderName)
            continue;
        return CheckUnchangedAgainst(zip, items, archive.Path, changedSince);
    }
    return UnchangedCheck{};
}

OsError LinkArchive(const QString& earlier, const QString& target, const HardLinkFunction& link)
{
    const QString folder = FolderOfPath(target);
    // A new name beside the target first, then the name itself in one step: an archive of that
    // name (a run of the same minute) is replaced whole or not at all, as when packing.
    QString temp;
    OsError error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        temp = TemporaryLinkName(folder);
        error = link(earlier, temp);
    }
    if (error)
        return error;
    FileSystem::FileInfo before;
    const bool sameFile = FileSystem::LookupEntry(target, before, false) == NoError &&
                          [&] {
                              FileSystem::FileInfo source;
                              return FileSystem::LookupEntry(earlier, source, false) == NoError &&
                                     source.Device == before.Device && source.Inode == before.Inode;
                          }();
    if (sameFile) {
        // The target is that archive already; a rename between two names of one file does nothing.
        RemoveFile(temp);
        return NoError;
    }
    if ((error = RenamePath(temp, target))) {
        RemoveFile(temp);
        return error;
    }
    return SyncFolder(folder);
}
