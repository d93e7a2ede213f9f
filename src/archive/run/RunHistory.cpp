#include "archive/run/RunHistory.h"

#include "archive/run/EntryArchives.h"
#include "core/Messages.h"
#include "platform/FileSystem.h"
#include "platform/Platform.h"

#include <QStringView>

#include <algorithm>
#include <cerrno>

namespace {

const QString StartPrefix = QStringLiteral("Uruchomienie: ");

QString FolderOrDefault(const QString& folder)
{
    QString f = folder.isEmpty() ? HistoryFolderPath() : folder;
    if (!f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    return f;
}

// The stamp of a kept log's file name, empty for any other name.
QString StampOfName(const QString& name)
{
    if (!name.startsWith(QLatin1String("Log_")) || !name.endsWith(QLatin1String(".txt")))
        return QString();
    const QString stamp = name.mid(4, name.size() - 8);
    return IsDatedFolderName(QStringLiteral("Arch_") + stamp) ? stamp : QString();
}

// The history's log files in the folder, newest first (the names sort as the times they stand for).
QStringList HistoryLogNames(const QString& dir)
{
    QStringList names;
    FileSystem::EnumerateFolder(dir, [&](const FileSystem::FileInfo& info) {
        if (info.Kind == FileSystem::EntryKind::File && !StampOfName(info.Name).isEmpty())
            names.append(info.Name);
        return true;
    });
    std::sort(names.begin(), names.end(), std::greater<QString>());
    return names;
}

// The lines of the run itself that are no failure: its header, its successes, what the
// keeping of the newest archives removed, the user's stop and the empty list.
bool IsNeutralLine(const QString& line)
{
    const QString archived = Msg::LogArchived(QString());
    const QString removed = Msg::LogOldArchiveRemoved(QString());
    return line.startsWith(QLatin1String("Log dla: ")) || line == Msg::LogSeparator() || line.startsWith(archived)
           || line.startsWith(removed) || line == Msg::LogCancelled() || line == Msg::LogListEmpty();
}

} // namespace

QString HistoryFolderPath()
{
    return DataDirectory() + QStringLiteral("Logi/");
}

QString HistoryLogName(const QString& stamp)
{
    return QStringLiteral("Log_") + stamp + QStringLiteral(".txt");
}

QString HistoryStartLine(bool unattended)
{
    return StartPrefix + (unattended ? Msg::HistoryStartedUnattended() : Msg::HistoryStartedByHand());
}

OsError SaveHistoryLog(const QStringList& logLines, const QString& stamp, bool unattended, const QString& folder)
{
    const QString dir = FolderOrDefault(folder);
    if (!FileSystem::FolderExists(dir)) {
        const OsError made = MakeFolder(dir, 0700);
        if (made && made != EEXIST)
            return made;
    }
    QByteArray text;
    for (const QString& line : logLines + QStringList{HistoryStartLine(unattended)}) {
        text += line.toUtf8();
        text += "\r\n";
    }
    if (const OsError error = WriteFileAtomically(dir + HistoryLogName(stamp), text))
        return error;
    // Only the newest stay.
    const QStringList names = HistoryLogNames(dir);
    for (qsizetype i = KeptHistoryLogs; i < names.size(); ++i)
        RemoveFile(dir + names[i]);
    return NoError;
}

HistoryRun ReadHistoryLog(const QString& path)
{
    HistoryRun run;
    run.Path = path;
    const QString name = path.section(QLatin1Char('/'), -1);
    run.Time = DatedFolderTime(QStringLiteral("Arch_") + StampOfName(name));
    QByteArray bytes;
    OsFile file;
    if (OsFile::OpenFileForReading(path, file) == NoError) {
        int64_t size = 0;
        if (file.Size(size) == NoError && size <= (int64_t(16) << 20)) {
            bytes.resize(static_cast<qsizetype>(size));
            size_t done = 0;
            if (file.ReadFullyAt(bytes.data(), bytes.size(), 0, done) != NoError)
                done = 0;
            bytes.resize(static_cast<qsizetype>(done));
        }
    }
    QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (!lines.isEmpty() && lines.last().startsWith(StartPrefix)) {
        run.StartKnown = true;
        run.Unattended = lines.last() == HistoryStartLine(true);
        lines.removeLast();
    }
    // An entry's reasons follow its line after a TAB and share its mark.
    bool inFailure = false;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1Char('\t'))) {
            run.FailureLines.push_back(inFailure);
            continue;
        }
        inFailure = !IsNeutralLine(line);
        if (inFailure && !line.startsWith(QStringLiteral("Nie można usunąć starego archiwum ")))
            ++run.Failures;
        run.FailureLines.push_back(inFailure);
        if (line.startsWith(QLatin1String("Log dla: ")))
            run.FolderName = line.mid(9);
    }
    run.Lines = lines;
    return run;
}

