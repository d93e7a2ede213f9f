#include "archive/run/VerifyCommand.h"

#include "archive/run/EntryArchives.h"
#include "archive/sevenzip/SevenZip.h"
#include "archive/sevenzip/SevenZipReader.h"
#include "core/Messages.h"
#include "core/EntryList.h"
#include "core/UiPorts.h"
#include "platform/Platform.h"

#include <QSet>

#include <cstdio>

namespace {

void WriteLine(const QString& text)
{
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

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
    // Two entries with the same name and destination share their archives: each is read once.
    QSet<QString> seen;
    for (const Entry& entry : entries) {
        for (const EntryArchive& archive : ArchivesIn(entry.Docel, entry.Nazwa)) {
            if (seen.contains(archive.Path))
                continue;
            seen.insert(archive.Path);
            const QString reason = VerifyArchiveFile(zip, archive.Path);
            if (reason.isEmpty()) {
                line(Msg::VerifyGood(archive.Path));
            } else {
                line(Msg::VerifyDamaged(archive.Path, reason));
                status = ExitVerifyDamaged;
            }
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
        return VerifyListedArchives(zip, list.Entries(), WriteLine);
    } catch (...) {
        ReportToStandardError(UserTextOf(std::current_exception()));
        return ExitVerifyListBad;
    }
}
