#include "ui/windows/ErrorReport.h"

#include "archive/run/Startup.h"
#include "core/Messages.h"

#include <QMessageBox>

#include <exception>

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

namespace {

QString TextOf(const std::exception& error)
{
    const QString text = QString::fromUtf8(error.what());
    return text.isEmpty() ? Msg::UnexpectedError() : text;
}

} // namespace

void CallReportingErrors(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        ShowDefaultErrorReport(TextOf(error));
    } catch (...) {
        ShowDefaultErrorReport(Msg::UnexpectedError());
    }
}

TSkrytkarApplication::TSkrytkarApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TSkrytkarApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    CallReportingErrors([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
