// The main window: its key table with every condition, the wrap-around selection moves, the
// hot zones (close, minimise, archive), dragging and the list box's clicks.

#include "WindowsFixture.h"

#include <QCloseEvent>
#include <QLineEdit>

namespace {

const std::vector<Entry> ThreeEntries = {
    {QStringLiteral("Plik"), QStringLiteral("Alfa"), QStringLiteral("/dane/alfa.txt"), QStringLiteral("/kopie/a")},
    {QStringLiteral("Folder"), QStringLiteral("Beta"), QStringLiteral("/dane/beta"), QStringLiteral("/kopie/b")},
    {QStringLiteral("Plik"), QStringLiteral("Gamma"), QStringLiteral("/dane/gamma.txt"), QStringLiteral("/kopie/c")},
};

enum class Effect {
    Help,          // the help file is opened
    Nothing,       // nothing at all happens
    DeleteAsked,   // the deletion question about the selected entry
    EditorOpened,  // the editor opens on the selected entry
    FileDialog,    // the file dialog is shown
    FolderDialog,  // the folder picker is shown
    StopRequest,   // the run is asked to stop
    Selection,     // `Lista` ends with `selected` and List().CurrentIndex() `current`
};

struct KeyCase {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::vector<int> selectedBefore;
    bool archiving;
    Effect effect;
    std::vector<int> selected = {};
    int current = -1;
    bool mouseHeld = false;  // a mouse button is held down over the window's background
};

void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << c.name;
}

const Qt::KeyboardModifiers Alt = Qt::AltModifier;
const Qt::KeyboardModifiers None = Qt::NoModifier;

const KeyCase KeyCases[] = {
    {"F1", Qt::Key_F1, None, {1}, false, Effect::Help},
    {"F1DuringRun", Qt::Key_F1, None, {}, true, Effect::Help},
    {"AltU", Qt::Key_U, Alt, {1}, false, Effect::Nothing},
    {"AltDOneLine", Qt::Key_D, Alt, {1}, false, Effect::DeleteAsked},
    {"AltDNoLine", Qt::Key_D, Alt, {}, false, Effect::Nothing},
    {"AltDTwoLines", Qt::Key_D, Alt, {0, 2}, false, Effect::Nothing},
    {"AltDDuringRun", Qt::Key_D, Alt, {1}, true, Effect::Nothing},
    {"ShiftAltDIsNotAltD", Qt::Key_D, Alt | Qt::ShiftModifier, {1}, false, Effect::Nothing},
    {"AltEOneLine", Qt::Key_E, Alt, {1}, false, Effect::EditorOpened},
    {"AltENoLine", Qt::Key_E, Alt, {}, false, Effect::Nothing},
    {"AltETwoLines", Qt::Key_E, Alt, {0, 1}, false, Effect::Nothing},
    {"AltEDuringRun", Qt::Key_E, Alt, {1}, true, Effect::Nothing},
    {"CtrlAltEIsNotAltE", Qt::Key_E, Alt | Qt::ControlModifier, {1}, false, Effect::Nothing},
    {"AltEWithMouseButtonHeld", Qt::Key_E, Alt, {1}, false, Effect::Nothing, {}, -1, true},
    {"AltPWithMouseButtonHeld", Qt::Key_P, Alt, {1}, false, Effect::Nothing, {}, -1, true},
    {"DeleteOneLine", Qt::Key_Delete, None, {2}, false, Effect::DeleteAsked},
    {"DeleteNoLine", Qt::Key_Delete, None, {}, false, Effect::Nothing},
    {"DeleteTwoLines", Qt::Key_Delete, None, {1, 2}, false, Effect::Nothing},
    {"DeleteDuringRun", Qt::Key_Delete, None, {1}, true, Effect::Nothing},
    {"UpMoves", Qt::Key_Up, None, {1}, false, Effect::Selection, {0}, 0},
    {"UpWrapsToLast", Qt::Key_Up, None, {0}, false, Effect::Selection, {2}, 2},
    {"DownMoves", Qt::Key_Down, None, {1}, false, Effect::Selection, {2}, 2},
    {"DownWrapsToFirst", Qt::Key_Down, None, {2}, false, Effect::Selection, {0}, 0},
    // Several lines: the list box's own keys; its selection follows the keyboard.
    {"UpWithTwoLinesIsTheListBoxs", Qt::Key_Up, None, {2, 0}, false, Effect::Selection, {1}, 1},
    {"DownWithTwoLinesIsTheListBoxs", Qt::Key_Down, None, {0, 2}, false, Effect::Selection, {1}, 1},
    // During a run the list box still moves its selection, but List().CurrentIndex() stays.
    {"UpDuringRunIsTheListBoxs", Qt::Key_Up, None, {1}, true, Effect::Selection, {0}, 1},
    {"AltPAnySelection", Qt::Key_P, Alt, {0, 1, 2}, false, Effect::FileDialog},
    {"AltPNoSelection", Qt::Key_P, Alt, {}, false, Effect::FileDialog},
    {"AltPDuringRun", Qt::Key_P, Alt, {1}, true, Effect::Nothing},
    {"AltFAnySelection", Qt::Key_F, Alt, {0, 2}, false, Effect::FolderDialog},
    {"AltFDuringRun", Qt::Key_F, Alt, {}, true, Effect::Nothing},
    {"EscapeDuringRun", Qt::Key_Escape, None, {1}, true, Effect::StopRequest},
    {"EscapeOutsideRun", Qt::Key_Escape, None, {1}, false, Effect::Nothing},
    {"EnterIsSwallowed", Qt::Key_Return, None, {1}, false, Effect::Nothing},
};

