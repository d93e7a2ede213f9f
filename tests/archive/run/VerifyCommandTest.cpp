// "skrytkar /verify" never passes quietly: a destination that is missing (the backup disk not
// mounted) or unreadable, a dated folder that cannot be read, an entry with no archive and a
// dated folder that is a link each give their line and exit status 1. Names with control
// characters cannot forge lines of "/verify" or "/restore". The real program, without a display.

#include "RunTestSupport.h"

#include <QProcess>

#include <unistd.h>

namespace {

class VerifyCommand : public ::testing::Test, protected TempTree {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        programDir = root.path() + QStringLiteral("/Program Skrytkar/");
        ASSERT_TRUE(QDir().mkpath(programDir));
        binary = programDir + QStringLiteral("skrytkar");
        ASSERT_TRUE(QFile::copy(QStringLiteral(SKRYTKAR_BINARY), binary));
        QFile::setPermissions(binary, QFile::permissions(binary) | QFile::ExeOwner | QFile::ExeUser | QFile::ExeOther
                                          | QFile::ReadOther);
        docel = MakeFolder(QStringLiteral("kopie"));
        note = MakeFile(QStringLiteral("notatka.txt"), "notatka\n");
    }

    // As a user without privileges when this is root, so that permissions bite.
    Outcome Run(const QStringList& arguments, bool unprivileged = false)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (!unprivileged || ::geteuid() != 0)
            return RunProgram(binary, arguments, env, root.path(), 300000);
        // The program folder stays its data folder: the user may write there.
        QFile::setPermissions(root.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                               | QFile::ExeOther);
        QFile::setPermissions(programDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                              | QFile::WriteOther | QFile::ExeOther);
        QStringList all{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
                        binary};
        all += arguments;
        return RunProgram(QStringLiteral("setpriv"), all, env, root.path(), 300000);
    }

    void SaveList(const std::vector<Entry>& entries)
    {
        ASSERT_TRUE(SaveListFileAt(programDir + QStringLiteral("Dane.dat"), entries));
    }

    // A whole archive made by the real 7z, as a run of the given minute would have left it.
    QString PutArchive(const QString& datedName, const QString& nazwa)
    {
        const QString path = docel + QLatin1Char('/') + datedName + QLatin1Char('/') + nazwa + QStringLiteral(".7z");
        QDir().mkpath(docel + QLatin1Char('/') + datedName);
        QProcess p;
        p.start(QStringLiteral("7z"), {QStringLiteral("a"), QStringLiteral("-bd"), path, note});
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString();
        return path;
    }

    static QStringList Lines(const Outcome& o) { return o.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

    QString programDir, binary, docel, note;
};

