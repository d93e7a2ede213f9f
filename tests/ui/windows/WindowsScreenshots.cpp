// Takes the screenshots of docs/windows.md from the program's real windows on a real display
// (run under Xvfb): the main window with a list, during a run, each menu panel with a lit item,
// the entry editor, the about window, the restore window and the settings window. The windows are created exactly as the program does.
//
//   xvfb-run -a -s "-screen 0 1024x768x24 -noreset" build/tests/ui/windows_screenshots docs/screenshots/windows

#include "ui/windows/Application.h"
#include "archive/run/ArchiveRun.h"
#include "ui/skin/ImageResource.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "ui/skin/CylinderBar.h"
#include "archive/run/RunPorts.h"
#include "archive/sevenzip/SevenZip.h"
#include "archive/run/Startup.h"
#include "ui/windows/AboutWindow.h"
#include "ui/windows/EntryEditor.h"
#include "ui/windows/MainWindow.h"
#include "ui/windows/MenuPanel.h"
#include "ui/windows/RestoreWindow.h"
#include "ui/windows/SettingsWindow.h"
#include "core/EntryList.h"
#include "ui/windows/WindowParts.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

QString outputFolder;
int failures = 0;

void Settle()
{
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents();
        QTest::qWait(30);
    }
}

// The screen's pixels over a rectangle: whatever the display shows, every window included.
void Shoot(const QString& name, const QRect& area)
{
    Settle();
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const QString path = outputFolder + QLatin1Char('/') + name;
    if (shot.isNull() || !shot.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

QRect MainArea()
{
    return QRect(FGlowny->pos(), FGlowny->size());
}

void Hover(QWidget* widget)
{
    const QPoint local = widget->rect().center();
    QMouseEvent move(QEvent::MouseMove, QPointF(local), QPointF(widget->mapToGlobal(local)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void WhileModal(const std::function<void()>& shoot, QDialog* dialog)
{
    QTimer::singleShot(400, dialog, [shoot, dialog] {
        shoot();
        dialog->done(0);
    });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QGuiApplication::setApplicationDisplayName(QString::fromUtf8(ApplicationTitle));
    outputFolder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(outputFolder);

    // A program folder of its own with a list in it.
    QTemporaryDir programFolder;
    OverrideProgramDirectory(programFolder.path());
    ListFilePath = programFolder.filePath(QStringLiteral("Dane.dat"));
    const QString home = QStringLiteral("/home/anna");
    Wpisy = {
        {QStringLiteral("Folder"), QStringLiteral("Dokumenty"), home + QStringLiteral("/Dokumenty"), QStringLiteral("/media/kopie")},
        {QStringLiteral("Folder"), QStringLiteral("Zdjęcia 2024"), home + QStringLiteral("/Obrazy/2024"), QStringLiteral("/media/kopie")},
        {QStringLiteral("Plik"), QStringLiteral("Budżet domowy"), home + QStringLiteral("/budzet.ods"), QStringLiteral("/media/kopie")},
        {QStringLiteral("Folder"), QStringLiteral("Praca magisterska"), home + QStringLiteral("/studia/praca"), QStringLiteral("/mnt/pendrive")},
        {QStringLiteral("Plik"), QStringLiteral("Poczta"), home + QStringLiteral("/.thunderbird/profil.tar"), QStringLiteral("/media/kopie")},
        {QStringLiteral("Folder"), QStringLiteral("Przepisy kuchenne"), home + QStringLiteral("/Przepisy"), QStringLiteral("/media/kopie")},
    };
    EntryCount = int32_t(Wpisy.size());
    SaveList();

    SevenZipPacker zipek;
    InstallZipek(&zipek);
    CreateWindows();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    FGlowny->move(screen.center() - QPoint(250, 225));
    FGlowny->show();
    Settle();

    // The main window with the list, a line selected.
    CurrentIndex = 1;
    FillListBox();
    Shoot(QStringLiteral("main.png"), MainArea());

    // During a run: the status panel with both bars.
    MainWindowPort& window = RunWindowPort();
    window.SetStatusPanelVisible(true);
    window.LoadStatusImage(QString::fromLatin1(StatusWorkingImage));
    window.Progress().SetMax(100);
    window.Progress().SetPosition(64);
    window.Progress().SetVisible(true);
    window.ProgresEtap().SetMax(6);
    window.ProgresEtap().SetPosition(2);
    window.ProgresEtap().SetVisible(true);
    FGlowny->SelectAll();
    Shoot(QStringLiteral("main-run.png"), MainArea());
    window.SetStatusPanelVisible(false);
    FGlowny->Lista->clearSelection();
    FillListBox();

    // The three panels, each with the item under the mouse lit.
    FGlowny->LMenuPLikClick();
    Hover(FMenu->LArchiwizujAll);
    Shoot(QStringLiteral("menu-plik.png"), MainArea());
    FGlowny->LMenuEdycjaMouseMove();
    Hover(FMenu->LDodajFolder);
    Shoot(QStringLiteral("menu-edycja.png"), MainArea());
    FGlowny->CloseMenuPanel();
    FGlowny->Lista->clearSelection();
    FGlowny->LMenuEdycjaClick();  // no line selected: editing and deleting are greyed
    Hover(FMenu->LNowaLista);
    Shoot(QStringLiteral("menu-edycja-disabled.png"), MainArea());
    FGlowny->LMenuPomocMouseMove();
    Hover(FMenu->LPomoc);
    Shoot(QStringLiteral("menu-pomoc.png"), MainArea());
    FGlowny->CloseMenuPanel();
    FillListBox();

    // The editor on the current entry, and the about window.
    WhileModal([] { Shoot(QStringLiteral("editor.png"), MainArea()); }, FEdycja);
    EditEntry();
    WhileModal([] { Shoot(QStringLiteral("about.png"), MainArea()); }, FAbout);
    FAbout->ShowAbout();

    // The restore window on an entry with three archives made by 7z in the program folder.
    const QString tree = programFolder.filePath(QStringLiteral("anna"));
    QDir().mkpath(tree + QStringLiteral("/Dokumenty/listy"));
    const auto write = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    };
    write(tree + QStringLiteral("/Dokumenty/plan.txt"), QByteArray(40000, 'p'));
    write(tree + QStringLiteral("/Dokumenty/listy/list.txt"), QByteArray(120000, 'l'));
    for (const char* stamp : {"Arch_20261124_1930", "Arch_20261201_1930", "Arch_20261208_1930"}) {
        const QString folder = tree + QStringLiteral("/kopie/") + QLatin1String(stamp);
        QDir().mkpath(folder);
        QProcess::execute(QStringLiteral("7z"), {QStringLiteral("a"), QStringLiteral("-bd"), QStringLiteral("-bso0"),
                                                 folder + QStringLiteral("/Dokumenty.7z"), tree + QStringLiteral("/Dokumenty")});
        write(tree + QStringLiteral("/Dokumenty/listy/nowy.txt"), QByteArray(9000 * int(qstrlen(stamp)), 'n'));
    }
    Wpisy[0].Source = tree + QStringLiteral("/Dokumenty");
    Wpisy[0].Docel = tree + QStringLiteral("/kopie");
    FillListBox();
    WhileModal([] { Shoot(QStringLiteral("restore.png"), MainArea()); }, FPrzywracanie);
    FPrzywracanie->ShowRestore(0);
    WhileModal([] { Shoot(QStringLiteral("settings.png"), MainArea()); }, FUstawienia);
    FUstawienia->ShowUstawienia();

    DestroyWindows();
    InstallZipek(nullptr);
    FormClose();
    OverrideProgramDirectory(QString());
    return failures == 0 ? 0 : 1;
}
