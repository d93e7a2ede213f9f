#pragma once
// MainWindow: the program's main window. A borderless picture with invisible hot zones over its
// drawn title strip, menu titles and archive button; the list box `Lista`; the status panel
// with the two progress bars of the archive run; and the keys of the key table.

#include "ui/skin/TitleDrag.h"

#include <QListWidget>
#include <QWidget>

#include <memory>

class HotZone;
class QLabel;
class SkinImage;
class KeyPreview;
class CylinderBar;
class QKeyEvent;

// The list box: extended selection; it reports a click (also a selection changed by the
// user's keys, as a list box does) and a double click after its own handling.
class EntryListBox : public QListWidget {
    Q_OBJECT
public:
    explicit EntryListBox(QWidget* parent);

    // Selection changes made by the program itself are not the user's clicks.
    int programmatic = 0;

Q_SIGNALS:
    void pressed();
    void Click();
    void DblClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // If the menu window is shown, close it.
    void CloseMenuPanel();
    // Selects every line of `Lista`; the number of selected lines (0 and a message when the
    // list is empty).
    int SelectAll();
    int SelectedCount() const;

    // Event handlers.
    void ImTloClick();
    void LListwaMouseDown(QMouseEvent* event);
    void LListwaMouseMove(QMouseEvent* event);
    void LListwaMouseUp(QMouseEvent* event);
    void LMinimeClick();
    void LCloseClick();
    void ListaClick();
    void ListaDblClick();
    void LArchiwumClick();
    void LMenuPLikClick();
    void LMenuEdycjaClick();
    void LMenuPomocClick();
    void LMenuPLikMouseMove();
    void LMenuEdycjaMouseMove();
    void LMenuPomocMouseMove();
    bool FormKeyDown(QKeyEvent* event);

    QWidget* PPodstawa;
    SkinImage* ImTlo;
    HotZone* LListwa;
    HotZone* LMinime;
    HotZone* LClose;
    HotZone* LMenuPLik;
    HotZone* LMenuEdycja;
    HotZone* LMenuPomoc;
    EntryListBox* Lista;
    HotZone* LArchiwum;
    QWidget* Pdziala;
    SkinImage* ImPrzetwarza;
    CylinderBar* Progress;
    CylinderBar* ProgresEtap;
    // Over the picture's Escape hint: tells at once that an Escape during the run was heard.
    QLabel* LPrzerwanie;

    // Dragging by the title strip (its Dragging flag and DragLastPos).
    TitleDrag Drag;

    // True while a run works: `Archiving`, and also whenever the run lets the window handle
    // its events (the closing pause too, which follows a confirmed cancel with `Archiving`
    // already clear). The commands that a run refuses test this.
    bool RunBusy() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void MenuTitleClick(int panel);
    void MenuTitleMouseMove(int panel);
    void MoveSelection(int step);
    void KeepPainting();
    // Handles everything the window system has delivered, input included, as part of the run.
    void HandleEventsDuringRun();
    // LPrzerwanie follows StopRequested while the run's loop goes over the entries.
    void UpdateStopNotice();

    class Ports;
    std::unique_ptr<Ports> ports;
    KeyPreview* preview;
    bool shownOnce = false;
    int handlingDuringRun = 0;  // depth of HandleEventsDuringRun
    friend class Ports;
};

extern MainWindow* FGlowny;

// Opens the help file "Pomoc/index.htm" beside the program; a missing file is not reported.
void OpenHelpFile(QWidget* owner);
// Ends the message loop; the program exits.
void TerminateApplication();
// Test seam: when set, called instead of ending the message loop.
extern std::function<void()> TerminateHook;
