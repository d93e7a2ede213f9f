#include "platform/Files.h"

#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

WriteFault injectedFault = WriteFault::None;
std::function<OsError(const QString&)> syncHook;

bool Injected(WriteFault step)
{
    return injectedFault == step;
}

OsError LastError()
{
    return errno != 0 ? errno : EIO;
}

constexpr uint64_t UnixEpochAsFileTime = 116444736000000000ull;

mode_t DefaultFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Decodes one UTF-8 sequence at s[i]; its length, or 0 when the bytes there are not one.
int Utf8SequenceLength(const unsigned char* s, qsizetype i, qsizetype n)
{
    const unsigned char c = s[i];
    int length;
    uint32_t cp;
    if (c < 0x80)
        return 1;
    if ((c & 0xE0) == 0xC0) {
        length = 2;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + length > n)
        return 0;
    for (int k = 1; k < length; ++k) {
        if ((s[i + k] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not valid text.
    static const uint32_t Least[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < Least[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

constexpr char16_t EscapeBase = 0xDC00;  // byte b (0x80..0xFF) is kept as U+DC00 + b

} // namespace

QByteArray NativePath(const QString& path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    const qsizetype n = path.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = path.at(i).unicode();
        const bool escaped = u >= EscapeBase + 0x80 && u <= EscapeBase + 0xFF
            && !(i > 0 && path.at(i - 1).isHighSurrogate());
        if (!escaped)
            continue;
        bytes += QStringView(path).sliced(start, i - start).toUtf8();
        bytes += static_cast<char>(u - EscapeBase);
        start = i + 1;
    }
    bytes += QStringView(path).sliced(start).toUtf8();
    return bytes;
}

QString FromNativePath(const QByteArray& bytes)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    QString text;
    qsizetype start = 0;
    for (qsizetype i = 0; i < n;) {
        const int length = Utf8SequenceLength(s, i, n);
        if (length > 0) {
            i += length;
            continue;
        }
        text += QString::fromUtf8(bytes.constData() + start, i - start);
        text += QChar(static_cast<char16_t>(EscapeBase + s[i]));
        ++i;
        start = i;
    }
    text += QString::fromUtf8(bytes.constData() + start, n - start);
    return text;
}

// --- OsFile ---------------------------------------------------------------------------------

OsFile::~OsFile()
{
    if (fd >= 0)
        ::close(fd);
}

OsFile::OsFile(OsFile&& other) noexcept : fd(other.fd)
{
    other.fd = -1;
}

OsFile& OsFile::operator=(OsFile&& other) noexcept
{
    if (this != &other) {
        if (fd >= 0)
            ::close(fd);
        fd = other.fd;
        other.fd = -1;
    }
    return *this;
}

OsError OsFile::OpenForReading(const QString& path, OsFile& file, bool followLinks)
{
    const int flags = O_RDONLY | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW);
    const int handle = ::open(NativePath(path).constData(), flags);
    if (handle < 0)
        return LastError();
    file = OsFile(handle);
    return NoError;
}

OsError OsFile::OpenFileForReading(const QString& path, OsFile& file, bool followLinks)
{
    // Not waiting: a pipe put where a file was listed must not hang the caller in open.
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW);
    const int handle = ::open(NativePath(path).constData(), flags);
    if (handle < 0)
        return LastError();
    OsFile opened(handle);
    struct stat st;
    if (::fstat(handle, &st) != 0)
        return LastError();
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return ENXIO;
    const int status = ::fcntl(handle, F_GETFL);
    if (status < 0 || ::fcntl(handle, F_SETFL, status & ~O_NONBLOCK) != 0)
        return LastError();
    file = std::move(opened);
    return NoError;
}

OsError OsFile::OpenForUpdate(const QString& path, OsFile& file)
{
    const int handle = ::open(NativePath(path).constData(), O_RDWR | O_CLOEXEC);
    if (handle < 0)
        return LastError();
    file = OsFile(handle);
    return NoError;
}

OsError OsFile::CreateNew(const QString& path, OsFile& file, unsigned mode)
{
    const int handle = ::open(NativePath(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (handle < 0)
        return LastError();
    file = OsFile(handle);
    return NoError;
}

OsError OsFile::ReadAt(void* data, size_t size, int64_t offset, size_t& done)
{
    done = 0;
    ssize_t n;
    do
        n = ::pread(fd, data, size, static_cast<off_t>(offset));
    while (n < 0 && errno == EINTR);
    if (n < 0)
        return LastError();
    done = static_cast<size_t>(n);
    return NoError;
}

OsError OsFile::ReadFullyAt(void* data, size_t size, int64_t offset, size_t& done)
{
    done = 0;
    while (done < size) {
        size_t n = 0;
        if (const OsError error = ReadAt(static_cast<char*>(data) + done, size - done, offset + int64_t(done), n))
            return error;
        if (n == 0)
            break;
        done += n;
    }
    return NoError;
}

OsError OsFile::WriteAt(const void* data, size_t size, int64_t offset)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, bytes, size, static_cast<off_t>(offset));
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

OsError OsFile::Size(int64_t& size) const
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return LastError();
    size = static_cast<int64_t>(st.st_size);
    return NoError;
}

OsError OsFile::Mode(unsigned& mode) const
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return LastError();
    mode = st.st_mode & 07777;
    return NoError;
}

