#include "platform/Restore.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

OsError LastError()
{
    return errno != 0 ? errno : EIO;
}

// A short name that cannot be confused with the user's files: the real name may already use
// the whole length a folder entry can have, so it is not part of it.
QString NewTemporaryName(const QString& folder)
{
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name = folder;
    if (!name.isEmpty() && !name.endsWith(QLatin1Char('/')))
        name += QLatin1Char('/');
    name += QStringLiteral(".skrytkar-");
    for (int i = 0; i < 8; ++i)
        name += QLatin1Char(Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))]);
    return name + QStringLiteral(".part");
}

constexpr uint64_t TicksPerSecond = 10000000ull;
constexpr uint64_t UnixEpochTicks = 116444736000000000ull;  // 1970-01-01 as FILETIME
// Folders kept open at once; past it they are opened again (from the target, one name at a
// time) when needed.
constexpr int MaxOpenFolders = 256;

void Close(int& handle)
{
    if (handle >= 0)
        ::close(handle);
    handle = -1;
}

PathState StateOf(const struct stat& st)
{
    PathState state;
    if (S_ISREG(st.st_mode))
        state.Kind = PathKind::File;
    else if (S_ISDIR(st.st_mode))
        state.Kind = PathKind::Folder;
    else if (S_ISLNK(st.st_mode))
        state.Kind = PathKind::Link;
    else
        state.Kind = PathKind::Other;
    state.Size = state.Kind == PathKind::Folder ? 0 : static_cast<int64_t>(st.st_size);
    state.Time = FileTimeOf(st.st_mtim);
    return state;
}

// Opens the folder name inside folder without following a link. A folder that may be entered
// but not read (no read permission) is opened for walking only.
OsError OpenFolderAt(int folder, const QByteArray& name, int& handle)
{
    handle = ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (handle < 0 && errno == EACCES)
        handle = ::openat(folder, name.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (handle < 0) {
        const OsError error = LastError();
        if (error != ENOTDIR)
            return error;
        // O_DIRECTORY answers ENOTDIR for a link too: tell the two apart.
        struct stat st;
        if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
            return ELOOP;
        return ENOTDIR;
    }
    struct stat st;
    if (::fstat(handle, &st) != 0 || !S_ISDIR(st.st_mode)) {
        Close(handle);
        return ENOTDIR;
    }
    return NoError;
}

}  // namespace

OsError LookupPath(const QString& path, PathState& state)
{
    state = PathState();
    struct stat st;
    if (::lstat(NativePath(path).constData(), &st) != 0) {
        const OsError error = LastError();
        return error == ENOENT ? NoError : error;
    }
    if (S_ISREG(st.st_mode))
        state.Kind = PathKind::File;
    else if (S_ISDIR(st.st_mode))
        state.Kind = PathKind::Folder;
    else if (S_ISLNK(st.st_mode))
        state.Kind = PathKind::Link;
    else
        state.Kind = PathKind::Other;
    state.Size = state.Kind == PathKind::Folder ? 0 : static_cast<int64_t>(st.st_size);
    state.Time = FileTimeOf(st.st_mtim);
    return NoError;
}

unsigned ProcessUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const unsigned mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return mask & 0777;
            }
        }
    }
    return 022;
}

// --- RestoredFile ---------------------------------------------------------------------------

RestoredFile::~RestoredFile()
{
    Discard();
}

OsError RestoredFile::Create(const QString& folder)
{
    Discard();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = NewTemporaryName(folder);
        const int handle = ::open(NativePath(name).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (handle >= 0) {
            handle_ = handle;
            temporary_ = name;
            return NoError;
        }
        if (errno != EEXIST)
            return LastError();
    }
    return EEXIST;
}

OsError RestoredFile::CreateIn(int folderHandle)
{
    Discard();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = NewTemporaryName(QString());
        const int handle = ::openat(folderHandle, NativePath(name).constData(),
                                    O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (handle >= 0) {
            ::flock(handle, LOCK_EX | LOCK_NB);
            handle_ = handle;
            folder_ = folderHandle;
            temporary_ = name;
            return NoError;
        }
        if (errno != EEXIST)
            return LastError();
    }
    return EEXIST;
}

