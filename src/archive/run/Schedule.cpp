#include "archive/run/Schedule.h"

#include "core/Messages.h"
#include "platform/FileSystem.h"

#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>

namespace {

const char* const DayNames[7] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

QString TwoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// systemd quotes a path with spaces in ExecStart with double quotes; a quote or backslash in it
// is escaped.
QString Quoted(const QString& text)
{
    QString q = text;
    q.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    // "%" starts a specifier in a unit file.
    q.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

} // namespace

QString UserUnitFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !base.startsWith(QLatin1Char('/')))
        base = qEnvironmentVariable("HOME") + QStringLiteral("/.config");
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return base + QStringLiteral("systemd/user/");
}

QString CalendarSpec(const Schedule& schedule)
{
    const QString time = TwoDigits(schedule.Hour) + QLatin1Char(':') + TwoDigits(schedule.Minute) + QStringLiteral(":00");
    switch (schedule.Kind) {
    case ScheduleKind::Off:
        return QString();
    case ScheduleKind::Daily:
        return QStringLiteral("*-*-* ") + time;
    case ScheduleKind::Weekly: {
        QStringList days;
        for (int d = 0; d < 7; ++d)
            if (schedule.Days[size_t(d)])
                days << QString::fromLatin1(DayNames[d]);
        return days.isEmpty() ? QString() : days.join(QLatin1Char(',')) + QStringLiteral(" *-*-* ") + time;
    }
    }
    return QString();
}

QByteArray TimerUnitText(const Schedule& schedule)
{
    const QString text = QStringLiteral("[Unit]\n"
                                        "Description=Skrytkar: archiwizacja wszystkich wpisów\n"
                                        "\n"
                                        "[Timer]\n"
                                        "OnCalendar=%1\n"
                                        "Persistent=true\n"
                                        "Unit=%2\n"
                                        "\n"
                                        "[Install]\n"
                                        "WantedBy=timers.target\n")
                             .arg(CalendarSpec(schedule), QString::fromLatin1(ServiceUnitName));
    return text.toUtf8();
}

QByteArray ServiceUnitText(const QString& program, const QString& dataHome)
{
    QString text = QStringLiteral("[Unit]\n"
                                  "Description=Skrytkar: archiwizacja wszystkich wpisów\n"
                                  "\n"
                                  "[Service]\n"
                                  "Type=oneshot\n");
    if (!dataHome.isEmpty())
        text += QStringLiteral("Environment=") + Quoted(QStringLiteral("XDG_DATA_HOME=") + dataHome) + QLatin1Char('\n');
    text += QStringLiteral("ExecStart=") + Quoted(program) + QStringLiteral(" /all\n");
    return text.toUtf8();
}

QString CrontabLine(const Schedule& schedule, const QString& program)
{
    if (CalendarSpec(schedule).isEmpty())
        return QString();
    QString days = QStringLiteral("*");
    if (schedule.Kind == ScheduleKind::Weekly) {
        QStringList numbers;
        for (int d = 0; d < 7; ++d)
            if (schedule.Days[size_t(d)])
                numbers << QString::number((d + 1) % 7);  // cron: 0 is Sunday
        std::sort(numbers.begin(), numbers.end());
        days = numbers.join(QLatin1Char(','));
    }
    QString path = program;
    path.replace(QLatin1Char('%'), QStringLiteral("\\%"));
    if (path.contains(QLatin1Char(' ')) || path.contains(QLatin1Char('\'')))
        path = QLatin1Char('\'') + path.replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
    return QStringLiteral("%1 %2 * * %3 %4 /all").arg(schedule.Minute).arg(schedule.Hour).arg(days, path);
}

