#include "ui/windows/MainWindow.h"

#include "archive/run/ArchiveRun.h"
#include "core/Messages.h"
#include "ui/windows/ErrorReport.h"
#include "ui/skin/HotZone.h"
#include "ui/skin/ImageResource.h"
#include "platform/Platform.h"
#include "ui/skin/CylinderBar.h"
#include "ui/windows/CylinderBarPort.h"
#include "archive/run/RunPorts.h"
#include "ui/skin/SkinFont.h"
#include "ui/skin/SkinImage.h"
#include "archive/run/Startup.h"
#include "ui/windows/EntryEditor.h"
#include "ui/windows/FolderPicker.h"
#include "ui/windows/MenuPanel.h"
#include "ui/windows/RestoreWindow.h"
#include "core/EntryList.h"
#include "core/UiPorts.h"
#include "ui/windows/SettingsWindow.h"
#include "ui/windows/HistoryWindow.h"
#include "ui/windows/AboutWindow.h"
#include "ui/windows/WindowParts.h"
#include "ui/windows/WorkerCalls.h"
#include "ui/skin/MessageDialog.h"
#include "archive/sevenzip/SevenZip.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QEventLoop>
#include <QThread>

#include <atomic>
#include <type_traits>
#include <exception>
#include <utility>

namespace {

// True when the run ended on a log that could not be written.
bool RaisedLogWriteError(const std::exception_ptr& error)
{
    if (!error)
        return false;
    try {
        std::rethrow_exception(error);
    } catch (const LogWriteError&) {
        return true;
    } catch (...) {
        return false;
    }
}

// Lines of `Lista` are 13 pixels high.
class LineHeightDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), 13);
    }
};

} // namespace

// The main window as the start-up and the list operations see it, on the user-interface thread.
class MainWindow::Ports final : public MainWindowPort, public ListBoxPort {
public:
    explicit Ports(MainWindow* window)
        : window(window), etap(window, window->ProgresEtap), progress(window, window->Progress)
    {
    }

    // A bar's repaint also keeps the stop notice in step with the run.
    class Bar final : public ProgressPort {
    public:
        Bar(MainWindow* window, CylinderBar* bar) : window(window), port(bar) {}
        void SetMax(int value) override { port.SetMax(value); }
        void SetPosition(int value) override { port.SetPosition(value); }
        void SetVisible(bool visible) override { port.SetVisible(visible); }
        void Refresh() override
        {
            port.Refresh();
            window->UpdateStopNotice();
        }

    private:
        MainWindow* window;
        CylinderBarPort port;
    };

    // MainWindowPort
    ProgressPort& ProgresEtap() override { return etap; }
    ProgressPort& Progress() override { return progress; }
    bool StatusPanelVisible() const override { return !window->Pdziala->isHidden(); }
    void SetStatusPanelVisible(bool visible) override { window->Pdziala->setVisible(visible); }
    void LoadStatusImage(const QString& resourceName) override
    {
        LoadImageResource(resourceName, window->ImPrzetwarza);
        window->UpdateStopNotice();
    }
    void RefreshStatusImage() override { window->ImPrzetwarza->repaint(); }
    // The window's own event loop runs: nothing waits here.
    void ProcessWaitingInput() override {}
    void Pause(int milliseconds) override { QThread::msleep(static_cast<unsigned long>(std::max(milliseconds, 0))); }
    void RepaintMainWindow() override
    {
        window->UpdateStopNotice();
        window->repaint();
    }
    void Minimize() override { window->showMinimized(); }
    void Terminate() override { window->Terminate(); }

    // ListBoxPort
    void Clear() override
    {
        const Guard guard(window->Lista);
        window->Lista->clear();
    }
    void AddItem(const QString& text) override
    {
        const Guard guard(window->Lista);
        window->Lista->addItem(text);
    }
    int Count() const override { return window->Lista->count(); }
    bool IsSelected(int index) const override
    {
        const QListWidgetItem* item = window->Lista->item(index);
        return item && item->isSelected();
    }
    void SetSelected(int index, bool selected) override
    {
        const Guard guard(window->Lista);
        QListWidgetItem* item = window->Lista->item(index);
        if (!item)
            return;
        item->setSelected(selected);
        // The keyboard's place follows the line the program selects, so the keys move from it.
        if (selected)
            window->Lista->setCurrentRow(index, QItemSelectionModel::NoUpdate);
    }

    struct Guard {
        explicit Guard(EntryListBox* box) : box(box) { ++box->programmatic; }
        ~Guard() { --box->programmatic; }
        EntryListBox* box;
    };

private:
    MainWindow* window;
    Bar etap;
    Bar progress;
};