OsError RestoredFile::WriteAt(const void* data, size_t size, int64_t offset)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(handle_, bytes, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return LastError();
        }
        bytes += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return NoError;
}

OsError RestoredFile::SetLength(int64_t length)
{
    int rc;
    do
        rc = ::ftruncate(handle_, static_cast<off_t>(length));
    while (rc != 0 && errno == EINTR);
    return rc == 0 ? NoError : LastError();
}

OsError RestoredFile::SetMode(unsigned mode)
{
    return ::fchmod(handle_, mode) == 0 ? NoError : LastError();
}

OsError RestoredFile::SetTime(uint64_t fileTime)
{
    timespec times[2];
    times[0] = times[1] = TimespecOfFileTime(fileTime);
    return ::futimens(handle_, times) == 0 ? NoError : LastError();
}

OsError RestoredFile::Sync()
{
    return ::fsync(handle_) == 0 ? NoError : LastError();
}

OsError RestoredFile::Commit(const QString& path, bool replace)
{
    if (handle_ >= 0) {
        const int rc = ::close(handle_);
        handle_ = -1;
        // A close that fails may have lost data that was still on its way (network file
        // systems report late): the file is not whole.
        if (rc != 0)
            return LastError();
    }
    if (temporary_.isEmpty())
        return EBADF;
    if (folder_ >= 0) {
        const QByteArray from = NativePath(temporary_);
        const QByteArray to = NativePath(path);
        if (replace) {
            if (::renameat(folder_, from.constData(), folder_, to.constData()) != 0)
                return LastError();
        } else if (const OsError error = RenameNoReplaceAt(folder_, from, to)) {
            return error;
        }
    } else if (const OsError error = RenamePath(temporary_, path, replace)) {
        return error;
    }
    temporary_.clear();
    folder_ = -1;
    return NoError;
}

void RestoredFile::Discard()
{
    if (handle_ >= 0) {
        ::close(handle_);
        handle_ = -1;
    }
    if (!temporary_.isEmpty()) {
        if (folder_ >= 0)
            ::unlinkat(folder_, NativePath(temporary_).constData(), 0);
        else
            ::unlink(NativePath(temporary_).constData());
        temporary_.clear();
    }
    folder_ = -1;
}

OsError RenameNoReplaceAt(int folder, const QByteArray& from, const QByteArray& to, bool oneStep)
{
    if (oneStep) {
        if (::renameat2(folder, from.constData(), folder, to.constData(), RENAME_NOREPLACE) == 0)
            return NoError;
        const OsError error = LastError();
        if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP)
            return error;
    }
    // A new name made by link fails when anything lies there, as the one-step way does.
    if (::linkat(folder, from.constData(), folder, to.constData(), 0) != 0)
        return LastError();
    ::unlinkat(folder, from.constData(), 0);
    return NoError;
}

timespec TimespecOfFileTime(uint64_t fileTime)
{
    // Signed ticks from 1970: a time before it is negative, and the seconds are rounded down so
    // the nanoseconds stay within a second.
    const int64_t ticks = static_cast<int64_t>(fileTime - UnixEpochTicks);
    int64_t seconds = ticks / int64_t(TicksPerSecond);
    int64_t rest = ticks % int64_t(TicksPerSecond);
    if (rest < 0) {
        rest += int64_t(TicksPerSecond);
        --seconds;
    }
    timespec time;
    time.tv_sec = static_cast<time_t>(seconds);
    time.tv_nsec = static_cast<long>(rest) * 100;
    return time;
}

bool IsRestoreTemporaryName(const QString& name)
{
    static const QLatin1StringView Head(".skrytkar-");
    static const QLatin1StringView Tail(".part");
    if (name.size() != Head.size() + 8 + Tail.size() || !name.startsWith(Head) || !name.endsWith(Tail))
        return false;
    for (qsizetype i = Head.size(); i < Head.size() + 8; ++i) {
        const char16_t c = name.at(i).unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')))
            return false;
    }
    return true;
}

