#include "archive/run/RestoreEntry.h"

#include "archive/run/RunLog.h"
#include "archive/sevenzip/SevenZipReader.h"
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
    std::optional<Entry> found;
    for (const Entry& entry : entries) {
        if (entry.Nazwa.compare(nazwa, Qt::CaseInsensitive) != 0)
            continue;
        // Two entries differing only in letter case: the name does not tell which.
        if (found && found->Nazwa != entry.Nazwa)
            return std::nullopt;
        if (!found)
            found = entry;
    }
    return found;
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

std::vector<uint32_t> ChosenItems(const ArchiveListing& listing, const QStringList& paths, QStringList* unknown)
{
    std::vector<uint32_t> chosen;
    if (paths.isEmpty()) {
        for (const ArchiveItem& item : listing.Items)
            chosen.push_back(item.Index);
        return chosen;
    }
    std::vector<bool> found(size_t(paths.size()), false);
    for (const ArchiveItem& item : listing.Items) {
        for (qsizetype i = 0; i < paths.size(); ++i) {
            QString path = paths[i];
            while (path.endsWith(QLatin1Char('/')) && path.size() > 1)
                path.chop(1);
            if (item.Path == path || (item.Path.startsWith(path) && item.Path.at(path.size()) == QLatin1Char('/'))) {
                found[size_t(i)] = true;
                if (chosen.empty() || chosen.back() != item.Index)
                    chosen.push_back(item.Index);
            }
        }
    }
    if (unknown)
        for (qsizetype i = 0; i < paths.size(); ++i)
            if (!found[size_t(i)])
                unknown->append(paths[i]);
    return chosen;
}

QString RestoreFault(const ArchiveListing& listing, const ExtractResult& result)
{
    if (result.Cancelled())
        return QString();
    ArchiveTestResult test;
    test.Status = result.Status;
    test.Error = result.Error;
    test.LibraryResult = result.LibraryResult;
    test.ErrorFlags = listing.ErrorFlags;
    test.ItemResults = result.ItemResults;
    // Whole items do not make a whole archive when its headers or its end are not right.
    if (test.Status == ArchiveStatus::Ok && test.ErrorFlags != 0)
        test.Status = ArchiveStatus::Damaged;
    return ArchiveFaultReason(listing, test);
}

QString PrintedName(const QString& name)
{
    return name;
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
        report.Fault = ArchiveFaultReason(report.Listing, TestResultOfFailedOpen(report.Listing));
        return report;
    }
    const std::vector<uint32_t> chosen = ChosenItems(report.Listing, request.Paths, &report.UnknownPaths);
    report.Chosen = qint64(chosen.size());
    report.Result.Status = ArchiveStatus::Ok;
    if (!report.UnknownPaths.isEmpty())
        return report;
    // A path that names nothing restores nothing; an archive without items makes nothing.
    if (chosen.empty())
        return report;
    reader.OnOverwrite = request.Decide;
    reader.OnProgress = request.OnProgress;
    reader.OnProblem = request.OnProblem;
    reader.BetweenItems = request.BetweenItems;
    report.Result = reader.Extract(request.Folder, request.Paths.isEmpty() ? std::vector<uint32_t>() : chosen);
    report.Fault = RestoreFault(report.Listing, report.Result);
    return report;
}

QString RestoreProblemLine(const ExtractProblem& problem)
{
    const QString item = PrintedName(problem.Path.isEmpty() ? problem.Target : problem.Path);
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
    if (arguments.size() < 4 || arguments.at(2).isEmpty() || arguments.at(3).isEmpty()) {
        ReportToStandardError(Msg::RestoreCommandUsage());
        return ExitRestoreRefused;
    }
    const QString nazwa = arguments.at(2);
    const QString folder = arguments.at(3);
    // The dated folder may be left out; what follows are item paths.
    QString dated;
    QStringList paths = arguments.mid(4);
    if (!paths.isEmpty() && IsDatedFolderName(paths.front()))
        dated = paths.takeFirst();
    try {
        EntryList list(DataDirectory() + QStringLiteral("Dane.dat"));
        list.Load();
        if (list.LoadDamaged())
            return ExitRestoreRefused;
        const std::optional<Entry> entry = FindEntryByName(list.Entries(), nazwa);
        if (!entry) {
            ReportToStandardError(Msg::RestoreCommandUnknownEntry(PrintedName(nazwa)));
            return ExitRestoreRefused;
        }
        const std::optional<EntryArchive> archive = ChooseEntryArchive(*entry, dated);
        if (!archive) {
            ReportToStandardError(dated.isEmpty() ? Msg::RestoreCommandNoArchives(PrintedName(entry->Nazwa))
                                                  : Msg::RestoreCommandUnknownArchive(PrintedName(entry->Nazwa), PrintedName(dated)));
            return ExitRestoreRefused;
        }
        SevenZipPacker zip;
        RestoreRequest request;
        request.ArchivePath = archive->Path;
        request.Folder = folder;
        request.Paths = paths;
        // On the command line nobody is asked: what exists stays.
        request.Decide = [](const ArchiveItem&, const ExistingFile&) { return OverwriteAnswer::Skip; };
        request.OnProblem = [](const ExtractProblem& problem) { WriteLine(RestoreProblemLine(problem)); };
        const RestoreReport report = RestoreArchive(zip, request);
        if (!report.UnknownPaths.isEmpty()) {
            for (const QString& path : report.UnknownPaths)
                ReportToStandardError(Msg::RestoreCommandUnknownPath(PrintedName(archive->Path), PrintedName(path)));
            return ExitRestoreRefused;
        }
        // Whatever "/verify" would say of the archive is said, after what could be restored.
        if (!report.Fault.isEmpty())
            ReportToStandardError(Msg::RestoreCommandArchiveFault(PrintedName(archive->Path), report.Fault));
        WriteLine(Msg::RestoreCommandSummary(report.Result.Extracted, report.Chosen, PrintedName(archive->Path),
                                             PrintedName(folder)));
        return report.Complete() ? ExitRestoreComplete : ExitRestorePartial;
    } catch (...) {
        ReportToStandardError(UserTextOf(std::current_exception()));
        return ExitRestoreRefused;
    }
}