Schedule ScheduleFromTimerText(const QByteArray& text)
{
    Schedule schedule;
    static const QRegularExpression line(
        QStringLiteral("^OnCalendar=(?:([A-Za-z,]+) )?\\*-\\*-\\* (\\d\\d):(\\d\\d):00$"), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = line.match(QString::fromUtf8(text));
    if (!m.hasMatch())
        return schedule;
    const int hour = m.captured(2).toInt();
    const int minute = m.captured(3).toInt();
    if (hour > 23 || minute > 59)
        return schedule;
    schedule.Hour = hour;
    schedule.Minute = minute;
    if (m.captured(1).isEmpty()) {
        schedule.Kind = ScheduleKind::Daily;
        return schedule;
    }
    for (const QString& day : m.captured(1).split(QLatin1Char(','))) {
        bool known = false;
        for (int d = 0; d < 7; ++d)
            if (day == QLatin1String(DayNames[d])) {
                schedule.Days[size_t(d)] = true;
                known = true;
            }
        if (!known)
            return Schedule();
    }
    schedule.Kind = ScheduleKind::Weekly;
    return schedule;
}

Schedule InstalledSchedule(const QString& folder)
{
    const QString dir = folder.isEmpty() ? UserUnitFolder() : folder;
    QByteArray text;
    OsFile file;
    if (OsFile::OpenFileForReading(dir + QString::fromLatin1(TimerUnitName), file) != NoError)
        return Schedule();
    int64_t size = 0;
    if (file.Size(size) != NoError || size > 65536)
        return Schedule();
    text.resize(static_cast<qsizetype>(size));
    size_t done = 0;
    if (file.ReadFullyAt(text.data(), text.size(), 0, done) != NoError)
        return Schedule();
    text.resize(static_cast<qsizetype>(done));
    return ScheduleFromTimerText(text);
}

UserSystemd::UserSystemd(Command c) : command(std::move(c)) {}

int UserSystemd::Run(const QStringList& arguments, QString& output) const
{
    if (command)
        return command(arguments, output);
    QProcess p;
    p.start(QStringLiteral("systemctl"), QStringList{QStringLiteral("--user")} + arguments);
    if (!p.waitForStarted(5000))
        return -1;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    output = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool UserSystemd::Available() const
{
    QString state;
    const int status = Run({QStringLiteral("is-system-running")}, state);
    // Exit status 1 also for "degraded" and "starting": the state says whether a manager answered.
    if (status < 0)
        return false;
    static const QStringList answering{QStringLiteral("running"), QStringLiteral("degraded"), QStringLiteral("starting"),
                                       QStringLiteral("initializing"), QStringLiteral("maintenance")};
    return answering.contains(state);
}

QString UserSystemd::Apply(const Schedule& schedule, const QString& program, const QString& dataHome,
                           const QString& folder) const
{
    const QString dir = folder.isEmpty() ? UserUnitFolder() : folder;
    const QString timer = dir + QString::fromLatin1(TimerUnitName);
    const QString service = dir + QString::fromLatin1(ServiceUnitName);
    QString output;
    if (CalendarSpec(schedule).isEmpty()) {
        // Off: the timer is stopped and disabled first, then its files go.
        Run({QStringLiteral("disable"), QStringLiteral("--now"), QString::fromLatin1(TimerUnitName)}, output);
        for (const QString& path : {timer, service}) {
            const OsError error = RemoveFile(path);
            if (error && error != ENOENT)
                return Msg::ScheduleWriteFailed(path, Msg::SystemReason(error));
        }
        Run({QStringLiteral("daemon-reload")}, output);
        return QString();
    }
    // Every missing folder of the path, as systemd's own tools make them.
    QString made;
    for (const QString& part : dir.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        made += QLatin1Char('/') + part;
        if (!FileSystem::FolderExists(made)) {
            const OsError error = MakeFolder(made, 0755);
            if (error && error != EEXIST)
                return Msg::ScheduleWriteFailed(made, Msg::SystemReason(error));
        }
    }
    if (const OsError error = WriteFileAtomically(service, ServiceUnitText(program, dataHome)))
        return Msg::ScheduleWriteFailed(service, Msg::SystemReason(error));
    if (const OsError error = WriteFileAtomically(timer, TimerUnitText(schedule)))
        return Msg::ScheduleWriteFailed(timer, Msg::SystemReason(error));
    if (Run({QStringLiteral("daemon-reload")}, output) != 0)
        return Msg::ScheduleSystemdFailed(QStringLiteral("daemon-reload"));
    // Restarted, so a changed time takes effect at once.
    if (Run({QStringLiteral("enable"), QString::fromLatin1(TimerUnitName)}, output) != 0)
        return Msg::ScheduleSystemdFailed(QStringLiteral("enable"));
    if (Run({QStringLiteral("restart"), QString::fromLatin1(TimerUnitName)}, output) != 0)
        return Msg::ScheduleSystemdFailed(QStringLiteral("restart"));
    return QString();
}

QString UserSystemd::NextRun() const
{
    QString output;
    if (Run({QStringLiteral("show"), QString::fromLatin1(TimerUnitName), QStringLiteral("-p"),
             QStringLiteral("NextElapseUSecRealtime"), QStringLiteral("--value")},
            output)
        != 0)
        return QString();
    return output.trimmed();
}
