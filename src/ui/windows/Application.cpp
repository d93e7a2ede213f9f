#include "ui/windows/Application.h"

#include "archive/run/ArchiveRun.h"
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

void CreateWindows()
{
    FGlowny = new MainWindow;
    CreateFWarning();
    FEdycja = new EntryEditor(FGlowny);
    FMenu = new MenuPanel(FGlowny);
    FAbout = new AboutWindow(FGlowny);
    FPrzywracanie = new RestoreWindow(FGlowny);
    FUstawienia = new SettingsWindow(FGlowny);
}

void DestroyWindows()
{
    delete FUstawienia;
    FUstawienia = nullptr;
    delete FPrzywracanie;
    FPrzywracanie = nullptr;
    delete FAbout;
    FAbout = nullptr;
    delete FMenu;
    FMenu = nullptr;
    delete FEdycja;
    FEdycja = nullptr;
    DestroyFWarning();
    delete FGlowny;
    FGlowny = nullptr;
}

int RunWindowedProgram(QApplication& app)
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
    SetErrorReport(ShowDefaultErrorReport);

    // The main window's packer: without its library nothing can be archived.
    std::unique_ptr<SevenZipPacker> zipek;
    try {
        zipek = std::make_unique<SevenZipPacker>();
    } catch (...) {
        ShowDefaultErrorReport(UserTextOf(std::current_exception()));
        SetErrorReport(nullptr);
        return ExitFailure;
    }
    InstallZipek(zipek.get());

    CreateWindows();

    // Shown centred on the screen; the first show runs FormShow.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        FGlowny->move(area.center() - QPoint(FGlowny->width() / 2, FGlowny->height() / 2));
    }
    FGlowny->show();
    const int loopResult = app.exec();

    DestroyWindows();
    InstallZipek(nullptr);
    FormClose();
    SetErrorReport(nullptr);
    return Unattended ? UnattendedExitStatus() : loopResult;
}
