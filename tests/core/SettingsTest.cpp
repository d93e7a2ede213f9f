// "Ustawienia.ini": defaults when missing, the default for each value that is bad or missing,
// and a saved file that reads back the same.

#include "core/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <ostream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class SettingsFile : public ::testing::Test {
protected:
    QString Write(const QByteArray& text)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        return path;
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Ustawienia.ini"));
};

TEST_F(SettingsFile, MissingMeansTheDefaults)
{
    const Settings s = LoadSettings(path);
    EXPECT_TRUE(s.Weryfikacja);
    EXPECT_TRUE(s.Dowiazania);
    EXPECT_EQ(s.Zachowaj, 0);
    EXPECT_FALSE(s.Podfoldery);
}

TEST_F(SettingsFile, SavedSettingsReadBackAndTheTextIsPlain)
{
    Settings s;
    s.Weryfikacja = false;
    s.Dowiazania = false;
    s.Zachowaj = 7;
    s.Podfoldery = true;
    ASSERT_EQ(SaveSettings(s, path), NoError);
    EXPECT_EQ(LoadSettings(path), s);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[Archiwizacja]\nWeryfikacja=false\nDowiazania=false\nZachowaj=7\nPodfoldery=true\n"));
}

struct ValueCase {
    std::string text;
    Settings expected;
};

void PrintTo(const ValueCase& c, std::ostream* out)
{
    *out << '"' << c.text << '"';
}

Settings With(bool w, bool d, int z, bool p)
{
    Settings s;
    s.Weryfikacja = w;
    s.Dowiazania = d;
    s.Zachowaj = z;
    s.Podfoldery = p;
    return s;
}

