// The keyboard of a desktop user on a real X server: keys typed through xdotool travel the X
// connection to the window under the pointer, as a user's keys do. Each case is a list of
// steps, each step keys typed on one of the program's windows and the window that shows after
// it: the menu panels opened with F10 and Alt and walked with the arrows, the about window
// closed with Escape and Enter, messages answered with Enter and Space, and a run started with
// its shortcut.

#include "RealDisplayFixture.h"

namespace {

const QSize MainSize(500, 450);
const QSize PlikPanel(124, 174);
const QSize EdycjaPanel(124, 125);
const QSize PomocPanel(124, 87);
const QSize AboutSize(332, 194);
const QSize MessageSize(350, 150);
const QSize SettingsSize(400, 420);
const QSize NothingElse;  // only the main window shows

struct KeyStep {
    QSize on;          // the window the keys are typed on, by its size
    const char* keys;  // xdotool key names, separated by blanks
    QSize shows;       // the window that shows afterwards beside the main one
};

struct KeyCase {
    const char* name;
    int entries;          // entries of the list; the first is selected when there are any
    std::vector<KeyStep> steps;
    bool archivesTheFirst = false;  // a run archives the selected entry
    bool deletesTheFirst = false;   // the list file loses its entry
    bool savesSettings = false;     // "Ustawienia.ini" is written
};

const KeyCase KeyCases[] = {
    {"F10OpensPlikAndEscapeClosesIt", 0, {{MainSize, "F10", PlikPanel}, {MainSize, "Escape", NothingElse}}},
    {"AltAloneOpensPlikAndClosesIt", 0, {{MainSize, "alt", PlikPanel}, {MainSize, "alt", NothingElse}}},
    {"RightAndLeftGoFromPanelToPanel", 0,
     {{MainSize, "F10 Right", EdycjaPanel}, {MainSize, "Right", PomocPanel}, {MainSize, "Right", PlikPanel},
      {MainSize, "Left", PomocPanel}, {MainSize, "F10", NothingElse}}},
    {"EnterChoosesAboutAndEscapeClosesIt", 0,
     {{MainSize, "F10 Left Down Down Return", AboutSize}, {AboutSize, "Escape", NothingElse}}},
    {"EnterClosesTheAboutWindow", 0, {{MainSize, "F10 Left Up Return", AboutSize}, {AboutSize, "Return", NothingElse}}},
    // Up from the first item wraps to "Zamknij", then "Historia...", then "Ustawienia...".
    {"UpAndEnterOpenTheSettingsAndEscapeClosesThem", 0,
     {{MainSize, "F10 Up Up Up Return", SettingsSize}, {SettingsSize, "Escape", NothingElse}}},
    // "Zaznacz wszystko" on an empty list says so; Enter and Space close the notice.
    {"EnterClosesANotice", 0, {{MainSize, "F10 Return", MessageSize}, {MessageSize, "Return", NothingElse}}},
    {"SpaceClosesANotice", 0, {{MainSize, "F10 space", MessageSize}, {MessageSize, "space", NothingElse}}},
    // Delete asks; Enter presses the default button, Tak.
    {"EnterAnswersTakToAQuestion", 1, {{MainSize, "Delete", MessageSize}, {MessageSize, "Return", NothingElse}}, false, true},
    // Right moves to Nie; Space presses it and the entry stays.
    {"RightAndSpaceAnswerNie", 1, {{MainSize, "Delete", MessageSize}, {MessageSize, "Right space", NothingElse}}},
    {"AltAArchivesTheSelectedLine", 1, {{MainSize, "alt+a", NothingElse}}, true},
    // From the list Tab reaches the archive button, and Enter presses it.
    {"TabAndEnterPressTheArchiveButton", 1, {{MainSize, "Tab Return", NothingElse}}, true},
    // Backwards from the first switch of the settings: the close zone, then "Zapisz".
    {"ShiftTabReachesZapiszInTheSettings", 0,
     {{MainSize, "F10 Up Up Up Return", SettingsSize}, {SettingsSize, "shift+Tab shift+Tab Return", NothingElse}},
     false, false, true},
};

class KeyboardOnXTest : public RealDisplay, public ::testing::WithParamInterface<KeyCase> {
protected:
    std::optional<XWindow> Showing(const QSize& size)
    {
        if (size == MainSize)
            return MainWindow();
        return WindowOfSize(size);
    }

    void Type(const XWindow& window, const QString& keys)
    {
        QStringList steps{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("80")};
        steps << keys.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        At(window, QPoint(window.geometry.width() / 2, 12), steps);
    }
};

TEST_P(KeyboardOnXTest, KeysTypedOnTheWindowsDoWhatTheyDoOnAnyDesktop)
{
    const KeyCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(StartProgramWith(c.entries));
    const QString listFile = programDir + QStringLiteral("Dane.dat");
    const qint64 listSize = QFileInfo(listFile).size();
    if (c.entries > 0)
        ClickAt(main, ListLine(0));

    for (const KeyStep& step : c.steps) {
        SCOPED_TRACE(step.keys);
        std::optional<XWindow> on;
        ASSERT_TRUE(WaitUntil([&] { return (on = Showing(step.on)).has_value(); }, ReactMs)) << Diagnosis();
        Type(*on, QString::fromLatin1(step.keys));
        if (step.shows.isEmpty()) {
            ASSERT_TRUE(WaitUntil([&] { return OnlyTheMainWindowShows(); }, c.archivesTheFirst ? PackMs : ReactMs))
                << Diagnosis();
        } else {
            ASSERT_TRUE(WaitUntil([&] { return Showing(step.shows).has_value(); }, ReactMs)) << Diagnosis();
            if (step.shows == PlikPanel || step.shows == EdycjaPanel || step.shows == PomocPanel) {
                // The panel stands under its menu title, one at a time.
                const std::optional<XWindow> panel = Showing(step.shows);
                EXPECT_EQ(panel->geometry.top(), main.geometry.top() + 78);
                EXPECT_EQ(VisibleWindows().size(), 2u);
            }
        }
    }

    if (c.archivesTheFirst) {
        ASSERT_NO_FATAL_FAILURE(WaitForTheRunToEnd());
        EXPECT_EQ(LogLines(), QStringList{QStringLiteral("Zarchiwizowano A")});
        EXPECT_TRUE(SevenZipTestPasses(ArchiveOf(QStringLiteral("A"))));
    } else {
        EXPECT_TRUE(DatedFolderFiles().isEmpty());
    }
    EXPECT_EQ(QFile::exists(programDir + QStringLiteral("Ustawienia.ini")), c.savesSettings);
    if (c.entries > 0) {
        // Deleting rewrites the list file without the entry.
        EXPECT_TRUE(WaitUntil([&] { return (QFileInfo(listFile).size() < listSize) == c.deletesTheFirst; }, ReactMs));
    }
    CloseAndExpectTheEnd();
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyboardOnXTest, ::testing::ValuesIn(KeyCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