// The window as the run sees it from its worker thread. What only draws is queued to the
// user-interface thread and returns at once; what answers (a question, a line's selection) is
// asked there and waited for: the user-interface thread never waits for the worker while a
// run works, so this cannot deadlock. A question's message dialog runs its own modal loop on
// the user-interface thread: the one nested loop left, as a modal dialog needs one.
class MainWindow::RunBridge final : public MainWindowPort, public MessagePort, public ListBoxPort {
public:
    // Made on the user-interface thread, before the run starts.
    RunBridge(MainWindow* window, Ports& ui)
        : window(window), ui(ui), etap(*this, ui.ProgresEtap()), progress(*this, ui.Progress()),
          panelVisible(ui.StatusPanelVisible())
    {
    }

    // A bar: its position follows the packer far more often than a screen can show, so
    // position updates are merged, the latest one drawn; the rest keeps its order.
    class Bar final : public ProgressPort {
    public:
        Bar(RunBridge& bridge, ProgressPort& ui)
            : bridge(bridge), ui(ui), position(bridge.window, [&ui](int value) {
                  ui.SetPosition(value);
                  ui.Refresh();
              })
        {
        }
        void SetMax(int value) override
        {
            bridge.Post([&ui = ui, value] { ui.SetMax(value); });
        }
        void SetPosition(int value) override { position.Set(value); }
        void SetVisible(bool visible) override
        {
            bridge.Post([&ui = ui, visible] {
                ui.SetVisible(visible);
                ui.Refresh();
            });
        }
        void Refresh() override {}  // each change above repaints

    private:
        RunBridge& bridge;
        ProgressPort& ui;
        LatestValue position;
    };

    // MainWindowPort
    ProgressPort& ProgresEtap() override { return etap; }
    ProgressPort& Progress() override { return progress; }
    // Only the run shows and hides the panel while it works.
    bool StatusPanelVisible() const override { return panelVisible; }
    void SetStatusPanelVisible(bool visible) override
    {
        panelVisible = visible;
        Post([&ui = ui, visible] { ui.SetStatusPanelVisible(visible); });
    }
    void LoadStatusImage(const QString& resourceName) override
    {
        Post([&ui = ui, resourceName] {
            ui.LoadStatusImage(resourceName);
            ui.RefreshStatusImage();
        });
    }
    void RefreshStatusImage() override {}  // LoadStatusImage repaints
    void ProcessWaitingInput() override {}
    // The worker waits; the window stays busy (and responsive) meanwhile.
    void Pause(int milliseconds) override { QThread::msleep(static_cast<unsigned long>(std::max(milliseconds, 0))); }
    void RepaintMainWindow() override
    {
        Post([&ui = ui] { ui.RepaintMainWindow(); });
    }
    void Minimize() override
    {
        Post([&ui = ui] { ui.Minimize(); });
    }
    void Terminate() override
    {
        Post([&ui = ui] { ui.Terminate(); });
    }

    // MessagePort
    int Show(int buttons, int icon, const QString& text) override
    {
        return Ask([&] { return ShowWarning(buttons, icon, text); });
    }

    // ListBoxPort: the run only reads the selection.
    void Clear() override {}
    void AddItem(const QString&) override {}
    int Count() const override { return Ask([this] { return ui.Count(); }); }
    bool IsSelected(int index) const override { return Ask([this, index] { return ui.IsSelected(index); }); }
    void SetSelected(int, bool) override {}

    // Runs on the user-interface thread, after everything posted before it.
    template <typename Work>
    void Post(Work work) const
    {
        PostTo(window, std::move(work));
    }

private:
    template <typename Work>
    std::invoke_result_t<Work> Ask(Work work) const
    {
        return AskOn(window, std::move(work));
    }

    MainWindow* window;
    Ports& ui;
    Bar etap;
    Bar progress;
    std::atomic<bool> panelVisible;
};

EntryListBox::EntryListBox(QWidget* parent) : QListWidget(parent)
{
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (programmatic == 0)
            Q_EMIT Click();
    });
}

void EntryListBox::mousePressEvent(QMouseEvent* event)
{
    Q_EMIT pressed();
    QListWidget::mousePressEvent(event);
}

void EntryListBox::mouseReleaseEvent(QMouseEvent* event)
{
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        Q_EMIT Click();
}

void EntryListBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        Q_EMIT DblClick();
}

