#pragma once
// The platform's default error report: a plain message box with the error's text, for the
// errors that come before the message dialog exists (the 7-Zip library cannot be loaded). Once
// the dialog exists, the error boundary (RunGuarded, core/UiPorts.h) shows errors through it.

#include <QApplication>
#include <QString>

#include <functional>

// Shows the report (also on standard error, for a run started from a terminal).
void ShowDefaultErrorReport(const QString& text);
// Test seam: when set, receives the report instead of the message box.
extern std::function<void(const QString&)> DefaultErrorReportHook;

// The application object of the windowed program. Every handler runs inside the error
// boundary already; its event boundary catches, as a last resort, whatever an event of Qt's
// own (a paint, a layout) still throws, and reports it the same way.
class SkrytkarApplication : public QApplication {
    Q_OBJECT
public:
    SkrytkarApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Exceptions the last resort has caught (tests check that handlers never leave one to it).
    static int LastResortCatches;
};
