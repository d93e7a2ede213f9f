#pragma once
// Shared helpers of the 7z component tests: a scratch folder, file makers, and the real `7z`
// command to check what the component wrote.

#include "archive/sevenzip/SevenZip.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>
#include <random>

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>

// Failed comparisons show texts as text.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace SevenZipTest {

// A packer with the settings the main window gives its own: solid, fast, no PPMd sizes sent.
inline std::unique_ptr<SevenZipPacker> MakeWindowPacker()
{
    auto zip = std::make_unique<SevenZipPacker>();
    zip->AddOptions = AddSolid;
    zip->LZMACompressStrength = FAST;
    zip->LPPMDmem = 0;
    zip->LPPMDsize = 0;
    return zip;
}

// One item as `7z l -slt` shows it.
struct ListedItem {
    QString Path;
    qint64 Size = -1;
    bool IsFolder = false;
    QString Modified;
    QString Attributes;
    QString Method;
    QString Crc;
};

struct CommandResult {
    int ExitCode = -1;
    QString Output;
    QByteArray Bytes;  // the output as the command wrote it (names that are not UTF-8 intact)
};

inline CommandResult Run7z(const QStringList& args, const QString& workDir = QString())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    p.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    // A question (overwrite?) must fail the test at once, not wait for an answer.
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(QStringLiteral("7z"), args);
    p.waitForFinished(300000);
    const QByteArray bytes = p.readAll();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(bytes), bytes};
}

// `7z t` must accept the archive.
inline ::testing::AssertionResult ArchiveTests(const QString& archive, const QString& password = QString())
{
    QStringList args{QStringLiteral("t"), archive};
    args << (QStringLiteral("-p") + password);
    const CommandResult r = Run7z(args);
    if (r.ExitCode == 0 && r.Output.contains(QStringLiteral("Everything is Ok")))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "7z t " << archive.toStdString() << " failed:\n" << r.Output.toStdString();
}

// The items of an archive in archive order, from `7z l -slt`.
inline QList<ListedItem> ListArchive(const QString& archive, QString* header = nullptr,
                                     const QString& password = QString())
{
    const CommandResult r = Run7z({QStringLiteral("l"), QStringLiteral("-slt"), QStringLiteral("-p") + password, archive});
    QList<ListedItem> items;
    const qsizetype start = r.Output.indexOf(QStringLiteral("\n----------\n"));
    if (header)
        *header = start < 0 ? r.Output : r.Output.left(start);
    if (start < 0)
        return items;
    const QStringList blocks = r.Output.mid(start + 12).split(QStringLiteral("\n\n"), Qt::SkipEmptyParts);
    for (const QString& block : blocks) {
        ListedItem item;
        bool any = false;
        for (const QString& line : block.split(QLatin1Char('\n'))) {
            const qsizetype eq = line.indexOf(QStringLiteral(" = "));
            const QString key = eq < 0 ? line.trimmed() : line.left(eq);
            const QString value = eq < 0 ? QString() : line.mid(eq + 3);
            if (key == QStringLiteral("Path")) {
                item.Path = value;
                any = true;
            } else if (key == QStringLiteral("Size")) {
                item.Size = value.toLongLong();
            } else if (key == QStringLiteral("Modified")) {
                item.Modified = value;
            } else if (key == QStringLiteral("Attributes")) {
                item.Attributes = value;
                item.IsFolder = value.startsWith(QLatin1Char('D'));
            } else if (key == QStringLiteral("Method")) {
                item.Method = value;
            } else if (key == QStringLiteral("CRC")) {
                item.Crc = value;
            } else if (key == QStringLiteral("Folder")) {
                item.IsFolder = item.IsFolder || value == QStringLiteral("+");
            }
        }
        if (any)
            items.append(item);
    }
    return items;
}

// The item paths of an archive as the bytes `7z l -slt` prints them, sorted.
inline QList<QByteArray> RawPaths(const QString& archive)
{
    const CommandResult r = Run7z({QStringLiteral("l"), QStringLiteral("-slt"), archive});
    QList<QByteArray> paths;
    const qsizetype start = r.Bytes.indexOf("\n----------\n");
    if (start < 0)
        return paths;
    for (const QByteArray& line : r.Bytes.mid(start).split('\n'))
        if (line.startsWith("Path = "))
            paths.append(line.mid(7));
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The names in a folder as the bytes the system holds, sorted.
inline QList<QByteArray> RawFolderNames(const QByteArray& folder)
{
    QList<QByteArray> names;
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// Reads a file named by raw bytes.
inline QByteArray ReadRawFile(const QByteArray& path)
{
    QByteArray data;
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0)
        return data;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        data.append(buffer, n);
    ::close(fd);
    return data;
}

inline void WriteRawFile(const QByteArray& path, const QByteArray& data)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.toStdString();
    ASSERT_EQ(::write(fd, data.constData(), size_t(data.size())), ssize_t(data.size()));
    ::close(fd);
}

// Runs body in a child process as a user without privileges (nobody) when this one is root, so
// that permissions bite as they do for a user; answers what body answered (the child's report,
// since its assertions would not reach this process).
inline QByteArray RunUnprivileged(const std::function<QByteArray()>& body)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "pipe failed";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        const QByteArray out = body();
        for (qsizetype done = 0; done < out.size();) {
            const ssize_t n = ::write(fds[1], out.constData() + done, size_t(out.size() - done));
            if (n <= 0)
                break;
            done += n;
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray out;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child failed";
    return out;
}

// Permission bits of a path (not following a link).
inline unsigned ModeOf(const QString& path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 0xFFFFFFFFu;
    return st.st_mode & 07777;
}

inline void Chmod(const QString& path, unsigned mode)
{
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0) << path.toStdString();
}

inline QStringList Paths(const QList<ListedItem>& items)
{
    QStringList paths;
    for (const ListedItem& item : items)
        paths.append(item.Path);
    paths.sort();
    return paths;
}

inline const ListedItem* Find(const QList<ListedItem>& items, const QString& path)
{
    for (const ListedItem& item : items)
        if (item.Path == path)
            return &item;
    return nullptr;
}

inline void WriteFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(data), data.size());
}

// Bytes no compressor can shrink.
inline QByteArray Noise(qsizetype size, unsigned seed = 1)
{
    std::mt19937 generator(seed);
    QByteArray data(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char(generator() >> 24);
    return data;
}

inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

// Sets a file's modification time (seconds since 1970, UTC) so listings can be compared.
inline void SetModified(const QString& path, qint64 seconds, long nanoseconds = 0)
{
    timespec times[2];
    times[0].tv_sec = seconds;
    times[0].tv_nsec = nanoseconds;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

// While it lives, files of this process cannot grow past the given size: writes beyond fail
// with EFBIG, as on a full disk, instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        struct sigaction ignore{};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &previousAction_);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        Active = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        ::sigaction(SIGXFSZ, &previousAction_, nullptr);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Active = false;

private:
    rlimit previous_{};
    struct sigaction previousAction_{};
};

// Files in a folder whose names begin with the given prefix (temporary leftovers included).
inline QStringList FolderContent(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

}  // namespace SevenZipTest