MainWindow::MainWindow(EntryList& list, SevenZipPacker& packer, const QStringList& arguments, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), list(list), packer(packer)
{
    setObjectName(QStringLiteral("FGlowny"));
    setWindowTitle(QString::fromUtf8(ApplicationTitle));
    setFixedSize(500, 450);
    setFont(DesignFont(11));

    PPodstawa = new QWidget(this);
    PPodstawa->setGeometry(0, 0, 500, 450);
    ImTlo = new SkinImage(PPodstawa);
    ImTlo->setGeometry(0, 0, 500, 450);
    LoadImageResource(QStringLiteral("tlo_glowny"), ImTlo);

    LListwa = new HotZone(PPodstawa, QRect(16, 8, 401, 33), QStringLiteral("LListwa"), windowTitle(), QAccessible::TitleBar);
    LMinime = new HotZone(PPodstawa, QRect(430, 19, 17, 17), QStringLiteral("LMinime"), QStringLiteral("Minimalizuj"));
    LClose = new HotZone(PPodstawa, QRect(462, 20, 17, 17), QStringLiteral("LClose"), QStringLiteral("Zamknij"));
    LMenuPLik = new HotZone(PPodstawa, QRect(17, 55, 58, 17), QStringLiteral("LMenuPLik"), QStringLiteral("Plik"), QAccessible::ButtonMenu);
    LMenuEdycja = new HotZone(PPodstawa, QRect(79, 55, 62, 17), QStringLiteral("LMenuEdycja"), QStringLiteral("Edycja"), QAccessible::ButtonMenu);
    LMenuPomoc = new HotZone(PPodstawa, QRect(159, 55, 62, 17), QStringLiteral("LMenuPomoc"), QStringLiteral("Pomoc"), QAccessible::ButtonMenu);

    Lista = new EntryListBox(PPodstawa);
    Lista->setObjectName(QStringLiteral("Lista"));
    Lista->setGeometry(45, 129, 205, 263);
    Lista->setFrameShape(QFrame::NoFrame);
    Lista->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Lista->setItemDelegate(new LineHeightDelegate(Lista));
    Lista->setUniformItemSizes(true);
    Lista->setFont(DesignFont(11));
    Lista->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Lista->setTextElideMode(Qt::ElideRight);
    QPalette listPalette = Lista->palette();
    listPalette.setColor(QPalette::Base, Qt::white);
    listPalette.setColor(QPalette::Text, Qt::black);
    // The selection in the skin's green, also while another window has the keyboard.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        // Dark enough for white text to read well (contrast above 6:1).
        listPalette.setColor(group, QPalette::Highlight, QColor(46, 102, 42));
        listPalette.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    Lista->setPalette(listPalette);

    LArchiwum = new HotZone(PPodstawa, QRect(316, 336, 141, 51), QStringLiteral("LArchiwum"), QStringLiteral("Archiwizuj      Alt+A"));

    Pdziala = new QWidget(PPodstawa);
    Pdziala->setObjectName(QStringLiteral("Pdziala"));
    Pdziala->setGeometry(314, 198, 137, 87);
    ImPrzetwarza = new SkinImage(Pdziala);
    ImPrzetwarza->setGeometry(0, 0, 137, 87);
    Progress = new CylinderBar(Pdziala);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setGeometry(7, 33, 120, 15);
    ApplyBarDesign(Progress, 10795436);
    ProgresEtap = new CylinderBar(Pdziala);
    ProgresEtap->setObjectName(QStringLiteral("ProgresEtap"));
    ProgresEtap->setGeometry(8, 48, 120, 14);
    ApplyBarDesign(ProgresEtap, 9281173);
    LPrzerwanie = new QLabel(Msg::StopHeard(), Pdziala);
    LPrzerwanie->setObjectName(QStringLiteral("LPrzerwanie"));
    LPrzerwanie->setGeometry(6, 66, 125, 18);
    LPrzerwanie->setAlignment(Qt::AlignCenter);
    LPrzerwanie->setTextFormat(Qt::PlainText);
    LPrzerwanie->setFont(SkinFont(QStringLiteral("Arial"), 10));
    // The panel picture's own colours at this height, so the line replaces the hint beneath it.
    QPalette noticePalette = LPrzerwanie->palette();
    noticePalette.setColor(QPalette::Window, QColor(208, 221, 201));
    noticePalette.setColor(QPalette::WindowText, QColor(0x20, 0x38, 0x1D));
    LPrzerwanie->setPalette(noticePalette);
    LPrzerwanie->setAutoFillBackground(true);
    LPrzerwanie->hide();

    LOstatnia = new QLabel(PPodstawa);
    LOstatnia->setObjectName(QStringLiteral("LOstatnia"));
    LOstatnia->setGeometry(30, 420, 370, 16);
    LOstatnia->setTextFormat(Qt::PlainText);
    LOstatnia->setFont(SkinFont(QStringLiteral("Arial"), 10));

    PPodsumowanie = new QWidget(PPodstawa);
    PPodsumowanie->setObjectName(QStringLiteral("PPodsumowanie"));
    PPodsumowanie->setGeometry(316, 200, 133, 83);
    QPalette summaryPalette = PPodsumowanie->palette();
    summaryPalette.setColor(QPalette::Window, QColor(208, 221, 201));
    summaryPalette.setColor(QPalette::WindowText, QColor(0x20, 0x38, 0x1D));
    PPodsumowanie->setPalette(summaryPalette);
    PPodsumowanie->setAutoFillBackground(true);
    LPodsumowanie = new QLabel(PPodsumowanie);
    LPodsumowanie->setObjectName(QStringLiteral("LPodsumowanie"));
    LPodsumowanie->setGeometry(4, 2, 125, 62);
    LPodsumowanie->setTextFormat(Qt::PlainText);
    LPodsumowanie->setWordWrap(true);
    LPodsumowanie->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LPodsumowanie->setFont(SkinFont(QStringLiteral("Arial"), 10));
    LHistoriaRunu = new QLabel(Msg::SummaryToHistory(), PPodsumowanie);
    LHistoriaRunu->setObjectName(QStringLiteral("LHistoriaRunu"));
    LHistoriaRunu->setGeometry(4, 65, 125, 16);
    LHistoriaRunu->setAlignment(Qt::AlignCenter);
    QFont linkFont = SkinFont(QStringLiteral("Arial"), 10);
    linkFont.setUnderline(true);
    linkFont.setBold(true);
    LHistoriaRunu->setFont(linkFont);
    LHistoriaRunuZone = new HotZone(PPodsumowanie, QRect(4, 65, 125, 16), QStringLiteral("LHistoriaRunuZone"),
                                    Msg::SummaryToHistory());
    PPodsumowanie->hide();
    // The summary stands above the archive button: Tab reaches its link first.
    QWidget::setTabOrder(Lista, LHistoriaRunuZone);
    QWidget::setTabOrder(LHistoriaRunuZone, LArchiwum);

    connect(ImTlo, &SkinImage::clicked, this, Guarded(this, &MainWindow::ImTloClick));
    connect(LListwa, &HotZone::mousePressed, this, Guarded(this, &MainWindow::LListwaMouseDown));
    connect(LListwa, &HotZone::mouseMoved, this, Guarded(this, &MainWindow::LListwaMouseMove));
    connect(LListwa, &HotZone::mouseReleased, this, Guarded(this, &MainWindow::LListwaMouseUp));
    connect(LMinime, &HotZone::clicked, this, Guarded(this, &MainWindow::LMinimeClick));
    connect(LClose, &HotZone::clicked, this, Guarded(this, &MainWindow::LCloseClick));
    connect(LMenuPLik, &HotZone::clicked, this, Guarded(this, &MainWindow::LMenuPLikClick));
    connect(LMenuEdycja, &HotZone::clicked, this, Guarded(this, &MainWindow::LMenuEdycjaClick));
    connect(LMenuPomoc, &HotZone::clicked, this, Guarded(this, &MainWindow::LMenuPomocClick));
    connect(LMenuPLik, &HotZone::mouseMoved, this, Guarded(this, &MainWindow::LMenuPLikMouseMove));
    connect(LMenuEdycja, &HotZone::mouseMoved, this, Guarded(this, &MainWindow::LMenuEdycjaMouseMove));
    connect(LMenuPomoc, &HotZone::mouseMoved, this, Guarded(this, &MainWindow::LMenuPomocMouseMove));
    connect(LArchiwum, &HotZone::clicked, this, Guarded(this, &MainWindow::LArchiwumClick));
    connect(LHistoriaRunuZone, &HotZone::clicked, this, Guarded([this] { ShowHistory(lastRun.FolderName); }));
    connect(Lista, &EntryListBox::pressed, this, Guarded(this, &MainWindow::CloseMenuPanel));
    connect(Lista, &EntryListBox::Click, this, Guarded(this, &MainWindow::ListaClick));
    connect(Lista, &EntryListBox::DblClick, this, Guarded(this, &MainWindow::ListaDblClick));

    ports = std::make_unique<Ports>(this);
    preview = new KeyPreview(this, [this](QKeyEvent* event) { return FormKeyDown(event); });

    list.SetListBox(ports.get());
    startup = std::make_unique<Startup>(arguments, list, *ports, [this] { ArchiveAllEntries(); });
    // The other windows in their order. The message dialog has no parent: it is centred on the
    // screen and stays on top of every window.
    warning = std::make_unique<MessageDialog>();
    editor = new EntryEditor(this);
    menu = new MenuPanel(*this);
    about = new AboutWindow(this);
    restore = new RestoreWindow(packer, this);
    settingsWindow = new SettingsWindow(this);
    // The keyboard starts in the list, though Tab reaches the drawn buttons before it.
    Lista->setFocus();
    historyWindow = new HistoryWindow([this](const QUrl& url) { OpenWithShell(url); }, this);
}

