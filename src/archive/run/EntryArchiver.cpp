#include "archive/run/EntryArchiver.h"

#include "archive/run/ArchiveRecord.h"
#include "archive/run/EntryArchives.h"
#include "archive/run/RunPaths.h"
#include "archive/run/Unchanged.h"
#include "archive/run/VerifyCommand.h"
#include "archive/sevenzip/SevenZip.h"
#include "archive/sevenzip/SevenZipReader.h"
#include "archive/sevenzip/UpdatePlan.h"
#include "core/Messages.h"
#include "platform/FileSystem.h"
#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <optional>

namespace {

bool IdentityOf(const QString& path, std::pair<uint64_t, uint64_t>& id)
{
    FileSystem::FileInfo info;
    if (FileSystem::LookupEntry(path, info, false) != NoError)
        return false;
    id = {info.Device, info.Inode};
    return true;
}

void AddReason(EntryOutcome& outcome, const QString& path, const QString& reason)
{
    outcome.Reasons.append(path.isEmpty() ? reason : Msg::ReasonAt(path, reason));
}

int64_t SizeOnDisk(const QString& path)
{
    FileSystem::FileInfo info;
    return FileSystem::LookupEntry(path, info, false) == NoError ? static_cast<int64_t>(info.Size) : 0;
}

} // namespace

void ConfigurePacker(SevenZipPacker& packer)
{
    packer.AddOptions = AddSolid;
    packer.LZMACompressType = LZMA;
    packer.LZMACompressStrength = FAST;
    packer.LZMAStrength = 0;
    packer.SolidBlockMegabytes = SolidBlockMegabytes;
    packer.Password.clear();
    // Nothing is reported archived that was not read back whole from the disk.
    ApplyRunSettings(packer, Settings{});
}

void ApplyRunSettings(SevenZipPacker& packer, const Settings& settings)
{
    packer.VerifyAfterWrite = settings.Weryfikacja;
    packer.AddOptions = settings.Podfoldery ? (packer.AddOptions | AddRecurseDirs) : (packer.AddOptions & ~AddRecurseDirs);
}

QString AddProblemReason(const PackProblem& problem)
{
    // A problem met without an error code of the system has no reason of its own to give.
    const QString why = problem.Error != 0 ? Msg::SystemReason(problem.Error) : Msg::ReasonUnknown();
    QString reason = why;
    switch (problem.What) {
    case PackProblem::Unreadable:
        reason = Msg::ReasonFileUnreadable(why);
        break;
    case PackProblem::ChangedWhileRead:
        reason = Msg::ReasonChangedWhileRead();
        break;
    case PackProblem::FolderUnlistable:
        reason = Msg::ReasonFolderUnlistable(why);
        break;
    case PackProblem::SpecialFileLeftOut:
        reason = Msg::ReasonSpecialFileLeftOut();
        break;
    case PackProblem::ArchiveWrite:
        reason = Msg::ReasonArchiveWrite(why);
        break;
    case PackProblem::VerifyFailed:
        reason = problem.Error != 0 ? Msg::FaultUnreadable(why) : Msg::FaultDamaged();
        break;
    }
    return problem.Path.isEmpty() ? reason : Msg::ReasonAt(problem.Path, reason);
}

QString PackingText(const SevenZipPacker& packer)
{
    QString text = packer.LZMACompressType == PPMD ? QStringLiteral("ppmd") : QStringLiteral("lzma");
    text += QStringLiteral(" poziom %1 slowo %2").arg(int(packer.LZMACompressStrength)).arg(int(packer.LZMAStrength));
    if (!(packer.AddOptions & AddSolid))
        text += QStringLiteral(" bez bloku");
    else if (packer.SolidBlockMegabytes > 0)
        text += QStringLiteral(" blok %1m").arg(packer.SolidBlockMegabytes);
    else
        text += QStringLiteral(" jeden blok");
    if (!packer.Password.isEmpty())
        text += QStringLiteral(" haslo");
    return text;
}

