#include "platform/FileSystem.h"

#include "platform/Files.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace FileSystem {

namespace {

QString LastComponent(const QString& path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith(Separator))
        p.chop(1);
    return p.mid(p.lastIndexOf(Separator) + 1);
}

// Any kind of entry; Lookup keeps to folders and plain files.
void FromStatAnyKind(const struct stat& st, const QString& name, FileInfo& info)
{
    const bool isDir = S_ISDIR(st.st_mode);
    info.Kind = isDir                      ? EntryKind::Folder
                : S_ISREG(st.st_mode)      ? EntryKind::File
                : S_ISLNK(st.st_mode)      ? EntryKind::Link
                                           : EntryKind::Special;
    uint32_t attr = isDir ? AttrDirectory : AttrArchive;
    // A link's own mode is all bits set; it is no read-only file for that.
    if (info.Kind != EntryKind::Link && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        attr |= AttrReadOnly;
    if (name.startsWith(QLatin1Char('.')))
        attr |= AttrHidden;
    attr |= AttrUnixExtension | (static_cast<uint32_t>(st.st_mode & 0xFFFF) << 16);
    info.Name = name;
    info.Size = isDir ? 0 : static_cast<int64_t>(st.st_size);
    info.Time = FileTimeOf(st.st_mtim);
    info.ChangeTime = FileTimeOf(st.st_ctim);
    info.Attributes = attr;
    info.Device = static_cast<uint64_t>(st.st_dev);
    info.Inode = static_cast<uint64_t>(st.st_ino);
    info.Error = 0;
}

bool FromStat(const struct stat& st, const QString& name, FileInfo& info)
{
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode))
        return false;
    FromStatAnyKind(st, name, info);
    return true;
}

OsError LastError()
{
    return errno != 0 ? errno : EIO;
}

}  // namespace

bool Lookup(const QString& path, FileInfo& info)
{
    info = FileInfo();
    struct stat st;
    if (path.isEmpty() || ::stat(NativePath(path).constData(), &st) != 0)
        return false;
    if (!FromStat(st, LastComponent(path), info)) {
        info = FileInfo();
        return false;
    }
    return true;
}

OsError LookupEntry(const QString& path, FileInfo& info, bool followLinks)
{
    info = FileInfo();
    if (path.isEmpty())
        return ENOENT;
    struct stat st;
    const QByteArray native = NativePath(path);
    const int rc = followLinks ? ::stat(native.constData(), &st) : ::lstat(native.constData(), &st);
    if (rc != 0)
        return info.Error = LastError();
    FromStatAnyKind(st, LastComponent(path), info);
    return NoError;
}

OsError ReadLink(const QString& path, QByteArray& target)
{
    target.clear();
    const QByteArray native = NativePath(path);
    // The size a lookup gave may be stale by now: grow until the whole target fits.
    for (qsizetype size = 256;; size *= 2) {
        QByteArray buffer(size, Qt::Uninitialized);
        const ssize_t n = ::readlink(native.constData(), buffer.data(), static_cast<size_t>(size));
        if (n < 0)
            return LastError();
        if (n < size) {
            buffer.truncate(n);
            target = buffer;
            return NoError;
        }
    }
}

bool FolderExists(const QString& path)
{
    FileInfo info;
    return Lookup(path, info) && info.IsDirectory();
}

bool FileExists(const QString& path)
{
    struct stat st;
    return !path.isEmpty() && ::lstat(NativePath(path).constData(), &st) == 0;
}

OsError EnumerateFolder(const QString& folder, const std::function<bool(const FileInfo&)>& visit)
{
    const QByteArray encoded = NativePath(folder);
    DIR* dir = ::opendir(encoded.isEmpty() ? "." : encoded.constData());
    if (!dir)
        return LastError();
    const int dirFd = ::dirfd(dir);
    OsError result = NoError;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            result = errno;
            break;
        }
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        const QString text = FromNativePath(QByteArray(name));
        FileInfo info;
        struct stat st;
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
            FromStatAnyKind(st, text, info);
        } else {
            const OsError error = LastError();
            if (error == ENOENT)
                continue;  // gone since it was listed
            info.Name = text;
            info.Error = error;
        }
        if (!visit(info))
            break;
    }
    ::closedir(dir);
    return result;
}

int RootPrefixLength(const QString& path)
{
    int n = 0;
    while (n < path.size() && path.at(n) == Separator)
        ++n;
    return n;
}

QString UpperCase(const QString& text)
{
    QString result = text;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const QChar c = result.at(i);
        if (!c.isSurrogate())
            result[i] = c.toUpper();
    }
    return result;
}

uint64_t Now()
{
    timespec t;
    ::clock_gettime(CLOCK_REALTIME, &t);
    return FileTimeOf(t);
}

}  // namespace FileSystem
