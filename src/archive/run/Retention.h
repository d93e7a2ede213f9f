#pragma once
// Keeping only the newest archives of an entry: after an entry has been archived in this run,
// its archives Docel/Arch_YYYYMMDD_HHMM/Nazwa.7z beyond the newest N go, and so do the dated
// folders this leaves empty. Nothing else in the destination is ever removed: only files named
// exactly Nazwa.7z, only in folders named exactly like a run's folder, never through a link.

#include "platform/Files.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

struct RetentionResult {
    QStringList RemovedArchives;  // in the order removed, oldest first
    QStringList RemovedFolders;   // dated folders left empty and removed
    // Archives that should have gone but could not be removed, with the system's error.
    std::vector<std::pair<QString, OsError>> Failures;
};

// Keeps the newest `keep` archives of nazwa in docel and removes the older ones; keep 0 keeps
// all. The archive just written, in currentFolderName, always stays and counts as one of them,
// even when a clock set back has given it an older name than others.
RetentionResult RemoveOldArchives(const QString& docel, const QString& nazwa, int keep,
                                   const QString& currentFolderName);

// "Usunięto stare archiwum PATH" for each archive removed, then a line for each that could not be.
QStringList RetentionLogLines(const RetentionResult& result);
