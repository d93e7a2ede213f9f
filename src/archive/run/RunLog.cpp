#include "archive/run/RunLog.h"

#include "archive/run/RunHistory.h"
#include "archive/run/RunPaths.h"
#include "archive/run/RunResult.h"
#include "core/Messages.h"
#include "platform/Files.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cstdio>

QString LogFilePath()
{
    return DataDirectory() + QStringLiteral("Log.txt");
}

void SaveLog(const QStringList& lines)
{
    QByteArray text;
    for (const QString& line : lines) {
        text += line.toUtf8();
        text += "\r\n";
    }
    const QString path = LogFilePath();
    if (const OsError error = WriteFileAtomically(path, text))
        throw LogWriteError(Msg::LogWriteFailed(path, Msg::SystemReason(error)).toStdString());
}

void PrintSafeLine(const QString& text)
{
    std::fputs((LogSafeText(text) + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

QStringList WithSettingsNotices(const QStringList& lines, const QStringList& notices)
{
    QStringList all = lines;
    // After "Log dla: ..." and its separator line.
    qsizetype at = std::min<qsizetype>(2, all.size());
    for (const QString& notice : notices)
        all.insert(at++, QLatin1Char('\t') + LogSafeText(notice));
    return all;
}

void ReportSettingsNotices(const QStringList& notices)
{
    for (const QString& notice : notices) {
        std::fputs((QLatin1Char('\t') + LogSafeText(notice) + QLatin1Char('\n')).toUtf8().constData(), stderr);
        std::fflush(stderr);
    }
}

void SaveRunLog(const QStringList& lines, const QStringList& settingsNotices, const QString& folderName,
                bool unattended)
{
    const QStringList all = WithSettingsNotices(lines, settingsNotices);
    SaveLog(all);
    const QString stamp = folderName.startsWith(QLatin1String("Arch_")) ? folderName.mid(5) : TimeStampText();
    SaveHistoryLog(all, stamp, unattended);
}