MainWindow::~MainWindow()
{
    // A run still at work ends first: its log is written, and its questions are answered.
    WaitForRun();
    // The other windows first, in the reverse order.
    delete historyWindow;
    delete settingsWindow;
    delete restore;
    delete about;
    delete menu;
    delete editor;
    warning.reset();
    startup.reset();
    if (list.ListBox() == ports.get())
        list.SetListBox(nullptr);
}

ListBoxPort& MainWindow::ListBox()
{
    return *ports;
}

MainWindowPort& MainWindow::WindowPort()
{
    return *ports;
}

bool MainWindow::Archiving() const
{
    return simulatedArchiving || (run && run->Archiving());
}

bool MainWindow::StopRequested() const
{
    return simulatedArchiving ? simulatedStop : run && run->StopRequested();
}

void MainWindow::SimulateArchiving(bool on)
{
    simulatedArchiving = on;
    simulatedStop = false;
}

void MainWindow::RequestStop()
{
    if (run)
        run->RequestStop();
    else
        simulatedStop = true;
}

bool MainWindow::RunBusy() const
{
    return simulatedArchiving || run != nullptr;
}

RunParameters MainWindow::MakeRunParameters()
{
    RunParameters parameters;
    parameters.Entries = list.Entries();
    parameters.Packer = &packer;
    parameters.Window = bridge.get();
    parameters.Messages = bridge.get();
    parameters.Selection = bridge.get();
    parameters.Unattended = startup && startup->Unattended();
    // The window sums up a run it started itself; the unattended run keeps its message.
    parameters.SummaryInWindow = !parameters.Unattended;
    return parameters;
}