std::vector<HistoryRun> ReadHistory(const QString& folder)
{
    const QString dir = FolderOrDefault(folder);
    const QStringList names = HistoryLogNames(dir);
    std::vector<HistoryRun> runs;
    for (const QString& name : names)
        runs.push_back(ReadHistoryLog(dir + name));
    return runs;
}

QString HistoryLogPathFor(const QString& stampOrFolderName, const QString& folder)
{
    QString stamp = stampOrFolderName;
    if (stamp.startsWith(QLatin1String("Arch_")))
        stamp = stamp.mid(5);
    return FolderOrDefault(folder) + HistoryLogName(stamp);
}

QString RunSummaryText(const RunResult& result)
{
    int archived = 0;
    int unchanged = 0;
    QStringList failed;
    for (const EntryOutcome& entry : result.Entries) {
        if (entry.Code == ResultArchived)
            ++archived;
        else if (entry.Code == ResultArchivedUnchanged)
            ++unchanged;
        else if (entry.Failed())
            failed.append(LogSafeText(entry.Name));
    }
    QString text = Msg::SummaryCounts(archived, unchanged, static_cast<int>(failed.size()));
    if (!failed.isEmpty())
        text += QLatin1Char('\n') + failed.join(QStringLiteral(", "));
    if (result.Cancelled)
        text += QLatin1Char('\n') + Msg::SummaryCancelled();
    return text;
}

QDateTime LastFullRun(const EntryVector& entries, const std::vector<HistoryRun>& runs)
{
    if (entries.empty())
        return QDateTime();
    for (const HistoryRun& run : runs) {
        if (run.Failures > 0 || run.Lines.contains(Msg::LogCancelled()))
            continue;
        const bool whole = std::all_of(entries.begin(), entries.end(), [&](const Entry& entry) {
            const QString safe = LogSafeText(entry.Nazwa);
            return run.Lines.contains(EntryLogLine(ResultArchived, safe))
                   || run.Lines.contains(EntryLogLine(ResultArchivedUnchanged, safe));
        });
        if (whole)
            return run.Time;
    }
    return QDateTime();
}

QString LastFullRunText(const QDateTime& last, const QDateTime& now, int warnAfterDays, bool& warning)
{
    if (!last.isValid()) {
        warning = true;
        return Msg::LastRunNever();
    }
    warning = last.secsTo(now) > qint64(warnAfterDays) * 24 * 3600;
    const QString time = last.time().toString(QStringLiteral("HH:mm"));
    const qint64 days = last.date().daysTo(now.date());
    QString when;
    if (days == 0)
        when = Msg::LastRunToday(time);
    else if (days == 1)
        when = Msg::LastRunYesterday(time);
    else
        when = Msg::LastRunOn(last.date().toString(QStringLiteral("yyyy-MM-dd")), time);
    return warning ? Msg::LastRunTooOld(when, static_cast<int>(days)) : Msg::LastRun(when);
}
