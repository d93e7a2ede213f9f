#pragma once
// The platform's default error report: a plain message box with the error's text, for the
// errors that come before the message dialog exists (the 7-Zip library cannot be loaded). Once
// the dialog exists, the error boundary (RunGuarded, core/UiPorts.h) shows errors through it.

#include <QApplication>
#include <QString>

#include <functional>

class UserInterfacePorts;

// Shows the report in a plain message box (also on standard error, for a run started from a
// terminal).
void ShowDefaultErrorReport(const QString& text);

// The application object of the windowed program. It holds the program's UserInterfacePorts
// (the message port and the early error report). Every handler runs inside the error
// boundary already; its event boundary catches, as a last resort, whatever an event of Qt's
// own (a paint, a layout) still throws, and reports it the same way.
class SkrytkarApplication : public QApplication {
    Q_OBJECT
public:
    SkrytkarApplication(int& argc, char** argv);
    ~SkrytkarApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;

    UserInterfacePorts& Ports() { return *ports; }

    // The report before the message dialog exists: ShowDefaultErrorReport, or the seam.
    void ReportBeforeWindows(const QString& text);
    // Test seam: when set, receives that report (after standard error) instead of the box.
    void SetDefaultReportSeam(std::function<void(const QString&)> seam) { defaultReportSeam = std::move(seam); }

    // Exceptions the last resort has caught (tests check that handlers never leave one to it).
    int LastResortCatches() const { return lastResortCatches; }
    void ResetLastResortCatches() { lastResortCatches = 0; }

private:
    UserInterfacePorts* ports;
    std::function<void(const QString&)> defaultReportSeam;
    int lastResortCatches = 0;
};
