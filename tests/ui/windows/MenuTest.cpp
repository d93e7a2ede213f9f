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
    FGlowny->move(140, 90);
    ClickAt(FGlowny, p.title.center());
    ExpectShown(p);
    EXPECT_FALSE(FMenu->isActiveWindow());  // the main window keeps the keys
    ClickAt(FGlowny, p.title.center());
    EXPECT_FALSE(FMenu->isVisible());
    ClickAt(FGlowny, p.title.center());
    ExpectShown(p);
}

TEST_P(MenuPanelTest, MovingOverAnotherTitleSwitchesToItsPanel)
{
    const PanelCase& p = GetParam();
    const PanelCase& other = Panels[(p.panel + 1) % 3];
    ClickAt(FGlowny, p.title.center());
    MoveTo(FGlowny, other.title.center());
    ExpectShown(other);
    // A click on any title while a panel is open closes it.
    ClickAt(FGlowny, p.title.center());
    EXPECT_FALSE(FMenu->isVisible());
    // Without an open panel, moving over a title opens nothing.
    MoveTo(FGlowny, other.title.center());
    EXPECT_FALSE(FMenu->isVisible());
}

TEST_P(MenuPanelTest, TitlesDoNothingDuringRun)
{
    const PanelCase& p = GetParam();
    FGlowny->SimulateArchiving(true);
    ClickAt(FGlowny, p.title.center());
    EXPECT_FALSE(FMenu->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Panels, MenuPanelTest, ::testing::ValuesIn(Panels),
                         [](const ::testing::TestParamInfo<PanelCase>& info) { return std::string(info.param.name); });

TEST_F(WindowsTest, MainWindowClicksCloseTheMenu)
{
    SeedList(TwoEntries);
    const QPoint places[] = {
        {300, 110},                                          // background
        FGlowny->Lista->geometry().topLeft() + QPoint(20, 5), // list box
        FGlowny->LArchiwum->geometry().center(),             // archive zone (archives the selection)
    };
    for (const QPoint& place : places) {
        ClickAt(FGlowny, Panels[0].title.center());
        ASSERT_TRUE(FMenu->isVisible());
        ClickAt(FGlowny, place);
        EXPECT_FALSE(FMenu->isVisible()) << place.x() << "," << place.y();
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
        {FMenu->LZaznaczAll, {13, 14, 96, 13}, "Zaznacz wszystko", true},
        {FMenu->Kreska2, {13, 23, 93, 13}, "______________", false},
        {FMenu->LArchiwizuj, {13, 46, 96, 13}, "Archiwizuj", true},
        {FMenu->LArchiwizujAll, {13, 63, 96, 13}, "Archiwizuj wszystko", true},
        {FMenu->LKreska3, {13, 75, 93, 13}, "______________", false},
        {FMenu->LPrzywroc, {13, 95, 96, 13}, "Przywróć...      Alt+R", true},
        {FMenu->LUstawienia, {13, 112, 96, 13}, "Ustawienia...", true},
        {FMenu->LKreska4, {13, 124, 93, 13}, "______________", false},
        {FMenu->LZamknij, {13, 144, 96, 13}, "Zamknij", true},
        {FMenu->LDodajPlik, {13, 13, 98, 13}, "Dodaj plik        Alt+P", true},
        {FMenu->LDodajFolder, {13, 30, 96, 13}, "Dodaj folder     Alt+F", true},
        {FMenu->LEdytujWpis, {13, 47, 96, 13}, "Edytuj wpis      Alt+E", true},
        {FMenu->LUsunWpis, {13, 64, 96, 13}, "Usuń wpis       Alt+D", true},
        {FMenu->Label1, {13, 75, 93, 13}, "______________", false},
        {FMenu->LNowaLista, {13, 95, 96, 13}, "Utwórz nową listę", true},
        {FMenu->LPomoc, {13, 13, 98, 13}, "Pomoc                 F1", true},
        {FMenu->Lstrona, {13, 29, 93, 13}, "Strona domowa", true},
        {FMenu->LKreska, {13, 39, 93, 13}, "______________", false},
        {FMenu->LAbout, {13, 57, 93, 14}, "O programie", true},
    };
    for (const Item& item : items) {
        EXPECT_EQ(item.label->geometry(), item.geometry) << item.caption;
        EXPECT_EQ(item.label->text(), QString::fromUtf8(item.caption));
        EXPECT_EQ(item.label->cursor().shape(), item.hand ? Qt::PointingHandCursor : Qt::ArrowCursor) << item.caption;
        EXPECT_EQ(item.label->font().pixelSize(), 11);
        EXPECT_EQ(MenuPanel::ItemColour(item.label), AtRest) << item.caption;
    }
    // Where a separator overlaps an item, the item takes the mouse.
    EXPECT_EQ(FMenu->PPlik->childAt(40, 24), FMenu->LZaznaczAll);
    EXPECT_EQ(FMenu->PPlik->childAt(40, 124), FMenu->LUstawienia);
    EXPECT_EQ(FMenu->PEdycja->childAt(40, 76), FMenu->LUsunWpis);
    EXPECT_EQ(FMenu->PPomoc->childAt(40, 40), FMenu->Lstrona);
}

TEST_F(WindowsTest, HoverLightsExactlyTheItemUnderTheMouse)
{
    ClickAt(FGlowny, Panels[1].title.center());
    SeedList(TwoEntries);
    MoveTo(FMenu, FMenu->LDodajFolder->geometry().center());
    EXPECT_EQ(MenuPanel::ItemColour(FMenu->LDodajFolder), Lit);
    MoveTo(FMenu, FMenu->LNowaLista->geometry().center());
    EXPECT_EQ(MenuPanel::ItemColour(FMenu->LNowaLista), Lit);
    EXPECT_EQ(MenuPanel::ItemColour(FMenu->LDodajFolder), AtRest);
    // The separator Label1 lights the hidden "Pomoc" item and leaves this panel's highlight.
    MoveTo(FMenu, QPoint(60, 84));
    EXPECT_EQ(MenuPanel::ItemColour(FMenu->LNowaLista), Lit);
    EXPECT_EQ(MenuPanel::ItemColour(FMenu->LPomoc), Lit);
    // The background resets the panel.
    MoveTo(FMenu, QPoint(118, 120));
    EXPECT_EQ(MenuPanel::ItemColour(FMenu->LNowaLista), AtRest);
    // Opening a panel resets its highlight.
    MoveTo(FMenu, FMenu->LDodajPlik->geometry().center());
    ClickAt(FGlowny, Panels[1].title.center());
    ClickAt(FGlowny, Panels[1].title.center());
    EXPECT_EQ(MenuPanel::ItemColour(FMenu->LDodajPlik), AtRest);
}

TEST_F(WindowsTest, SeparatorsOfPlikAndPomocDoNothing)
{
    ClickAt(FGlowny, Panels[0].title.center());
    MoveTo(FMenu, FMenu->LArchiwizuj->geometry().center());
    ClickAt(FMenu, QPoint(60, 32));  // Kreska2 below the item
    EXPECT_TRUE(FMenu->isVisible());
    EXPECT_EQ(MenuPanel::ItemColour(FMenu->LArchiwizuj), Lit);

    ClickAt(FGlowny, Panels[0].title.center());
    ClickAt(FGlowny, Panels[2].title.center());
    ClickAt(FMenu, QPoint(60, 48));  // LKreska below "Strona domowa"
    EXPECT_TRUE(FMenu->isVisible());
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(Messages().shown.empty());
}

TEST_F(WindowsTest, EdycjaSeparatorOpensTheHelpLikeThePomocItem)
{
    ClickAt(FGlowny, Panels[1].title.center());
    ClickAt(FMenu, QPoint(60, 84));
    EXPECT_FALSE(FMenu->isVisible());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(Path(QStringLiteral("Pomoc/index.htm"))));
}

