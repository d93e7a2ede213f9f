#include "archive/run/RunPaths.h"

#include "core/Messages.h"
#include "platform/FileSystem.h"
#include "platform/Files.h"
#include "platform/Platform.h"

#include <cerrno>

QString TimeStampText()
{
    return TimeStampText(QDateTime::currentDateTime());
}

QString TimeStampText(const QDateTime& moment)
{
    const QDate date = moment.date();
    const QTime time = moment.time();
    return QString::asprintf("%d%02d%02d_%02d%02d", date.year(), date.month(), date.day(), time.hour(),
                             time.minute());
}

QString ResolvedEntryPath(const QString& path)
{
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')))
        return path;
    return DataDirectory() + path;
}

QString ParentFolderOf(const QString& path)
{
    // The final character is not looked at, so a trailing "/" does not count.
    for (qsizetype k = path.size() - 2; k >= 0; --k) {
        if (path.at(k) == QLatin1Char('/'))
            return path.left(k + 1);
    }
    return QString();
}

QString FolderOfFile(const QString& path)
{
    const qsizetype k = path.lastIndexOf(QLatin1Char('/'));
    if (k < 0)
        return QString();
    if (k > 0 && path.at(k - 1) != QLatin1Char('/'))
        return path.left(k);
    return path.left(k + 1);
}

QString WithoutTrailingSeparators(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

bool IsSafeArchiveName(const QString& Nazwa)
{
    for (const QChar c : Nazwa) {
        if (c == QLatin1Char('/') || c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return Nazwa != QLatin1String(".") && Nazwa != QLatin1String("..");
}

QString PrepareDatedFolder(const QString& dated)
{
    FileSystem::FileInfo info;
    OsError error = FileSystem::LookupEntry(dated, info, false);
    if (error == ENOENT) {
        error = MakeFolder(dated, 0700);
        if (error == NoError)
            return QString();
        // Made by another entry's run meanwhile: look at what is there now.
        if (error == EEXIST)
            error = FileSystem::LookupEntry(dated, info, false);
    }
    if (error != NoError)
        return Msg::ReasonAt(dated, Msg::SystemReason(error));
    if (info.Kind == FileSystem::EntryKind::Link)
        return Msg::ReasonAt(dated, Msg::ReasonDatedFolderIsLink());
    if (info.Kind != FileSystem::EntryKind::Folder)
        return Msg::ReasonAt(dated, Msg::ReasonDatedFolderNotAFolder());
    return QString();
}
