#include "ui/windows/Application.h"

#include "archive/run/EntryArchiver.h"
#include "core/EntryList.h"
#include "ui/windows/ErrorReport.h"
#include "archive/sevenzip/SevenZip.h"
#include "archive/run/Startup.h"
#include "ui/windows/AboutWindow.h"
#include "ui/windows/EntryEditor.h"
#include "ui/windows/MainWindow.h"
#include "ui/windows/MenuPanel.h"
#include "ui/windows/RestoreWindow.h"
#include "ui/windows/SettingsWindow.h"
#include "ui/skin/MessageDialog.h"
#include "core/UiPorts.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>

#include <memory>

static void InitWindowResources()
{
    Q_INIT_RESOURCE(skrytkar_icon);
}

ProgramWindows::ProgramWindows(std::unique_ptr<SevenZipPacker> givenPacker, const QStringList& arguments,
                               UserInterfacePorts* ports)
    : packer(std::move(givenPacker)), list(std::make_unique<EntryList>())
{
    ConfigurePacker(*packer);
    main = std::make_unique<MainWindow>(*list, *packer, arguments);
    if (ports)
        ports->SetMessagePort(&main->Warning());
}

ProgramWindows::~ProgramWindows()
{
    // A run still at work may ask its questions while the main window waits for it; the message
    // dialog takes itself out of the ports as it goes.
    main.reset();
}

int RunWindowedProgram(SkrytkarApplication& app)
{
    InitWindowResources();
    QCoreApplication::setApplicationName(QStringLiteral("Skrytkar"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(SkrytkarVersion));
    QGuiApplication::setApplicationDisplayName(QString::fromUtf8(ApplicationTitle));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icon/skrytkar.png")));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.skrytkar.Skrytkar"));

    // The platform's own dialogs (file and folder choosers) speak Polish where Qt's
    // translations are installed.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Polish), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);

    // Until the message dialog exists, errors are shown in a plain message box.
    UserInterfacePorts& ports = app.Ports();
    ports.SetErrorReport([&app](const QString& text) { app.ReportBeforeWindows(text); });

    // The main window's packer: without its library nothing can be archived.
    std::unique_ptr<SevenZipPacker> packer;
    try {
        packer = std::make_unique<SevenZipPacker>();
    } catch (...) {
        app.ReportBeforeWindows(UserTextOf(std::current_exception()));
        ports.SetErrorReport(nullptr);
        return ExitFailure;
    }

    int status = 0;
    {
        ProgramWindows windows(std::move(packer), QCoreApplication::arguments(), &ports);
        MainWindow& main = windows.Main();
        // Shown centred on the screen; the first show runs the start-up's Show.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            main.move(area.center() - QPoint(main.width() / 2, main.height() / 2));
        }
        main.show();
        const int loopResult = app.exec();
        status = main.Start().Unattended() ? main.Start().UnattendedExitStatus() : loopResult;
    }
    ports.SetErrorReport(nullptr);
    return status;
}
