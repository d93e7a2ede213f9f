#include "archive/run/VerifyCommand.h"

#include "archive/run/EntryArchives.h"
#include "archive/run/RunLog.h"
#include "archive/sevenzip/SevenZip.h"
#include "archive/sevenzip/SevenZipReader.h"
#include "core/Messages.h"
#include "core/EntryList.h"
#include "core/UiPorts.h"
#include "platform/FileSystem.h"
#include "platform/Platform.h"

#include <QSet>

#include <algorithm>
#include <cerrno>

namespace {

// The first item the library found bad, with its stored path.
QString ItemFault(const ArchiveListing& listing, const ArchiveTestResult& test)
{
    for (size_t i = 0; i < test.ItemResults.size(); ++i) {
        const int32_t r = test.ItemResults[i];
        if (r == ItemOk || r == ItemNotReached)
            continue;
        const QString path = i < listing.Items.size() ? listing.Items[i].Path : QString::number(i);
        switch (r) {
        case ItemCrcError:
            return Msg::FaultCrc(path);
        case ItemDataError:
            return Msg::FaultData(path);
        case ItemUnsupportedMethod:
            return Msg::FaultUnsupported();
        case ItemUnexpectedEnd:
            return Msg::FaultCutShort();
        case ItemDataAfterEnd:
            return Msg::FaultDataAfterEnd();
        case ItemHeadersError:
            return Msg::FaultHeaders();
        default:
            return Msg::FaultDamaged();
        }
    }
    return QString();
}

}  // namespace

QString ArchiveFaultReason(const ArchiveListing& listing, const ArchiveTestResult& test)
{
    switch (test.Status) {
    case ArchiveStatus::Ok:
        return QString();
    case ArchiveStatus::FileError:
        return Msg::FaultUnreadable(Msg::SystemReason(test.Error));
    case ArchiveStatus::NotArchive:
        return Msg::FaultNotArchive();
    case ArchiveStatus::Unsupported:
        return Msg::FaultUnsupported();
    case ArchiveStatus::WrongPassword:
        return Msg::FaultEncrypted();
    case ArchiveStatus::Cancelled:
        return Msg::FaultCancelled();
    case ArchiveStatus::Failed:
        return Msg::FaultLibrary(QStringLiteral("0x%1").arg(static_cast<uint32_t>(test.LibraryResult), 8, 16, QLatin1Char('0')));
    case ArchiveStatus::NotOpen:
    case ArchiveStatus::Damaged:
        break;
    }
    // The most telling first: a file cut short explains the bad items that follow from it.
    if (test.ErrorFlags & ArchiveUnexpectedEnd)
        return Msg::FaultCutShort();
    if (test.ErrorFlags & ArchiveHeadersError)
        return Msg::FaultHeaders();
    const QString item = ItemFault(listing, test);
    if (!item.isEmpty())
        return item;
    if (test.ErrorFlags & ArchiveDataAfterEnd)
        return Msg::FaultDataAfterEnd();
    return Msg::FaultDamaged();
}

QString VerifyArchiveFile(const SevenZipPacker& zip, const QString& path)
{
    SevenZipReader reader(zip);
    const ArchiveListing& listing = reader.Open(path);
    const ArchiveTestResult test = listing.Status == ArchiveStatus::Ok ? reader.Test() : TestResultOfFailedOpen(listing);
    return ArchiveFaultReason(listing, test);
}

