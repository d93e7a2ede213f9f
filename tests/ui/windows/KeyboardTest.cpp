// The keyboard and the mouse as on any desktop: the menu opened with F10 or Alt and walked with
// the arrows, a run started by its shortcut, Tab through every control of every window in
// reading order, menu items taken on their whole row, and colours that read well.

#include "WindowsFixture.h"

#include "ui/skin/ImageResource.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QKeyEvent>
#include <QSpinBox>

#include <algorithm>
#include <cmath>

namespace {

// Contrast of two colours as the accessibility guidelines measure it (1 to 21).
double Luminance(const QColor& c)
{
    const auto channel = [](double v) {
        v /= 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The average colour of a picture's rectangle.
QColor Average(const QImage& picture, const QRect& rect)
{
    double r = 0, g = 0, b = 0;
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            r += c.red();
            g += c.green();
            b += c.blue();
            ++n;
        }
    return n == 0 ? QColor() : QColor(int(r / n), int(g / n), int(b / n));
}

// A control as the user sees it: a spin box's own line edit is the spin box.
QWidget* Control(QWidget* w)
{
    if (w && qobject_cast<QAbstractSpinBox*>(w->parentWidget()))
        return w->parentWidget();
    return w;
}

// The controls Tab can reach in a window, in reading order: top to bottom, then left to right.
std::vector<QWidget*> ReadingOrder(QWidget* window)
{
    std::vector<QWidget*> controls;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->isEnabled() && !w->focusProxy()
            && w->window() == window && std::find(controls.begin(), controls.end(), Control(w)) == controls.end())
            controls.push_back(Control(w));
    }
    std::sort(controls.begin(), controls.end(), [window](QWidget* a, QWidget* b) {
        const QPoint pa = a->mapTo(window, QPoint(0, 0));
        const QPoint pb = b->mapTo(window, QPoint(0, 0));
        return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
    });
    return controls;
}

// Tab pressed from the given control until the focus comes back to it.
std::vector<QWidget*> TabChain(QWidget* window, QWidget* start)
{
    start->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> chain{start};
    for (int i = 0; i < 40; ++i) {
        QWidget* at = window->focusWidget();
        QTest::keyClick(at ? at : window, Qt::Key_Tab);
        QWidget* now = Control(window->focusWidget());
        if (now == start || now == nullptr)
            break;
        chain.push_back(now);
    }
    return chain;
}

QStringList Names(const std::vector<QWidget*>& widgets)
{
    QStringList names;
    for (const QWidget* w : widgets)
        names << w->objectName();
    return names;
}

// The chain as read from the first control of the reading order.
QStringList FromFirst(const std::vector<QWidget*>& chain, const std::vector<QWidget*>& order)
{
    std::vector<QWidget*> rotated = chain;
    if (!order.empty()) {
        const auto first = std::find(rotated.begin(), rotated.end(), order.front());
        if (first != rotated.end())
            std::rotate(rotated.begin(), first, rotated.end());
    }
    return Names(rotated);
}

class KeyboardTest : public WindowsTest {
protected:
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(mainWindow->Lista, Qt::Key(key), modifiers);
    }
    // Alt pressed and released with nothing between.
    void AltAlone()
    {
        QTest::keyPress(mainWindow->Lista, Qt::Key_Alt, Qt::AltModifier);
        QTest::keyRelease(mainWindow->Lista, Qt::Key_Alt, Qt::NoModifier);
    }
    SkinLabel* Lit() { return menu->isVisible() ? menu->LitItem() : nullptr; }
};

// Each row: keys from the main window with the menu closed, and what shows afterwards.
struct MenuKeysCase {
    const char* name;
    std::vector<int> keys;    // Qt keys; Qt::Key_Alt stands for Alt pressed and released alone
    bool open;                // the menu window shows
    int panel;                // the panel shown
    const char* lit;          // the beginning of the lit item's caption
};

