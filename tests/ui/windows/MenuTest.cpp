// The menu panels: opening from the titles, switching by moving the mouse, closing, places and
// sizes, captions, hover colours, disabled items, separators and the items' commands.

#include "WindowsFixture.h"

#include "ui/skin/SkinImage.h"
#include "ui/windows/WindowParts.h"

#include <QLabel>
#include <QLineEdit>

namespace {

const QColor AtRest = ColourFromBgr(MenuItemColour);
const QColor Lit = ColourFromBgr(MenuItemHoverColour);

const std::vector<Entry> TwoEntries = {
    {QStringLiteral("Plik"), QStringLiteral("Alfa"), QStringLiteral("/dane/alfa.txt"), QStringLiteral("/kopie")},
    {QStringLiteral("Plik"), QStringLiteral("Beta"), QStringLiteral("/dane/beta.txt"), QStringLiteral("/kopie")},
};

struct PanelCase {
    const char* name;
    int panel;
    QRect title;   // the title's hot zone in the main window
    QPoint offset; // the menu window's place from the main window's corner
    QSize size;
};

const PanelCase Panels[] = {
    {"Plik", 0, {17, 55, 58, 17}, {6, 78}, {124, 174}},
    {"Edycja", 1, {79, 55, 62, 17}, {85, 78}, {124, 125}},
    {"Pomoc", 2, {159, 55, 62, 17}, {161, 78}, {124, 87}},
};

QWidget* PanelWidget(int panel)
{
    const MenuPanel& menu = Program().Main().Menu();
    return panel == 0 ? menu.PPlik : panel == 1 ? menu.PEdycja : menu.PPomoc;
}

void ExpectShown(const PanelCase& p)
{
    const MenuPanel& menu = Program().Main().Menu();
    ASSERT_TRUE(menu.isVisible()) << p.name;
    EXPECT_EQ(menu.geometry(), QRect(Program().Main().pos() + p.offset, p.size)) << p.name;
    for (int panel = 0; panel < 3; ++panel)
        EXPECT_EQ(!PanelWidget(panel)->isHidden(), panel == p.panel) << p.name << " panel " << panel;
    EXPECT_EQ(PanelWidget(p.panel)->pos().x(), 0);
}

class MenuPanelTest : public WindowsTest, public ::testing::WithParamInterface<PanelCase> {};

TEST_P(MenuPanelTest, TitleClickOpensAndClosesItsPanelAtItsPlace)
{
    const PanelCase& p = GetParam();
    mainWindow->move(140, 90);
    ClickAt(mainWindow, p.title.center());
    ExpectShown(p);
    EXPECT_FALSE(menu->isActiveWindow());  // the main window keeps the keys
    ClickAt(mainWindow, p.title.center());
    EXPECT_FALSE(menu->isVisible());
    ClickAt(mainWindow, p.title.center());
    ExpectShown(p);
}

TEST_P(MenuPanelTest, MovingOverAnotherTitleSwitchesToItsPanel)
{
    const PanelCase& p = GetParam();
    const PanelCase& other = Panels[(p.panel + 1) % 3];
    ClickAt(mainWindow, p.title.center());
    MoveTo(mainWindow, other.title.center());
    ExpectShown(other);
    // A click on any title while a panel is open closes it.
    ClickAt(mainWindow, p.title.center());
    EXPECT_FALSE(menu->isVisible());
    // Without an open panel, moving over a title opens nothing.
    MoveTo(mainWindow, other.title.center());
    EXPECT_FALSE(menu->isVisible());
}

TEST_P(MenuPanelTest, TitlesDoNothingDuringRun)
{
    const PanelCase& p = GetParam();
    mainWindow->SimulateArchiving(true);
    ClickAt(mainWindow, p.title.center());
    EXPECT_FALSE(menu->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Panels, MenuPanelTest, ::testing::ValuesIn(Panels),
                         [](const ::testing::TestParamInfo<PanelCase>& info) { return std::string(info.param.name); });

TEST_F(WindowsTest, MainWindowClicksCloseTheMenu)
{
    SeedList(TwoEntries);
    const QPoint places[] = {
        {300, 110},                                          // background
        mainWindow->Lista->geometry().topLeft() + QPoint(20, 5), // list box
        mainWindow->LArchiwum->geometry().center(),             // archive zone (archives the selection)
    };
    for (const QPoint& place : places) {
        ClickAt(mainWindow, Panels[0].title.center());
        ASSERT_TRUE(menu->isVisible());
        ClickAt(mainWindow, place);
        EXPECT_FALSE(menu->isVisible()) << place.x() << "," << place.y();
    }
}

TEST_F(WindowsTest, MenuCaptionsAndGeometryAreTheDesigns)
{
    struct Item {
        SkinLabel* label;
        QRect geometry;
        const char* caption;
        bool hand;
    };
    const Item items[] = {
        {menu->LZaznaczAll, {13, 14, 96, 13}, "Zaznacz wszystko", true},
        {menu->Kreska2, {13, 23, 93, 13}, "______________", false},
        {menu->LArchiwizuj, {13, 46, 96, 13}, "Archiwizuj          Alt+A", true},
        {menu->LArchiwizujAll, {13, 63, 96, 13}, "Archiwizuj wszystko", true},
        {menu->LKreska3, {13, 75, 93, 13}, "______________", false},
        {menu->LPrzywroc, {13, 95, 96, 13}, "Przywróć...      Alt+R", true},
        {menu->LUstawienia, {13, 112, 96, 13}, "Ustawienia...", true},
        {menu->LHistoria, {13, 129, 96, 13}, "Historia...", true},
        {menu->LKreska4, {13, 141, 93, 13}, "______________", false},
        {menu->LZamknij, {13, 157, 96, 13}, "Zamknij", true},
        {menu->LDodajPlik, {13, 13, 98, 13}, "Dodaj plik        Alt+P", true},
        {menu->LDodajFolder, {13, 30, 96, 13}, "Dodaj folder     Alt+F", true},
        {menu->LEdytujWpis, {13, 47, 96, 13}, "Edytuj wpis      Alt+E", true},
        {menu->LUsunWpis, {13, 64, 96, 13}, "Usuń wpis       Alt+D", true},
        {menu->Label1, {13, 75, 93, 13}, "______________", false},
        {menu->LNowaLista, {13, 95, 96, 13}, "Utwórz nową listę", true},
        {menu->LPomoc, {13, 13, 98, 13}, "Pomoc                 F1", true},
        {menu->Lstrona, {13, 29, 93, 13}, "Strona domowa", true},
        {menu->LKreska, {13, 39, 93, 13}, "______________", false},
        {menu->LAbout, {13, 57, 93, 14}, "O programie", true},
    };
    for (const Item& item : items) {
        EXPECT_EQ(item.label->geometry(), item.geometry) << item.caption;
        EXPECT_EQ(item.label->text(), QString::fromUtf8(item.caption));
        EXPECT_EQ(item.label->cursor().shape(), item.hand ? Qt::PointingHandCursor : Qt::ArrowCursor) << item.caption;
        EXPECT_EQ(item.label->font().pixelSize(), 11);
        EXPECT_EQ(MenuPanel::ItemColour(item.label), AtRest) << item.caption;
    }
    // Where a separator overlaps an item, the item takes the mouse.
    EXPECT_EQ(menu->PPlik->childAt(40, 24), menu->LZaznaczAll);
    EXPECT_EQ(menu->PPlik->childAt(40, 124), menu->LUstawienia);
    EXPECT_EQ(menu->PEdycja->childAt(40, 76), menu->LUsunWpis);
    EXPECT_EQ(menu->PPomoc->childAt(40, 40), menu->Lstrona);
}

TEST_F(WindowsTest, HoverLightsExactlyTheItemUnderTheMouse)
{
    ClickAt(mainWindow, Panels[1].title.center());
    SeedList(TwoEntries);
    MoveTo(menu, menu->LDodajFolder->geometry().center());
    EXPECT_EQ(MenuPanel::ItemColour(menu->LDodajFolder), Lit);
    MoveTo(menu, menu->LNowaLista->geometry().center());
    EXPECT_EQ(MenuPanel::ItemColour(menu->LNowaLista), Lit);
    EXPECT_EQ(MenuPanel::ItemColour(menu->LDodajFolder), AtRest);
    // The separator Label1 lights the hidden "Pomoc" item and leaves this panel's highlight.
    MoveTo(menu, QPoint(60, 84));
    EXPECT_EQ(MenuPanel::ItemColour(menu->LNowaLista), Lit);
    EXPECT_EQ(MenuPanel::ItemColour(menu->LPomoc), Lit);
    // The background resets the panel.
    MoveTo(menu, QPoint(118, 120));
    EXPECT_EQ(MenuPanel::ItemColour(menu->LNowaLista), AtRest);
    // Opening a panel resets its highlight.
    MoveTo(menu, menu->LDodajPlik->geometry().center());
    ClickAt(mainWindow, Panels[1].title.center());
    ClickAt(mainWindow, Panels[1].title.center());
    EXPECT_EQ(MenuPanel::ItemColour(menu->LDodajPlik), AtRest);
}

TEST_F(WindowsTest, SeparatorsOfPlikAndPomocDoNothing)
{
    ClickAt(mainWindow, Panels[0].title.center());
    MoveTo(menu, menu->LArchiwizuj->geometry().center());
    ClickAt(menu, QPoint(60, 32));  // Kreska2 below the item
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(MenuPanel::ItemColour(menu->LArchiwizuj), Lit);

    ClickAt(mainWindow, Panels[0].title.center());
    ClickAt(mainWindow, Panels[2].title.center());
    ClickAt(menu, QPoint(60, 48));  // LKreska below "Strona domowa"
    EXPECT_TRUE(menu->isVisible());
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(Messages().shown.empty());
}

TEST_F(WindowsTest, EdycjaSeparatorOpensTheHelpLikeThePomocItem)
{
    ClickAt(mainWindow, Panels[1].title.center());
    ClickAt(menu, QPoint(60, 84));
    EXPECT_FALSE(menu->isVisible());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(Path(QStringLiteral("Pomoc/index.htm"))));
}

class EdycjaEnablingTest : public WindowsTest, public ::testing::WithParamInterface<std::vector<int>> {};

TEST_P(EdycjaEnablingTest, EditAndDeleteNeedExactlyOneSelectedLine)
{
    SeedList(TwoEntries);
    SelectRows(GetParam());
    const bool one = GetParam().size() == 1;
    ClickAt(mainWindow, Panels[1].title.center());
    EXPECT_EQ(menu->LEdytujWpis->isEnabled(), one);
    EXPECT_EQ(menu->LUsunWpis->isEnabled(), one);
    if (one)
        return;
    // A disabled item takes no click: the panel below it closes the menu, no command runs.
    bool editorOpened = false;
    WhenModalOpens([&] {
        editorOpened = editor->isVisible();
        editor->done(0);
    });
    for (SkinLabel* item : {menu->LEdytujWpis, menu->LUsunWpis}) {
        if (!menu->isVisible())
            ClickAt(mainWindow, Panels[1].title.center());
        ClickAt(menu, item->geometry().center());
        EXPECT_FALSE(menu->isVisible());
    }
    QTest::qWait(10);
    EXPECT_FALSE(editorOpened);
    EXPECT_TRUE(Messages().shown.empty());
    EXPECT_EQ(ListOnDisk(), TwoEntries);
}

INSTANTIATE_TEST_SUITE_P(Selections, EdycjaEnablingTest,
                         ::testing::Values(std::vector<int>{}, std::vector<int>{1}, std::vector<int>{0, 1}));

TEST_F(WindowsTest, PomocItemsOpenHelpWebsiteAndAbout)
{
    ClickAt(mainWindow, Panels[2].title.center());
    ClickAt(menu, menu->LPomoc->geometry().center());
    EXPECT_FALSE(menu->isVisible());
    ClickAt(mainWindow, Panels[2].title.center());
    ClickAt(menu, menu->Lstrona->geometry().center());
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(Path(QStringLiteral("Pomoc/index.htm"))));
    EXPECT_EQ(opened[1], QUrl(QString::fromLatin1(WebsiteAddress)));

