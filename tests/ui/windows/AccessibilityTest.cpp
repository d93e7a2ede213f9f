// Every hot zone of every window, as assistive technology sees it: the drawn caption as the
// name and what the zone is as the role. A zone added without a caption shows up here.

#include "WindowsFixture.h"

#include "ui/skin/MessageDialog.h"
#include "ui/windows/RestoreWindow.h"
#include "ui/windows/SettingsWindow.h"
#include "ui/windows/HistoryWindow.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>

#include <algorithm>
#include <ostream>
#include <tuple>

namespace {

struct Zone {
    QString name;
    QAccessible::Role role;
    QString key;
    bool operator<(const Zone& o) const { return std::tie(name, role, key) < std::tie(o.name, o.role, o.key); }
    bool operator==(const Zone& o) const { return std::tie(name, role, key) == std::tie(o.name, o.role, o.key); }
};

[[maybe_unused]] void PrintTo(const Zone& z, std::ostream* os)
{
    *os << "{\"" << z.name.toStdString() << "\", role 0x" << std::hex << int(z.role) << std::dec;
    if (!z.key.isEmpty())
        *os << ", " << z.key.toStdString();
    *os << "}";
}

// Every hot zone of the window (not of the windows it owns); pictures without a caption are
// left out (their own check).
std::vector<Zone> ZonesOf(QWidget* window)
{
    std::vector<Zone> zones;
    for (HotZone* zone : window->findChildren<HotZone*>()) {
        if (zone->window() != window)
            continue;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(zone);
        if (!iface) {
            ADD_FAILURE() << "no accessible interface for " << zone->objectName().toStdString();
            continue;
        }
        if (iface->role() == QAccessible::Graphic && iface->text(QAccessible::Name).isEmpty()) {
            EXPECT_NE(qobject_cast<SkinImage*>(zone), nullptr)
                << "a hot zone without a caption: " << zone->objectName().toStdString();
            continue;
        }
        zones.push_back({iface->text(QAccessible::Name), iface->role(), iface->text(QAccessible::Accelerator)});
        // What can be clicked can be pressed by assistive technology too.
        const bool clickable = iface->role() != QAccessible::TitleBar && iface->role() != QAccessible::Separator;
        const bool press = iface->actionInterface()
                           && iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(press, clickable && zone->isEnabled()) << iface->text(QAccessible::Name).toStdString();
    }
    std::sort(zones.begin(), zones.end());
    return zones;
}

std::vector<Zone> Sorted(std::vector<Zone> zones)
{
    std::sort(zones.begin(), zones.end());
    return zones;
}

using WindowAccessibility = WindowsTest;

TEST_F(WindowAccessibility, EveryHotZoneHasItsCaptionAndRole)
{
    constexpr auto Button = QAccessible::Button;
    constexpr auto Title = QAccessible::TitleBar;
    constexpr auto Menu = QAccessible::ButtonMenu;
    constexpr auto Item = QAccessible::MenuItem;
    constexpr auto Line = QAccessible::Separator;
    const QString title = QString::fromUtf8(ApplicationTitle);
    struct Case {
        const char* window;
        QWidget* widget;
        std::vector<Zone> expected;
    };
    const Case cases[] = {
        {"main window", mainWindow,
         {{title, Title, {}}, {QStringLiteral("Minimalizuj"), Button, {}}, {QStringLiteral("Zamknij"), Button, {}},
          {QStringLiteral("Plik"), Menu, {}}, {QStringLiteral("Edycja"), Menu, {}}, {QStringLiteral("Pomoc"), Menu, {}},
          {QStringLiteral("Archiwizuj"), Button, QStringLiteral("Alt+A")}, {QStringLiteral("Pokaż w historii"), Button, {}}}},
        {"menu panels", menu,
         {{QStringLiteral("Zaznacz wszystko"), Item, {}}, {QStringLiteral("Archiwizuj"), Item, QStringLiteral("Alt+A")},
          {QStringLiteral("Archiwizuj wszystko"), Item, {}}, {QStringLiteral("Zamknij"), Item, {}},
          {QStringLiteral("Przywróć..."), Item, QStringLiteral("Alt+R")}, {QStringLiteral("Ustawienia..."), Item, {}},
          {QStringLiteral("Historia..."), Item, {}}, {QStringLiteral("Dodaj plik"), Item, QStringLiteral("Alt+P")},
          {QStringLiteral("Dodaj folder"), Item, QStringLiteral("Alt+F")},
          {QStringLiteral("Edytuj wpis"), Item, QStringLiteral("Alt+E")},
          {QStringLiteral("Usuń wpis"), Item, QStringLiteral("Alt+D")},
          {QStringLiteral("Utwórz nową listę"), Item, {}}, {QStringLiteral("Pomoc"), Item, QStringLiteral("F1")},
          {QStringLiteral("Strona domowa"), Item, {}}, {QStringLiteral("O programie"), Item, {}},
          {{}, Line, {}}, {{}, Line, {}}, {{}, Line, {}}, {{}, Line, {}}, {{}, Line, {}}}},
        {"entry editor", editor,
         {{QStringLiteral("Wskaż nowy folder archiwum"), Button, {}}, {QStringLiteral("Anuluj"), Button, {}},
          {QStringLiteral("Wprowadź"), Button, {}}}},
        {"about window", aboutWindow, {{QStringLiteral("Zamknij"), Button, {}}}},
        {"restore window", restoreWindow,
         {{QStringLiteral("Przywracanie"), Title, {}}, {QStringLiteral("Zamknij"), Button, {}},
          {QStringLiteral("Przywróć"), Button, {}}, {QStringLiteral("Zamknij"), Button, {}}}},
        {"settings window", settingsWindow,
         {{QStringLiteral("Ustawienia"), Title, {}}, {QStringLiteral("Zamknij"), Button, {}},
          {QStringLiteral("Anuluj"), Button, {}}, {QStringLiteral("Zapisz"), Button, {}}}},
        {"history window", &mainWindow->History(),
         {{QStringLiteral("Historia"), Title, {}}, {QStringLiteral("Zamknij"), Button, {}},
          {QStringLiteral("Otwórz folder"), Button, {}}, {QStringLiteral("Zamknij"), Button, {}}}},
        {"message dialog", messageDialog,
         {{QStringLiteral("Skrytkar"), Title, {}}, {QStringLiteral("Zamknij"), Button, {}},
          {QStringLiteral("Tak"), Button, {}}, {QStringLiteral("Nie"), Button, {}},
          {QStringLiteral("Anuluj"), Button, {}}, {QStringLiteral("Zamknij"), Button, {}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window);
        ASSERT_NE(c.widget, nullptr);
        EXPECT_EQ(ZonesOf(c.widget), Sorted(c.expected));
    }
}

// The controls of the restore and settings windows are named by the captions beside them.
TEST_F(WindowAccessibility, RestoreAndSettingsControlsAreNamed)
{
    const std::pair<QWidget*, const char*> controls[] = {
        {restoreWindow->LArchiwa, "Archiwa wpisu"},
        {restoreWindow->RMiejsce, "pierwotnego miejsca"},
        {restoreWindow->RFolder, "wskazanego folderu…"},
        {restoreWindow->LCel, "Folder docelowy"},
        {settingsWindow->CWeryfikacja, "Sprawdzaj archiwa po zapisaniu"},
        {settingsWindow->CDowiazania, "Niezmienione wpisy bez pakowania"},
        {settingsWindow->EZachowaj, "Zachowuj najnowsze archiwa wpisu:"},
        {settingsWindow->CPodfoldery, "Archiwizuj całe podfoldery"},
    };
    for (const auto& [control, name] : controls) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(iface, nullptr) << name;
        EXPECT_EQ(iface->text(QAccessible::Name), QString::fromUtf8(name));
    }
}

// The title strip is named after its window, so a screen reader says which window it is in.
TEST_F(WindowAccessibility, TitleStripsCarryTheirWindowsTitle)
{
    for (QWidget* window : std::initializer_list<QWidget*>{mainWindow, messageDialog, restoreWindow, settingsWindow}) {
        auto* strip = window->findChild<HotZone*>(QStringLiteral("LListwa"));
        ASSERT_NE(strip, nullptr) << window->objectName().toStdString();
        EXPECT_EQ(strip->accessibleName(), window->windowTitle());
    }
}

} // namespace
