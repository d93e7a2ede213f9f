#include "platform/Platform.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString overriddenDirectory;
WriteFault injectedFault = WriteFault::None;

QString ErrnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

[[noreturn]] void Fail(const QString& what, const QString& path, int err)
{
    QString text = what + QStringLiteral(" \"") + path + QLatin1Char('"');
    if (err != 0)
        text += QStringLiteral(": ") + ErrnoText(err);
    throw EFileError(text.toStdString());
}

bool Injected(WriteFault step)
{
    return injectedFault == step;
}

// Writes everything, going on after short writes and interrupted calls.
bool WriteAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

mode_t DefaultFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Both directions of Windows-1250, built once from glibc iconv so the conversion of every
// field is a table look-up.
struct Windows1250Tables {
    std::array<char16_t, 256> toUnicode{};
    std::unique_ptr<int16_t[]> fromUnicode;  // -1: the code page lacks the character

    Windows1250Tables() : fromUnicode(new int16_t[65536])
    {
        for (int i = 0; i < 65536; ++i)
            fromUnicode[i] = -1;
        iconv_t cd = ::iconv_open("UTF-16LE", "WINDOWS-1250");
        for (int b = 0; b < 256; ++b) {
            char in = static_cast<char>(b);
            unsigned char out[8] = {};
            char* inPtr = &in;
            char* outPtr = reinterpret_cast<char*>(out);
            size_t inLeft = 1;
            size_t outLeft = sizeof out;
            bool defined = false;
            if (cd != reinterpret_cast<iconv_t>(-1)) {
                ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
                defined = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)
                    && sizeof out - outLeft == 2;
            } else {
                defined = b < 128;  // no converter at all: ASCII is still certain
            }
            const char16_t u = defined ? static_cast<char16_t>(out[0] | (out[1] << 8))
                                       : static_cast<char16_t>(b);
            toUnicode[static_cast<size_t>(b)] = u;
            // Undefined bytes go back to themselves as well, as on Windows.
            if (fromUnicode[u] < 0)
                fromUnicode[u] = static_cast<int16_t>(b);
        }
        if (cd != reinterpret_cast<iconv_t>(-1))
            ::iconv_close(cd);
    }
};

const Windows1250Tables& Tables()
{
    static const Windows1250Tables tables;
    return tables;
}

const QByteArray& Utf8Marker()
{
    static const QByteArray marker("\xEF\xBB\xBF", 3);
    return marker;
}

} // namespace

QString ProgramDirectory()
{
    if (!overriddenDirectory.isEmpty())
        return overriddenDirectory;
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return QStringLiteral("./");
    buf[n] = '\0';
    QString dir = QFileInfo(QString::fromLocal8Bit(buf)).absolutePath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

void OverrideProgramDirectory(const QString& dir)
{
    overriddenDirectory = dir;
    if (!overriddenDirectory.isEmpty() && !overriddenDirectory.endsWith(QLatin1Char('/')))
        overriddenDirectory += QLatin1Char('/');
}

bool PathExists(const QString& path)
{
    struct stat st;
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0;
}

QByteArray ReadWholeFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        Fail(QStringLiteral("Cannot open"), path, errno);
    QByteArray bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            Fail(QStringLiteral("Cannot read"), path, err);
        }
        if (n == 0)
            break;
        bytes.append(chunk, n);
    }
    ::close(fd);
    return bytes;
}

void WriteFileAtomically(const QString& path, const QByteArray& bytes)
{
    QByteArray target = QFile::encodeName(path);
    struct stat st;
    bool exists = false;
    if (::lstat(target.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Replace what the link points at, not the link itself.
        char resolved[PATH_MAX];
        if (::realpath(target.constData(), resolved))
            target = QByteArray(resolved);
    }
    if (::stat(target.constData(), &st) == 0) {
        exists = true;
        if (S_ISDIR(st.st_mode))
            Fail(QStringLiteral("Not a file"), path, EISDIR);
        // A file the user made read-only is not replaced; root would pass access(), so the
        // permission bits are looked at too.
        if ((st.st_mode & 0222) == 0 || ::access(target.constData(), W_OK) != 0)
            Fail(QStringLiteral("No permission to replace"), path, EACCES);
    }

    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash >= 0 ? target.left(slash + 1) : QByteArray("./");
    const QByteArray name = slash >= 0 ? target.mid(slash + 1) : target;
    QByteArray temp = folder + '.' + name + ".XXXXXX";

    int fd = Injected(WriteFault::Create) ? (errno = EIO, -1) : ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        Fail(QStringLiteral("Cannot create a file beside"), path, errno);

    auto abandon = [&](const QString& what, int err) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.constData());
        Fail(what, path, err);
    };

    ::fchmod(fd, exists ? (st.st_mode & 07777) : DefaultFileMode());
    if (Injected(WriteFault::Write) || !WriteAll(fd, bytes.constData(), bytes.size()))
        abandon(QStringLiteral("Cannot write"), Injected(WriteFault::Write) ? ENOSPC : errno);
    if (Injected(WriteFault::Flush) || ::fsync(fd) != 0)
        abandon(QStringLiteral("Cannot flush"), Injected(WriteFault::Flush) ? EIO : errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        abandon(QStringLiteral("Cannot write"), errno);
    if (Injected(WriteFault::Rename) || ::rename(temp.constData(), target.constData()) != 0)
        abandon(QStringLiteral("Cannot replace"), Injected(WriteFault::Rename) ? EXDEV : errno);

    // The rename itself reaches the disk with the folder.
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

void CopyFileAtomically(const QString& source, const QString& target)
{
    WriteFileAtomically(target, ReadWholeFile(source));
}

void InjectWriteFault(WriteFault fault)
{
    injectedFault = fault;
}

bool ToWindows1250(const QString& text, QByteArray& bytes)
{
    const Windows1250Tables& t = Tables();
    bytes.resize(text.size());
    char* out = bytes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int16_t b = t.fromUnicode[text.at(i).unicode()];
        if (b < 0) {
            bytes.clear();
            return false;
        }
        out[i] = static_cast<char>(b);
    }
    return true;
}

QString FromWindows1250(const QByteArray& bytes)
{
    const Windows1250Tables& t = Tables();
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(t.toUnicode[static_cast<unsigned char>(bytes.at(i))]);
    return text;
}

QByteArray FieldTextToBytes(const QString& text)
{
    QByteArray bytes;
    // Text whose code-page bytes happen to start like the marker ("ď»ż") would read back as
    // UTF-8; it takes the marker form too so it comes back unchanged.
    if (ToWindows1250(text, bytes) && !bytes.startsWith(Utf8Marker()))
        return bytes;
    return Utf8Marker() + text.toUtf8();
}

QString FieldBytesToText(const QByteArray& bytes)
{
    if (bytes.startsWith(Utf8Marker())) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        QString text = decoder(QByteArrayView(bytes).sliced(Utf8Marker().size()));
        if (!decoder.hasError())
            return text;
    }
    return FromWindows1250(bytes);
}
