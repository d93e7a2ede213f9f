#include "ui/windows/ErrorReport.h"

#include "archive/run/Startup.h"
#include "core/UiPorts.h"

#include <QMessageBox>

std::function<void(const QString&)> DefaultErrorReportHook;

void ShowDefaultErrorReport(const QString& text)
{
    ReportToStandardError(text);
    if (DefaultErrorReportHook) {
        DefaultErrorReportHook(text);
        return;
    }
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox::critical(nullptr, QString::fromUtf8(ApplicationTitle), shown);
}

SkrytkarApplication::SkrytkarApplication(int& argc, char** argv) : QApplication(argc, argv) {}

int SkrytkarApplication::LastResortCatches = 0;

bool SkrytkarApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ++LastResortCatches;
        const std::exception_ptr error = std::current_exception();
        RunGuarded([&] { ReportError(UserTextOf(error)); });
        return false;
    }
}