class KeyTableTest : public WindowsTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyTableTest, KeyActsOnlyUnderItsCondition)
{
    const KeyCase& c = GetParam();
    SeedList(ThreeEntries);
    SelectRows(c.selectedBefore);
    const int currentBefore = List().CurrentIndex();
    Messages().shown.clear();
    mainWindow->SimulateArchiving(c.archiving);

    bool editorOpened = false;
    QString editorName;
    if (c.effect == Effect::EditorOpened) {
        WhenModalOpens([&] {
            editorOpened = editor->isVisible();
            editorName = editor->ENazwa->text();
            QTest::keyClick(editor->ENazwa, Qt::Key_Escape);
        });
    }
    if (c.mouseHeld)
        PressAt(mainWindow, QPoint(300, 110));
    QTest::keyClick(mainWindow->Lista, c.key, c.modifiers);
    if (c.mouseHeld)
        ReleaseAt(mainWindow, QPoint(300, 110));
    const bool stopRequested = mainWindow->StopRequested();
    mainWindow->SimulateArchiving(false);

    const std::vector<int> unchanged = c.selectedBefore.empty() ? std::vector<int>{} : [&] {
        std::vector<int> rows = c.selectedBefore;
        std::sort(rows.begin(), rows.end());
        return rows;
    }();
    EXPECT_EQ(opened.empty(), c.effect != Effect::Help);
    EXPECT_EQ(stopRequested, c.effect == Effect::StopRequest);
    EXPECT_EQ(fileDialogTitles.size(), c.effect == Effect::FileDialog ? 1u : 0u);
    EXPECT_EQ(folderRequests.size(), c.effect == Effect::FolderDialog ? 1u : 0u);
    EXPECT_EQ(editorOpened, c.effect == Effect::EditorOpened);
    EXPECT_EQ(ListOnDisk(), ThreeEntries);
    switch (c.effect) {
    case Effect::DeleteAsked:
        ASSERT_EQ(Messages().shown.size(), 1u);
        EXPECT_EQ(Messages().shown[0].text, QStringLiteral("Czy rzeczywiście usunąć \"%1\"?\rTej operacji nie można cofnąć")
                                                .arg(ThreeEntries[size_t(c.selectedBefore[0])].Nazwa));
        break;
    case Effect::EditorOpened:
        EXPECT_EQ(editorName, ThreeEntries[size_t(c.selectedBefore[0])].Nazwa);
        break;
    case Effect::Selection:
        EXPECT_EQ(SelectedRows(), c.selected);
        EXPECT_EQ(List().CurrentIndex(), c.current);
        break;
    case Effect::Help:
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0], QUrl::fromLocalFile(Path(QStringLiteral("Pomoc/index.htm"))));
        break;
    default:
        break;
    }
    if (c.effect != Effect::DeleteAsked) {
        EXPECT_TRUE(Messages().shown.empty());
    }
    if (c.effect != Effect::Selection) {
        EXPECT_EQ(SelectedRows(), unchanged);
        EXPECT_EQ(List().CurrentIndex(), currentBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyTableTest, ::testing::ValuesIn(KeyCases),
                         [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

TEST_F(WindowsTest, UpAndDownKeepTheOnlyLineSelected)
{
    SeedList({ThreeEntries[0]});
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down}) {
        QTest::keyClick(mainWindow->Lista, key);
        EXPECT_EQ(SelectedRows(), std::vector<int>{0});
        EXPECT_EQ(List().CurrentIndex(), 0);
    }
}

TEST_F(WindowsTest, ListClickSetsTheCurrentEntryAndDoubleClickEditsIt)
{
    SeedList(ThreeEntries);
    QListWidget* list = mainWindow->Lista;
    const QPoint third = list->visualItemRect(list->item(2)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, third);
    EXPECT_EQ(List().CurrentIndex(), 2);
    EXPECT_EQ(SelectedRows(), std::vector<int>{2});

    // Ctrl extends the selection (the box's extended selection); the current line follows.
    const QPoint first = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, first);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 2}));
    EXPECT_EQ(List().CurrentIndex(), 0);

    QString editedName;
    WhenModalOpens([&] {
        editedName = editor->ENazwa->text();
        QTest::keyClick(editor->ENazwa, Qt::Key_Escape);
    });
    DoubleClick(list->viewport(), third);
    EXPECT_EQ(List().CurrentIndex(), 2);
    EXPECT_EQ(editedName, QStringLiteral("Gamma"));
}