bool MainWindow::StartRun(const std::function<void(ArchiveRun&)>& work)
{
    // The window refuses its commands during a run; this keeps a run from ever starting inside
    // another one.
    if (run)
        return false;
    runError = nullptr;
    PPodsumowanie->hide();
    bridge = std::make_unique<RunBridge>(this, *ports);
    run = std::make_unique<ArchiveRun>(MakeRunParameters());
    ArchiveRun* runAtWork = run.get();
    worker.reset(QThread::create([this, work, runAtWork] {
        try {
            work(*runAtWork);
        } catch (...) {
            runError = std::current_exception();
        }
    }));
    // The run's end reaches the window through the queue, after everything the run drew.
    connect(worker.get(), &QThread::finished, this, Guarded(this, &MainWindow::FinishRun), Qt::QueuedConnection);
    worker->start();
    return true;
}

void MainWindow::FinishRun()
{
    if (!run)
        return;
    worker->wait();
    worker.reset();
    lastRun = run->Result();
    run.reset();
    bridge.reset();
    UpdateStopNotice();
    if (!unattendedRun)
        ShowRunSummary();
    UpdateLastFullRun();
    if (std::exchange(unattendedRun, false))
        startup->UnattendedRunEnded(lastRun, RaisedLogWriteError(runError));
    Q_EMIT RunEnded();
    // A log that could not be written is reported here, unless someone waits for the run.
    if (runError && waitingForRun == 0)
        std::rethrow_exception(std::exchange(runError, nullptr));
}

void MainWindow::WaitForRun()
{
    // A local loop: nothing of the run's work runs inside it, and the window refuses its
    // commands as during any run.
    ++waitingForRun;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{waitingForRun};
    QEventLoop loop;
    connect(this, &MainWindow::RunEnded, &loop, &QEventLoop::quit);
    while (run)
        loop.exec();
}

void MainWindow::ArchiveSelected()
{
    StartRun([](ArchiveRun& r) { r.ArchiveSelected(); });
}

void MainWindow::ArchiveAllEntries()
{
    if (StartRun([](ArchiveRun& r) { r.ArchiveAll(); })) {
        unattendedRun = true;
        return;
    }
    RunResult refused;
    refused.Start = RunStart::AlreadyRunning;
    startup->UnattendedRunEnded(refused, false);
}