EntryArchiver::EntryArchiver(SevenZipPacker* packer, const Settings& settings, QString folderName, QDateTime runStart)
    : packer(packer), settings(settings), folderName(std::move(folderName)), runStart(runStart.toUTC())
{
}

void EntryArchiver::Remember(const QString& archive)
{
    std::pair<uint64_t, uint64_t> id;
    if (IdentityOf(archive, id))
        written.insert(id);
}

bool EntryArchiver::WrittenBefore(const QString& archive) const
{
    std::pair<uint64_t, uint64_t> id;
    return IdentityOf(archive, id) && written.count(id) > 0;
}

EntryOutcome EntryArchiver::Archive(int index, const Entry& entry)
{
    EntryOutcome outcome;
    outcome.Index = index;
    outcome.Name = entry.Nazwa;
    outcome.Code = ArchiveInto(entry, outcome);
    if (!outcome.ArchivePath.isEmpty())
        outcome.Bytes = SizeOnDisk(outcome.ArchivePath);
    return outcome;
}

namespace {

// FILETIME of a moment.
uint64_t FileTimeOfMoment(const QDateTime& moment)
{
    constexpr int64_t SecondsFrom1601To1970 = 11644473600LL;
    const int64_t seconds = moment.toSecsSinceEpoch() + SecondsFrom1601To1970;
    return seconds > 0 ? static_cast<uint64_t>(seconds) * 10000000ULL : 0;
}

// What the run knows of an earlier archive before it builds on it.
struct EarlierArchive {
    bool Whole = false;      // confirmed by its digest, or tested in full just now
    bool Damaged = false;    // tested in full and found damaged
    ArchiveRecord Record;    // its record (RunStart and Packing valid when Whole)
};

// Confirms an earlier archive is the file that was checked when it was written: by its digest
// when its record matches, otherwise by testing it in full (and recording it when whole). An
// archive known only from its dated folder's name counts from an hour before that minute, so
// that no change of the run's hour is missed, and its packing is unknown.
EarlierArchive ConfirmEarlier(SevenZipPacker& packer, const EntryArchive& archive)
{
    EarlierArchive earlier;
    if (const std::optional<ArchiveRecord> record = ReadRecord(archive.Path); record && MatchesRecord(archive.Path, *record)) {
        earlier.Whole = true;
        earlier.Record = *record;
        return earlier;
    }
    SevenZipReader reader(packer);
    reader.Password = packer.Password;
    const ArchiveListing& listing = reader.Open(archive.Path);
    const ArchiveTestResult test = listing.Status == ArchiveStatus::Ok ? reader.Test() : TestResultOfFailedOpen(listing);
    reader.Close();
    if (!test.Ok()) {
        // An archive this run could not read (no permission, a password) is not known to be
        // damaged; one whose data or headers fail their checks is.
        earlier.Damaged = test.Status == ArchiveStatus::Damaged || test.Status == ArchiveStatus::NotArchive;
        return earlier;
    }
    earlier.Whole = true;
    earlier.Record.RunStart = archive.Time.addSecs(-3600).toUTC();
    uint64_t size = 0;
    if (FileDigest(archive.Path, earlier.Record.Digest, size) == NoError) {
        earlier.Record.Size = size;
        WriteRecord(archive.Path, earlier.Record);
    }
    return earlier;
}

}  // namespace