    bool aboutShown = false;
    WhenModalOpens([&] {
        aboutShown = aboutWindow->isVisible() && QApplication::activeModalWidget() == aboutWindow;
        ClickAt(aboutWindow, aboutWindow->LClose->geometry().center());
    });
    ClickAt(mainWindow, Panels[2].title.center());
    ClickAt(menu, menu->LAbout->geometry().center());
    EXPECT_TRUE(aboutShown);
    EXPECT_FALSE(aboutWindow->isVisible());
}

TEST_F(WindowsTest, ZamknijEndsTheProgram)
{
    ClickAt(mainWindow, Panels[0].title.center());
    ClickAt(menu, menu->LZamknij->geometry().center());
    EXPECT_EQ(terminations, 1);
}

TEST_F(WindowsTest, ZaznaczWszystkoSelectsEveryLine)
{
    SeedList(TwoEntries);
    ClickAt(mainWindow, Panels[0].title.center());
    ClickAt(menu, menu->LZaznaczAll->geometry().center());
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 1}));
}

TEST_F(WindowsTest, ArchiwizujAndArchiwizujWszystkoOnAnEmptyList)
{
    struct Case {
        SkinLabel* item;
        const char* message;
    };
    for (const Case& c : {Case{menu->LArchiwizuj, "Lista jest pusta, nie ma co archiwizować."},
                          Case{menu->LArchiwizujAll, "Lista jest pusta, nie ma co zaznaczać."}}) {
        Messages().shown.clear();
        ClickAt(mainWindow, Panels[0].title.center());
        ClickAt(menu, c.item->geometry().center());
        mainWindow->WaitForRun();
        ASSERT_EQ(Messages().shown.size(), 1u) << c.message;
        EXPECT_EQ(Messages().shown[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(Messages().shown[0].buttons, ButtonsClose);
        EXPECT_FALSE(QFile::exists(Path(QStringLiteral("Log.txt"))));
    }
}

TEST_F(WindowsTest, AboutWindowFollowsTheMainWindowAfterADrag)
{
    const QPoint grip(200, 20);
    PressAt(mainWindow, grip);
    MoveTo(mainWindow, grip + QPoint(-37, 52));
    ReleaseAt(mainWindow, grip + QPoint(-37, 52));
    ASSERT_EQ(mainWindow->pos(), QPoint(63, 152));

    QPoint aboutPlace;
    bool modal = false;
    WhenModalOpens([&] {
        aboutPlace = aboutWindow->pos();
        modal = QApplication::activeModalWidget() == aboutWindow;
        // A key of no meaning leaves it open; the close zone closes it.
        QTest::keyClick(aboutWindow, Qt::Key_X);
        EXPECT_TRUE(aboutWindow->isVisible());
        ClickAt(aboutWindow, QPoint(297 + 11, 11 + 11));
    });
    aboutWindow->ShowAbout();
    EXPECT_EQ(aboutPlace, QPoint(63 + 68, 152 + 115));
    EXPECT_TRUE(modal);
    EXPECT_FALSE(aboutWindow->isVisible());
    EXPECT_EQ(aboutWindow->size(), QSize(332, 194));
}

// The open about window names the program's licence and credits the compression library, each
// line whole in its own place below the picture's rule, clear of the other and of the window's
// edge.
TEST_F(WindowsTest, AboutWindowShowsTheLicenceAndTheLibraryCredit)
{
    struct Line {
        QLabel* label;
        const char* text;
    };
    const Line lines[] = {
        {aboutWindow->LLicencja, "Licencja: GNU GPL 3 lub nowsza"},
        {aboutWindow->LKompresja, "Kompresja: biblioteka 7-Zip (GNU LGPL)"},
    };
    std::vector<std::pair<QString, QRect>> seen;
    WhenModalOpens([&] {
        for (const Line& line : lines) {
            SCOPED_TRACE(line.text);
            ASSERT_NE(line.label, nullptr);
            EXPECT_TRUE(line.label->isVisible());
            const QRect inner = line.label->contentsRect();
            const QFontMetrics metrics(line.label->font());
            EXPECT_LE(metrics.horizontalAdvance(line.label->text()), inner.width());
            EXPECT_LE(metrics.height(), inner.height());
            seen.emplace_back(line.label->text(), line.label->geometry());
        }
        ClickAt(aboutWindow, aboutWindow->LClose->geometry().center());
    });
    aboutWindow->ShowAbout();
    ASSERT_EQ(seen.size(), 2u);
    const QRect face = aboutWindow->rect().adjusted(3, 3, -3, -3);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(lines[i].text);
        EXPECT_EQ(seen[i].first, QString::fromUtf8(lines[i].text));
        EXPECT_TRUE(face.contains(seen[i].second));
        EXPECT_GT(seen[i].second.top(), 150); // below the rule, clear of the name and the version
        EXPECT_FALSE(seen[i].second.intersects(aboutWindow->LClose->geometry()));
    }
    EXPECT_FALSE(seen[0].second.intersects(seen[1].second));
}

} // namespace
