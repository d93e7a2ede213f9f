// What a run tells besides archiving, through the real program without a display: the values of
// "Ustawienia.ini" it could not use (in its log and on standard error), a settings file that is a
// pipe (never waited for), and the history of runs kept under "Logi/", the newest only.

#include "RunTestSupport.h"
#include "archive/run/RunHistory.h"

#include <QProcess>

#include <sys/stat.h>

namespace {

class RunReports : public ::testing::Test, protected TempTree {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        programDir = root.path() + QStringLiteral("/Program Skrytkar/");
        ASSERT_TRUE(QDir().mkpath(programDir));
        binary = programDir + QStringLiteral("skrytkar");
        ASSERT_TRUE(QFile::copy(QStringLiteral(SKRYTKAR_BINARY), binary));
        QFile::setPermissions(binary, QFile::permissions(binary) | QFile::ExeOwner | QFile::ExeUser);
        docel = MakeFolder(QStringLiteral("kopie"));
        const QString note = MakeFile(QStringLiteral("notatka.txt"), "notatka\n");
        ASSERT_TRUE(SaveListFileAt(programDir + QStringLiteral("Dane.dat"),
                                   {{QStringLiteral("Plik"), QStringLiteral("Notatka"), note, docel}}));
    }

    Outcome Run(const QStringList& arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        return RunProgram(binary, arguments, env, root.path(), 120000);
    }

    QStringList LogLines() const
    {
        QFile f(programDir + QStringLiteral("Log.txt"));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

    QString programDir, binary, docel;
};

TEST_F(RunReports, AValueThatCannotBeUsedIsToldInTheLogAndOnStandardError)
{
    MakeFile(QStringLiteral("Program Skrytkar/Ustawienia.ini"), "[Archiwizacja]\nZachowaj=abc\nWeryfikacja=może\n");
    const Outcome o = Run({QStringLiteral("/all")});
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    const QString zachowaj = QStringLiteral("Ustawienia.ini: Zachowaj=abc nie jest liczbą; przyjęto 0");
    const QString weryfikacja = QStringLiteral("Ustawienia.ini: Weryfikacja=może nie jest wartością true ani false; przyjęto true");
    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 5) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Log dla: Arch_")));
    EXPECT_EQ(lines[2], QLatin1Char('\t') + weryfikacja);
    EXPECT_EQ(lines[3], QLatin1Char('\t') + zachowaj);
    EXPECT_EQ(lines[4], QStringLiteral("Zarchiwizowano Notatka"));
    EXPECT_TRUE(o.err.contains(QLatin1Char('\t') + zachowaj + QLatin1Char('\n'))) << o.err.toStdString();
    EXPECT_TRUE(o.err.contains(QLatin1Char('\t') + weryfikacja + QLatin1Char('\n'))) << o.err.toStdString();
}

TEST_F(RunReports, ASettingsFileThatIsAPipeIsNeverWaitedFor)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(programDir + QStringLiteral("Ustawienia.ini")).constData(), 0600), 0);
    const Outcome o = Run({QStringLiteral("/all")});
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    const QString notice = QStringLiteral("\tUstawienia.ini: to nie jest zwykły plik; przyjęto ustawienia domyślne");
    EXPECT_TRUE(o.err.contains(notice)) << o.err.toStdString();
    EXPECT_TRUE(LogLines().contains(notice));
    EXPECT_EQ(AllArchives().size(), 1);
}

TEST_F(RunReports, EveryRunIsKeptInTheHistoryAndOnlyTheNewestStay)
{
    // Older runs than any this one makes, and a file of the user's own that is no kept log.
    const QString logi = programDir + QStringLiteral("Logi/");
    ASSERT_TRUE(QDir().mkpath(logi));
    for (int day = 1; day <= KeptHistoryLogs + 4; ++day)
        MakeFile(QStringLiteral("Program Skrytkar/Logi/Log_2020%1%2_1200.txt")
                     .arg(1 + (day - 1) / 28, 2, 10, QLatin1Char('0'))
                     .arg(1 + (day - 1) % 28, 2, 10, QLatin1Char('0')),
                 "Log dla: Arch_x\r\n");
    MakeFile(QStringLiteral("Program Skrytkar/Logi/moje notatki.txt"), "x");

    const Outcome o = Run({QStringLiteral("/all")});
    ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
    const QStringList kept = QDir(logi).entryList({QStringLiteral("Log_*.txt")}, QDir::Files, QDir::Name);
    ASSERT_EQ(kept.size(), KeptHistoryLogs);
    EXPECT_EQ(kept.first(), QStringLiteral("Log_20200106_1200.txt"));  // the five oldest went
    EXPECT_TRUE(QFile::exists(logi + QStringLiteral("moje notatki.txt")));

    // The newest is this run's log, with how it started at its end.
    const std::vector<HistoryRun> history = ReadHistory(logi);
    ASSERT_EQ(history.size(), size_t(KeptHistoryLogs));
    const HistoryRun& newest = history.front();
    EXPECT_EQ(newest.Path, logi + kept.last());
    EXPECT_TRUE(newest.StartKnown);
    EXPECT_TRUE(newest.Unattended);
    EXPECT_EQ(newest.Failures, 0);
    EXPECT_EQ(newest.Lines, LogLines());
    EXPECT_EQ(QStringLiteral("Log_") + newest.FolderName.mid(5) + QStringLiteral(".txt"), kept.last());
    QFile f(newest.Path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().endsWith("\r\nUruchomienie: automatycznie\r\n"));
}

}  // namespace
