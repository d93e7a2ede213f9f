// The schedule of unattended runs: the unit files pass `systemd-analyze verify` and give the next
// run `systemd-analyze calendar` expects; enabling and disabling go through the systemctl seam
// (and once through the real user manager where the machine has one); the crontab line says the
// same schedule where no manager answers.

#include "RunTestSupport.h"
#include "archive/run/Schedule.h"

#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>

namespace {

Schedule Daily(int h, int m)
{
    Schedule s;
    s.Kind = ScheduleKind::Daily;
    s.Hour = h;
    s.Minute = m;
    return s;
}

Schedule Weekly(int h, int m, std::initializer_list<int> days)
{
    Schedule s;
    s.Kind = ScheduleKind::Weekly;
    s.Hour = h;
    s.Minute = m;
    for (int d : days)
        s.Days[size_t(d)] = true;
    return s;
}

// The first moment at or after the next minute that the schedule names (local time).
QDateTime ExpectedNext(const Schedule& s, const QDateTime& now)
{
    for (int day = 0; day < 9; ++day) {
        const QDate date = now.date().addDays(day);
        const QDateTime at(date, QTime(s.Hour, s.Minute));
        if (at <= now)
            continue;
        if (s.Kind == ScheduleKind::Weekly && !s.Days[size_t(date.dayOfWeek() - 1)])
            continue;
        return at;
    }
    return QDateTime();
}

QString RunTool(const QString& program, const QStringList& arguments, int* status = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    p.waitForFinished(60000);
    if (status)
        *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAll());
}

struct Case {
    const char* what;
    Schedule schedule;
    QString calendar;
    QString cron;
};

std::vector<Case> Cases()
{
    return {
        {"every day", Daily(19, 30), QStringLiteral("*-*-* 19:30:00"), QStringLiteral("30 19 * * * /usr/bin/skrytkar /all")},
        {"just after midnight", Daily(0, 5), QStringLiteral("*-*-* 00:05:00"), QStringLiteral("5 0 * * * /usr/bin/skrytkar /all")},
        {"some days", Weekly(7, 0, {0, 2, 6}), QStringLiteral("Mon,Wed,Sun *-*-* 07:00:00"),
         QStringLiteral("0 7 * * 0,1,3 /usr/bin/skrytkar /all")},
        {"one day", Weekly(23, 59, {4}), QStringLiteral("Fri *-*-* 23:59:00"), QStringLiteral("59 23 * * 5 /usr/bin/skrytkar /all")},
    };
}

class ScheduleFiles : public ::testing::Test, protected TempTree {};

TEST_F(ScheduleFiles, EachScheduleHasItsCalendarCronLineAndReadsBack)
{
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CalendarSpec(c.schedule), c.calendar);
        EXPECT_EQ(CrontabLine(c.schedule, QStringLiteral("/usr/bin/skrytkar")), c.cron);
        EXPECT_EQ(ScheduleFromTimerText(TimerUnitText(c.schedule)), c.schedule);
    }
    EXPECT_TRUE(CalendarSpec(Schedule()).isEmpty());
    EXPECT_TRUE(CalendarSpec(Weekly(7, 0, {})).isEmpty());
    EXPECT_EQ(CrontabLine(Daily(1, 2), QStringLiteral("/opt/my programs/skrytkar")),
              QStringLiteral("2 1 * * * '/opt/my programs/skrytkar' /all"));
    EXPECT_EQ(ScheduleFromTimerText("[Timer]\nOnCalendar=Mox *-*-* 19:30:00\n"), Schedule());
    EXPECT_TRUE(TimerUnitText(Daily(1, 2)).contains("\nPersistent=true\n"));
}

