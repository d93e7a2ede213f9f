#include "ui/windows/MenuPanel.h"

#include "core/UiPorts.h"
#include "ui/skin/ImageResource.h"
#include "ui/skin/SkinImage.h"
#include "ui/windows/MainWindow.h"
#include "ui/windows/WindowParts.h"

#include <QFontMetrics>
#include <QMouseEvent>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

// Greyed text of a disabled item: muted, but still readable on the light panel.
const QColor DisabledItemColour(98, 118, 92);

void SetItemColour(SkinLabel* item, uint32_t bgr)
{
    QPalette palette = item->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, ColourFromBgr(bgr));
    palette.setColor(QPalette::Inactive, QPalette::WindowText, ColourFromBgr(bgr));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, DisabledItemColour);
    item->setPalette(palette);
}

// The captions were laid out for a narrower face than the free ones: the items of a panel
// share one horizontal stretch that lets the widest caption fit its label.
void FitCaptions(const std::vector<SkinLabel*>& labels)
{
    int stretch = 100;
    for (const SkinLabel* label : labels) {
        const int advance = QFontMetrics(label->font()).horizontalAdvance(label->text());
        if (advance > label->width() - 1)
            stretch = std::min(stretch, (label->width() - 1) * 100 / advance);
    }
    for (SkinLabel* label : labels) {
        QFont font = label->font();
        font.setStretch(stretch);
        label->setFont(font);
    }
}

void SetItemEnabled(SkinLabel* item, bool enabled)
{
    item->setEnabled(enabled);
    // A disabled item takes no mouse: the panel's background below it gets the clicks.
    item->setAttribute(Qt::WA_TransparentForMouseEvents, !enabled);
}

} // namespace

