#pragma once
// Shared by the run, start-up and end-to-end suites: readable Qt strings in failure messages,
// and the real 7z command's view of an archive, for checks that do not trust our own code.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <ostream>

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