TEST_F(WindowsTest, ListClicksDuringRunLeaveTheCurrentEntry)
{
    SeedList(ThreeEntries);
    mainWindow->SimulateArchiving(true);
    QListWidget* list = mainWindow->Lista;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(list->item(2)).center());
    DoubleClick(list->viewport(), list->visualItemRect(list->item(2)).center());
    mainWindow->SimulateArchiving(false);
    EXPECT_EQ(SelectedRows(), std::vector<int>{2});  // the selection still changes
    EXPECT_EQ(List().CurrentIndex(), 0);
    EXPECT_FALSE(editor->isVisible());
}

TEST_F(WindowsTest, CloseZoneEndsTheProgramExceptDuringRun)
{
    mainWindow->SimulateArchiving(true);
    ClickAt(mainWindow, Centre(mainWindow->LClose->geometry()));
    EXPECT_EQ(terminations, 0);
    mainWindow->SimulateArchiving(false);
    ClickAt(mainWindow, Centre(mainWindow->LClose->geometry()));
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(Messages().shown.empty());  // no question is asked
}

TEST_F(WindowsTest, WindowSystemCloseRequestIsRefusedDuringRun)
{
    mainWindow->SimulateArchiving(true);
    QCloseEvent request;
    QApplication::sendEvent(mainWindow, &request);
    mainWindow->SimulateArchiving(false);
    EXPECT_FALSE(request.isAccepted());
    EXPECT_TRUE(mainWindow->isVisible());
}

TEST_F(WindowsTest, MinimiseZoneWorksAlsoDuringRun)
{
    for (bool archiving : {false, true}) {
        mainWindow->showNormal();
        mainWindow->SimulateArchiving(archiving);
        ClickAt(mainWindow, Centre(mainWindow->LMinime->geometry()));
        EXPECT_TRUE(mainWindow->isMinimized()) << "archiving " << archiving;
        mainWindow->SimulateArchiving(false);
    }
    mainWindow->showNormal();
}