class SettingsValues : public SettingsFile, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(SettingsValues, EachBadValueFallsBackToItsOwnDefault)
{
    EXPECT_EQ(LoadSettings(Write(QByteArray::fromStdString(GetParam().text))), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsValues,
    ::testing::Values(
        ValueCase{"[Archiwizacja]\nWeryfikacja=false\nDowiazania=false\nZachowaj=3\nPodfoldery=true\n", With(false, false, 3, true)},
        ValueCase{"[Archiwizacja]\nWeryfikacja=FALSE\nZachowaj= 2 \n", With(false, true, 2, false)},
        ValueCase{"[Archiwizacja]\nWeryfikacja=0\nPodfoldery=1\n", With(false, true, 0, true)},
        ValueCase{"[Archiwizacja]\nWeryfikacja=może\nDowiazania=\nZachowaj=-1\nPodfoldery=yes please\n", With(true, true, 0, false)},
        ValueCase{"[Archiwizacja]\nZachowaj=3.5\n", With(true, true, 0, false)},
        ValueCase{"[Archiwizacja]\nZachowaj=99999999999\n", With(true, true, 0, false)},
        ValueCase{"[Archiwizacja]\nZachowaj=1,2\n", With(true, true, 0, false)},
        // Keys of another group, or none at all, change nothing.
        ValueCase{"[Inne]\nZachowaj=5\nPodfoldery=true\n", With(true, true, 0, false)},
        ValueCase{"Zachowaj=5\n", With(true, true, 0, false)},
        // Damaged text: what can be read is read, the rest keeps its default.
        ValueCase{std::string("\x00\xff\xfe[Archiwizacja\n=\n[Archiwizacja]\nZachowaj=4\n\x01\x02", 47), With(true, true, 4, false)},
        ValueCase{"", With(true, true, 0, false)}));

TEST_F(SettingsFile, AFolderInTheFilesPlaceMeansTheDefaults)
{
    ASSERT_TRUE(QDir().mkpath(path));
    QStringList notices;
    EXPECT_EQ(LoadSettings(path, &notices), Settings());
    EXPECT_EQ(notices, QStringList{QStringLiteral("Ustawienia.ini: to nie jest zwykły plik; przyjęto ustawienia domyślne")});
    EXPECT_NE(SaveSettings(Settings(), path), NoError);
}

struct NoticeCase {
    std::string text;
    std::vector<std::string> notices;
};

void PrintTo(const NoticeCase& c, std::ostream* out)
{
    *out << '"' << c.text << '"';
}

class SettingsNotices : public SettingsFile, public ::testing::WithParamInterface<NoticeCase> {};

// Each value that was not used says so, with what was used instead; missing values and other
// groups are no fault.
TEST_P(SettingsNotices, EachBadValueSaysWhatWasUsed)
{
    QStringList expected;
    for (const std::string& n : GetParam().notices)
        expected.append(QString::fromStdString(n));
    QStringList notices;
    LoadSettings(Write(QByteArray::fromStdString(GetParam().text)), &notices);
    EXPECT_EQ(notices, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsNotices,
    ::testing::Values(
        NoticeCase{"[Archiwizacja]\nZachowaj=abc\n", {"Ustawienia.ini: Zachowaj=abc nie jest liczbą; przyjęto 0"}},
        NoticeCase{"[Archiwizacja]\nZachowaj=-1\n",
                   {"Ustawienia.ini: Zachowaj=-1 jest poza zakresem od 0 do 100000; przyjęto 0"}},
        NoticeCase{"[Archiwizacja]\nZachowaj=99999999999999999999\n",
                   {"Ustawienia.ini: Zachowaj=99999999999999999999 nie jest liczbą; przyjęto 0"}},
        NoticeCase{"[Archiwizacja]\nWeryfikacja=może\nPodfoldery=\nDowiazania=tak\n",
                   {"Ustawienia.ini: Weryfikacja=może nie jest wartością true ani false; przyjęto true",
                    "Ustawienia.ini: Podfoldery= nie jest wartością true ani false; przyjęto false"}},
        // The last of a repeated key counts, and only its fault is told.
        NoticeCase{"[Archiwizacja]\nZachowaj=x\nZachowaj=3\n", {}},
        NoticeCase{"[Inne]\nZachowaj=abc\n[Archiwizacja]\n; Zachowaj=abc\n", {}},
        NoticeCase{"[Archiwizacja]\nWeryfikacja=false\nDowiazania=true\nZachowaj=3\nPodfoldery=1\n", {}},
        NoticeCase{"", {}}));

TEST_F(SettingsFile, APipeInTheFilesPlaceIsNeverWaitedFor)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    QStringList notices;
    auto reading = std::async(std::launch::async, [this, &notices] { return LoadSettings(path, &notices); });
    if (reading.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        // Let the reader go, so the test ends and says why.
        const int writer = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
        FAIL() << "reading the settings waited for a writer of the pipe";
    }
    EXPECT_EQ(reading.get(), Settings());
    EXPECT_EQ(notices, QStringList{QStringLiteral("Ustawienia.ini: to nie jest zwykły plik; przyjęto ustawienia domyślne")});
}

struct MergeCase {
    const char* what;
    QByteArray existing;
    QByteArray saved;
};

// What the window does not know stays: comments, blank lines, other groups, unknown keys of its
// own group, the file's line ends. Its own values change in place; missing ones join its group.
TEST_F(SettingsFile, SavingKeepsWhatTheProgramDoesNotKnow)
{
    const Settings s{false, true, 5, true};
    const std::vector<MergeCase> cases{
        {"nothing there", "", "[Archiwizacja]\nWeryfikacja=false\nDowiazania=true\nZachowaj=5\nPodfoldery=true\n"},
        {"comments, groups and unknown keys",
         "; moje ustawienia\n[Inne]\nklucz=1\n\n[Archiwizacja]\n# po awarii dysku\nZachowaj=abc\nNowy=x\n\n[Dalej]\na=b",
         "; moje ustawienia\n[Inne]\nklucz=1\n\n[Archiwizacja]\n# po awarii dysku\nZachowaj=5\nNowy=x\n"
         "Weryfikacja=false\nDowiazania=true\nPodfoldery=true\n\n[Dalej]\na=b"},
        {"no group of its own", "[Inne]\na=1", "[Inne]\na=1\n\n[Archiwizacja]\nWeryfikacja=false\nDowiazania=true\nZachowaj=5\nPodfoldery=true\n"},
        {"line ends of another system",
         "[Archiwizacja]\r\nPodfoldery=false\r\nWeryfikacja = true\r\n",
         "[Archiwizacja]\r\nPodfoldery=true\r\nWeryfikacja=false\r\nDowiazania=true\r\nZachowaj=5\r\n"},
        {"a repeated group and key", "[Archiwizacja]\nZachowaj=1\n[X]\n[Archiwizacja]\nZachowaj=2\n",
         "[Archiwizacja]\nZachowaj=5\nWeryfikacja=false\nDowiazania=true\nPodfoldery=true\n[X]\n[Archiwizacja]\nZachowaj=5\n"},
        {"an empty group at the end", "; x\n[Archiwizacja]",
         "; x\n[Archiwizacja]\nWeryfikacja=false\nDowiazania=true\nZachowaj=5\nPodfoldery=true\n"},
    };
    for (const MergeCase& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.existing.isEmpty())
            QFile::remove(path);
        else
            Write(c.existing);
        ASSERT_EQ(SaveSettings(s, path), NoError);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), c.saved);
        QStringList notices;
        EXPECT_EQ(LoadSettings(path, &notices), s);
        EXPECT_TRUE(notices.isEmpty()) << notices.join(QLatin1Char('|')).toStdString();
    }
}

} // namespace