// Builds on the entry's newest earlier archive where it can: an entry whose items are all
// unchanged since it gets the new archive as a second name of that one (true: nothing left to
// pack); otherwise, when it was packed the same way, the packer is told to take the unchanged
// items over from it. An earlier archive found damaged is neither linked nor taken from, and
// the entry says so. Anything that cannot be read or done leaves the entry to be packed anew.
bool EntryArchiver::BuiltOnEarlier(const QString& docel, const QString& nazwa, const QString& archive,
                                   EntryOutcome& outcome)
{
    packer->UpdateFrom.clear();
    GatheredItems items;
    try {
        items = packer->ItemsToAdd();
    } catch (...) {
        return false;
    }
    if (items.Items.empty())
        return false;
    const std::vector<EntryArchive> archives = ArchivesIn(docel, nazwa);
    const auto newest = std::find_if(archives.begin(), archives.end(),
                                     [&](const EntryArchive& a) { return a.FolderName != folderName; });
    if (newest == archives.end())
        return false;
    const EarlierArchive earlier = ConfirmEarlier(*packer, *newest);
    if (earlier.Damaged) {
        outcome.Reasons.append(Msg::ReasonEarlierDamaged(newest->Path));
        outcome.EarlierDamaged = true;
        return false;
    }
    if (!earlier.Whole)
        return false;
    // File systems stamp changes from a clock that may lag the run's by a tick: a second more.
    const uint64_t changedSince = FileTimeOfMoment(earlier.Record.RunStart.addSecs(-1));

    // A gathering with problems is never linked (CheckUnchangedAgainst): they must reach the log.
    if (CheckUnchangedAgainst(*packer, items, newest->Path, changedSince).Unchanged() &&
        LinkArchive(newest->Path, archive) == NoError) {
        // The bars move as for a packed entry.
        if (packer->OnPreProgress)
            packer->OnPreProgress(packer, items.Total);
        if (packer->OnProgress)
            packer->OnProgress(packer, QString(), items.Total, items.Total);
        if (items.SkippedSubfolderCount > 0)
            outcome.Reasons.append(Msg::ReasonSkippedSubfolders(items.SkippedSubfolderCount));
        // The same file under this run's name: changes count from this run on.
        ArchiveRecord record = earlier.Record;
        record.RunStart = runStart;
        WriteRecord(archive, record);
        Remember(archive);
        return true;
    }
    if (!earlier.Record.Packing.isEmpty() && earlier.Record.Packing == PackingText(*packer)) {
        packer->UpdateFrom = newest->Path;
        packer->UpdateChangedSince = changedSince;
    }
    return false;
}

// After an add: an archive read back whole gets its record; any other loses an old one.
void EntryArchiver::RecordWritten(const QString& archive)
{
    if (packer->VerifyAfterWrite && packer->LastVerify.Ok()) {
        ArchiveRecord record;
        record.RunStart = runStart;
        record.Packing = PackingText(*packer);
        if (FileDigest(archive, record.Digest, record.Size) == NoError && WriteRecord(archive, record) == NoError)
            return;
    }
    RemoveRecord(archive);
}

