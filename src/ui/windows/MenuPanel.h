#pragma once
// MenuPanel: the drop-down window under the main window's menu titles. It holds the three panels
// "Plik", "Edycja" and "Pomoc" and shows one of them at a time, sized to it.

#include <QWidget>

#include <cstdint>
#include <functional>

class MainWindow;
class SkinImage;
class SkinLabel;

// Colours of the items (0x00BBGGRR): dark green at rest, white under the mouse.
inline constexpr uint32_t MenuItemColour = 1914912;
inline constexpr uint32_t MenuItemHoverColour = 16777215;

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
    void Light(SkinLabel* item);
    // Item click: close the menu, repaint the main window at once, run the command.
    void RunItem(const std::function<void()>& command);
    void HideMenu();

    MainWindow& main;
};
