#pragma once
// Paths of a run: the dated folder "Arch_YYYYMMDD_HHMM" in each destination, entry paths taken
// relative to the data folder, and the archive names that may be written there.

#include <QDateTime>
#include <QString>

QString TimeStampText();
QString TimeStampText(const QDateTime& moment);
// A relative Source or Docel means the same folder from cron and from a terminal: the one
// the list lives in (DataDirectory()). Absolute and empty paths stay as they are.
QString ResolvedEntryPath(const QString& path);
// The folder that holds `path`, with its trailing "/"; the final character is not looked at.
QString ParentFolderOf(const QString& path);
// The folder part of a file's path without its trailing "/" (the root keeps it).
QString FolderOfFile(const QString& path);
// The path without trailing separators ("/" stays "/").
QString WithoutTrailingSeparators(QString path);
// False for a name that would place an archive outside the run's dated folder, or that holds
// a control character (below 0x20, or 0x7F).
bool IsSafeArchiveName(const QString& Nazwa);
// Makes the run's dated folder (for its owner only: it holds copies of everything the sources
// hold) or finds it made. Answers the reason when it cannot be used; a link or anything else at
// its name is never followed.
QString PrepareDatedFolder(const QString& dated);