void MainWindow::UpdateStopNotice()
{
    // ProgresEtap is shown only while the run goes over the entries; an Escape after the last
    // one asks nothing, so it shows nothing either.
    const bool show = Archiving() && StopRequested() && !ProgresEtap->isHidden();
    if (show == LPrzerwanie->isHidden()) {
        LPrzerwanie->setVisible(show);
        LPrzerwanie->repaint();
    }
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (shownOnce)
        return;
    shownOnce = true;
    Drag.Release();
    // An unreadable list file leaves Show here, before it fills the list or arms Zegar.
    RunGuarded([this] { startup->Show(); });
    UpdateLastFullRun();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // A close request from the window system during a run is refused, like the close zone;
    // otherwise the window closes, and with the last window the message loop ends.
    if (RunBusy()) {
        event->ignore();
        return;
    }
    CloseMenuPanel();
    event->accept();
}

void MainWindow::CloseMenuPanel()
{
    if (menu && menu->isVisible())
        menu->hide();
}

int MainWindow::SelectedCount() const
{
    return int(Lista->selectedItems().size());
}

int MainWindow::SelectAll()
{
    if (list.IsEmpty()) {
        ShowWarning(ButtonsClose, IconInfo, Msg::NothingToSelect());
        return 0;
    }
    const Ports::Guard guard(Lista);
    for (int i = 0; i < Lista->count(); ++i)
        Lista->item(i)->setSelected(true);
    return SelectedCount();
}

void MainWindow::ImTloClick()
{
    CloseMenuPanel();
}

void MainWindow::LListwaMouseDown(QMouseEvent* event)
{
    CloseMenuPanel();
    Drag.Press(this, event->globalPosition().toPoint());
}

void MainWindow::LListwaMouseMove(QMouseEvent* event)
{
    Drag.Move(this, event->globalPosition().toPoint());
}

void MainWindow::LListwaMouseUp(QMouseEvent*)
{
    Drag.Release();
}

void MainWindow::LMinimeClick()
{
    CloseMenuPanel();
    showMinimized();
}

void MainWindow::LCloseClick()
{
    CloseMenuPanel();
    if (!RunBusy())
        Terminate();
}

void MainWindow::ListaClick()
{
    CloseMenuPanel();
    if (!RunBusy())
        list.SetCurrentIndex(Lista->currentRow());
}

void MainWindow::ListaDblClick()
{
    CloseMenuPanel();
    if (RunBusy())
        return;
    list.SetCurrentIndex(Lista->currentRow());
    EditEntry();
}

void MainWindow::LArchiwumClick()
{
    CloseMenuPanel();
    if (Lista->count() >= 1 && !RunBusy())
        ArchiveSelected();
}

// A click on a menu title opens its panel, or closes whichever panel is open.
void MainWindow::MenuTitleClick(int panel)
{
    if (RunBusy())
        return;
    if (menu->isVisible())
        CloseMenuPanel();
    else
        menu->ShowMenuPanel(panel, SelectedCount());
}

// Moving over a title while a panel is open switches to that title's panel.
void MainWindow::MenuTitleMouseMove(int panel)
{
    if (menu->isVisible() && !RunBusy())
        menu->ShowMenuPanel(panel, SelectedCount());
}

void MainWindow::LMenuPLikClick() { MenuTitleClick(0); }
void MainWindow::LMenuEdycjaClick() { MenuTitleClick(1); }
void MainWindow::LMenuPomocClick() { MenuTitleClick(2); }
void MainWindow::LMenuPLikMouseMove() { MenuTitleMouseMove(0); }
void MainWindow::LMenuEdycjaMouseMove() { MenuTitleMouseMove(1); }
void MainWindow::LMenuPomocMouseMove() { MenuTitleMouseMove(2); }

