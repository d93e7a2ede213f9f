#include "archive/run/RestoreEntry.h"

#include "archive/run/VerifyCommand.h"
#include "archive/sevenzip/SevenZip.h"
#include "core/Messages.h"
#include "core/UiPorts.h"
#include "platform/Platform.h"

#include <cstdio>

namespace {

void WriteLine(const QString& text)
{
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

}  // namespace

std::optional<_Wpis> FindEntryByName(const QString& nazwa)
{
    for (const _Wpis& entry : Wpisy)
        if (entry.Nazwa == nazwa)
            return entry;
    return std::nullopt;
}

std::optional<TEntryArchive> ChooseEntryArchive(const _Wpis& entry, const QString& folderName)
{
    const std::vector<TEntryArchive> archives = ArchivesIn(entry.Docel, entry.Nazwa);
    if (folderName.isEmpty()) {
        if (archives.empty())
            return std::nullopt;
        return archives.front();
    }
    for (const TEntryArchive& archive : archives)
        if (archive.FolderName == folderName)
            return archive;
    return std::nullopt;
}

TRestoreReport RestoreArchive(const TSevenZip& zip, const TRestoreRequest& request)
{
    TRestoreReport report;
    TSevenZipReader reader(zip);
    reader.CancelAlso = request.Cancel;
    report.Listing = reader.Open(request.ArchivePath);
    if (report.Listing.Status != TArchiveStatus::Ok) {
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

QString RestoreProblemLine(const TExtractProblem& problem)
{
    const QString item = problem.Path.isEmpty() ? problem.Target : problem.Path;
    switch (problem.What) {
    case TExtractProblem::UnsafePath:
        return Msg::RestoreLineUnsafePath(item);
    case TExtractProblem::LinkOutside:
        return Msg::RestoreLineLinkOutside(item);
    case TExtractProblem::ThroughLink:
        return Msg::RestoreLineThroughLink(item);
    case TExtractProblem::Skipped:
        return Msg::RestoreLineSkipped(item);
    case TExtractProblem::Damaged:
        return Msg::RestoreLineDamaged(item);
    case TExtractProblem::WriteFailed:
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
        ListFilePath = DataDirectory() + QStringLiteral("Dane.dat");
        ListLoadDamaged = false;
        LoadList();
        if (ListLoadDamaged)
            return ExitRestoreRefused;
        const std::optional<_Wpis> entry = FindEntryByName(nazwa);
        if (!entry) {
            ReportToStandardError(Msg::RestoreCommandUnknownEntry(nazwa));
            return ExitRestoreRefused;
        }
        if (!dated.isEmpty() && !IsDatedFolderName(dated)) {
            ReportToStandardError(Msg::RestoreCommandUnknownArchive(nazwa, dated));
            return ExitRestoreRefused;
        }
        const std::optional<TEntryArchive> archive = ChooseEntryArchive(*entry, dated);
        if (!archive) {
            ReportToStandardError(dated.isEmpty() ? Msg::RestoreCommandNoArchives(nazwa) : Msg::RestoreCommandUnknownArchive(nazwa, dated));
            return ExitRestoreRefused;
        }
        TSevenZip zip;
        TRestoreRequest request;
        request.ArchivePath = archive->Path;
        request.Folder = folder;
        // On the command line nobody is asked: what exists stays.
        request.Decide = [](const TArchiveItem&, const TExistingFile&) { return TOverwriteAnswer::Skip; };
        request.OnProblem = [](const TExtractProblem& problem) { WriteLine(RestoreProblemLine(problem)); };
        const TRestoreReport report = RestoreArchive(zip, request);
        if (report.Listing.Status != TArchiveStatus::Ok || (report.Result.Status != TArchiveStatus::Ok && report.Result.Problems.empty())) {
            TTestResult fault;
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
