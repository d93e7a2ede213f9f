#include "ui/windows/MenuPanel.h"

#include "core/UiPorts.h"
#include "ui/skin/ImageResource.h"
#include "ui/skin/SkinImage.h"
#include "ui/windows/MainWindow.h"
#include "ui/windows/WindowParts.h"

#include <QFontMetrics>
#include <QKeyEvent>
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
    bands_[0] = AddBand(PPlik);
    LZaznaczAll = AddItem(PPlik, QRect(13, 14, 96, 13), QStringLiteral("Zaznacz wszystko"));
    LArchiwizuj = AddItem(PPlik, QRect(13, 46, 96, 13), QStringLiteral("Archiwizuj          Alt+A"));
    LArchiwizujAll = AddItem(PPlik, QRect(13, 63, 96, 13), QStringLiteral("Archiwizuj wszystko"));
    LPrzywroc = AddItem(PPlik, QRect(13, 95, 96, 13), QStringLiteral("Przywróć...      Alt+R"));
    LUstawienia = AddItem(PPlik, QRect(13, 112, 96, 13), QStringLiteral("Ustawienia..."));
    LHistoria = AddItem(PPlik, QRect(13, 129, 96, 13), QStringLiteral("Historia..."));
    LZamknij = AddItem(PPlik, QRect(13, 157, 96, 13), QStringLiteral("Zamknij"));

    ImTloEdycja = AddPanelBackground(PEdycja, QSize(124, 125), QStringLiteral("tlo_menu_edycja"));
    Label1 = AddSeparator(PEdycja, QRect(13, 75, 93, 13));
    bands_[1] = AddBand(PEdycja);
    LDodajPlik = AddItem(PEdycja, QRect(13, 13, 98, 13), QStringLiteral("Dodaj plik        Alt+P"));
    LDodajFolder = AddItem(PEdycja, QRect(13, 30, 96, 13), QStringLiteral("Dodaj folder     Alt+F"));
    LEdytujWpis = AddItem(PEdycja, QRect(13, 47, 96, 13), QStringLiteral("Edytuj wpis      Alt+E"));
    LUsunWpis = AddItem(PEdycja, QRect(13, 64, 96, 13), QStringLiteral("Usuń wpis       Alt+D"));
    LNowaLista = AddItem(PEdycja, QRect(13, 95, 96, 13), QStringLiteral("Utwórz nową listę"));

    ImTloPomoc = AddPanelBackground(PPomoc, QSize(125, 87), QStringLiteral("tlo_menu_pomoc"));
    LKreska = AddSeparator(PPomoc, QRect(13, 39, 93, 13));
    bands_[2] = AddBand(PPomoc);
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

    // The background: beside an item's caption, on its row, it lights and clicks that item;
    // elsewhere it resets the highlight, and a click on it closes the menu.
    const SkinImage* backgrounds[3] = {ImTlo, ImTloEdycja, ImTloPomoc};
    for (int panel = 0; panel < 3; ++panel) {
        const SkinImage* background = backgrounds[panel];
        connect(background, &SkinImage::mouseMoved, this,
                Guarded([this, panel](QMouseEvent* e) { BackgroundMoved(panel, e->position().toPoint()); }));
        connect(background, &SkinImage::mousePressed, this,
                Guarded([this](QMouseEvent* e) { lastBackgroundPress_ = e->position().toPoint(); }));
        connect(background, &SkinImage::clicked, this, Guarded([this, panel] { BackgroundClicked(panel); }));
    }

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

QWidget* MenuPanel::AddBand(QWidget* panel)
{
    auto* band = new QWidget(panel);
    band->setAttribute(Qt::WA_TransparentForMouseEvents);
    band->setAutoFillBackground(true);
    QPalette palette = band->palette();
    palette.setColor(QPalette::Window, ColourFromBgr(MenuItemHoverBandColour));
    band->setPalette(palette);
    band->hide();
    return band;
}

QRect MenuPanel::ItemRow(const SkinLabel* item)
{
    // Two pixels above and below the caption: the rows of neighbouring items meet.
    const int panelWidth = item->parentWidget()->width();
    return QRect(0, item->y() - 2, panelWidth, item->height() + 4);
}

