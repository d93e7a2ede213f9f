#include "platform/Restore.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int MaxLinksInARow = 40;  // as the system's own limit (ELOOP)

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
    times[0] = times[1] = TimespecOf(fileTime);
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
    if (const OsError error = RenamePath(temporary_, path, replace))
        return error;
    temporary_.clear();
    return NoError;
}

void RestoredFile::Discard()
{
    if (handle_ >= 0) {
        ::close(handle_);
        handle_ = -1;
    }
    if (!temporary_.isEmpty()) {
        ::unlink(NativePath(temporary_).constData());
        temporary_.clear();
    }
}

// --- Links, times, modes --------------------------------------------------------------------

OsError MakeSymbolicLink(const QString& target, const QString& path, bool replace)
{
    const QByteArray bytes = NativePath(target);
    if (!replace)
        return ::symlink(bytes.constData(), NativePath(path).constData()) == 0 ? NoError : LastError();
    // Made under a temporary name and renamed over, so the old one goes only when the new
    // one exists.
    const QString folder = path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString temporary = NewTemporaryName(folder);
        if (::symlink(bytes.constData(), NativePath(temporary).constData()) != 0) {
            if (errno == EEXIST)
                continue;
            return LastError();
        }
        const OsError error = RenamePath(temporary, path, true);
        if (error)
            ::unlink(NativePath(temporary).constData());
        return error;
    }
    return EEXIST;
}

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
    times[0] = times[1] = TimespecOf(fileTime);
    return ::utimensat(AT_FDCWD, NativePath(path).constData(), times, AT_SYMLINK_NOFOLLOW) == 0 ? NoError
                                                                                                 : LastError();
}

OsError SetPathMode(const QString& path, unsigned mode)
{
    return ::chmod(NativePath(path).constData(), mode) == 0 ? NoError : LastError();
}

OsError RemovePath(const QString& path)
{
    return ::unlink(NativePath(path).constData()) == 0 ? NoError : LastError();
}

bool StaysInside(const QString& root, const QString& relative)
{
    if (relative.startsWith(QLatin1Char('/')))
        return false;
    std::deque<QString> todo;
    for (const QString& name : relative.split(QLatin1Char('/')))
        todo.push_back(name);
    QString reached = root;  // root and the real names under it taken so far
    if (!reached.endsWith(QLatin1Char('/')))
        reached += QLatin1Char('/');
    const qsizetype rootLength = reached.size();
    int links = 0;
    while (!todo.empty()) {
        const QString name = todo.front();
        todo.pop_front();
        if (name.isEmpty() || name == QStringLiteral("."))
            continue;
        if (name == QStringLiteral("..")) {
            if (reached.size() == rootLength)
                return false;
            reached.chop(1);
            reached.truncate(reached.lastIndexOf(QLatin1Char('/')) + 1);
            continue;
        }
        const QString path = reached + name;
        struct stat st;
        if (::lstat(NativePath(path).constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
            QString target;
            if (++links > MaxLinksInARow || ReadSymbolicLink(path, target) != NoError || target.isEmpty() ||
                target.startsWith(QLatin1Char('/')))
                return false;
            const QStringList parts = target.split(QLatin1Char('/'));
            for (auto it = parts.rbegin(); it != parts.rend(); ++it)
                todo.push_front(*it);
            continue;
        }
        reached = path + QLatin1Char('/');
    }
    return true;
}
