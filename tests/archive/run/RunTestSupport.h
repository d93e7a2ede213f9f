#pragma once
// Shared by the run, start-up and end-to-end suites: readable Qt strings in failure messages,
// and the real 7z command's view of an archive, for checks that do not trust our own code.

#include "core/EntryList.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// `7z t` passes.
inline bool SevenZipTestPasses(const QString& archive)
{
    QProcess p;
    p.start(QStringLiteral("7z"), {QStringLiteral("t"), archive});
    if (!p.waitForFinished(120000))
        return false;
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The stored paths, sorted, as `7z l -slt` lists them.
inline QStringList SevenZipPaths(const QString& archive)
{
    QProcess p;
    p.start(QStringLiteral("7z"), {QStringLiteral("l"), QStringLiteral("-slt"), archive});
    p.waitForFinished(120000);
    QStringList paths;
    bool inEntries = false;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QString l = line.trimmed();
        if (l.startsWith(QLatin1String("----------")))
            inEntries = true;
        else if (inEntries && l.startsWith(QLatin1String("Path = ")))
            paths << l.mid(7);
    }
    paths.sort();
    return paths;
}

// How a run of the real program ended.
struct Outcome {
    int exitCode = -1;  // -1 as well when it crashed or did not end
    bool crashed = true;
    QString out;
    QString err;
};

// Runs the program to its end in the given environment and folder; a program that does not end
// within waitMs is killed and fails the test.
inline Outcome RunProgram(const QString& binary, const QStringList& arguments, const QProcessEnvironment& env,
                          const QString& workingDirectory, int waitMs)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workingDirectory);
    p.start(binary, arguments);
    Outcome o;
    if (!p.waitForFinished(waitMs)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "the program did not end";
        return o;
    }
    o.crashed = p.exitStatus() != QProcess::NormalExit;
    o.exitCode = o.crashed ? -1 : p.exitCode();
    o.out = QString::fromUtf8(p.readAllStandardOutput());
    o.err = QString::fromUtf8(p.readAllStandardError());
    return o;
}

// A temporary folder tree for one test: files, folders and the archives found in it.
class TempTree {
public:
    QString Path(const QString& relative) const { return root.path() + QLatin1Char('/') + relative; }

    QString MakeFile(const QString& relative, const QByteArray& content) const
    {
        const QString path = Path(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        f.write(content);
        return path;
    }

    QString MakeFolder(const QString& relative) const
    {
        const QString path = Path(relative);
        QDir().mkpath(path);
        return path;
    }

    // Every .7z file below the root, sorted.
    QStringList AllArchives() const
    {
        QStringList found;
        QDirIterator it(root.path(), {QStringLiteral("*.7z")}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        found.sort();
        return found;
    }

    QTemporaryDir root;
};

// Writes a list file with the program's own list code.
inline bool SaveListFileAt(const QString& listPath, const std::vector<Entry>& entries)
{
    EntryList list(listPath);
    list.SetEntries(entries);
    return list.Save();
}
