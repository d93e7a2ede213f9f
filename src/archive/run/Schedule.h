#pragma once
// Unattended runs on a schedule: a systemd user timer and its service under
// $XDG_CONFIG_HOME/systemd/user/ (Persistent=true, so a run missed while the computer was off
// happens soon after the next start), enabled and disabled with the user's systemd. Where no
// systemd user manager answers, a crontab line says the same. Qt Core only.

#include "platform/Files.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

enum class ScheduleKind { Off, Daily, Weekly };

struct Schedule {
    ScheduleKind Kind = ScheduleKind::Off;
    int Hour = 20;
    int Minute = 0;
    std::array<bool, 7> Days{};  // Monday first; Weekly only

    bool operator==(const Schedule&) const = default;
};

inline constexpr char TimerUnitName[] = "skrytkar.timer";
inline constexpr char ServiceUnitName[] = "skrytkar.service";

// $XDG_CONFIG_HOME/systemd/user/ ($HOME/.config/systemd/user/ when it is unset), with "/".
QString UserUnitFolder();
// The timer's OnCalendar value: "*-*-* 19:30:00" or "Mon,Wed *-*-* 19:30:00"; empty when off
// (or weekly without a day).
QString CalendarSpec(const Schedule& schedule);
QByteArray TimerUnitText(const Schedule& schedule);
// The service runs program (an absolute path) with "/all"; dataHome, when not empty, is the
// XDG_DATA_HOME the window had, so the run finds the same data folder.
QByteArray ServiceUnitText(const QString& program, const QString& dataHome);
// The crontab line of the same schedule; empty when off.
QString CrontabLine(const Schedule& schedule, const QString& program);
// The schedule a timer file of ours holds (Off for anything else).
Schedule ScheduleFromTimerText(const QByteArray& text);
// The schedule installed in folder (UserUnitFolder() when empty).
Schedule InstalledSchedule(const QString& folder = QString());

// The user's systemd manager, through `systemctl --user`; the command is a seam for tests.
class UserSystemd {
public:
    // Runs `systemctl --user` with the arguments; answers its exit status (-1 when it could not
    // run) and its standard output.
    using Command = std::function<int(const QStringList& arguments, QString& output)>;
    explicit UserSystemd(Command command = Command());

    // A user manager answers (its state is anything but "offline" or unknown).
    bool Available() const;
    // Writes (or, for Off, removes) both units in folder (UserUnitFolder() when empty), reloads
    // the manager and enables the timer or disables it. Answers what failed, empty when all went.
    QString Apply(const Schedule& schedule, const QString& program, const QString& dataHome,
                  const QString& folder = QString()) const;
    // When the timer runs next, as the manager says it; empty when it does not know.
    QString NextRun() const;

private:
    int Run(const QStringList& arguments, QString& output) const;
    Command command;
};
