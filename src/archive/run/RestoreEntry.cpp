#include "archive/run/RestoreEntry.h"

#include "archive/run/RunLog.h"
#include "archive/run/VerifyCommand.h"
#include "archive/sevenzip/SevenZip.h"
#include "core/Messages.h"
#include "core/UiPorts.h"
#include "platform/Platform.h"

#include <cstdio>

namespace {

void WriteLine(const QString& text)
{
    PrintSafeLine(text);
}

}  // namespace

std::optional<Entry> FindEntryByName(const EntryVector& entries, const QString& nazwa)
{
    for (const Entry& entry : entries)
        if (entry.Nazwa == nazwa)
            return entry;
    return std::nullopt;
}

std::optional<EntryArchive> ChooseEntryArchive(const Entry& entry, const QString& folderName)
{
    const std::vector<EntryArchive> archives = ArchivesIn(entry.Docel, entry.Nazwa);
    if (folderName.isEmpty()) {
        if (archives.empty())
            return std::nullopt;
        return archives.front();
    }
    for (const EntryArchive& archive : archives)
        if (archive.FolderName == folderName)
            return archive;
    return std::nullopt;
}

RestoreReport RestoreArchive(const SevenZipPacker& zip, const RestoreRequest& request)
{
    RestoreReport report;
    SevenZipReader reader(zip);
    reader.CancelAlso = request.Cancel;
    report.Listing = reader.Open(request.ArchivePath);
    if (report.Listing.Status != ArchiveStatus::Ok) {
        report.Result.Status = report.Listing.Status;
        report.Result.Error = report.Listing.Error;
        report.Result.LibraryResult = report.Listing.LibraryResult;
        return report;
    }
    reader.OnOverwrite = request.Decide;
    reader.OnProgress = request.OnProgress;
    reader.OnProblem = request.OnProblem;
    report.Result = reader.Extract(request.Folder);
    return report;
}

QString RestoreProblemLine(const ExtractProblem& problem)
{
    const QString item = problem.Path.isEmpty() ? problem.Target : problem.Path;
    switch (problem.What) {
    case ExtractProblem::UnsafePath:
        return Msg::RestoreLineUnsafePath(item);
    case ExtractProblem::LinkOutside:
        return Msg::RestoreLineLinkOutside(item);
    case ExtractProblem::ThroughLink:
        return Msg::RestoreLineThroughLink(item);
    case ExtractProblem::Skipped:
        return Msg::RestoreLineSkipped(item);
    case ExtractProblem::Damaged:
        return Msg::RestoreLineDamaged(item);
    case ExtractProblem::WriteFailed:
        break;
    }
    return Msg::RestoreLineWriteFailed(item, Msg::SystemReason(problem.Error));
}

int RunRestoreCommand(const QStringList& arguments)
{
    if (arguments.size() < 4 || arguments.size() > 5 || arguments.at(2).isEmpty() || arguments.at(3).isEmpty()) {
        ReportToStandardError(Msg::RestoreCommandUsage());
        return ExitRestoreRefused;
    }
    const QString nazwa = arguments.at(2);
    const QString folder = arguments.at(3);
    const QString dated = arguments.size() == 5 ? arguments.at(4) : QString();
    try {
        EntryList list(DataDirectory() + QStringLiteral("Dane.dat"));
        list.Load();
        if (list.LoadDamaged())
            return ExitRestoreRefused;
        const std::optional<Entry> entry = FindEntryByName(list.Entries(), nazwa);
        if (!entry) {
            ReportToStandardError(Msg::RestoreCommandUnknownEntry(nazwa));
            return ExitRestoreRefused;
        }
        if (!dated.isEmpty() && !IsDatedFolderName(dated)) {
            ReportToStandardError(Msg::RestoreCommandUnknownArchive(nazwa, dated));
            return ExitRestoreRefused;
        }
        const std::optional<EntryArchive> archive = ChooseEntryArchive(*entry, dated);
        if (!archive) {
            ReportToStandardError(dated.isEmpty() ? Msg::RestoreCommandNoArchives(nazwa) : Msg::RestoreCommandUnknownArchive(nazwa, dated));
            return ExitRestoreRefused;
        }
        SevenZipPacker zip;
        RestoreRequest request;
        request.ArchivePath = archive->Path;
        request.Folder = folder;
        // On the command line nobody is asked: what exists stays.
        request.Decide = [](const ArchiveItem&, const ExistingFile&) { return OverwriteAnswer::Skip; };
        request.OnProblem = [](const ExtractProblem& problem) { WriteLine(RestoreProblemLine(problem)); };
        const RestoreReport report = RestoreArchive(zip, request);
        if (report.Listing.Status != ArchiveStatus::Ok || (report.Result.Status != ArchiveStatus::Ok && report.Result.Problems.empty())) {
            ArchiveTestResult fault;
            fault.Status = report.Result.Status;
            fault.Error = report.Result.Error;
            fault.LibraryResult = report.Result.LibraryResult;
            fault.ItemResults = report.Result.ItemResults;
            fault.ErrorFlags = report.Listing.ErrorFlags;
            ReportToStandardError(Msg::RestoreCommandArchiveFault(archive->Path, ArchiveFaultReason(report.Listing, fault)));
        }
        WriteLine(Msg::RestoreCommandSummary(report.Result.Extracted, static_cast<qint64>(report.Listing.Items.size()),
                                      archive->Path, folder));
        return report.Complete() ? ExitRestoreComplete : ExitRestorePartial;
    } catch (...) {
        ReportToStandardError(UserTextOf(std::current_exception()));
        return ExitRestoreRefused;
    }
}
