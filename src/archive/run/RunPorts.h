#pragma once
// What the archive run and the start-up need of the main window, as narrow ports. The main
// window implements them; tests use fakes; an unattended run without a display uses a
// headless implementation that draws nothing.

#include <QString>

// One progress bar (CylinderBar) as the run drives it.
class ProgressPort {
public:
    virtual ~ProgressPort() = default;
    virtual void SetMax(int value) = 0;
    virtual void SetPosition(int value) = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual void Refresh() = 0;  // repaint at once
};

// The main window's parts the run and the start-up touch.
class MainWindowPort {
public:
    virtual ~MainWindowPort() = default;
    virtual ProgressPort& ProgresEtap() = 0;  // the run's place in the entry list
    virtual ProgressPort& Progress() = 0;     // bytes packed of the current entry
    virtual bool StatusPanelVisible() const = 0;           // Pdziala
    virtual void SetStatusPanelVisible(bool visible) = 0;
    virtual void LoadStatusImage(const QString& resourceName) = 0;  // into ImPrzetwarza
    virtual void RefreshStatusImage() = 0;
    virtual void ProcessWaitingInput() = 0;   // handle the waiting input and paint requests once
    virtual void Pause(int milliseconds) = 0; // the window does not respond meanwhile
    virtual void RepaintMainWindow() = 0;
    virtual void Minimize() = 0;
    virtual void Terminate() = 0;             // end the message loop; the program exits
};

// The window of a run without a display: nothing to draw, no input to wait for and nobody to see
// the closing picture, so it does nothing at all except ending the event loop when there is one.
class HeadlessProgress final : public ProgressPort {
public:
    void SetMax(int) override {}
    void SetPosition(int) override {}
    void SetVisible(bool) override {}
    void Refresh() override {}
};

class HeadlessMainWindow final : public MainWindowPort {
public:
    ProgressPort& ProgresEtap() override { return etap; }
    ProgressPort& Progress() override { return progress; }
    bool StatusPanelVisible() const override { return panelVisible; }
    void SetStatusPanelVisible(bool visible) override { panelVisible = visible; }
    void LoadStatusImage(const QString&) override {}
    void RefreshStatusImage() override {}
    void ProcessWaitingInput() override {}
    void Pause(int) override {}
    void RepaintMainWindow() override {}
    void Minimize() override {}
    void Terminate() override;

private:
    HeadlessProgress etap;
    HeadlessProgress progress;
    bool panelVisible = true;
};