bool MainWindow::FormKeyDown(QKeyEvent* event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool altOnly = modifiers == Qt::AltModifier && QGuiApplication::mouseButtons() == Qt::NoButton;
    const auto alt = [&](int letter) { return altOnly && key == letter; };
    const bool oneSelected = SelectedCount() == 1;
    const bool busy = RunBusy();
    altAlone = key == Qt::Key_Alt && (modifiers & ~Qt::AltModifier) == Qt::NoModifier;

    // An open menu takes its keys first: arrows, Enter, Escape.
    if (menu->isVisible() && menu->KeyDown(event))
        return true;
    if (key == Qt::Key_F10 && (modifiers == Qt::NoModifier)) {
        ToggleMenuFromKeyboard();
        return true;
    }
    if (alt(Qt::Key_A) && !busy) {
        ArchiveSelected();  // as the menu item "Archiwizuj": an empty list or selection is said
        return true;
    }

    if (key == Qt::Key_F1)
        OpenHelpFile();  // during a run too; the key goes on
    if (alt(Qt::Key_U))
        return true;
    if (alt(Qt::Key_D) && oneSelected && !busy) {
        DeleteEntry();
        return true;
    }
    if (alt(Qt::Key_E) && oneSelected && !busy) {
        EditEntry();
        return true;
    }
    if (key == Qt::Key_Delete && oneSelected && !busy) {
        DeleteEntry();
        return true;
    }
    if (key == Qt::Key_Up && oneSelected && !busy && Lista->count() > 0) {
        MoveSelection(-1);
        return true;
    }
    if (key == Qt::Key_Down && oneSelected && !busy) {
        MoveSelection(+1);
        return true;
    }
    if (alt(Qt::Key_R) && oneSelected && !busy) {
        OpenRestoreWindow();
        return true;
    }
    if (alt(Qt::Key_P) && !busy) {
        AddFileEntry();
        return true;
    }
    if (alt(Qt::Key_F) && !busy) {
        AddFolderEntry();
        return true;
    }
    if (key == Qt::Key_Escape && Archiving()) {
        RequestStop();
        UpdateStopNotice();
        return true;
    }
    // The Enter character reaches no control, except a drawn button that has the keyboard: it
    // presses it.
    if (qobject_cast<HotZone*>(focusWidget()))
        return false;
    return event->text() == QLatin1String("\r");
}

void MainWindow::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Alt && !event->isAutoRepeat() && std::exchange(altAlone, false)
        && QGuiApplication::mouseButtons() == Qt::NoButton) {
        RunGuarded([this] { ToggleMenuFromKeyboard(); });
        event->accept();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        altAlone = false;
    QWidget::changeEvent(event);
}

void MainWindow::ToggleMenuFromKeyboard()
{
    if (menu->isVisible()) {
        CloseMenuPanel();
        return;
    }
    if (RunBusy())
        return;
    menu->ShowMenuPanel(0, SelectedCount());
    menu->LightFirstItem();
}

void MainWindow::MoveSelection(int step)
{
    const Ports::Guard guard(Lista);
    const int count = Lista->count();
    if (QListWidgetItem* item = Lista->item(list.CurrentIndex()))
        item->setSelected(false);
    int row = Lista->currentRow();
    if (step < 0)
        row = row <= 0 ? count - 1 : row - 1;
    else
        row = row >= count - 1 ? 0 : row + 1;
    Lista->setCurrentRow(row, QItemSelectionModel::NoUpdate);
    list.SetCurrentIndex(row);
    if (QListWidgetItem* item = Lista->item(row))
        item->setSelected(true);
}

bool MainWindow::TakeCurrentEntry(const QString& nothingMessage)
{
    if (list.CurrentIndex() < 0) {
        ShowWarning(ButtonsClose, IconInfo, nothingMessage);
        return false;
    }
    return list.HasCurrentEntry();
}

void MainWindow::OpenEditor(const QString& typ, const QString& source, const QString& nazwa, int editedIndex)
{
    EditorRequest request;
    request.Typ = typ;
    request.Source = source;
    request.Nazwa = nazwa;
    // A new entry is offered the destination of the line the user works on.
    request.Docel = list.HasCurrentEntry() ? list.CurrentEntry().Docel : QString();
    request.RepeatsAnotherEntry = [this, editedIndex](const QString& nazwa, const QString& docel) {
        return ::RepeatsAnotherEntry(list.Entries(), editedIndex, nazwa, docel);
    };
    const std::optional<EditorChoice> choice = editor->Edit(request, At(QPoint(25, 81)));
    if (!choice)
        return;
    if (editedIndex < 0)
        list.AppendEntry(typ, choice->Nazwa, source, choice->Docel);
    else
        list.UpdateCurrentEntry(typ, choice->Nazwa, source, choice->Docel);
}

void MainWindow::AddFileEntry()
{
    const std::optional<QString> file = editor->RunOpenFileDialog();
    if (!file)
        return;
    OpenEditor(QStringLiteral("Plik"), *file, SuggestedEntryName(QStringLiteral("Plik"), *file), -1);
}

void MainWindow::AddFolderEntry()
{
    // A copy: the editor's own choice of a destination goes through the same picker.
    const std::optional<QString> source = editor->RunFolderPicker();
    if (!source)
        return;
    OpenEditor(QStringLiteral("Folder"), *source, SuggestedEntryName(QStringLiteral("Folder"), *source), -1);
}

