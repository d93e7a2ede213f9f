#include "platform/FileSystem.h"

#include "platform/Files.h"

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

namespace FileSystem {

namespace {

constexpr uint64_t SecondsFrom1601To1970 = 11644473600ull;

uint64_t ToFileTime(const timespec& t)
{
    return (static_cast<uint64_t>(t.tv_sec) + SecondsFrom1601To1970) * 10000000ull +
           static_cast<uint64_t>(t.tv_nsec) / 100;
}

QString LastComponent(const QString& path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith(Separator))
        p.chop(1);
    return p.mid(p.lastIndexOf(Separator) + 1);
}

bool FromStat(const struct stat& st, const QString& name, FileInfo& info)
{
    const bool isDir = S_ISDIR(st.st_mode);
    if (!isDir && !S_ISREG(st.st_mode))
        return false;
    uint32_t attr = isDir ? AttrDirectory : AttrArchive;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        attr |= AttrReadOnly;
    if (name.startsWith(QLatin1Char('.')))
        attr |= AttrHidden;
    attr |= AttrUnixExtension | (static_cast<uint32_t>(st.st_mode & 0xFFFF) << 16);
    info.Name = name;
    info.Size = isDir ? 0 : static_cast<int64_t>(st.st_size);
    info.Time = ToFileTime(st.st_mtim);
    info.Attributes = attr;
    info.Device = static_cast<uint64_t>(st.st_dev);
    info.Inode = static_cast<uint64_t>(st.st_ino);
    return true;
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

void EnumerateFolder(const QString& folder, const std::function<bool(const FileInfo&)>& visit)
{
    const QByteArray encoded = NativePath(folder);
    DIR* dir = ::opendir(encoded.isEmpty() ? "." : encoded.constData());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        struct stat st;
        if (::fstatat(dirFd, name, &st, 0) != 0)
            continue;
        FileInfo info;
        if (!FromStat(st, FromNativePath(QByteArray(name)), info))
            continue;
        if (!visit(info))
            break;
    }
    ::closedir(dir);
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
    return ToFileTime(t);
}

}  // namespace FileSystem