OsError OsFile::Identity(uint64_t& device, uint64_t& inode) const
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return LastError();
    device = static_cast<uint64_t>(st.st_dev);
    inode = static_cast<uint64_t>(st.st_ino);
    return NoError;
}

OsError OsFile::Sync()
{
    if (syncHook)
        if (const OsError error = syncHook(QString()))
            return error;
    return ::fsync(fd) == 0 ? NoError : LastError();
}

OsError OsFile::DropCachedPages()
{
    return ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
}

OsError OsFile::SetTime(uint64_t fileTime)
{
    timespec times[2];
    times[0] = times[1] = TimespecOf(fileTime);
    return ::futimens(fd, times) == 0 ? NoError : LastError();
}

OsError OsFile::SetMode(unsigned mode)
{
    return ::fchmod(fd, mode) == 0 ? NoError : LastError();
}

OsError OsFile::TryLock(bool exclusive)
{
    int rc;
    do
        rc = ::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    return rc == 0 ? NoError : LastError();
}

OsError OsFile::Close()
{
    if (fd < 0)
        return NoError;
    const int rc = ::close(fd);
    fd = -1;
    return rc == 0 ? NoError : LastError();
}

// --- Whole files ----------------------------------------------------------------------------

bool PathExists(const QString& path)
{
    struct stat st;
    return !path.isEmpty() && ::lstat(NativePath(path).constData(), &st) == 0;
}

OsError ReadWholeFile(const QString& path, QByteArray& bytes)
{
    bytes.clear();
    OsFile file;
    if (const OsError error = OsFile::OpenForReading(path, file))
        return error;
    // A folder opens for reading; reading it is what fails.
    char chunk[65536];
    for (int64_t offset = 0;;) {
        size_t n = 0;
        if (const OsError error = file.ReadAt(chunk, sizeof chunk, offset, n)) {
            bytes.clear();
            return error;
        }
        if (n == 0)
            break;
        bytes.append(chunk, static_cast<qsizetype>(n));
        offset += static_cast<int64_t>(n);
    }
    return NoError;
}

OsError WriteFileAtomically(const QString& path, const QByteArray& bytes)
{
    QByteArray target = NativePath(path);
    struct stat st;
    if (::lstat(target.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Replace what the link points at, not the link itself.
        char resolved[PATH_MAX];
        if (::realpath(target.constData(), resolved))
            target = QByteArray(resolved);
    }
    bool exists = false;
    if (::stat(target.constData(), &st) == 0) {
        exists = true;
        if (S_ISDIR(st.st_mode))
            return EISDIR;
        // A file the user made read-only is not replaced; root would pass access(), so the
        // permission bits are looked at too.
        if ((st.st_mode & 0222) == 0 || ::access(target.constData(), W_OK) != 0)
            return EACCES;
    }
    if (Injected(WriteFault::Create))
        return EIO;

    // The file is written unnamed (where the file system allows), so a kill half way leaves
    // nothing behind; it gets its name only in commit.
    QSaveFile file(FromNativePath(target));
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return LastError();
    const int fd = file.handle();
    // Held until the file is closed: a start that finds a copy of this name left by a killed
    // save removes it only when nobody holds its lock.
    ::flock(fd, LOCK_EX | LOCK_NB);
    if (::fchmod(fd, exists ? (st.st_mode & 07777) : DefaultFileMode()) != 0) {
        const OsError error = LastError();
        file.cancelWriting();
        return error;
    }
    const char* data = bytes.constData();
    for (qsizetype left = bytes.size(); left > 0;) {
        if (Injected(WriteFault::Write)) {
            file.cancelWriting();
            return ENOSPC;
        }
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const OsError error = LastError();
            file.cancelWriting();
            return error;
        }
        data += n;
        left -= n;
    }
    if (Injected(WriteFault::Write) && bytes.isEmpty()) {
        file.cancelWriting();
        return ENOSPC;
    }
    if (Injected(WriteFault::Flush) || ::fsync(fd) != 0) {
        const OsError error = Injected(WriteFault::Flush) ? EIO : LastError();
        file.cancelWriting();
        return error;
    }
    if (Injected(WriteFault::Rename)) {
        file.cancelWriting();
        return EXDEV;
    }
    errno = 0;
    if (!file.commit())
        return LastError();
    // The new name itself reaches the disk with the folder.
    SyncFolder(FolderOfPath(FromNativePath(target)));
    return NoError;
}

