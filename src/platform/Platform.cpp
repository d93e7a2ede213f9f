#include "platform/Platform.h"

#include "platform/Files.h"

#include <QFileInfo>
#include <QStringDecoder>

#include <array>
#include <climits>
#include <iconv.h>
#include <cstdlib>
#include <memory>
#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace {
QString overriddenDirectory;

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

// An absolute directory from the environment, with a trailing "/"; empty when unset, empty or
// relative (the XDG rules ignore a relative base directory).
QString AbsoluteDirectoryFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || value[0] != '/')
        return QString();
    QString dir = FromNativePath(QByteArray(value));
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

// $HOME, or the account's home directory when HOME is not usable (a bare service environment).
QString HomeDirectory()
{
    QString home = AbsoluteDirectoryFromEnvironment("HOME");
    if (!home.isEmpty())
        return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found
        && found->pw_dir && found->pw_dir[0] == '/') {
        home = FromNativePath(QByteArray(found->pw_dir));
        if (!home.endsWith(QLatin1Char('/')))
            home += QLatin1Char('/');
    }
    return home;
}

// Makes every missing folder of an absolute path, each with the given mode.
void MakeFolders(const QString& dir, unsigned mode)
{
    for (qsizetype slash = dir.indexOf(QLatin1Char('/'), 1); slash > 0;
         slash = dir.indexOf(QLatin1Char('/'), slash + 1)) {
        const QString part = dir.left(slash);
        if (!PathExists(part))
            MakeFolder(part, mode);  // a failure shows when a file inside is used
    }
    if (!dir.endsWith(QLatin1Char('/')) && !PathExists(dir))
        MakeFolder(dir, mode);
}

bool UnderUsr(const QString& dir)
{
    return dir.startsWith(QLatin1String("/usr/"));
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

QString UserDataDirectory()
{
    QString base = AbsoluteDirectoryFromEnvironment("XDG_DATA_HOME");
    if (base.isEmpty()) {
        const QString home = HomeDirectory();
        if (home.isEmpty())
            return QString();
        base = home + QStringLiteral(".local/share/");
    }
    return base + QStringLiteral("skrytkar/");
}

QString DataDirectory()
{
    const QString program = ProgramDirectory();
    if (!UnderUsr(program) && ::access(NativePath(program).constData(), W_OK) == 0)
        return program;
    const QString data = UserDataDirectory();
    if (data.isEmpty())
        return program;  // no home at all: nowhere better to look
    // Private to the user, as the XDG rules ask for the folders they make.
    MakeFolders(data, 0700);
    return data;
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