int EntryArchiver::ArchiveInto(const Entry& e, EntryOutcome& outcome)
{
    // Without a name the archive would be a hidden ".7z" that nobody can tell apart.
    if (e.Nazwa.isEmpty())
        return ResultNoName;

    const QString docel = WithoutTrailingSeparators(ResolvedEntryPath(e.Docel));
    FileSystem::FileInfo info;
    if (const OsError error = FileSystem::LookupEntry(docel, info, true)) {
        AddReason(outcome, docel, Msg::SystemReason(error));
        return ResultDestinationMissing;
    }
    if (info.Kind != FileSystem::EntryKind::Folder) {
        AddReason(outcome, docel, Msg::SystemReason(ENOTDIR));
        return ResultDestinationMissing;
    }

    // One level only: the destination itself must exist. A dated folder that cannot be used
    // fails the entry below, once the source is known to be there.
    const QString dated = (docel == QLatin1String("/") ? QString() : docel) + QLatin1Char('/') + folderName;
    const QString datedProblem = PrepareDatedFolder(dated);

    if (!packer)
        return ResultPackFailed;

    const bool isFileEntry = e.Typ == QLatin1String("Plik");
    const bool isFolderEntry = e.Typ == QLatin1String("Folder");
    // A folder named with a trailing "/" is the same folder: its items must not be stored as
    // "Folder//name".
    const QString source =
        isFolderEntry ? WithoutTrailingSeparators(ResolvedEntryPath(e.Source)) : ResolvedEntryPath(e.Source);
    const QString archive = dated + QLatin1Char('/') + e.Nazwa + QStringLiteral(".7z");
    packer->SZFileName = archive;
    packer->AddRootDir = isFileEntry ? FolderOfFile(source) : ParentFolderOf(source);

    if (!isFileEntry && !isFolderEntry) {
        AddReason(outcome, QString(), Msg::ReasonUnknownType(LogSafeText(e.Typ)));
        return ResultSourceMissing;
    }
    // The user chose this path: a link is followed to what it names.
    if (const OsError error = FileSystem::LookupEntry(source, info, true)) {
        AddReason(outcome, source, Msg::SystemReason(error));
        return ResultSourceMissing;
    }
    if (isFileEntry && info.Kind != FileSystem::EntryKind::File) {
        AddReason(outcome, source,
                  info.Kind == FileSystem::EntryKind::Folder ? Msg::SystemReason(EISDIR) : Msg::ReasonNotAFile());
        return ResultSourceMissing;
    }
    if (isFolderEntry && info.Kind != FileSystem::EntryKind::Folder) {
        AddReason(outcome, source, Msg::SystemReason(ENOTDIR));
        return ResultSourceMissing;
    }

    // A name read from a list file could hold a path or control characters: it must not place
    // the archive anywhere but in the run's dated folder, nor make a name nobody can type.
    if (!IsSafeArchiveName(e.Nazwa)) {
        AddReason(outcome, QString(), Msg::ReasonBadArchiveName());
        return ResultPackFailed;
    }
    if (!datedProblem.isEmpty()) {
        outcome.Reasons.append(datedProblem);
        return ResultPackFailed;
    }
    if (WrittenBefore(archive))
        return ResultNameUsedInRun;

    packer->Files.Clear();
    // What an earlier entry's add met is not this entry's, even if this one fails early.
    packer->Problems.clear();
    packer->SkippedSubfolderCount = 0;
    // A file entry's path is the file it names, "*" and all; only a folder's own mask is one.
    if (isFileEntry)
        packer->Files.AddLiteral(source);
    else
        packer->Files.Add((source == QLatin1String("/") ? QString() : source) + QStringLiteral("/*.*"));

    packer->UpdateFrom.clear();
    if (settings.Dowiazania && BuiltOnEarlier(docel, e.Nazwa, archive, outcome)) {
        outcome.ArchivePath = archive;
        return ResultArchivedUnchanged;
    }

    int32_t result = -1;
    bool failed = true;
    try {
        // Anything but 0 means the archive was not written: nothing gathered (-1) or the
        // library's own failure code. A problem that makes the add a failure (a file left out
        // or cut short, a folder that could not be listed) leaves an archive that is no whole
        // backup: that is no success either.
        packer->LastError = 0;
        result = packer->Add();
        failed = result != 0 || packer->LastError != 0;
    } catch (...) {
        failed = true;
    }
    for (const PackProblem& problem : packer->Problems) {
        // What the read-back found says more than the bare fact that it failed.
        if (problem.What == PackProblem::VerifyFailed && !packer->LastVerify.Ok())
            AddReason(outcome, problem.Path, ArchiveFaultReason(packer->LastVerifyListing, packer->LastVerify));
        else
            outcome.Reasons.append(AddProblemReason(problem));
        failed = failed || problem.Fails();
    }
    if (packer->SkippedSubfolderCount > 0)
        outcome.Reasons.append(Msg::ReasonSkippedSubfolders(packer->SkippedSubfolderCount));
    if (failed && outcome.Reasons.isEmpty()) {
        if (packer->LastError > 0)
            AddReason(outcome, archive, Msg::ReasonArchiveWrite(Msg::SystemReason(packer->LastError)));
        else if (result == -1)
            AddReason(outcome, source, Msg::ReasonNothingGathered());
    }
    // Whatever its result, an archive that got its name belongs to this run now.
    if (result == 0) {
        Remember(archive);
        RecordWritten(archive);
        if (packer->LastUpdate.Updated)
            outcome.Reasons.append(Msg::ReasonUpdated(packer->LastUpdate.ChangedFiles, packer->LastUpdate.NewFiles,
                                                      packer->LastUpdate.RemovedFiles));
    }
    if (failed && packer->VerifyFailed())
        return ResultVerifyFailed;
    if (failed)
        return ResultPackFailed;
    outcome.ArchivePath = archive;
    return ResultArchived;
}