class EdycjaEnablingTest : public WindowsTest, public ::testing::WithParamInterface<std::vector<int>> {};

TEST_P(EdycjaEnablingTest, EditAndDeleteNeedExactlyOneSelectedLine)
{
    SeedList(TwoEntries);
    SelectRows(GetParam());
    const bool one = GetParam().size() == 1;
    ClickAt(FGlowny, Panels[1].title.center());
    EXPECT_EQ(FMenu->LEdytujWpis->isEnabled(), one);
    EXPECT_EQ(FMenu->LUsunWpis->isEnabled(), one);
    if (one)
        return;
    // A disabled item takes no click: the panel below it closes the menu, no command runs.
    bool editorOpened = false;
    WhenModalOpens([&] {
        editorOpened = FEdycja->isVisible();
        FEdycja->done(0);
    });
    for (SkinLabel* item : {FMenu->LEdytujWpis, FMenu->LUsunWpis}) {
        if (!FMenu->isVisible())
            ClickAt(FGlowny, Panels[1].title.center());
        ClickAt(FMenu, item->geometry().center());
        EXPECT_FALSE(FMenu->isVisible());
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
    ClickAt(FGlowny, Panels[2].title.center());
    ClickAt(FMenu, FMenu->LPomoc->geometry().center());
    EXPECT_FALSE(FMenu->isVisible());
    ClickAt(FGlowny, Panels[2].title.center());
    ClickAt(FMenu, FMenu->Lstrona->geometry().center());
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(Path(QStringLiteral("Pomoc/index.htm"))));
    EXPECT_EQ(opened[1], QUrl(QString::fromLatin1(WebsiteAddress)));

    bool aboutShown = false;
    WhenModalOpens([&] {
        aboutShown = FAbout->isVisible() && QApplication::activeModalWidget() == FAbout;
        ClickAt(FAbout, FAbout->LClose->geometry().center());
    });
    ClickAt(FGlowny, Panels[2].title.center());
    ClickAt(FMenu, FMenu->LAbout->geometry().center());
    EXPECT_TRUE(aboutShown);
    EXPECT_FALSE(FAbout->isVisible());
}

