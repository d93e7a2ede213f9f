#pragma once
// "skrytkar /verify": reads back every archive that belongs to the list (for each entry, every
// Docel/Arch_YYYYMMDD_HHMM/Nazwa.7z that exists) and tests every item, one line per archive on
// standard output. It never passes quietly over what it could not check: a destination that is
// missing or unreadable, a dated folder that cannot be read, an entry without any archive and a
// dated folder that is a link each have their line and fail the check. Qt Core only, no display:
// ready for a cron line.

#include "core/EntryList.h"

#include <QString>

#include <functional>

class SevenZipPacker;
struct ArchiveListing;
struct ArchiveTestResult;

// Exit statuses of "/verify".
inline constexpr int ExitVerifyAllGood = 0;   // every archive whole, every entry has one
inline constexpr int ExitVerifyDamaged = 1;   // some archive damaged, missing or not reached
inline constexpr int ExitVerifyListBad = 2;   // list file damaged or unreadable, no library

// Why an archive is not whole, in Polish, without a full stop; empty when it is. The listing
// is that of the archive as it was opened (its items name a damaged file).
QString ArchiveFaultReason(const ArchiveListing& listing, const ArchiveTestResult& test);

// Tests one archive with zip's library: empty when whole, else the reason.
QString VerifyArchiveFile(const SevenZipPacker& zip, const QString& path);

// Tests every archive of every entry, in list order and newest first within an entry, each
// archive once; each outcome line (and each line about what could not be reached) goes to
// `line`, as it is. Answers ExitVerifyAllGood or ExitVerifyDamaged.
int VerifyListedArchives(const SevenZipPacker& zip, const EntryVector& entries,
                         const std::function<void(const QString& line)>& line);

// The whole command: loads "Dane.dat" from the data folder, loads the library, verifies, and
// answers the exit status. Messages go to standard error; needs a QCoreApplication.
int RunVerifyCommand();
