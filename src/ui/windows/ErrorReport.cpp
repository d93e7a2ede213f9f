#include "ui/windows/ErrorReport.h"

#include "archive/run/Startup.h"
#include "core/UiPorts.h"

#include <QMessageBox>

void ShowDefaultErrorReport(const QString& text)
{
    ReportToStandardError(text);
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox::critical(nullptr, QString::fromUtf8(ApplicationTitle), shown);
}

SkrytkarApplication::SkrytkarApplication(int& argc, char** argv)
    : QApplication(argc, argv), ports(new UserInterfacePorts(this))
{
}

SkrytkarApplication::~SkrytkarApplication() = default;

void SkrytkarApplication::ReportBeforeWindows(const QString& text)
{
    if (defaultReportSeam) {
        ReportToStandardError(text);
        defaultReportSeam(text);
        return;
    }
    ShowDefaultErrorReport(text);
}

bool SkrytkarApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ++lastResortCatches;
        const std::exception_ptr error = std::current_exception();
        RunGuarded([&] { ReportError(UserTextOf(error)); });
        return false;
    }
}