TEST_F(WindowsTest, ZamknijEndsTheProgram)
{
    ClickAt(FGlowny, Panels[0].title.center());
    ClickAt(FMenu, FMenu->LZamknij->geometry().center());
    EXPECT_EQ(terminations, 1);
}

TEST_F(WindowsTest, ZaznaczWszystkoSelectsEveryLine)
{
    SeedList(TwoEntries);
    ClickAt(FGlowny, Panels[0].title.center());
    ClickAt(FMenu, FMenu->LZaznaczAll->geometry().center());
    EXPECT_FALSE(FMenu->isVisible());
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 1}));
}

TEST_F(WindowsTest, ArchiwizujAndArchiwizujWszystkoOnAnEmptyList)
{
    struct Case {
        SkinLabel* item;
        const char* message;
    };
    for (const Case& c : {Case{FMenu->LArchiwizuj, "Lista jest pusta, nie ma co archiwizować."},
                          Case{FMenu->LArchiwizujAll, "Lista jest pusta, nie ma co zaznaczać."}}) {
        Messages().shown.clear();
        ClickAt(FGlowny, Panels[0].title.center());
        ClickAt(FMenu, c.item->geometry().center());
        FGlowny->WaitForRun();
        ASSERT_EQ(Messages().shown.size(), 1u) << c.message;
        EXPECT_EQ(Messages().shown[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(Messages().shown[0].buttons, ButtonsClose);
        EXPECT_FALSE(QFile::exists(Path(QStringLiteral("Log.txt"))));
    }
}

TEST_F(WindowsTest, AboutWindowFollowsTheMainWindowAfterADrag)
{
    const QPoint grip(200, 20);
    PressAt(FGlowny, grip);
    MoveTo(FGlowny, grip + QPoint(-37, 52));
    ReleaseAt(FGlowny, grip + QPoint(-37, 52));
    ASSERT_EQ(FGlowny->pos(), QPoint(63, 152));

    QPoint aboutPlace;
    bool modal = false;
    WhenModalOpens([&] {
        aboutPlace = FAbout->pos();
        modal = QApplication::activeModalWidget() == FAbout;
        // Keys do not close it; the close zone does.
        QTest::keyClick(FAbout, Qt::Key_Escape);
        EXPECT_TRUE(FAbout->isVisible());
        ClickAt(FAbout, QPoint(297 + 11, 11 + 11));
    });
    FAbout->ShowAbout();
    EXPECT_EQ(aboutPlace, QPoint(63 + 68, 152 + 115));
    EXPECT_TRUE(modal);
    EXPECT_FALSE(FAbout->isVisible());
    EXPECT_EQ(FAbout->size(), QSize(332, 194));
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
        {FAbout->LLicencja, "Licencja: GNU GPL 3 lub nowsza"},
        {FAbout->LKompresja, "Kompresja: biblioteka 7-Zip (GNU LGPL)"},
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
        ClickAt(FAbout, FAbout->LClose->geometry().center());
    });
    FAbout->ShowAbout();
    ASSERT_EQ(seen.size(), 2u);
    const QRect face = FAbout->rect().adjusted(3, 3, -3, -3);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(lines[i].text);
        EXPECT_EQ(seen[i].first, QString::fromUtf8(lines[i].text));
        EXPECT_TRUE(face.contains(seen[i].second));
        EXPECT_GT(seen[i].second.top(), 150); // below the rule, clear of the name and the version
        EXPECT_FALSE(seen[i].second.intersects(FAbout->LClose->geometry()));
    }
    EXPECT_FALSE(seen[0].second.intersects(seen[1].second));
}

} // namespace