void MainWindow::EditEntry()
{
    if (!TakeCurrentEntry(Msg::NothingToEdit()))
        return;
    const Entry entry = list.CurrentEntry();
    OpenEditor(entry.Typ, entry.Source, entry.Nazwa, list.CurrentIndex());
}

void MainWindow::DeleteEntry()
{
    if (!TakeCurrentEntry(Msg::NothingToDelete()))
        return;
    const int answer = ShowWarning(ButtonsYesNoCancel, IconQuestion, Msg::ConfirmDelete(list.CurrentEntry().Nazwa));
    // The window under the closed question repaints before the list is rewritten and saved.
    QCoreApplication::processEvents();
    if (answer == AnswerYes)
        list.DeleteCurrentEntry();
}

void MainWindow::NewList()
{
    const int answer = ShowWarning(ButtonsYesNoCancel, IconQuestion, Msg::ConfirmNewList());
    QCoreApplication::processEvents();
    if (answer == AnswerYes)
        list.ClearList();
}

void MainWindow::OpenRestoreWindow()
{
    if (RunBusy())
        return;
    const QList<QListWidgetItem*> selected = Lista->selectedItems();
    if (selected.size() != 1) {
        ShowWarning(ButtonsClose, IconInfo, Msg::RestoreNothingSelected());
        return;
    }
    const int row = Lista->row(selected.constFirst());
    list.SetCurrentIndex(row);
    if (!list.HasCurrentEntry())
        return;
    restore->ShowRestore(list.CurrentEntry());
}

void MainWindow::ShowSettings()
{
    if (!RunBusy())
        settingsWindow->ShowUstawienia();
}

void MainWindow::ShowHistory(const QString& folderName)
{
    if (!RunBusy())
        historyWindow->ShowHistory(list.Entries(), folderName);
}

void MainWindow::UpdateLastFullRun()
{
    bool warning = false;
    const QString text = LastFullRunText(LastFullRun(list.Entries(), ReadHistory()), QDateTime::currentDateTime(),
                                         LoadSettingsNumber(QStringLiteral("OstrzegajPoDniach"), DefaultWarnAfterDays),
                                         warning);
    LOstatnia->setText(list.Entries().empty() ? QString() : text);
    QPalette palette = LOstatnia->palette();
    palette.setColor(QPalette::WindowText, warning ? QColor(170, 30, 20) : QColor(0x20, 0x38, 0x1D));
    LOstatnia->setPalette(palette);
}

void MainWindow::ShowRunSummary()
{
    if (lastRun.Start != RunStart::Ran || lastRun.ListEmpty) {
        PPodsumowanie->hide();
        return;
    }
    LPodsumowanie->setText(RunSummaryText(lastRun));
    LHistoriaRunu->setVisible(!lastRun.FolderName.isEmpty());
    LHistoriaRunuZone->setVisible(!lastRun.FolderName.isEmpty());
    PPodsumowanie->show();
    PPodsumowanie->raise();
}

void MainWindow::ShowAbout()
{
    about->ShowAbout();
}

void MainWindow::OpenHelpFile()
{
    const QString file = ProgramDirectory() + QStringLiteral("Pomoc/index.htm");
    if (!OpenWithShell(QUrl::fromLocalFile(file)))
        ShowWarning(ButtonsClose, IconInfo,
                    QStringLiteral("Nie znaleziono przeglądarki, która pokaże pomoc. Plik pomocy:\r") + file);
}

void MainWindow::OpenWebsite()
{
    OpenWithShell(QUrl(QString::fromLatin1(WebsiteAddress)));
}

bool MainWindow::OpenWithShell(const QUrl& url)
{
    if (openSeam) {
        openSeam(url);
        return shellOpens;
    }
    // The desktop's opener starts whether or not anything can show a page; without a browser
    // it fails where nobody sees it, so the page's handler is looked up first.
    if (!qEnvironmentVariableIsSet("BROWSER")) {
        if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
            return false;
        QProcess query;
        query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                                 url.isLocalFile() ? QStringLiteral("text/html")
                                                                   : QStringLiteral("x-scheme-handler/") + url.scheme()});
        if (query.waitForFinished(3000) && query.exitStatus() == QProcess::NormalExit
            && query.readAllStandardOutput().trimmed().isEmpty())
            return false;
    }
    return QDesktopServices::openUrl(url);
}

void MainWindow::Terminate()
{
    if (terminateSeam) {
        terminateSeam();
        return;
    }
    QCoreApplication::quit();
}