TEST_F(WindowsTest, HotZonesLieAtTheirPlacesWithTheHandCursor)
{
    struct Zone {
        QWidget* widget;
        QRect geometry;
    };
    const Zone zones[] = {
        {mainWindow->LListwa, {16, 8, 401, 33}},      {mainWindow->LMinime, {430, 19, 17, 17}},
        {mainWindow->LClose, {462, 20, 17, 17}},      {mainWindow->LMenuPLik, {17, 55, 58, 17}},
        {mainWindow->LMenuEdycja, {79, 55, 62, 17}},  {mainWindow->LMenuPomoc, {159, 55, 62, 17}},
        {mainWindow->LArchiwum, {316, 336, 141, 51}},
    };
    for (const Zone& zone : zones) {
        EXPECT_EQ(zone.widget->geometry(), zone.geometry) << zone.widget->objectName().toStdString();
        EXPECT_EQ(zone.widget->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_EQ(mainWindow->childAt(zone.geometry.center()), zone.widget);
    }
    EXPECT_EQ(mainWindow->size(), QSize(500, 450));
    EXPECT_EQ(mainWindow->Lista->geometry(), QRect(45, 129, 205, 263));
    EXPECT_EQ(mainWindow->Lista->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(mainWindow->Pdziala->geometry(), QRect(314, 198, 137, 87));
    EXPECT_TRUE(mainWindow->Pdziala->isHidden());  // hidden once the window was first shown
    EXPECT_TRUE(mainWindow->windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(WindowsTest, TitleStripDragsTheWindowByTheCursorsMovement)
{
    const QPoint start = mainWindow->pos();
    const QPoint grip(100, 20);
    PressAt(mainWindow, grip);
    EXPECT_TRUE(mainWindow->Drag.Dragging);
    MoveTo(mainWindow, grip + QPoint(30, 15));
    MoveTo(mainWindow, grip + QPoint(40, 25));  // local to the window, which moved already
    MoveTo(mainWindow, grip + QPoint(0, 500)); // the strip keeps the mouse outside it too
    MoveTo(mainWindow, grip + QPoint(0, -500));
    ReleaseAt(mainWindow, grip + QPoint(40, 25));
    EXPECT_FALSE(mainWindow->Drag.Dragging);
    EXPECT_EQ(mainWindow->pos(), start + QPoint(70, 40));
    // Without the button held nothing moves.
    MoveTo(mainWindow, grip + QPoint(5, 5));
    EXPECT_EQ(mainWindow->pos(), start + QPoint(70, 40));
}

TEST_F(WindowsTest, ArchiveZoneDoesNothingOnAnEmptyList)
{
    ClickAt(mainWindow, Centre(mainWindow->LArchiwum->geometry()));
    EXPECT_TRUE(Messages().shown.empty());
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("Log.txt"))));
}

TEST_F(WindowsTest, SelectAllOnAnEmptyListSaysSo)
{
    EXPECT_EQ(mainWindow->SelectAll(), 0);
    ASSERT_EQ(Messages().shown.size(), 1u);
    EXPECT_EQ(Messages().shown[0].buttons, ButtonsClose);
    EXPECT_EQ(Messages().shown[0].icon, IconInfo);
    EXPECT_EQ(Messages().shown[0].text, QStringLiteral("Lista jest pusta, nie ma co zaznaczać."));
    SeedList(ThreeEntries);
    EXPECT_EQ(mainWindow->SelectAll(), 3);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 1, 2}));
}

TEST_F(WindowsTest, UnreadableListFileStopsTheFirstShowWithTheErrorReport)
{
    // "Dane.dat" that exists but cannot be read: the error leaves FormShow, the rest of it
    // does not run (the status panel stays, no timer) and the program goes on. The user reads
    // why in Polish, in the program's own dialog.
    QFile::remove(List().FilePath());
    ASSERT_TRUE(QDir(dir->path()).mkdir(QStringLiteral("Dane.dat")));
    mainWindow->Pdziala->show();
    mainWindow->Start().Timer().stop();
    RunGuarded([this] { mainWindow->Start().Show(); });
    ASSERT_EQ(Messages().shown.size(), 1u);
    EXPECT_EQ(Messages().shown[0].icon, IconWarning);
    EXPECT_EQ(Messages().shown[0].text, QStringLiteral("Nie można odczytać pliku listy %1: to jest folder, nie plik.")
                                             .arg(List().FilePath()));
    EXPECT_TRUE(errorReports.empty());
    EXPECT_FALSE(mainWindow->Pdziala->isHidden());
    EXPECT_FALSE(mainWindow->Start().Timer().isActive());
    mainWindow->Pdziala->hide();
}

TEST_F(WindowsTest, UnattendedTickMinimisesArchivesAllAndEnds)
{
    // The program started with "/all": its own windows over the same (empty) program folder.
    ProgramWindows unattended(std::make_unique<SevenZipPacker>(),
                              QStringList{QStringLiteral("skrytkar"), QStringLiteral("/all")}, nullptr);
    MainWindow& main = unattended.Main();
    main.SetTerminateSeam([this] { ++terminations; });
    main.show();
    main.Start().TimerTick();
    // The run works on its worker; the window hears its end through its event loop.
    EXPECT_TRUE(main.isMinimized());
    main.WaitForRun();
    EXPECT_EQ(terminations, 1);
    EXPECT_EQ(LogLinesOnDisk(), QStringList{QStringLiteral("Lista plików jest pusta.")});
    EXPECT_TRUE(Messages().shown.empty());
    EXPECT_EQ(main.Start().UnattendedExitStatus(), ExitArchived);
}

} // namespace
