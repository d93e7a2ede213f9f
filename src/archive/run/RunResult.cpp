#include "archive/run/RunResult.h"

#include "core/Messages.h"

#include <algorithm>

bool IsFailureCode(int code)
{
    return code != ResultArchived && code != ResultArchivedUnchanged && code != ResultCancelled &&
           code != ResultListEmpty;
}

bool RunResult::ErrorsOccurred() const
{
    return std::any_of(Entries.begin(), Entries.end(), [](const EntryOutcome& e) { return e.Failed() || e.EarlierDamaged; });
}

QString EntryLogLine(int code, const QString& safeName)
{
    switch (code) {
    case ResultArchived:
        return Msg::LogArchived(safeName);
    case ResultDestinationMissing:
        return Msg::LogDestinationMissing(safeName);
    case ResultSourceMissing:
        return Msg::LogSourceMissing(safeName);
    case ResultArchivedUnchanged:
        return Msg::LogArchivedUnchanged(safeName);
    case ResultVerifyFailed:
        return Msg::LogVerifyFailed(safeName);
    case ResultCancelled:
        return Msg::LogCancelled();
    case ResultListEmpty:
        return Msg::LogListEmpty();
    case ResultNameUsedInRun:
        return Msg::LogNameUsedInRun(safeName);
    case ResultNoName:
        return Msg::LogNoName();
    default:
        // -3, and any other code: the archive was not written.
        return Msg::LogPackFailed(safeName);
    }
}

QStringList ReasonLogLines(int code, const QStringList& reasons)
{
    QStringList lines;
    if (code == ResultCancelled || code == ResultListEmpty)
        return lines;
    for (const QString& reason : reasons)
        lines.append(QLatin1Char('\t') + LogSafeText(reason));
    return lines;
}

QString LogSafeText(const QString& text)
{
    QString safe = text;
    for (QChar& c : safe) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
    }
    return safe;
}

QStringList RunResult::LogLines() const
{
    QStringList lines;
    if (ListEmpty) {
        lines.append(EntryLogLine(ResultListEmpty, QString()));
        return lines;
    }
    lines.append(Msg::LogHeader(FolderName));
    lines.append(Msg::LogSeparator());
    for (const EntryOutcome& entry : Entries) {
        lines.append(EntryLogLine(entry.Code, LogSafeText(entry.Name)));
        lines.append(ReasonLogLines(entry.Code, entry.Reasons));
        for (const QString& line : RetentionLogLines(entry.Retention))
            lines.append(LogSafeText(line));
    }
    if (Cancelled)
        lines.append(EntryLogLine(ResultCancelled, QString()));
    return lines;
}
