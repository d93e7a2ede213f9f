#pragma once
// The platform's default error report: an exception that leaves an event handler is shown in a
// plain message box with its text, and the program goes on.

#include <QApplication>
#include <QString>

#include <functional>

// Shows the report (also on standard error, for a run started from a terminal).
void ShowDefaultErrorReport(const QString& text);
// Test seam: when set, receives the report instead of the message box.
extern std::function<void(const QString&)> DefaultErrorReportHook;

// Runs a handler; an exception that leaves it is reported and goes no further.
void CallReportingErrors(const std::function<void()>& handler);

// The application object of the windowed program: exceptions that reach the event boundary
// are reported there.
class TSkrytkarApplication : public QApplication {
    Q_OBJECT
public:
    TSkrytkarApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
