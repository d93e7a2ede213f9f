// Where the list, the log and the settings live: beside a program the user can write to,
// otherwise in the user's data folder, made private when missing.

#include "platform/Platform.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Sets or unsets environment variables for one test and puts them back afterwards.
class ScopedEnvironment {
public:
    ~ScopedEnvironment()
    {
        for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
            if (it->wasSet)
                qputenv(it->name.constData(), it->value);
            else
                qunsetenv(it->name.constData());
        }
    }
    void Set(const char* name, const QByteArray& value)
    {
        Save(name);
        qputenv(name, value);
    }
    void Unset(const char* name)
    {
        Save(name);
        qunsetenv(name);
    }

private:
    struct Saved {
        QByteArray name;
        QByteArray value;
        bool wasSet;
    };
    void Save(const char* name)
    {
        saved.push_back({QByteArray(name), qgetenv(name), qEnvironmentVariableIsSet(name)});
    }
    std::vector<Saved> saved;
};

unsigned ModeOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

class DataDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        program = root.path() + QStringLiteral("/program/");
        ASSERT_TRUE(QDir().mkpath(program));
        home = root.path() + QStringLiteral("/home/");
        ASSERT_TRUE(QDir().mkpath(home));
        environment.Set("HOME", QFile::encodeName(home));
        OverrideProgramDirectory(program);
    }
    void TearDown() override { OverrideProgramDirectory(QString()); }

    QTemporaryDir root;
    QString program;
    QString home;
    ScopedEnvironment environment;
};

TEST_F(DataDirectoryTest, AWritableProgramFolderKeepsTheFilesBesideTheProgram)
{
    environment.Set("XDG_DATA_HOME", QFile::encodeName(root.path() + QStringLiteral("/xdg")));
    EXPECT_EQ(DataDirectory(), program);
    EXPECT_FALSE(QFileInfo::exists(root.path() + QStringLiteral("/xdg")));
}

// Which data folder is meant: $XDG_DATA_HOME/skrytkar when it is an absolute path, otherwise
// ~/.local/share/skrytkar (the XDG rules: unset, empty and relative all mean the default).
TEST_F(DataDirectoryTest, TheUserDataFolderFollowsTheXdgRules)
{
    struct Case {
        const char* name;
        const char* xdg;  // nullptr: unset
        QString expected;
    };
    const QString fallback = home + QStringLiteral(".local/share/skrytkar/");
    const Case cases[] = {
        {"set", "/srv/dane", QStringLiteral("/srv/dane/skrytkar/")},
        {"set with a trailing slash", "/srv/dane/", QStringLiteral("/srv/dane/skrytkar/")},
        {"unset", nullptr, fallback},
        {"empty", "", fallback},
        {"relative", "dane", fallback},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.xdg)
            environment.Set("XDG_DATA_HOME", QByteArray(c.xdg));
        else
            environment.Unset("XDG_DATA_HOME");
        EXPECT_EQ(UserDataDirectory(), c.expected);
    }
}

// A program under /usr came from the package: its folder is never written to, even by root,
// who could.
TEST_F(DataDirectoryTest, AProgramUnderUsrUsesTheDataFolderWithoutXdgDataHome)
{
    environment.Unset("XDG_DATA_HOME");
    OverrideProgramDirectory(QStringLiteral("/usr/lib/skrytkar/"));
    const QString expected = home + QStringLiteral(".local/share/skrytkar/");

    EXPECT_EQ(DataDirectory(), expected);

    // Every folder that was missing is made, private to the user.
    for (const QString& made : {home + QStringLiteral(".local"), home + QStringLiteral(".local/share"), expected}) {
        EXPECT_TRUE(QFileInfo(made).isDir()) << made.toStdString();
        EXPECT_EQ(ModeOf(made), 0700u) << made.toStdString();
    }
    // An existing folder is used as it is.
    ASSERT_EQ(::chmod(QFile::encodeName(expected).constData(), 0750), 0);
    QFile kept(expected + QStringLiteral("Dane.dat"));
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.close();
    EXPECT_EQ(DataDirectory(), expected);
    EXPECT_EQ(ModeOf(expected), 0750u);
    EXPECT_TRUE(QFileInfo::exists(expected + QStringLiteral("Dane.dat")));
}

// A program folder the user cannot write to. Root writes anywhere, so the check runs in a
// child that takes an ordinary user's identity first when the tests run as root.
TEST_F(DataDirectoryTest, AReadOnlyProgramFolderUsesXdgDataHome)
{
    const QString xdg = root.path() + QStringLiteral("/xdg");
    ASSERT_TRUE(QDir().mkpath(xdg));
    // The child may be another user: it must reach and write the data folder's parent.
    ASSERT_EQ(::chmod(QFile::encodeName(root.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(xdg).constData(), 0777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(program).constData(), 0555), 0);
    environment.Set("XDG_DATA_HOME", QFile::encodeName(xdg));
    const QString expected = xdg + QStringLiteral("/skrytkar/");

    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                _exit(3);
            const QString got = DataDirectory();
            std::fprintf(stderr, "%s\n", qPrintable(got));
            _exit(got == expected ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");

    EXPECT_TRUE(QFileInfo(expected).isDir());
    EXPECT_EQ(ModeOf(expected), 0700u);
    EXPECT_FALSE(QFileInfo::exists(program + QStringLiteral("Dane.dat")));
    ::chmod(QFile::encodeName(program).constData(), 0755);
}

} // namespace