// --- RestoreTarget ----------------------------------------------------------------------------

RestoreTarget::~RestoreTarget()
{
    CloseFolders();
    Close(root_);
}

void RestoreTarget::CloseFolders()
{
    for (int handle : std::as_const(open_))
        ::close(handle);
    open_.clear();
}

OsError RestoreTarget::Open(const QString& path)
{
    CloseFolders();
    Close(root_);
    visited_.clear();
    made_.clear();
    if (path.isEmpty())
        return ENOENT;  // no folder named at all, which must not be taken for the current one
    path_ = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    // The missing folders on the way, from the top.
    QString reached;
    const QStringList names = path_.left(path_.size() - 1).split(QLatin1Char('/'));
    for (qsizetype i = 0; i < names.size(); ++i) {
        reached += names[i];
        if (!names[i].isEmpty() && names[i] != QStringLiteral(".") && names[i] != QStringLiteral("..")) {
            if (::mkdir(NativePath(reached).constData(), 0777) != 0 && errno != EEXIST)
                return LastError();
        }
        reached += QLatin1Char('/');
    }
    root_ = ::open(NativePath(path_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root_ < 0)
        return LastError();
    RemoveStale(root_);
    visited_.insert(QString());
    return NoError;
}

OsError RestoreTarget::Folder(const QString& relative, int& handle, bool* created, bool make)
{
    handle = -1;
    if (created)
        *created = false;
    if (root_ < 0)
        return EBADF;
    if (relative.isEmpty()) {
        handle = root_;
        return NoError;
    }
    if (const auto known = open_.constFind(relative); known != open_.constEnd()) {
        handle = *known;
        return NoError;
    }
    if (open_.size() >= MaxOpenFolders)
        CloseFolders();
    // From the nearest folder already open, one name at a time.
    int from = root_;
    QString reached;
    const QStringList names = relative.split(QLatin1Char('/'));
    qsizetype first = 0;
    for (qsizetype i = names.size() - 1; i > 0; --i) {
        const QString above = QStringList(names.mid(0, i)).join(QLatin1Char('/'));
        if (const auto known = open_.constFind(above); known != open_.constEnd()) {
            from = *known;
            reached = above;
            first = i;
            break;
        }
    }
    for (qsizetype i = first; i < names.size(); ++i) {
        const QString& name = names[i];
        if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral(".."))
            return EINVAL;
        const QByteArray native = NativePath(name);
        bool made = false;
        int next = -1;
        OsError error = OpenFolderAt(from, native, next);
        if (error == ENOENT && make) {
            if (::mkdirat(from, native.constData(), 0777) == 0)
                made = true;
            else if (errno != EEXIST)
                return LastError();
            error = OpenFolderAt(from, native, next);
        }
        if (error)
            return error;
        reached = reached.isEmpty() ? name : reached + QLatin1Char('/') + name;
        open_.insert(reached, next);
        if (made)
            made_.insert(reached);
        if (!visited_.contains(reached)) {
            visited_.insert(reached);
            if (!made)
                RemoveStale(next);
        }
        from = next;
        if (created)
            *created = made;
    }
    handle = from;
    return NoError;
}

void RestoreTarget::RemoveStale(int folder)
{
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return;
    DIR* dir = ::fdopendir(listing);
    if (!dir) {
        ::close(listing);
        return;
    }
    QList<QByteArray> stale;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsRestoreTemporaryName(QString::fromLatin1(entry->d_name)))
            stale.append(QByteArray(entry->d_name));
    }
    ::closedir(dir);
    for (const QByteArray& name : stale) {
        struct stat st;
        if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(st.st_mode)) {
            // A temporary still locked belongs to a restore at work.
            const int handle = ::openat(folder, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (handle < 0)
                continue;
            const bool free = ::flock(handle, LOCK_EX | LOCK_NB) == 0;
            ::close(handle);
            if (!free)
                continue;
        } else if (!S_ISLNK(st.st_mode)) {
            continue;
        }
        if (::unlinkat(folder, name.constData(), 0) == 0)
            ++staleRemoved_;
    }
}