const MenuKeysCase MenuKeysCases[] = {
    {"F10OpensPlikWithItsFirstItemLit", {Qt::Key_F10}, true, 0, "Zaznacz"},
    {"AltAloneOpensPlik", {Qt::Key_Alt}, true, 0, "Zaznacz"},
    {"F10TwiceCloses", {Qt::Key_F10, Qt::Key_F10}, false, 0, ""},
    {"AltClosesWhatF10Opened", {Qt::Key_F10, Qt::Key_Alt}, false, 0, ""},
    {"EscapeCloses", {Qt::Key_F10, Qt::Key_Escape}, false, 0, ""},
    {"RightGoesToEdycja", {Qt::Key_F10, Qt::Key_Right}, true, 1, "Dodaj plik"},
    {"LeftFromPlikWrapsToPomoc", {Qt::Key_F10, Qt::Key_Left}, true, 2, "Pomoc"},
    {"RightThriceComesBack", {Qt::Key_F10, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right}, true, 0, "Zaznacz"},
    {"DownMovesToTheNextItem", {Qt::Key_F10, Qt::Key_Down, Qt::Key_Down}, true, 0, "Archiwizuj wszystko"},
    {"UpFromTheFirstWrapsToTheLast", {Qt::Key_F10, Qt::Key_Up}, true, 0, "Zamknij"},
    // Nothing selected: "Przywróć..." is greyed and passed by.
    {"DownPassesGreyedItems", {Qt::Key_F10, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}, true, 0, "Ustawienia..."},
    {"DownInEdycjaPassesEditAndDelete", {Qt::Key_F10, Qt::Key_Right, Qt::Key_Down, Qt::Key_Down}, true, 1, "Utwórz nową listę"},
};

class MenuKeysTest : public KeyboardTest, public ::testing::WithParamInterface<MenuKeysCase> {};

TEST_P(MenuKeysTest, KeysOpenWalkAndCloseTheMenu)
{
    const MenuKeysCase& c = GetParam();
    SeedList({{QStringLiteral("Plik"), QStringLiteral("A"), Path(QStringLiteral("a")), Path(QStringLiteral("k"))}});
    SelectRows({});
    for (int key : c.keys) {
        if (key == Qt::Key_Alt)
            AltAlone();
        else
            Key(key);
    }
    ASSERT_EQ(menu->isVisible(), c.open);
    if (!c.open)
        return;
    EXPECT_EQ(menu->ShownPanel(), c.panel);
    ASSERT_NE(Lit(), nullptr);
    EXPECT_TRUE(Lit()->text().startsWith(QString::fromUtf8(c.lit))) << Lit()->text().toStdString();
    // Exactly one item is lit, on its band.
    int lit = 0;
    for (SkinLabel* item : menu->findChildren<SkinLabel*>())
        if (item->isVisibleTo(menu) && MenuPanel::ItemColour(item) == ColourFromBgr(MenuItemHoverColour))
            ++lit;
    EXPECT_EQ(lit, 1);
    EXPECT_TRUE(menu->Band(c.panel)->isVisibleTo(menu));
    EXPECT_TRUE(menu->Band(c.panel)->geometry().contains(Lit()->geometry().center()));
    // The keys went to the menu, not to the list.
    EXPECT_TRUE(SelectedRows().empty());
    // Nothing ran.
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(Messages().shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Keys, MenuKeysTest, ::testing::ValuesIn(MenuKeysCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyboardTest, EnterAndSpaceChooseTheLitItem)
{
    Key(Qt::Key_F10);
    Key(Qt::Key_Left);  // "Pomoc", its first item lit
    Key(Qt::Key_Return);
    EXPECT_FALSE(menu->isVisible());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(Path(QStringLiteral("Pomoc/index.htm"))));

    Key(Qt::Key_F10);
    Key(Qt::Key_Left);
    Key(Qt::Key_Down);  // "Strona domowa"
    Key(Qt::Key_Space);
    EXPECT_FALSE(menu->isVisible());
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], QUrl(QString::fromLatin1(WebsiteAddress)));

    Key(Qt::Key_F10);
    Key(Qt::Key_Up);  // "Zamknij"
    Key(Qt::Key_Enter);
    EXPECT_EQ(terminations, 1);
}

TEST_F(KeyboardTest, TheMenuKeysDoNothingDuringARun)
{
    mainWindow->SimulateArchiving(true);
    Key(Qt::Key_F10);
    AltAlone();
    EXPECT_FALSE(menu->isVisible());
    mainWindow->SimulateArchiving(false);
}

