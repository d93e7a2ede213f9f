#pragma once
// MenuPanel: the drop-down window under the main window's menu titles. It holds the three panels
// "Plik", "Edycja" and "Pomoc" and shows one of them at a time, sized to it.
//
// An item takes the mouse on the whole row it stands in, from one edge of the panel to the
// other; the lit item stands on a dark band. The main window hands the menu its keys while it
// is open: Left and Right go to the neighbouring panel, Up and Down to the next enabled item,
// Enter or Space chooses the lit item, Escape closes.

#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class QKeyEvent;

class MainWindow;
class SkinImage;
class SkinLabel;

// Colours of the items (0x00BBGGRR): dark green at rest, white under the mouse or the keyboard
// on a band of MenuItemHoverBandColour (white on it has a contrast above 12:1).
inline constexpr uint32_t MenuItemColour = 1914912;
inline constexpr uint32_t MenuItemHoverColour = 16777215;
inline constexpr uint32_t MenuItemHoverBandColour = MenuItemColour;

// The address "Strona domowa" opens.
inline constexpr const char* WebsiteAddress = "https://skrytkar.example.org";

class MenuPanel : public QWidget {
    Q_OBJECT
public:
    // A window of the main window, whose commands its items run.
    explicit MenuPanel(MainWindow& main);

    // panel: 0 "Plik", 1 "Edycja", 2 "Pomoc"; selectedCount: selected lines of the list box
    // (the items that take one entry are greyed for any other count).
    void ShowMenuPanel(int panel, int selectedCount);
    void ResetPlikHighlight();
    void ResetEdycjaHighlight();
    void ResetPomocHighlight();

    // The keys of the open menu; true when the key was taken.
    bool KeyDown(QKeyEvent* event);
    // Lights the shown panel's first enabled item (a menu opened from the keyboard).
    void LightFirstItem();
    // The panel shown (0, 1, 2) and its lit item (nullptr: none).
    int ShownPanel() const { return shownPanel_; }
    SkinLabel* LitItem() const;
    // The row of an item: where in its panel the mouse takes it.
    static QRect ItemRow(const SkinLabel* item);
    // The band under the lit item of a panel (hidden when none is lit).
    QWidget* Band(int panel) const { return bands_[panel]; }

    // Panels and their backgrounds.
    QWidget* PPlik;
    QWidget* PEdycja;
    QWidget* PPomoc;
    SkinImage* ImTlo;
    SkinImage* ImTloEdycja;
    SkinImage* ImTloPomoc;
    // "Plik".
    SkinLabel* LZaznaczAll;
    SkinLabel* Kreska2;
    SkinLabel* LArchiwizuj;
    SkinLabel* LArchiwizujAll;
    SkinLabel* LKreska3;
    SkinLabel* LPrzywroc;
    SkinLabel* LUstawienia;
    SkinLabel* LHistoria;
    SkinLabel* LKreska4;
    SkinLabel* LZamknij;
    // "Edycja".
    SkinLabel* LDodajPlik;
    SkinLabel* LDodajFolder;
    SkinLabel* LEdytujWpis;
    SkinLabel* LUsunWpis;
    SkinLabel* Label1;
    SkinLabel* LNowaLista;
    // "Pomoc".
    SkinLabel* LPomoc;
    SkinLabel* Lstrona;
    SkinLabel* LKreska;
    SkinLabel* LAbout;

    // The colour an item is drawn in at rest or lit.
    static QColor ItemColour(const SkinLabel* item);

private:
    SkinImage* AddPanelBackground(QWidget* panel, const QSize& size, const QString& picture);
    SkinLabel* AddSeparator(QWidget* panel, const QRect& geometry);
    SkinLabel* AddItem(QWidget* panel, const QRect& geometry, const QString& caption);
    QWidget* AddBand(QWidget* panel);
    void Light(SkinLabel* item);
    void ResetPanel(int panel);
    // The items of a panel from top to bottom, and the enabled one whose row holds a point.
    std::vector<SkinLabel*> Items(int panel) const;
    SkinLabel* ItemAt(int panel, const QPoint& point) const;
    int PanelOf(const QWidget* panelWidget) const;
    void BackgroundMoved(int panel, const QPoint& point);
    void BackgroundClicked(int panel);
    // Item click: close the menu, repaint the main window at once, run the command.
    void RunItem(const std::function<void()>& command);
    void HideMenu();

    MainWindow& main;
    int shownPanel_ = 0;
    QWidget* bands_[3] = {};
    QPoint lastBackgroundPress_;
};