OsError RestoreTarget::Lookup(int folder, const QString& name, PathState& state)
{
    state = PathState();
    struct stat st;
    if (::fstatat(folder, NativePath(name).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        const OsError error = LastError();
        return error == ENOENT ? NoError : error;
    }
    state = StateOf(st);
    return NoError;
}

OsError RestoreTarget::MakeLink(int folder, const QString& name, const QString& target, bool replace, bool setTime,
                                uint64_t time)
{
    const QByteArray bytes = NativePath(target);
    const QByteArray native = NativePath(name);
    if (!replace) {
        if (::symlinkat(bytes.constData(), folder, native.constData()) != 0)
            return LastError();
    } else {
        // Made under a temporary name and renamed over, so the old one goes only when the new
        // one exists.
        OsError error = EEXIST;
        for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
            const QByteArray temporary = NativePath(NewTemporaryName(QString()));
            if (::symlinkat(bytes.constData(), folder, temporary.constData()) != 0) {
                error = LastError();
                continue;
            }
            error = ::renameat(folder, temporary.constData(), folder, native.constData()) == 0 ? NoError : LastError();
            if (error) {
                ::unlinkat(folder, temporary.constData(), 0);
                return error;
            }
        }
        if (error)
            return error;
    }
    if (setTime) {
        timespec times[2];
        times[0] = times[1] = TimespecOfFileTime(time);
        ::utimensat(folder, native.constData(), times, AT_SYMLINK_NOFOLLOW);
    }
    return NoError;
}

OsError RestoreTarget::SetFolder(const QString& relative, bool setTime, uint64_t time, bool setMode, unsigned mode)
{
    int handle = -1;
    if (const OsError error = Folder(relative, handle))
        return error;
    if (setTime) {
        timespec times[2];
        times[0] = times[1] = TimespecOfFileTime(time);
        if (::futimens(handle, times) != 0)
            return LastError();
    }
    if (setMode && ::fchmod(handle, mode) != 0)
        return LastError();
    return NoError;
}

OsError RestoreTarget::Sync()
{
    if (root_ < 0)
        return EBADF;
    OsError first = NoError;
    QSet<dev_t> devices;
    for (const QString& relative : std::as_const(visited_)) {
        int handle = -1;
        // A folder gone meanwhile has nothing left to keep.
        if (Folder(relative, handle, nullptr, false) != NoError)
            continue;
        struct stat st;
        if (::fstat(handle, &st) == 0 && !devices.contains(st.st_dev)) {
            // The files written there, in one call for their whole file system.
            devices.insert(st.st_dev);
            if (::syncfs(handle) != 0 && !first)
                first = LastError();
        }
        if (::fsync(handle) != 0 && errno != EBADF && errno != EINVAL && !first)
            first = LastError();
    }
    return first;
}

// --- Links, times, modes --------------------------------------------------------------------

OsError ReadSymbolicLink(const QString& path, QString& target)
{
    target.clear();
    char buffer[PATH_MAX + 1];
    const ssize_t n = ::readlink(NativePath(path).constData(), buffer, sizeof buffer);
    if (n < 0)
        return LastError();
    if (static_cast<size_t>(n) >= sizeof buffer)
        return ENAMETOOLONG;
    target = FromNativePath(QByteArray(buffer, static_cast<qsizetype>(n)));
    return NoError;
}

OsError SetPathTime(const QString& path, uint64_t fileTime)
{
    timespec times[2];
    times[0] = times[1] = TimespecOfFileTime(fileTime);
    return ::utimensat(AT_FDCWD, NativePath(path).constData(), times, AT_SYMLINK_NOFOLLOW) == 0 ? NoError
                                                                                                 : LastError();
}
