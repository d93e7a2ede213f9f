#pragma once
// The archives a list entry has: every Docel/Arch_YYYYMMDD_HHMM/Nazwa.7z that exists, found
// by the dated folders' names. Verifying, restoring and keeping only the newest archives all
// start from here.

#include <QDateTime>
#include <QString>

#include <vector>

struct EntryArchive {
    QString Path;        // Docel/Arch_YYYYMMDD_HHMM/Nazwa.7z
    QString FolderName;  // Arch_YYYYMMDD_HHMM
    QDateTime Time;      // the run's start, from the folder's name (local time, minutes)
};

// True for a whole name "Arch_" + 8 digits + "_" + 4 digits that is a real date and time.
bool IsDatedFolderName(const QString& name);
// The date and time a dated folder's name stands for; invalid for any other name.
QDateTime DatedFolderTime(const QString& name);

// The archives named nazwa + ".7z" in the dated folders of the folder docel, newest first.
// Only real folders and regular files count: a dated folder or an archive that is a symbolic
// link (or anything else) is passed over, so nothing outside docel is ever reached through it.
std::vector<EntryArchive> ArchivesIn(const QString& docel, const QString& nazwa);
