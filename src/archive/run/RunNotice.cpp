#include "archive/run/RunNotice.h"

#include "archive/run/RunHistory.h"
#include "core/Messages.h"
#include "core/Settings.h"
#include "core/UiPorts.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString ObjectPath = QStringLiteral("/org/freedesktop/Notifications");
// How long the program waits for the service's answer: a desktop answers at once.
constexpr int ReplyTimeoutMs = 5000;

QString FirstReason(const EntryOutcome& entry)
{
    return entry.Reasons.isEmpty() ? EntryLogLine(entry.Code, LogSafeText(entry.Name))
                                   : LogSafeText(entry.Reasons.first());
}

} // namespace

std::optional<DesktopNotice> NoticeOfRun(const RunResult& result, bool notifySuccess)
{
    if (result.Start != RunStart::Ran || result.ListEmpty)
        return std::nullopt;
    DesktopNotice notice;
    notice.Action = QStringLiteral("default");
    notice.FolderName = result.FolderName;
    if (result.ErrorsOccurred()) {
        notice.Title = Msg::NoticeFailedTitle();
        QStringList lines;
        for (const EntryOutcome& entry : result.Entries)
            if (entry.Failed())
                lines.append(LogSafeText(entry.Name) + QStringLiteral(": ") + FirstReason(entry));
        notice.Body = lines.join(QLatin1Char('\n'));
        return notice;
    }
    if (!notifySuccess)
        return std::nullopt;
    notice.Title = Msg::NoticeDoneTitle();
    notice.Body = RunSummaryText(result);
    return notice;
}

bool SendDesktopNotice(const DesktopNotice& notice)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(Service, ObjectPath, Service, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("io.github.skrytkar.Skrytkar"));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(notice.Title == Msg::NoticeFailedTitle() ? 2 : 1));
    call << QStringLiteral("Skrytkar") << uint(0) << QStringLiteral("io.github.skrytkar.Skrytkar") << notice.Title
         << notice.Body << QStringList{notice.Action, Msg::NoticeActionHistory()} << hints << int(-1);
    const QDBusMessage reply = bus.call(call, QDBus::Block, ReplyTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

QStringList NoticeFallbackLines(const RunResult& result, const QString& logPath)
{
    QStringList lines;
    for (const EntryOutcome& entry : result.Entries)
        if (entry.Failed())
            lines.append(Msg::NoticeFallbackEntry(LogSafeText(entry.Name), FirstReason(entry)));
    if (!lines.isEmpty())
        lines.append(Msg::NoticeFallbackLog(logPath));
    return lines;
}

void TellDesktop(const RunResult& result, bool notifySuccess, const QString& logPath)
{
    const std::optional<DesktopNotice> notice = NoticeOfRun(result, notifySuccess);
    if (notice && SendDesktopNotice(*notice))
        return;
    const QStringList lines = NoticeFallbackLines(result, logPath);
    if (!lines.isEmpty())
        ReportToStandardError(lines.join(QLatin1Char('\n')));
}

bool NotifySuccessSetting(const QString& settingsPath)
{
    return LoadSettingsSwitch(QStringLiteral("PowiadamiajOSukcesie"), false, settingsPath);
}