TEST_F(VerifyCommand, WhatCannotBeCheckedHasItsLineAndFailsTheCheck)
{
    const QString file = MakeFile(QStringLiteral("plik zamiast folderu"), "x");
    const QString missing = Path(QStringLiteral("dysk niepodłączony/kopie"));
    const QString empty = MakeFolder(QStringLiteral("pusto"));
    struct Case {
        const char* what;
        QString docel;
        QString line;
    };
    const std::vector<Case> cases{
        {"missing destination", missing,
         QStringLiteral("brak archiwów: Wpis (") + missing + QStringLiteral(": nie ma takiego pliku ani folderu)")},
        {"destination is a file", file,
         QStringLiteral("brak archiwów: Wpis (") + file + QStringLiteral(": to nie jest folder)")},
        {"no archive at all", empty,
         QStringLiteral("brak archiwów: Wpis (") + empty + QStringLiteral(": żaden folder Arch_ nie zawiera pliku Wpis.7z)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SaveList({{QStringLiteral("Plik"), QStringLiteral("Wpis"), note, c.docel}});
        const Outcome o = Run({QStringLiteral("/verify")});
        EXPECT_EQ(o.exitCode, 1) << o.err.toStdString();
        EXPECT_EQ(Lines(o), QStringList{c.line});
    }

    // A good entry does not hide a bad one, and the bad one does not stop the good one's check.
    const QString good = PutArchive(QStringLiteral("Arch_20240305_0907"), QStringLiteral("Dobry"));
    SaveList({{QStringLiteral("Plik"), QStringLiteral("Brak"), note, missing},
              {QStringLiteral("Plik"), QStringLiteral("Dobry"), note, docel}});
    Outcome o = Run({QStringLiteral("/verify")});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(Lines(o), (QStringList{QStringLiteral("brak archiwów: Brak (") + missing
                                         + QStringLiteral(": nie ma takiego pliku ani folderu)"),
                                     QStringLiteral("poprawne: ") + good}));
    // Only the good one: all good.
    SaveList({{QStringLiteral("Plik"), QStringLiteral("Dobry"), note, docel}});
    o = Run({QStringLiteral("/verify")});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(Lines(o), QStringList{QStringLiteral("poprawne: ") + good});
}

TEST_F(VerifyCommand, ADatedFolderThatIsALinkIsNamedAndNeverFollowed)
{
    const QString real = PutArchive(QStringLiteral("Arch_20240305_0907"), QStringLiteral("Wpis"));
    // Elsewhere, a damaged "archive" a link would lead to; and an archive that is itself a link.
    const QString elsewhere = MakeFolder(QStringLiteral("gdzie indziej"));
    MakeFile(QStringLiteral("gdzie indziej/Wpis.7z"), "to nie archiwum");
    ASSERT_TRUE(QFile::link(elsewhere, docel + QStringLiteral("/Arch_20250101_1200")));
    QDir().mkpath(docel + QStringLiteral("/Arch_20240101_0800"));
    ASSERT_TRUE(QFile::link(real, docel + QStringLiteral("/Arch_20240101_0800/Wpis.7z")));
    SaveList({{QStringLiteral("Plik"), QStringLiteral("Wpis"), note, docel}});

    const Outcome o = Run({QStringLiteral("/verify")});
    EXPECT_EQ(o.exitCode, 1) << o.err.toStdString();
    EXPECT_EQ(Lines(o), (QStringList{QStringLiteral("pominięto: ") + docel + QStringLiteral("/Arch_20250101_1200 (dowiązanie)"),
                                     QStringLiteral("poprawne: ") + real,
                                     QStringLiteral("pominięto: ") + docel
                                         + QStringLiteral("/Arch_20240101_0800/Wpis.7z (dowiązanie)")}));
}

TEST_F(VerifyCommand, UnreadableFoldersAreNamedWithTheirReason)
{
    const QString good = PutArchive(QStringLiteral("Arch_20240305_0907"), QStringLiteral("Wpis"));
    PutArchive(QStringLiteral("Arch_20240306_0907"), QStringLiteral("Wpis"));
    const QString closedDated = docel + QStringLiteral("/Arch_20240306_0907");
    const QString closedDocel = MakeFolder(QStringLiteral("zamknięte"));
    ASSERT_TRUE(QFile::setPermissions(closedDated, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));  // no search
    ASSERT_TRUE(QFile::setPermissions(closedDocel, QFile::WriteOwner | QFile::ExeOwner));  // no listing
    SaveList({{QStringLiteral("Plik"), QStringLiteral("Wpis"), note, docel},
              {QStringLiteral("Plik"), QStringLiteral("Zamknięty"), note, closedDocel}});

    const Outcome o = Run({QStringLiteral("/verify")}, true);
    EXPECT_EQ(o.exitCode, 1) << o.err.toStdString();
    EXPECT_EQ(Lines(o), (QStringList{QStringLiteral("brak archiwów: Wpis (") + closedDated + QStringLiteral(": brak uprawnień)"),
                                     QStringLiteral("poprawne: ") + good,
                                     QStringLiteral("brak archiwów: Zamknięty (") + closedDocel
                                         + QStringLiteral(": brak uprawnień)")}));
    QFile::setPermissions(closedDated, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(closedDocel, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(VerifyCommand, ControlCharactersInNamesCannotForgeLines)
{
    const QString forged = QStringLiteral("a\npoprawne: x\x1b[2K");
    const QString archive = PutArchive(QStringLiteral("Arch_20240305_0907"), forged);
    SaveList({{QStringLiteral("Plik"), forged, note, docel}});
    QString shown = archive;
    shown.replace(QLatin1Char('\n'), QLatin1Char('?')).replace(QChar(0x1b), QLatin1Char('?'));

    Outcome o = Run({QStringLiteral("/verify")});
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(o.out, QStringLiteral("poprawne: ") + shown + QLatin1Char('\n'));

    const QString target = Path(QStringLiteral("przywrócone"));
    o = Run({QStringLiteral("/restore"), forged, target});
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    const QStringList lines = o.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << o.out.toStdString();
    EXPECT_TRUE(lines[0].contains(shown)) << lines[0].toStdString();
    EXPECT_FALSE(o.out.contains(QChar(0x1b)));
}

}  // namespace
