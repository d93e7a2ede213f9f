// Skrytkar's main block: decides between the windowed program and the unattended run without
// a display, then starts the application in the fixed order.

#include "ArchiveRun.h"
#include "RunPorts.h"
#include "SevenZip.h"
#include "Startup.h"
#include "UiPorts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList CommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

bool EnvironmentNames(const char* name)
{
    return !qEnvironmentVariableIsEmpty(name);
}

bool DisplayNamed()
{
    return EnvironmentNames("DISPLAY") || EnvironmentNames("WAYLAND_DISPLAY") || EnvironmentNames("QT_QPA_PLATFORM");
}

// QApplication ends the process when its platform plugin cannot open a display, so a run
// from cron with a stale DISPLAY would never reach the unattended run. Whether a display can
// be opened is therefore tried in a child process first.
bool DisplayCanBeOpened(int argc, char** argv)
{
    if (!DisplayNamed())
        return false;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return true;  // cannot tell: let the platform try
    if (child == 0) {
        const int devnull = ::open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            ::dup2(devnull, STDOUT_FILENO);
            ::dup2(devnull, STDERR_FILENO);
        }
        QGuiApplication probe(argc, argv);
        ::_exit(0);
    }
    // A display that does not answer counts as none.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// The platform's error report: what reaches the event boundary is shown with its text and
// the program goes on. It is written to standard error too, so a run started from a
// terminal or a script keeps a trace of it.
void ReportException(const QString& text)
{
    ReportToStandardError(text);
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox::critical(nullptr, QString::fromUtf8(ApplicationTitle), shown);
}

class SkrytkarApplication final : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            ReportException(QString::fromUtf8(error.what()));
        } catch (...) {
            ReportException(QStringLiteral("Nieznany błąd."));
        }
        return false;
    }
};

// Messages while the skinned message dialog is not among the windows created below: a
// plain box with the same buttons and answers.
class PlainMessagePort final : public MessagePort {
public:
    int Show(int buttons, int icon, const QString& text) override
    {
        QString shown = text;
        shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        QMessageBox box(icon == IconQuestion  ? QMessageBox::Question
                        : icon == IconWarning ? QMessageBox::Warning
                                              : QMessageBox::Information,
                        QString::fromUtf8(ApplicationTitle), shown);
        QPushButton* yes = nullptr;
        QPushButton* no = nullptr;
        QPushButton* cancel = nullptr;
        QPushButton* close = nullptr;
        if (buttons == ButtonsYesNoCancel) {
            yes = box.addButton(QStringLiteral("Tak"), QMessageBox::YesRole);
            no = box.addButton(QStringLiteral("Nie"), QMessageBox::NoRole);
            cancel = box.addButton(QStringLiteral("Anuluj"), QMessageBox::RejectRole);
        } else {
            close = box.addButton(QStringLiteral("Zamknij"), QMessageBox::AcceptRole);
        }
        box.exec();
        const QAbstractButton* clicked = box.clickedButton();
        if (clicked && clicked == yes)
            return AnswerYes;
        if (clicked && clicked == cancel)
            return AnswerCancel;
        if (clicked && clicked == close)
            return AnswerClose;
        return AnswerNo;
    }
};

int RunWithDisplay(int argc, char** argv, const QStringList& arguments)
{
    // 1. The application and its title.
    SkrytkarApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Skrytkar"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.55"));
    QGuiApplication::setApplicationDisplayName(QString::fromUtf8(ApplicationTitle));

    // 2. The windows, each once for the program's whole life, in this order: the main window
    //    FGlowny (its creation runs FormCreate and creates the packer Zipek), the message
    //    dialog FWarning, the entry editor FEdycja, the menu panels FMenu, the about window
    //    FAbout. Until they are created here, the main window's part is played by the code
    //    below and messages use a plain box.
    PlainMessagePort plainMessages;
    SetMessagePort(&plainMessages);
    FormCreate(arguments);
    std::unique_ptr<TSevenZip> zipek;
    try {
        zipek = std::make_unique<TSevenZip>();
    } catch (const std::exception& error) {
        // Without the library nothing can be archived: the message, then stop.
        ShowWarning(ButtonsClose, IconWarning, QString::fromUtf8(error.what()));
        SetMessagePort(nullptr);
        FormClose();
        return ExitFailure;
    }
    InstallZipek(zipek.get());

    MainWindowPort* mainWindowShown = nullptr;  // FGlowny, once it exists
    if (!mainWindowShown && !Unattended) {
        ReportToStandardError(QStringLiteral("Okno główne programu nie jest dostępne w tej kompilacji; "
                                             "działa tylko tryb /all."));
        InstallZipek(nullptr);
        SetMessagePort(nullptr);
        FormClose();
        return ExitFailure;
    }

    // 3. The message loop. The main window's first show calls FormShow, which arms Zegar.
    QTimer::singleShot(0, &app, [] { FormShow(); });
    const int loopResult = app.exec();

    InstallZipek(nullptr);
    SetMainWindowPort(nullptr);
    SetMessagePort(nullptr);
    FormClose();
    return Unattended ? UnattendedExitStatus() : loopResult;
}

} // namespace

int main(int argc, char** argv)
{
    const QStringList arguments = CommandLine(argc, argv);

    if (IsUnattendedCommandLine(arguments) && !DisplayCanBeOpened(argc, argv)) {
        // Started by cron or a timer: the same run, messages on standard error, an exit status.
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Skrytkar"));
        QCoreApplication::setApplicationVersion(QStringLiteral("1.55"));
        return RunHeadless(arguments);
    }
    if (!DisplayNamed()) {
        ReportToStandardError(QStringLiteral("Nie można otworzyć ekranu. Bez ekranu program działa tylko "
                                             "z argumentem /all."));
        return ExitFailure;
    }
    return RunWithDisplay(argc, argv, arguments);
}
