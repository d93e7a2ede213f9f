#pragma once
// Shared helpers of the 7z component tests: a scratch folder, file makers, and the real `7z`
// command to check what the component wrote.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>

namespace SevenZipTest {

// One item as `7z l -slt` shows it.
struct ListedItem {
    QString Path;
    qint64 Size = -1;
    bool IsFolder = false;
    QString Modified;
    QString Attributes;
    QString Method;
};

struct CommandResult {
    int ExitCode = -1;
    QString Output;
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
    p.start(QStringLiteral("7z"), args);
    p.waitForFinished(300000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
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
            } else if (key == QStringLiteral("Folder")) {
                item.IsFolder = item.IsFolder || value == QStringLiteral("+");
            }
        }
        if (any)
            items.append(item);
    }
    return items;
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

// Files in a folder whose names begin with the given prefix (temporary leftovers included).
inline QStringList FolderContent(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

}  // namespace SevenZipTest