TEST_F(KeyboardTest, AltWithAnotherKeyBetweenOpensNothing)
{
    QTest::keyPress(mainWindow->Lista, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyClick(mainWindow->Lista, Qt::Key_U, Qt::AltModifier);
    QTest::keyRelease(mainWindow->Lista, Qt::Key_Alt, Qt::NoModifier);
    EXPECT_FALSE(menu->isVisible());
}

// Alt+Tab: the window loses the keyboard between the press and the release.
TEST_F(KeyboardTest, AltReleasedAfterTheWindowWasLeftOpensNothing)
{
    mainWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(mainWindow));
    QTest::keyPress(mainWindow->Lista, Qt::Key_Alt, Qt::AltModifier);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QTest::keyRelease(mainWindow->Lista, Qt::Key_Alt, Qt::NoModifier);
    EXPECT_FALSE(menu->isVisible());
    other.hide();
    mainWindow->activateWindow();
}

TEST_F(KeyboardTest, AltAArchivesTheSelectedLinesAndSaysWhenTheListIsEmpty)
{
    Key(Qt::Key_A, Qt::AltModifier);
    mainWindow->WaitForRun();
    ASSERT_EQ(Messages().shown.size(), 1u);
    EXPECT_EQ(Messages().shown[0].text, QStringLiteral("Lista jest pusta, nie ma co archiwizować."));
    Messages().shown.clear();

    ASSERT_TRUE(QDir(dir->path()).mkpath(QStringLiteral("kopie")));
    for (const char* name : {"a.txt", "b.txt"}) {
        QFile file(Path(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("tresc");
    }
    SeedList({{QStringLiteral("Plik"), QStringLiteral("A"), Path(QStringLiteral("a.txt")), Path(QStringLiteral("kopie"))},
              {QStringLiteral("Plik"), QStringLiteral("B"), Path(QStringLiteral("b.txt")), Path(QStringLiteral("kopie"))}});
    SelectRows({1});
    Key(Qt::Key_A, Qt::AltModifier);
    mainWindow->WaitForRun();
    EXPECT_EQ(mainWindow->LastRun().LogLines().filter(QStringLiteral("Zarchiwizowano")),
              QStringList{QStringLiteral("Zarchiwizowano B")});
    EXPECT_TRUE(Messages().shown.empty());
}

TEST_F(KeyboardTest, F1WithoutABrowserSaysWhereTheHelpFileIs)
{
    mainWindow->SetShellOpens(false);
    Key(Qt::Key_F1);
    mainWindow->SetShellOpens(true);
    ASSERT_EQ(opened.size(), 1u);
    ASSERT_EQ(Messages().shown.size(), 1u);
    EXPECT_EQ(Messages().shown[0].text, QStringLiteral("Nie znaleziono przeglądarki, która pokaże pomoc. Plik pomocy:\r")
                                            + Path(QStringLiteral("Pomoc/index.htm")));
    EXPECT_EQ(Messages().shown[0].buttons, ButtonsClose);

    // With a browser nothing is said.
    Messages().shown.clear();
    Key(Qt::Key_F1);
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_TRUE(Messages().shown.empty());
}

TEST_F(KeyboardTest, TheRunsShortcutIsShownOnItsMenuItem)
{
    EXPECT_EQ(menu->LArchiwizuj->AccessibleKey(), QStringLiteral("Alt+A"));
    EXPECT_EQ(mainWindow->LArchiwum->AccessibleKey(), QStringLiteral("Alt+A"));
}

// The help page names every menu item and every key the menus show.
TEST_F(KeyboardTest, TheHelpListsEveryMenuItemAndItsKey)
{
    QFile page(QStringLiteral(SKRYTKAR_SOURCE_DIR "/src/resources/help/index.htm"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString help = QString::fromUtf8(page.readAll());
    int items = 0;
    for (const SkinLabel* item : menu->findChildren<SkinLabel*>()) {
        if (item->AccessibleRole() != QAccessible::MenuItem)
            continue;
        ++items;
        EXPECT_TRUE(help.contains(item->accessibleName())) << item->accessibleName().toStdString();
        if (!item->AccessibleKey().isEmpty()) {
            EXPECT_TRUE(help.contains(QStringLiteral("<kbd>") + item->AccessibleKey() + QStringLiteral("</kbd>")))
                << item->AccessibleKey().toStdString();
        }
    }
    EXPECT_EQ(items, 15);
    for (const char* key : {"F10", "Alt", "Tab", "Enter", "Esc"})
        EXPECT_TRUE(help.contains(QStringLiteral("<kbd>") + QString::fromLatin1(key) + QStringLiteral("</kbd>"))) << key;
}

// Beside an item's caption, on its row, the mouse lights and chooses the item; beside a greyed
// item the click only closes the menu.
TEST_F(KeyboardTest, TheWholeRowOfAnItemTakesTheMouse)
{
    SeedList({{QStringLiteral("Plik"), QStringLiteral("A"), Path(QStringLiteral("a")), Path(QStringLiteral("k"))},
              {QStringLiteral("Plik"), QStringLiteral("B"), Path(QStringLiteral("b")), Path(QStringLiteral("k"))}});
    SelectRows({});
    ClickAt(mainWindow, mainWindow->LMenuPLik->geometry().center());
    ASSERT_TRUE(menu->isVisible());
    for (const int x : {4, 118}) {
        const QPoint beside(x, menu->LZaznaczAll->geometry().center().y());
        ASSERT_FALSE(menu->LZaznaczAll->geometry().contains(beside));
        MoveTo(menu, beside);
        EXPECT_EQ(MenuPanel::ItemColour(menu->LZaznaczAll), ColourFromBgr(MenuItemHoverColour)) << x;
    }
    ClickAt(menu, QPoint(118, menu->LZaznaczAll->geometry().center().y()));
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 1}));

    // Two lines selected: "Edytuj wpis" is greyed; its row only closes the menu.
    ClickAt(mainWindow, mainWindow->LMenuEdycja->geometry().center());
    ClickAt(menu, QPoint(118, menu->LEdytujWpis->geometry().center().y()));
    EXPECT_FALSE(menu->isVisible());
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(Messages().shown.empty());
}

TEST_F(KeyboardTest, LitItemsAndSelectedLinesReadWell)
{
    const QColor white = ColourFromBgr(MenuItemHoverColour);
    EXPECT_GE(Contrast(white, ColourFromBgr(MenuItemHoverBandColour)), 4.5);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        const QPalette palette = mainWindow->Lista->palette();
        EXPECT_GE(Contrast(palette.color(group, QPalette::Highlight), palette.color(group, QPalette::HighlightedText)), 4.5);
    }
    // Items at rest on their panel's picture.
    const struct {
        const char* picture;
        std::vector<SkinLabel*> items;
    } panels[] = {
        {"tlo_menu_plik", {menu->LZaznaczAll, menu->LArchiwizuj, menu->LZamknij}},
        {"tlo_menu_edycja", {menu->LDodajPlik, menu->LNowaLista}},
        {"tlo_menu_pomoc", {menu->LPomoc, menu->LAbout}},
    };
    for (const auto& panel : panels) {
        const QImage picture = ImageResource(QString::fromLatin1(panel.picture));
        ASSERT_FALSE(picture.isNull()) << panel.picture;
        for (const SkinLabel* item : panel.items)
            EXPECT_GE(Contrast(ColourFromBgr(MenuItemColour), Average(picture, item->geometry())), 4.5)
                << item->text().toStdString();
    }
}

