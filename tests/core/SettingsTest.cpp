// "Ustawienia.ini": defaults when missing, the default for each value that is bad or missing,
// and a saved file that reads back the same.

#include "core/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

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
    EXPECT_EQ(LoadSettings(path), Settings());
    EXPECT_NE(SaveSettings(Settings(), path), NoError);
}

} // namespace
