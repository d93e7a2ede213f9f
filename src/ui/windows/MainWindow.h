#pragma once
// MainWindow: the program's main window. A borderless picture with invisible hot zones over its
// drawn title strip, menu titles and archive button; the list box `Lista`; the status panel
// with the two progress bars of the archive run; and the keys of the key table.

#include "archive/run/RunResult.h"
#include "ui/skin/TitleDrag.h"

#include <QListWidget>
#include <QUrl>
#include <QWidget>

#include <exception>
#include <functional>
#include <memory>

class AboutWindow;
class ArchiveRun;
class QThread;
class EntryEditor;
class EntryList;
class ListBoxPort;
class MainWindowPort;
class MenuPanel;
class MessageDialog;
class RestoreWindow;
class SettingsWindow;
class HistoryWindow;
class SevenZipPacker;
class Startup;
struct RunParameters;
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

// The main window owns the program's other windows (the message dialog, the entry editor, the
// menu window, the about, restore and settings windows), its Startup and the run at work; it
// works on the list and with the packer it is given.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    // The packer is set up with ConfigurePacker already. `arguments` as
    // QCoreApplication::arguments() gives them (the program's name first).
    MainWindow(EntryList& list, SevenZipPacker& packer, const QStringList& arguments, QWidget* parent = nullptr);
    ~MainWindow() override;

    EntryList& List() { return list; }
    SevenZipPacker& Packer() { return packer; }
    Startup& Start() { return *startup; }
    // The windows it owns.
    MessageDialog& Warning() { return *warning; }
    EntryEditor& Editor() { return *editor; }
    MenuPanel& Menu() { return *menu; }
    AboutWindow& About() { return *about; }
    RestoreWindow& Restore() { return *restore; }
    SettingsWindow& SettingsDialog() { return *settingsWindow; }
    HistoryWindow& History() { return *historyWindow; }
    // `Lista` as the entry list fills it.
    ListBoxPort& ListBox();
    // The window as the run and the start-up draw on it.
    MainWindowPort& WindowPort();

    // The commands of the keys, the menu panels and the hot zones.
    // Archives the selected lines as one run; nothing while a run works.
    void ArchiveSelected();
    // Starts archiving every entry as one run, for the unattended start; its end is told to
    // the start-up.
    void ArchiveAllEntries();
    void AddFileEntry();
    void AddFolderEntry();
    void EditEntry();
    void DeleteEntry();
    void NewList();
    // Opens the restore window for the one selected line.
    void OpenRestoreWindow();
    void ShowSettings();
    // The history of runs, at the run of the dated folder folderName (the newest when empty).
    void ShowHistory(const QString& folderName = QString());
    void ShowHistoryNewest() { ShowHistory(); }
    void ShowAbout();
    // Opens the help file "Pomoc/index.htm" beside the program; a missing file is not reported.
    // Where nothing can show it (no web browser), the user is told where the file lies.
    void OpenHelpFile();
    void OpenWebsite();
    // Ends the message loop; the program exits.
    void Terminate();

    // The shell's "open" of an address; false when the desktop has nothing to open it with.
    bool OpenWithShell(const QUrl& url);
    // Test seams: when set, called instead of ending the message loop or the desktop's "open".
    void SetTerminateSeam(std::function<void()> seam) { terminateSeam = std::move(seam); }
    void SetOpenWithShellSeam(std::function<void(const QUrl&)> seam) { openSeam = std::move(seam); }
    // Test seam: what the seamed "open" answers (true: a browser took it).
    void SetShellOpens(bool opens) { shellOpens = opens; }
    // Test seam: the window acts as while a run goes over the entries, without a run.
    void SimulateArchiving(bool on);

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
    // Over the status panel after a run from the window: what the run did, and the way to its
    // lines in the history (the run's summary takes the place of a message).
    // When the whole list was last archived; a warning after too many days without it.
    QLabel* LOstatnia;
    QWidget* PPodsumowanie;
    QLabel* LPodsumowanie;
    QLabel* LHistoriaRunu;
    HotZone* LHistoriaRunuZone;

    // Dragging by the title strip (its Dragging flag and DragLastPos).
    TitleDrag Drag;

    // Serves the window's events until the run at work (if any) has ended: for the window's end
    // and for tests (the program itself never waits for a run).
    void WaitForRun();
    // The run at work; nullptr between runs.
    const ArchiveRun* CurrentRun() const { return run.get(); }
    // What the last run that ended did.
    const RunResult& LastRun() const { return lastRun; }
    // True while the run goes over the entries.
    bool Archiving() const;
    // The user asked the run at work to stop (Escape), and it has not asked about it yet.
    bool StopRequested() const;
    // True from the start of a run until its end has reached the window: the closing pause
    // too, which follows a confirmed cancel with Archiving() already false. The commands that
    // a run refuses test this.
    bool RunBusy() const;

Q_SIGNALS:
    // The run at work has ended; LastRun() holds what it did.
    void RunEnded();

public:

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Alt pressed and released alone opens (or closes) the menu, as F10 does.
    void keyReleaseEvent(QKeyEvent* event) override;
    // An Alt whose release goes to another window (Alt+Tab) opens nothing later.
    void changeEvent(QEvent* event) override;

private:
    void MenuTitleClick(int panel);
    // F10 and Alt: the first panel with its first item lit, or the open menu closed.
    void ToggleMenuFromKeyboard();
    void MenuTitleMouseMove(int panel);
    void MoveSelection(int step);
    // LPrzerwanie follows StopRequested while the run's loop goes over the entries.
    void UpdateStopNotice();

    // The summary of the run that ended, over the status panel.
    void ShowRunSummary();
public:
    // LOstatnia from the kept history and the list as it is now.
    void UpdateLastFullRun();
private:
    // The parameters of a run that starts now.
    RunParameters MakeRunParameters();
    // Starts one archive run on the worker thread; false (and nothing) while another one works.
    bool StartRun(const std::function<void(ArchiveRun&)>& work);
    // The worker is done: the result is kept, the run goes, RunEnded is emitted.
    void FinishRun();

    void RequestStop();
    // The current entry, as the list commands take it; false (and the message) when none.
    bool TakeCurrentEntry(const QString& nothingMessage);
    void OpenEditor(const QString& typ, const QString& source, const QString& nazwa, int editedIndex);
    QPoint At(const QPoint& offset) const { return pos() + offset; }

    EntryList& list;
    SevenZipPacker& packer;
    class Ports;
    class RunBridge;
    std::unique_ptr<Ports> ports;
    KeyPreview* preview;
    std::unique_ptr<MessageDialog> warning;
    EntryEditor* editor;
    MenuPanel* menu;
    AboutWindow* about;
    RestoreWindow* restore;
    SettingsWindow* settingsWindow;
    HistoryWindow* historyWindow;
    std::unique_ptr<Startup> startup;
    std::unique_ptr<RunBridge> bridge;  // the window as the run at work sees it
    std::unique_ptr<ArchiveRun> run;
    std::unique_ptr<QThread> worker;
    std::exception_ptr runError;  // what the run raised (a log that cannot be written)
    int waitingForRun = 0;        // depth of WaitForRun
    bool unattendedRun = false;   // the run at work is the unattended start's
    RunResult lastRun;
    std::function<void()> terminateSeam;
    std::function<void(const QUrl&)> openSeam;
    bool shellOpens = true;
    bool simulatedArchiving = false;
    bool simulatedStop = false;
    bool shownOnce = false;
    bool altAlone = false;  // Alt is down and no other key came since
    friend class Ports;
};