MenuPanel::MenuPanel(MainWindow& main)
    : QWidget(&main, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus), main(main)
{
    setObjectName(QStringLiteral("FMenu"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    resize(582, 174);

    PPlik = new QWidget(this);
    PPlik->setGeometry(416, 0, 124, 174);
    PEdycja = new QWidget(this);
    PEdycja->setGeometry(0, 0, 124, 125);
    PPomoc = new QWidget(this);
    PPomoc->setGeometry(264, 0, 125, 87);

    // Within a panel: background lowest, separators above it, items on top.
    ImTlo = AddPanelBackground(PPlik, QSize(124, 174), QStringLiteral("tlo_menu_plik"));
    Kreska2 = AddSeparator(PPlik, QRect(13, 23, 93, 13));
    LKreska3 = AddSeparator(PPlik, QRect(13, 75, 93, 13));
    LKreska4 = AddSeparator(PPlik, QRect(13, 141, 93, 13));
    LZaznaczAll = AddItem(PPlik, QRect(13, 14, 96, 13), QStringLiteral("Zaznacz wszystko"));
    LArchiwizuj = AddItem(PPlik, QRect(13, 46, 96, 13), QStringLiteral("Archiwizuj"));
    LArchiwizujAll = AddItem(PPlik, QRect(13, 63, 96, 13), QStringLiteral("Archiwizuj wszystko"));
    LPrzywroc = AddItem(PPlik, QRect(13, 95, 96, 13), QStringLiteral("Przywróć...      Alt+R"));
    LUstawienia = AddItem(PPlik, QRect(13, 112, 96, 13), QStringLiteral("Ustawienia..."));
    LHistoria = AddItem(PPlik, QRect(13, 129, 96, 13), QStringLiteral("Historia..."));
    LZamknij = AddItem(PPlik, QRect(13, 157, 96, 13), QStringLiteral("Zamknij"));

    ImTloEdycja = AddPanelBackground(PEdycja, QSize(124, 125), QStringLiteral("tlo_menu_edycja"));
    Label1 = AddSeparator(PEdycja, QRect(13, 75, 93, 13));
    LDodajPlik = AddItem(PEdycja, QRect(13, 13, 98, 13), QStringLiteral("Dodaj plik        Alt+P"));
    LDodajFolder = AddItem(PEdycja, QRect(13, 30, 96, 13), QStringLiteral("Dodaj folder     Alt+F"));
    LEdytujWpis = AddItem(PEdycja, QRect(13, 47, 96, 13), QStringLiteral("Edytuj wpis      Alt+E"));
    LUsunWpis = AddItem(PEdycja, QRect(13, 64, 96, 13), QStringLiteral("Usuń wpis       Alt+D"));
    LNowaLista = AddItem(PEdycja, QRect(13, 95, 96, 13), QStringLiteral("Utwórz nową listę"));

    ImTloPomoc = AddPanelBackground(PPomoc, QSize(125, 87), QStringLiteral("tlo_menu_pomoc"));
    LKreska = AddSeparator(PPomoc, QRect(13, 39, 93, 13));
    LPomoc = AddItem(PPomoc, QRect(13, 13, 98, 13), QStringLiteral("Pomoc                 F1"));
    Lstrona = AddItem(PPomoc, QRect(13, 29, 93, 13), QStringLiteral("Strona domowa"));
    LAbout = AddItem(PPomoc, QRect(13, 57, 93, 14), QStringLiteral("O programie"));

    FitCaptions({Kreska2, LKreska3, LKreska4, LZaznaczAll, LArchiwizuj, LArchiwizujAll, LPrzywroc, LUstawienia,
                 LHistoria, LZamknij});
    FitCaptions({Label1, LDodajPlik, LDodajFolder, LEdytujWpis, LUsunWpis, LNowaLista});
    FitCaptions({LKreska, LPomoc, Lstrona, LAbout});

    // Hover: the panel's highlight is reset, then the item under the mouse lights up.
    const auto hover = [this](SkinLabel* item, void (MenuPanel::*reset)()) {
        connect(item, &SkinLabel::mouseMoved, this, Guarded([this, item, reset] {
            (this->*reset)();
            Light(item);
        }));
    };
    for (SkinLabel* item : {LZaznaczAll, LArchiwizuj, LArchiwizujAll, LPrzywroc, LUstawienia, LHistoria, LZamknij})
        hover(item, &MenuPanel::ResetPlikHighlight);
    for (SkinLabel* item : {LDodajPlik, LDodajFolder, LEdytujWpis, LUsunWpis, LNowaLista})
        hover(item, &MenuPanel::ResetEdycjaHighlight);
    for (SkinLabel* item : {LPomoc, Lstrona, LAbout})
        hover(item, &MenuPanel::ResetPomocHighlight);
    // The "Edycja" separator carries the "Pomoc" item's handlers.
    Label1->setMouseTracking(true);
    connect(Label1, &SkinLabel::mouseMoved, this, Guarded([this] {
        ResetPomocHighlight();
        Light(LPomoc);
    }));

    connect(ImTlo, &SkinImage::mouseMoved, this, Guarded(this, &MenuPanel::ResetPlikHighlight));
    connect(ImTloEdycja, &SkinImage::mouseMoved, this, Guarded(this, &MenuPanel::ResetEdycjaHighlight));
    connect(ImTloPomoc, &SkinImage::mouseMoved, this, Guarded(this, &MenuPanel::ResetPomocHighlight));
    for (SkinImage* background : {ImTlo, ImTloEdycja, ImTloPomoc})
        connect(background, &SkinImage::clicked, this, Guarded(this, &MenuPanel::HideMenu));

    // Each item: its command on the main window.
    const auto item = [this](SkinLabel* label, void (MainWindow::*command)()) {
        connect(label, &SkinLabel::clicked, this, Guarded([this, command] { RunItem([target = &this->main, command] { std::invoke(command, target); }); }));
    };
    connect(LZaznaczAll, &SkinLabel::clicked, this, Guarded([this] { RunItem([this] { this->main.SelectAll(); }); }));
    item(LArchiwizuj, &MainWindow::ArchiveSelected);
    connect(LArchiwizujAll, &SkinLabel::clicked, this, Guarded([this] {
        RunItem([this] {
            if (this->main.SelectAll() > 0)
                this->main.ArchiveSelected();
        });
    }));
    item(LPrzywroc, &MainWindow::OpenRestoreWindow);
    item(LUstawienia, &MainWindow::ShowSettings);
    item(LHistoria, &MainWindow::ShowHistoryNewest);
    connect(LZamknij, &SkinLabel::clicked, this, Guarded([this] { this->main.Terminate(); }));
    item(LDodajPlik, &MainWindow::AddFileEntry);
    item(LDodajFolder, &MainWindow::AddFolderEntry);
    item(LEdytujWpis, &MainWindow::EditEntry);
    item(LUsunWpis, &MainWindow::DeleteEntry);
    item(LNowaLista, &MainWindow::NewList);
    item(Label1, &MainWindow::OpenHelpFile);
    item(LPomoc, &MainWindow::OpenHelpFile);
    item(Lstrona, &MainWindow::OpenWebsite);
    item(LAbout, &MainWindow::ShowAbout);
}

SkinImage* MenuPanel::AddPanelBackground(QWidget* panel, const QSize& size, const QString& picture)
{
    auto* background = new SkinImage(panel);
    background->setGeometry(QRect(QPoint(0, 0), size));
    background->setMouseTracking(true);
    LoadImageResource(picture, background);
    return background;
}

SkinLabel* MenuPanel::AddSeparator(QWidget* panel, const QRect& geometry)
{
    auto* separator = new SkinLabel(panel, geometry, QStringLiteral("______________"), false);
    separator->setFont(DesignFont(11));
    separator->setMouseTracking(false);
    SetItemColour(separator, MenuItemColour);
    return separator;
}

SkinLabel* MenuPanel::AddItem(QWidget* panel, const QRect& geometry, const QString& caption)
{
    auto* item = new SkinLabel(panel, geometry, caption, true);
    item->setFont(DesignFont(11));
    SetItemColour(item, MenuItemColour);
    return item;
}

void MenuPanel::Light(SkinLabel* item)
{
    SetItemColour(item, MenuItemHoverColour);
}

QColor MenuPanel::ItemColour(const SkinLabel* item)
{
    return item->palette().color(QPalette::Active, QPalette::WindowText);
}

void MenuPanel::ResetPlikHighlight()
{
    for (SkinLabel* item : {LZamknij, LZaznaczAll, LArchiwizuj, LArchiwizujAll, LPrzywroc, LUstawienia, LHistoria})
        SetItemColour(item, MenuItemColour);
}

void MenuPanel::ResetEdycjaHighlight()
{
    for (SkinLabel* item : {LDodajPlik, LDodajFolder, LEdytujWpis, LUsunWpis, LNowaLista})
        SetItemColour(item, MenuItemColour);
}

void MenuPanel::ResetPomocHighlight()
{
    for (SkinLabel* item : {Lstrona, LAbout, LPomoc})
        SetItemColour(item, MenuItemColour);
}

void MenuPanel::ShowMenuPanel(int panel, int selectedCount)
{
    const QPoint at = main.pos();
    switch (panel) {
    case 0:
        ResetPlikHighlight();
        // Restoring takes exactly one entry, as editing does.
        SetItemEnabled(LPrzywroc, selectedCount == 1);
        PPlik->move(0, PPlik->y());
        PPomoc->hide();
        PEdycja->hide();
        PPlik->show();
        setGeometry(QRect(at + QPoint(6, 78), QSize(124, 174)));
        break;
    case 1: {
        ResetEdycjaHighlight();
        const bool one = selectedCount == 1;
        SetItemEnabled(LUsunWpis, one);
        SetItemEnabled(LEdytujWpis, one);
        PPlik->hide();
        PPomoc->hide();
        PEdycja->show();
        setGeometry(QRect(at + QPoint(85, 78), QSize(124, 125)));
        break;
    }
    case 2:
        ResetPomocHighlight();
        PPlik->hide();
        PPomoc->show();
        PEdycja->hide();
        PPomoc->move(0, PPomoc->y());
        setGeometry(QRect(at + QPoint(161, 78), QSize(124, 87)));
        break;
    default:
        return;
    }
    // Shown without taking the modal state: the main window stays usable.
    show();
    raise();
}

void MenuPanel::HideMenu()
{
    hide();
}

void MenuPanel::RunItem(const std::function<void()>& command)
{
    HideMenu();
    main.repaint();
    command();
}