OsError CopyFileAtomically(const QString& source, const QString& target)
{
    QByteArray bytes;
    if (const OsError error = ReadWholeFile(source, bytes))
        return error;
    return WriteFileAtomically(target, bytes);
}

OsError CopyToNewFile(const QString& source, const QString& target)
{
    QByteArray bytes;
    if (const OsError error = ReadWholeFile(source, bytes))
        return error;
    OsFile file;
    if (const OsError error = OsFile::CreateNew(target, file, DefaultFileMode()))
        return error;
    OsError error = file.WriteAt(bytes.constData(), static_cast<size_t>(bytes.size()), 0);
    if (!error)
        error = file.Sync();
    const OsError closed = file.Close();
    if (!error)
        error = closed;
    if (error) {
        RemoveFile(target);
        return error;
    }
    SyncFolder(FolderOfPath(target));
    return NoError;
}

void InjectSyncHook(std::function<OsError(const QString& folder)> hook)
{
    syncHook = std::move(hook);
}

void InjectWriteFault(WriteFault fault)
{
    injectedFault = fault;
}

uint64_t FileTimeOf(const timespec& time)
{
    return static_cast<uint64_t>(time.tv_sec) * 10000000ull + static_cast<uint64_t>(time.tv_nsec) / 100 +
           UnixEpochAsFileTime;
}

timespec TimespecOf(uint64_t fileTime)
{
    const uint64_t ticks = fileTime >= UnixEpochAsFileTime ? fileTime - UnixEpochAsFileTime : 0;
    timespec time;
    time.tv_sec = static_cast<time_t>(ticks / 10000000ull);
    time.tv_nsec = static_cast<long>(ticks % 10000000ull) * 100;
    return time;
}

// --- Names and folders ----------------------------------------------------------------------

OsError RemoveFile(const QString& path)
{
    return ::unlink(NativePath(path).constData()) == 0 ? NoError : LastError();
}

OsError RenamePath(const QString& from, const QString& to, bool replace)
{
    const QByteArray a = NativePath(from);
    const QByteArray b = NativePath(to);
    const int rc = replace ? ::rename(a.constData(), b.constData())
                           : ::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE);
    return rc == 0 ? NoError : LastError();
}

OsError SyncFolder(const QString& folder)
{
    if (syncHook)
        if (const OsError error = syncHook(folder))
            return error;
    const int fd = ::open(NativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return LastError();
    const OsError error = ::fsync(fd) == 0 ? NoError : LastError();
    ::close(fd);
    return error;
}

OsError MakeHardLink(const QString& from, const QString& to)
{
    return ::linkat(AT_FDCWD, NativePath(from).constData(), AT_FDCWD, NativePath(to).constData(), 0) == 0
               ? NoError
               : LastError();
}

OsError RemoveEmptyFolder(const QString& path)
{
    return ::rmdir(NativePath(path).constData()) == 0 ? NoError : LastError();
}

OsError MakeFolder(const QString& path, unsigned mode)
{
    return ::mkdir(NativePath(path).constData(), mode) == 0 ? NoError : LastError();
}

QString FolderOfPath(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash >= 0 ? path.left(slash + 1) : QStringLiteral("./");
}

OsError CreateUniqueFile(const QString& folder, const QString& prefix, const QString& suffix, unsigned mode,
                         OsFile& file, QString& name)
{
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString base = folder;
    if (!base.isEmpty() && !base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString letters;
        for (int i = 0; i < 6; ++i)
            letters += QLatin1Char(Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))]);
        name = base + prefix + letters + suffix;
        const OsError error = OsFile::CreateNew(name, file, mode);
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}