std::vector<SkinLabel*> MenuPanel::Items(int panel) const
{
    switch (panel) {
    case 0:
        return {LZaznaczAll, LArchiwizuj, LArchiwizujAll, LPrzywroc, LUstawienia, LHistoria, LZamknij};
    case 1:
        return {LDodajPlik, LDodajFolder, LEdytujWpis, LUsunWpis, LNowaLista};
    case 2:
        return {LPomoc, Lstrona, LAbout};
    default:
        return {};
    }
}

SkinLabel* MenuPanel::ItemAt(int panel, const QPoint& point) const
{
    for (SkinLabel* item : Items(panel))
        if (item->isEnabled() && ItemRow(item).contains(point))
            return item;
    return nullptr;
}

SkinLabel* MenuPanel::LitItem() const
{
    for (SkinLabel* item : Items(shownPanel_))
        if (ItemColour(item) == ColourFromBgr(MenuItemHoverColour))
            return item;
    return nullptr;
}

void MenuPanel::ResetPanel(int panel)
{
    switch (panel) {
    case 0:
        ResetPlikHighlight();
        break;
    case 1:
        ResetEdycjaHighlight();
        break;
    case 2:
        ResetPomocHighlight();
        break;
    default:
        break;
    }
}

void MenuPanel::BackgroundMoved(int panel, const QPoint& point)
{
    ResetPanel(panel);
    if (SkinLabel* item = ItemAt(panel, point))
        Light(item);
}

void MenuPanel::BackgroundClicked(int panel)
{
    if (SkinLabel* item = ItemAt(panel, lastBackgroundPress_)) {
        Q_EMIT item->clicked();
        return;
    }
    HideMenu();
}

void MenuPanel::LightFirstItem()
{
    ResetPanel(shownPanel_);
    for (SkinLabel* item : Items(shownPanel_)) {
        if (item->isEnabled()) {
            Light(item);
            return;
        }
    }
}

bool MenuPanel::KeyDown(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier)
        return false;
    switch (event->key()) {
    case Qt::Key_Escape:
        HideMenu();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int panel = (shownPanel_ + (event->key() == Qt::Key_Left ? 2 : 1)) % 3;
        ShowMenuPanel(panel, main.SelectedCount());
        LightFirstItem();
        return true;
    }
    case Qt::Key_Up:
    case Qt::Key_Down: {
        std::vector<SkinLabel*> enabled;
        for (SkinLabel* item : Items(shownPanel_))
            if (item->isEnabled())
                enabled.push_back(item);
        if (enabled.empty())
            return true;
        const auto lit = std::find(enabled.begin(), enabled.end(), LitItem());
        const int count = int(enabled.size());
        int next = 0;
        if (lit == enabled.end())
            next = event->key() == Qt::Key_Down ? 0 : count - 1;
        else
            next = (int(lit - enabled.begin()) + (event->key() == Qt::Key_Down ? 1 : count - 1)) % count;
        ResetPanel(shownPanel_);
        Light(enabled[size_t(next)]);
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (SkinLabel* item = LitItem(); item && item->isEnabled())
            Q_EMIT item->clicked();
        return true;
    default:
        return false;
    }
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
    const int panel = PanelOf(item->parentWidget());
    if (panel < 0)
        return;
    bands_[panel]->setGeometry(ItemRow(item).adjusted(3, 0, -3, 0));
    bands_[panel]->show();
}

int MenuPanel::PanelOf(const QWidget* panelWidget) const
{
    if (panelWidget == PPlik)
        return 0;
    if (panelWidget == PEdycja)
        return 1;
    if (panelWidget == PPomoc)
        return 2;
    return -1;
}

QColor MenuPanel::ItemColour(const SkinLabel* item)
{
    return item->palette().color(QPalette::Active, QPalette::WindowText);
}

void MenuPanel::ResetPlikHighlight()
{
    for (SkinLabel* item : {LZamknij, LZaznaczAll, LArchiwizuj, LArchiwizujAll, LPrzywroc, LUstawienia, LHistoria})
        SetItemColour(item, MenuItemColour);
    bands_[0]->hide();
}

void MenuPanel::ResetEdycjaHighlight()
{
    for (SkinLabel* item : {LDodajPlik, LDodajFolder, LEdytujWpis, LUsunWpis, LNowaLista})
        SetItemColour(item, MenuItemColour);
    bands_[1]->hide();
}

void MenuPanel::ResetPomocHighlight()
{
    for (SkinLabel* item : {Lstrona, LAbout, LPomoc})
        SetItemColour(item, MenuItemColour);
    bands_[2]->hide();
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
    shownPanel_ = panel;
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
