#include "archive/run/Startup.h"

#include "archive/run/ArchiveRun.h"
#include "core/Messages.h"
#include "platform/Platform.h"
#include "archive/run/RunPorts.h"
#include "archive/sevenzip/SevenZip.h"
#include "core/UProcki.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <memory>

bool Unattended = false;

namespace {

QPointer<QTimer> zegar;
// Outcome of the unattended run, for its exit status.
bool logWriteFailed = false;

} // namespace

bool IsUnattendedCommandLine(const QStringList& arguments)
{
    if (arguments.size() < 2)
        return false;
    // Lower-casing of ASCII letters only: "/ALL" and "/All" count, other scripts do not.
    QString first = arguments.at(1);
    for (QChar& c : first) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return first == QLatin1String("/all");
}

void FormCreate(const QStringList& arguments)
{
    LogLines = std::make_unique<QStringList>();
    Unattended = IsUnattendedCommandLine(arguments);
    logWriteFailed = false;
}

void FormShow()
{
    ListFilePath = DataDirectory() + QStringLiteral("Dane.dat");
    LoadList();
    if (!Unattended)
        FillListBox();
    MainWindow().SetStatusPanelVisible(false);
    Archiving = false;
    StopRequested = false;
    Zegar().start();
}

QTimer& Zegar()
{
    if (!zegar) {
        zegar = new QTimer(QCoreApplication::instance());
        zegar->setSingleShot(true);
        zegar->setInterval(ZegarIntervalMs);
        QObject::connect(zegar.data(), &QTimer::timeout, zegar.data(), [] { ZegarTimer(); });
    }
    return *zegar;
}

void ZegarTimer()
{
    Zegar().stop();
    RunUnattended();
}

void RunUnattended()
{
    if (!Unattended)
        return;
    MainWindow().Minimize();
    try {
        ArchiveAll();
    } catch (const ELogWriteError&) {
        logWriteFailed = true;
        throw;
    }
    MainWindow().Terminate();
}

void FormClose()
{
    ReleaseLogLines();
}

int UnattendedExitStatus()
{
    if (ListLoadDamaged || logWriteFailed)
        return ExitFailure;
    return ErrorsOccurred ? ExitEntriesFailed : ExitArchived;
}

void ReportToStandardError(const QString& text)
{
    QString lines = text;
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    std::fprintf(stderr, "skrytkar: %s\n", lines.toUtf8().constData());
    std::fflush(stderr);
}

int RunHeadless(const QStringList& arguments)
{
    FormCreate(arguments);
    if (!Unattended) {
        ReportToStandardError(Msg::NoDisplayNeedsAll());
        FormClose();
        return ExitFailure;
    }
    int status = ExitFailure;
    try {
        // Creating the main window creates its packer, which loads the library first.
        TSevenZip packer;
        InstallZipek(&packer);
        try {
            FormShow();
            // Nothing to show and nobody to wait for: the timer's tick is taken at once.
            ZegarTimer();
            status = UnattendedExitStatus();
        } catch (const std::exception& error) {
            ReportToStandardError(QString::fromUtf8(error.what()));
        }
        InstallZipek(nullptr);
    } catch (const std::exception& error) {
        ReportToStandardError(QString::fromUtf8(error.what()));
    }
    FormClose();
    return status;
}
