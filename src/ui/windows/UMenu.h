#pragma once
// TFMenu: the drop-down window under the main window's menu titles. It holds the three panels
// "Plik", "Edycja" and "Pomoc" and shows one of them at a time, sized to it.

#include <QWidget>

#include <cstdint>

class SkinImage;
class TSkinLabel;

// Colours of the items (0x00BBGGRR): dark green at rest, white under the mouse.
inline constexpr uint32_t MenuItemColour = 1914912;
inline constexpr uint32_t MenuItemHoverColour = 16777215;

// The address "Strona domowa" opens.
inline constexpr const char* WebsiteAddress = "https://skrytkar.example.org";

class TFMenu : public QWidget {
    Q_OBJECT
public:
    explicit TFMenu(QWidget* parent = nullptr);

    // panel: 0 "Plik", 1 "Edycja", 2 "Pomoc"; selectedCount: selected lines of the list box
    // (the items that take one entry are greyed for any other count).
    void ShowMenuPanel(int panel, int selectedCount);
    void ResetPlikHighlight();
    void ResetEdycjaHighlight();
    void ResetPomocHighlight();

    // Panels and their backgrounds.
    QWidget* PPlik;
    QWidget* PEdycja;
    QWidget* PPomoc;
    SkinImage* ImTlo;
    SkinImage* ImTloEdycja;
    SkinImage* ImTloPomoc;
    // "Plik".
    TSkinLabel* LZaznaczAll;
    TSkinLabel* Kreska2;
    TSkinLabel* LArchiwizuj;
    TSkinLabel* LArchiwizujAll;
    TSkinLabel* LKreska3;
    TSkinLabel* LPrzywroc;
    TSkinLabel* LUstawienia;
    TSkinLabel* LKreska4;
    TSkinLabel* LZamknij;
    // "Edycja".
    TSkinLabel* LDodajPlik;
    TSkinLabel* LDodajFolder;
    TSkinLabel* LEdytujWpis;
    TSkinLabel* LUsunWpis;
    TSkinLabel* Label1;
    TSkinLabel* LNowaLista;
    // "Pomoc".
    TSkinLabel* LPomoc;
    TSkinLabel* Lstrona;
    TSkinLabel* LKreska;
    TSkinLabel* LAbout;

    // The colour an item is drawn in at rest or lit.
    static QColor ItemColour(const TSkinLabel* item);

private:
    SkinImage* AddPanelBackground(QWidget* panel, const QSize& size, const QString& picture);
    TSkinLabel* AddSeparator(QWidget* panel, const QRect& geometry);
    TSkinLabel* AddItem(QWidget* panel, const QRect& geometry, const QString& caption);
    void Light(TSkinLabel* item);
    // Item click: close the menu, repaint the main window at once, run the command.
    void RunItem(void (*command)());
    void HideMenu();
};

extern TFMenu* FMenu;