TEST_F(KeyboardTest, TabReachesEveryControlOfTheMainWindowInReadingOrder)
{
    const QStringList before{QStringLiteral("LMinime"), QStringLiteral("LClose"), QStringLiteral("LMenuPLik"),
                             QStringLiteral("LMenuEdycja"), QStringLiteral("LMenuPomoc"), QStringLiteral("Lista")};
    // Without a run's summary, and with one (its link to the history in its place).
    for (const bool summary : {false, true}) {
        SCOPED_TRACE(summary);
        mainWindow->PPodsumowanie->setVisible(summary);
        mainWindow->LHistoriaRunuZone->setVisible(summary);
        const std::vector<QWidget*> order = ReadingOrder(mainWindow);
        QStringList expected = before;
        if (summary)
            expected << QStringLiteral("LHistoriaRunuZone");
        expected << QStringLiteral("LArchiwum");
        EXPECT_EQ(Names(order), expected);
        EXPECT_EQ(FromFirst(TabChain(mainWindow, mainWindow->Lista), order), Names(order));
    }
    mainWindow->PPodsumowanie->hide();
    mainWindow->Lista->setFocus();
}

TEST_F(KeyboardTest, EnterOrSpaceOnAFocusedDrawnButtonPressesIt)
{
    mainWindow->LMenuEdycja->setFocus(Qt::TabFocusReason);
    QTest::keyClick(mainWindow->LMenuEdycja, Qt::Key_Return);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->ShownPanel(), 1);
    QTest::keyClick(mainWindow->LMenuEdycja, Qt::Key_Escape);
    EXPECT_FALSE(menu->isVisible());

    mainWindow->LClose->setFocus(Qt::TabFocusReason);
    QTest::keyClick(mainWindow->LClose, Qt::Key_Space);
    EXPECT_EQ(terminations, 1);
    mainWindow->Lista->setFocus();
}

