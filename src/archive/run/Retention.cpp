#include "archive/run/Retention.h"

#include "archive/run/ArchiveRecord.h"
#include "archive/run/EntryArchives.h"
#include "core/Messages.h"
#include "platform/FileSystem.h"

#include <cerrno>

namespace {

bool IsPlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(FileSystem::Separator) && name != QStringLiteral(".") &&
           name != QStringLiteral("..");
}

// Still what ArchivesIn found: a real folder holding a plain file, nothing reached by a link.
bool StillAnArchive(const QString& folder, const QString& path)
{
    FileSystem::FileInfo info;
    return FileSystem::LookupEntry(folder, info, false) == NoError && info.Kind == FileSystem::EntryKind::Folder &&
           FileSystem::LookupEntry(path, info, false) == NoError && info.Kind == FileSystem::EntryKind::File;
}

}  // namespace

RetentionResult RemoveOldArchives(const QString& docel, const QString& nazwa, int keep,
                                   const QString& currentFolderName)
{
    RetentionResult result;
    // A name with a separator would reach into another folder.
    if (keep <= 0 || !IsPlainName(nazwa))
        return result;
    const std::vector<EntryArchive> archives = ArchivesIn(docel, nazwa);
    std::vector<EntryArchive> older;
    int kept = 0;
    for (const EntryArchive& archive : archives) {
        if (archive.FolderName == currentFolderName)
            ++kept;
    }
    for (const EntryArchive& archive : archives) {  // newest first
        if (archive.FolderName == currentFolderName)
            continue;
        if (kept < keep)
            ++kept;
        else
            older.push_back(archive);
    }
    QString base = docel;
    if (!base.endsWith(FileSystem::Separator))
        base += FileSystem::Separator;
    for (auto it = older.rbegin(); it != older.rend(); ++it) {
        const QString folder = base + it->FolderName;
        if (!StillAnArchive(folder, it->Path))
            continue;
        if (const OsError error = RemoveFile(it->Path)) {
            result.Failures.emplace_back(it->Path, error);
            continue;
        }
        result.RemovedArchives.append(it->Path);
        RemoveRecord(it->Path);
        // Only an empty folder goes; anything else in it (another entry's archive, the user's
        // own files) keeps it.
        if (RemoveEmptyFolder(folder) == NoError)
            result.RemovedFolders.append(folder);
    }
    if (!result.RemovedArchives.isEmpty())
        SyncFolder(base);
    return result;
}

QStringList RetentionLogLines(const RetentionResult& result)
{
    QStringList lines;
    for (const QString& path : result.RemovedArchives)
        lines.append(Msg::LogOldArchiveRemoved(path));
    for (const auto& [path, error] : result.Failures)
        lines.append(Msg::LogOldArchiveNotRemoved(path, Msg::SystemReason(error)));
    return lines;
}
