// The settings window: opened from "Plik", it shows "Ustawienia.ini" (defaults for a missing
// or damaged file), Zapisz writes the file whole, Anuluj, the close zone and Escape leave it
// alone, and a failed save is said in Polish. The editor's note for folder entries follows
// "Podfoldery".

#include "WindowsFixture.h"

#include "core/Settings.h"
#include "ui/windows/SettingsWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTimeEdit>
#include <QDir>
#include <QLabel>
#include <QSpinBox>

namespace {

class SettingsWindowTest : public WindowsTest {
protected:
    void TearDown() override
    {
        if (settingsWindow->isVisible())
            settingsWindow->done(0);
        if (editor->isVisible())
            editor->done(0);
        WindowsTest::TearDown();
    }

    QString File() const { return Path(QStringLiteral("Ustawienia.ini")); }

    void WriteFile(const QByteArray& text)
    {
        QFile file(File());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    QByteArray FileText() const
    {
        QFile file(File());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<brak>");
    }

    // Opens the window from the "Plik" panel, notes what it shows and runs the steps in it.
    Settings OpenFromMenu(std::function<void()> steps)
    {
        Settings shown;
        bool ran = false;
        WhenModalOpens([&] {
            ran = true;
            EXPECT_TRUE(settingsWindow->isVisible());
            shown = settingsWindow->Shown();
            steps();
            if (settingsWindow->isVisible())
                settingsWindow->LAnulujClick();
        });
        ClickAt(mainWindow, mainWindow->LMenuPLik->geometry().center());
        EXPECT_TRUE(menu->isVisible());
        ClickAt(menu, menu->LUstawienia->mapTo(menu, menu->LUstawienia->rect().center()));
        EXPECT_TRUE(ran);
        EXPECT_FALSE(settingsWindow->isVisible());
        return shown;
    }

    void Change()
    {
        settingsWindow->CWeryfikacja->setChecked(false);
        settingsWindow->CDowiazania->setChecked(false);
        settingsWindow->EZachowaj->setValue(7);
        settingsWindow->CPodfoldery->setChecked(true);
    }
};

TEST_F(SettingsWindowTest, ShowsTheFileOrTheDefaultsForWhatIsMissingOrBad)
{
    struct Case {
        const char* name;
        std::optional<QByteArray> file;
        Settings expected;
    } const cases[] = {
        {"no file", std::nullopt, Settings{}},
        {"values", QByteArray("[Archiwizacja]\nWeryfikacja=false\nDowiazania=false\nZachowaj=3\nPodfoldery=true\n"),
         Settings{false, false, 3, true}},
        {"bad values", QByteArray("[Archiwizacja]\nWeryfikacja=moze\nZachowaj=-5\nPodfoldery=true\n"),
         Settings{true, true, 0, true}},
        {"damaged file", QByteArray("\x01\x02[[[\xff\xfe=\n=\n", 11), Settings{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(File());
        if (c.file)
            WriteFile(*c.file);
        const QByteArray before = FileText();
        EXPECT_EQ(OpenFromMenu([this] {}), c.expected);
        EXPECT_EQ(FileText(), before);  // only Zapisz writes
        EXPECT_TRUE(Messages().shown.empty());
    }
}

TEST_F(SettingsWindowTest, TheScheduleGoesToTheUsersSystemdOrShowsTheCrontabLine)
{
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(Path(QStringLiteral("config"))));
    std::vector<QStringList> calls;
    bool answers = true;
    settingsWindow->SetSystemd(UserSystemd([&](const QStringList& arguments, QString& output) {
        calls.push_back(arguments);
        if (arguments.first() == QStringLiteral("is-system-running")) {
            output = answers ? QStringLiteral("running") : QStringLiteral("offline");
            return answers ? 0 : 1;
        }
        output = QStringLiteral("Mon 2026-12-14 07:30:00 CET");
        return 0;
    }));
    const QString timer = Path(QStringLiteral("config/systemd/user/skrytkar.timer"));

    OpenFromMenu([&] {
        EXPECT_EQ(settingsWindow->ShownSchedule(), Schedule());
        EXPECT_FALSE(settingsWindow->EGodzina->isEnabled());
        settingsWindow->CHarmonogram->setCurrentIndex(2);
        settingsWindow->EGodzina->setTime(QTime(7, 30));
        settingsWindow->CDni[0]->setChecked(true);
        settingsWindow->CDni[3]->setChecked(true);
        EXPECT_TRUE(settingsWindow->CDni[6]->isEnabled());
        ClickAt(settingsWindow, settingsWindow->LZapisz->geometry().center());
    });
    EXPECT_EQ(calls.back(), (QStringList{QStringLiteral("restart"), QStringLiteral("skrytkar.timer")}));
    Schedule expected;
    expected.Kind = ScheduleKind::Weekly;
    expected.Hour = 7;
    expected.Minute = 30;
    expected.Days[0] = expected.Days[3] = true;
    EXPECT_EQ(InstalledSchedule(), expected);
    EXPECT_TRUE(QFile::exists(timer));

    // Opened again: what is installed, with the next run the manager names.
    OpenFromMenu([&] {
        EXPECT_EQ(settingsWindow->ShownSchedule(), expected);
        EXPECT_EQ(settingsWindow->LHarmonogram->text(), QStringLiteral("Następna archiwizacja: Mon 2026-12-14 07:30:00 CET"));
    });

    // No manager: the crontab line of the shown choice, and nothing is installed.
    answers = false;
    calls.clear();
    OpenFromMenu([&] {
        settingsWindow->CHarmonogram->setCurrentIndex(1);
        settingsWindow->EGodzina->setTime(QTime(19, 5));
        EXPECT_EQ(settingsWindow->LHarmonogram->text(),
                  QStringLiteral("Brak menedżera systemd użytkownika. Dopisz do crontab (crontab -e):\n5 19 * * * ")
                      + ProgramDirectory() + QStringLiteral("skrytkar /all"));
        ClickAt(settingsWindow, settingsWindow->LZapisz->geometry().center());
    });
    EXPECT_EQ(calls, (std::vector<QStringList>{{QStringLiteral("is-system-running")}}));
    EXPECT_EQ(InstalledSchedule(), expected);

    settingsWindow->SetSystemd(UserSystemd());
    if (config.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", config);
    EXPECT_TRUE(Messages().shown.empty());
}

TEST_F(SettingsWindowTest, ZapiszKeepsWhatTheWindowDoesNotKnow)
{
    WriteFile("; ustawione ręcznie\n[Archiwizacja]\nZachowaj=abc\nPrzyszly=1\n\n[Inne]\nklucz=wartość\n");
    OpenFromMenu([&] {
        Change();
        ClickAt(settingsWindow, settingsWindow->LZapisz->geometry().center());
    });
    EXPECT_EQ(FileText(), QByteArray("; ustawione ręcznie\n[Archiwizacja]\nZachowaj=7\nPrzyszly=1\nWeryfikacja=false\n"
                                     "Dowiazania=false\nPodfoldery=true\n\n[Inne]\nklucz=wartość\n"));
    EXPECT_TRUE(Messages().shown.empty());
}

TEST_F(SettingsWindowTest, ZapiszWritesTheFileWholeAndClosesTheWindow)
{
    for (const bool byKey : {false, true}) {
        SCOPED_TRACE(byKey ? "Enter" : "Zapisz");
        QFile::remove(File());
        OpenFromMenu([&] {
            Change();
            if (byKey)
                QTest::keyClick(settingsWindow->CWeryfikacja, Qt::Key_Return);
            else
                ClickAt(settingsWindow, settingsWindow->LZapisz->geometry().center());
            EXPECT_FALSE(settingsWindow->isVisible());
        });
        EXPECT_EQ(LoadSettings(File()), (Settings{false, false, 7, true}));
        EXPECT_EQ(FileText(), SettingsText(Settings{false, false, 7, true}));
        // Opened again, the window shows what was saved.
        EXPECT_EQ(OpenFromMenu([this] {}), (Settings{false, false, 7, true}));
    }
    EXPECT_TRUE(Messages().shown.empty());
}

TEST_F(SettingsWindowTest, AnulujCloseZoneAndEscapeLeaveTheFileAlone)
{
    const QByteArray text("[Archiwizacja]\nZachowaj=2\n");
    WriteFile(text);
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Anuluj", [this] { ClickAt(settingsWindow, settingsWindow->LAnuluj->geometry().center()); }},
        {"close zone", [this] { ClickAt(settingsWindow, settingsWindow->LClose->geometry().center()); }},
        {"Escape", [this] { QTest::keyClick(settingsWindow->EZachowaj, Qt::Key_Escape); }},
    };
    for (const auto& [name, close] : ways) {
        SCOPED_TRACE(name);
        const Settings shown = OpenFromMenu([&] {
            Change();
            close();
            EXPECT_FALSE(settingsWindow->isVisible());
        });
        EXPECT_EQ(shown.Zachowaj, 2);
        EXPECT_EQ(FileText(), text);
    }
    // Without a file, cancelling makes none.
    QFile::remove(File());
    OpenFromMenu([this] {
        Change();
        settingsWindow->LAnulujClick();
    });
    EXPECT_FALSE(QFile::exists(File()));
}

TEST_F(SettingsWindowTest, AFailedSaveIsSaidAndTheWindowKeepsTheChoices)
{
    // A folder in the file's place: the rename onto it fails, for root too.
    ASSERT_TRUE(QDir(dir->path()).mkdir(QStringLiteral("Ustawienia.ini")));
    OpenFromMenu([&] {
        Change();
        ClickAt(settingsWindow, settingsWindow->LZapisz->geometry().center());
        EXPECT_TRUE(settingsWindow->isVisible());
        EXPECT_EQ(settingsWindow->Shown(), (Settings{false, false, 7, true}));
    });
    ASSERT_EQ(Messages().shown.size(), 1u);
    EXPECT_EQ(Messages().shown[0].buttons, ButtonsClose);
    EXPECT_EQ(Messages().shown[0].icon, IconWarning);
    EXPECT_TRUE(Messages().shown[0].text.startsWith(QStringLiteral("Nie można zapisać ustawień w pliku ") + File() + QStringLiteral(": ")))
        << Messages().shown[0].text.toStdString();
    EXPECT_TRUE(QFileInfo(File()).isDir());
}

TEST_F(SettingsWindowTest, EditorNotesTheShallowFolderOnlyForFoldersWithPodfolderyOff)
{
    struct Case {
        const char* name;
        bool folder;
        bool podfoldery;
        bool noteShown;
    } const cases[] = {
        {"folder, Podfoldery off", true, false, true},
        {"folder, Podfoldery on", true, true, false},
        {"file", false, false, false},
    };
    const QString source = Path(QStringLiteral("zrodlo"));
    ASSERT_TRUE(QDir(dir->path()).mkdir(QStringLiteral("zrodlo")));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(SaveSettings(Settings{true, true, 0, c.podfoldery}, File()), NoError);
        bool shown = false;
        QString text;
        WhenModalOpens([&] {
            shown = editor->LPodfoldery->isVisible();
            text = editor->LPodfoldery->text();
            editor->Cancel();
        });
        if (c.folder) {
            folderAnswers.push_back(source);
            QTest::keyClick(mainWindow->Lista, Qt::Key_F, Qt::AltModifier);
        } else {
            fileAnswers.push_back(File());
            QTest::keyClick(mainWindow->Lista, Qt::Key_P, Qt::AltModifier);
        }
        EXPECT_EQ(shown, c.noteShown);
        EXPECT_EQ(text, QStringLiteral("Z podfolderów tylko nazwy: „Archiwizuj całe podfoldery” jest wyłączone w ustawieniach."));
    }
}

} // namespace