TEST_F(ScheduleFiles, TheUnitsPassSystemdsChecksAndTheNextRunIsTheExpectedOne)
{
    const QString dir = MakeFolder(QStringLiteral("units")) + QLatin1Char('/');
    // A program path with a space and a data folder of the window's: the quoting must hold.
    const QString program = MakeFolder(QStringLiteral("Program Skrytkar")) + QStringLiteral("/skrytkar");
    ASSERT_TRUE(QFile::copy(QStringLiteral(SKRYTKAR_BINARY), program));
    QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        const UserSystemd systemd([](const QStringList&, QString&) { return 0; });
        ASSERT_EQ(systemd.Apply(c.schedule, program, Path(QStringLiteral("dane 100%")), dir), QString());
        int status = -1;
        const QString verify = RunTool(QStringLiteral("systemd-analyze"),
                                   {QStringLiteral("verify"), dir + QStringLiteral("skrytkar.timer"), dir + QStringLiteral("skrytkar.service")},
                                   &status);
        EXPECT_EQ(status, 0) << verify.toStdString();
        EXPECT_TRUE(verify.trimmed().isEmpty()) << verify.toStdString();

        const QDateTime now = QDateTime::currentDateTime();
        const QString calendar =
            RunTool(QStringLiteral("systemd-analyze"), {QStringLiteral("calendar"), QStringLiteral("--iterations=1"), c.calendar}, &status);
        ASSERT_EQ(status, 0) << calendar.toStdString();
        const QRegularExpressionMatch next =
            QRegularExpression(QStringLiteral("Next elapse: \\w+ (\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d):00")).match(calendar);
        ASSERT_TRUE(next.hasMatch()) << calendar.toStdString();
        // A minute turning between the two readings moves nothing but a run due in that minute.
        const QString expected = ExpectedNext(c.schedule, now).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        const QString later = ExpectedNext(c.schedule, now.addSecs(60)).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        EXPECT_TRUE(next.captured(1) == expected || next.captured(1) == later) << calendar.toStdString() << " " << expected.toStdString();
        EXPECT_EQ(InstalledSchedule(dir), c.schedule);
    }
    QFile service(dir + QStringLiteral("skrytkar.service"));
    ASSERT_TRUE(service.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(service.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("ExecStart=\"") + program + QStringLiteral("\" /all\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Environment=\"XDG_DATA_HOME=") + Path(QStringLiteral("dane 100%%")) + QStringLiteral("\"\n")))
        << text.toStdString();
}

TEST_F(ScheduleFiles, EnablingAndDisablingGoThroughSystemctl)
{
    const QString dir = Path(QStringLiteral("config/systemd/user/"));
    std::vector<QStringList> calls;
    int failAt = -1;
    const UserSystemd systemd([&](const QStringList& arguments, QString& output) {
        calls.push_back(arguments);
        output = QStringLiteral("running");
        return int(calls.size()) - 1 == failAt ? 1 : 0;
    });
    EXPECT_EQ(systemd.Apply(Weekly(7, 0, {1}), QStringLiteral("/usr/bin/skrytkar"), QString(), dir), QString());
    EXPECT_EQ(calls, (std::vector<QStringList>{{QStringLiteral("daemon-reload")},
                                               {QStringLiteral("enable"), QStringLiteral("skrytkar.timer")},
                                               {QStringLiteral("restart"), QStringLiteral("skrytkar.timer")}}));
    EXPECT_TRUE(QFile::exists(dir + QStringLiteral("skrytkar.timer")));
    EXPECT_FALSE(ServiceUnitText(QStringLiteral("/usr/bin/skrytkar"), QString()).contains("Environment"));

    calls.clear();
    EXPECT_EQ(systemd.Apply(Schedule(), QStringLiteral("/usr/bin/skrytkar"), QString(), dir), QString());
    EXPECT_EQ(calls, (std::vector<QStringList>{{QStringLiteral("disable"), QStringLiteral("--now"), QStringLiteral("skrytkar.timer")},
                                               {QStringLiteral("daemon-reload")}}));
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("skrytkar.timer")));
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("skrytkar.service")));
    EXPECT_EQ(InstalledSchedule(dir), Schedule());

    // A step the manager refuses is said.
    calls.clear();
    failAt = 1;
    EXPECT_EQ(systemd.Apply(Daily(1, 0), QStringLiteral("/usr/bin/skrytkar"), QString(), dir),
              QStringLiteral("Polecenie systemctl --user enable nie powiodło się."));
}

TEST_F(ScheduleFiles, AManagerIsThereOnlyWhenItAnswers)
{
    struct Answer {
        int status;
        const char* state;
        bool available;
    } const answers[] = {{0, "running", true}, {1, "degraded", true}, {1, "offline", false}, {-1, "", false}, {1, "", false}};
    for (const Answer& a : answers) {
        SCOPED_TRACE(a.state);
        const UserSystemd systemd([&](const QStringList&, QString& output) {
            output = QString::fromLatin1(a.state);
            return a.status;
        });
        EXPECT_EQ(systemd.Available(), a.available);
    }
}

TEST_F(ScheduleFiles, TheRealUserManagerWhereThereIsOne)
{
    const UserSystemd systemd;
    if (!systemd.Available())
        GTEST_SKIP() << "no systemd user manager answers here";
    const QString dir = UserUnitFolder();
    if (QFile::exists(dir + QStringLiteral("skrytkar.timer")))
        GTEST_SKIP() << "the user has a schedule of the program's already";
    ASSERT_EQ(systemd.Apply(Daily(3, 17), QStringLiteral(SKRYTKAR_BINARY), QString()), QString());
    EXPECT_FALSE(systemd.NextRun().isEmpty());
    EXPECT_EQ(systemd.Apply(Schedule(), QStringLiteral(SKRYTKAR_BINARY), QString()), QString());
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("skrytkar.timer")));
}

}  // namespace