TEST_F(KeyboardTest, TabReachesEveryControlOfTheEditorSettingsAndAbout)
{
    struct Seen {
        QStringList chain;
        QStringList order;
    };
    const auto walk = [](QWidget* window, QWidget* start) {
        const std::vector<QWidget*> order = ReadingOrder(window);
        return Seen{FromFirst(TabChain(window, start), order), Names(order)};
    };

    Seen edited;
    WhenModalOpens([&] {
        edited = walk(editor, editor->ENazwa);
        QTest::keyClick(editor->ENazwa, Qt::Key_Escape);
    });
    folderAnswers.push_back(Path(QString()));
    mainWindow->AddFolderEntry();
    EXPECT_EQ(edited.chain, edited.order);
    EXPECT_EQ(edited.order, (QStringList{QStringLiteral("ENazwa"), QStringLiteral("ESciezka"), QStringLiteral("LNowyFolder"),
                                         QStringLiteral("LAnuluj"), QStringLiteral("LWprowadzDoListy")}));

    Seen settings;
    WhenModalOpens([&] {
        settings = walk(settingsWindow, settingsWindow->CWeryfikacja);
        // Enter on a focused "Anuluj" cancels; it does not save.
        settingsWindow->LAnuluj->setFocus(Qt::TabFocusReason);
        QTest::keyClick(settingsWindow->LAnuluj, Qt::Key_Return);
    });
    mainWindow->ShowSettings();
    EXPECT_FALSE(settingsWindow->isVisible());
    EXPECT_FALSE(QFile::exists(SettingsFilePath()));
    EXPECT_EQ(settings.chain, settings.order);
    EXPECT_TRUE(settings.order.contains(QStringLiteral("LAnuluj")));
    EXPECT_TRUE(settings.order.contains(QStringLiteral("LZapisz")));
    EXPECT_TRUE(settings.order.contains(QStringLiteral("CPodfoldery")));

    Seen about;
    WhenModalOpens([&] {
        about = walk(aboutWindow, aboutWindow->LClose);
        QTest::keyClick(aboutWindow->focusWidget() ? aboutWindow->focusWidget() : aboutWindow, Qt::Key_Escape);
    });
    mainWindow->ShowAbout();
    EXPECT_FALSE(aboutWindow->isVisible());
    EXPECT_EQ(about.order, QStringList{QStringLiteral("LClose")});
}

TEST_F(KeyboardTest, EscapeAndEnterCloseTheAboutWindow)
{
    for (const int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        bool closed = false;
        WhenModalOpens([&] {
            QTest::keyClick(aboutWindow, Qt::Key(key));
            closed = !aboutWindow->isVisible();
            if (!closed)
                aboutWindow->LCloseClick();
        });
        mainWindow->ShowAbout();
        EXPECT_TRUE(closed) << key;
    }
}

} // namespace