int VerifyListedArchives(const SevenZipPacker& zip, const EntryVector& entries,
                         const std::function<void(const QString& line)>& line)
{
    int status = ExitVerifyAllGood;
    // Two entries with the same name and destination share their archives: each is read once,
    // and each link or unreadable folder is named once.
    QSet<QString> seen;
    auto once = [&](const QString& key) {
        if (seen.contains(key))
            return false;
        seen.insert(key);
        return true;
    };
    for (const Entry& entry : entries) {
        QString folder = entry.Docel;
        if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
            folder += QLatin1Char('/');
        const QString shownFolder = entry.Docel;
        const QString fileName = entry.Nazwa + QStringLiteral(".7z");

        // The destination: missing (the backup disk not mounted), not a folder, or unreadable.
        FileSystem::FileInfo docelInfo;
        OsError docelError = entry.Docel.isEmpty() ? ENOENT : FileSystem::LookupEntry(folder, docelInfo, true);
        if (!docelError && docelInfo.Kind != FileSystem::EntryKind::Folder)
            docelError = ENOTDIR;
        struct Found {
            QDateTime Time;
            QString Name;
            FileSystem::EntryKind Kind;
            int Error;
        };
        std::vector<Found> dated;
        if (!docelError) {
            docelError = FileSystem::EnumerateFolder(folder, [&](const FileSystem::FileInfo& info) {
                const QDateTime time = DatedFolderTime(info.Name);
                if (time.isValid())
                    dated.push_back({time, info.Name, info.Kind, info.Error});
                return true;
            });
        }
        if (docelError) {
            status = ExitVerifyDamaged;
            line(Msg::VerifyNoArchives(entry.Nazwa, shownFolder, Msg::SystemReason(docelError)));
            continue;
        }
        std::stable_sort(dated.begin(), dated.end(), [](const Found& a, const Found& b) { return a.Time > b.Time; });

        bool anyArchive = false;
        bool anyUnreadable = false;
        for (const Found& found : dated) {
            const QString datedPath = folder + found.Name;
            if (found.Kind == FileSystem::EntryKind::Link) {
                // Never followed: it could lead anywhere, and it is no archive of this run.
                status = ExitVerifyDamaged;
                if (once(datedPath))
                    line(Msg::VerifySkippedLink(datedPath));
                continue;
            }
            if (found.Kind == FileSystem::EntryKind::Missing) {
                status = ExitVerifyDamaged;
                anyUnreadable = true;
                line(Msg::VerifyNoArchives(entry.Nazwa, datedPath, Msg::SystemReason(found.Error)));
                continue;
            }
            if (found.Kind != FileSystem::EntryKind::Folder)
                continue;  // a file that happens to have a dated name
            const QString path = datedPath + QLatin1Char('/') + fileName;
            FileSystem::FileInfo archive;
            const OsError error = FileSystem::LookupEntry(path, archive, false);
            if (error == ENOENT)
                continue;  // this run did not archive the entry
            if (error) {
                status = ExitVerifyDamaged;
                anyUnreadable = true;
                line(Msg::VerifyNoArchives(entry.Nazwa, datedPath, Msg::SystemReason(error)));
                continue;
            }
            if (archive.Kind != FileSystem::EntryKind::File) {
                status = ExitVerifyDamaged;
                if (once(path))
                    line(archive.Kind == FileSystem::EntryKind::Link ? Msg::VerifySkippedLink(path)
                                                                     : Msg::VerifySkippedNotFile(path));
                continue;
            }
            anyArchive = true;
            if (!once(path))
                continue;
            const QString reason = VerifyArchiveFile(zip, path);
            if (reason.isEmpty()) {
                line(Msg::VerifyGood(path));
            } else {
                line(Msg::VerifyDamaged(path, reason));
                status = ExitVerifyDamaged;
            }
        }
        if (!anyArchive && !anyUnreadable) {
            status = ExitVerifyDamaged;
            line(Msg::VerifyNoArchives(entry.Nazwa, shownFolder, Msg::FaultNoArchiveFile(fileName)));
        }
    }
    return status;
}

int RunVerifyCommand()
{
    try {
        EntryList list(DataDirectory() + QStringLiteral("Dane.dat"));
        list.Load();
        // The damaged list was reported on standard error by Load.
        if (list.LoadDamaged())
            return ExitVerifyListBad;
        SevenZipPacker zip;
        return VerifyListedArchives(zip, list.Entries(), PrintSafeLine);
    } catch (...) {
        ReportToStandardError(UserTextOf(std::current_exception()));
        return ExitVerifyListBad;
    }
}
