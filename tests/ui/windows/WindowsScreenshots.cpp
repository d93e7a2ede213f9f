// Takes the screenshots of docs/windows.md from the program's real windows on a real display
// (run under Xvfb): the main window with a list, during a run, each menu panel with a lit item,
// the entry editor, the about window, the restore window and the settings window. The windows are created exactly as the program does.
//
//   xvfb-run -a -s "-screen 0 1024x768x24 -noreset" build/tests/ui/windows_screenshots docs/screenshots/windows

#include "ui/windows/Application.h"
#include "core/UiPorts.h"
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

// Where the shots go, and how many could not be written.
struct Shots {
    QString folder;
    int failures = 0;
};

void Settle()
{
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents();
        QTest::qWait(30);
    }
}

// The screen's pixels over a rectangle: whatever the display shows, every window included.
void Shoot(Shots& shots, const QString& name, const QRect& area)
{
    Settle();
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const QString path = shots.folder + QLatin1Char('/') + name;
    if (shot.isNull() || !shot.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++shots.failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
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
    Shots shots;
    shots.folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(shots.folder);

    // A program folder of its own with a list in it.
    QTemporaryDir programFolder;
    OverrideProgramDirectory(programFolder.path());
    const QString home = QStringLiteral("/home/anna");
    {
        EntryList seeded(programFolder.filePath(QStringLiteral("Dane.dat")));
        seeded.SetEntries({
            {QStringLiteral("Folder"), QStringLiteral("Dokumenty"), home + QStringLiteral("/Dokumenty"), QStringLiteral("/media/kopie")},
            {QStringLiteral("Folder"), QStringLiteral("Zdjęcia 2024"), home + QStringLiteral("/Obrazy/2024"), QStringLiteral("/media/kopie")},
            {QStringLiteral("Plik"), QStringLiteral("Budżet domowy"), home + QStringLiteral("/budzet.ods"), QStringLiteral("/media/kopie")},
            {QStringLiteral("Folder"), QStringLiteral("Praca magisterska"), home + QStringLiteral("/studia/praca"), QStringLiteral("/mnt/pendrive")},
            {QStringLiteral("Plik"), QStringLiteral("Poczta"), home + QStringLiteral("/.thunderbird/profil.tar"), QStringLiteral("/media/kopie")},
            {QStringLiteral("Folder"), QStringLiteral("Przepisy kuchenne"), home + QStringLiteral("/Przepisy"), QStringLiteral("/media/kopie")},
        });
        seeded.Save();
    }

    UserInterfacePorts ports;
    ProgramWindows program(std::make_unique<SevenZipPacker>(), QStringList{QStringLiteral("skrytkar")}, &ports);
    MainWindow& main = program.Main();
    EntryList& list = program.List();
    const auto mainArea = [&main] { return QRect(main.pos(), main.size()); };
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    main.move(screen.center() - QPoint(250, 225));
    main.show();  // loads the list
    Settle();

    // The main window with the list, a line selected.
    list.SetCurrentIndex(1);
    list.FillListBox();
    Shoot(shots, QStringLiteral("main.png"), mainArea());

    // During a run: the status panel with both bars.
    MainWindowPort& window = main.WindowPort();
    window.SetStatusPanelVisible(true);
    window.LoadStatusImage(QString::fromLatin1(StatusWorkingImage));
    window.Progress().SetMax(100);
    window.Progress().SetPosition(64);
    window.Progress().SetVisible(true);
    window.ProgresEtap().SetMax(6);
    window.ProgresEtap().SetPosition(2);
    window.ProgresEtap().SetVisible(true);
    main.SelectAll();
    Shoot(shots, QStringLiteral("main-run.png"), mainArea());
    window.SetStatusPanelVisible(false);
    main.Lista->clearSelection();
    list.FillListBox();

    // The three panels, each with the item under the mouse lit.
    MenuPanel& menu = main.Menu();
    main.LMenuPLikClick();
    Hover(menu.LArchiwizujAll);
    Shoot(shots, QStringLiteral("menu-plik.png"), mainArea());
    main.LMenuEdycjaMouseMove();
    Hover(menu.LDodajFolder);
    Shoot(shots, QStringLiteral("menu-edycja.png"), mainArea());
    main.CloseMenuPanel();
    main.Lista->clearSelection();
    main.LMenuEdycjaClick();  // no line selected: editing and deleting are greyed
    Hover(menu.LNowaLista);
    Shoot(shots, QStringLiteral("menu-edycja-disabled.png"), mainArea());
    main.LMenuPomocMouseMove();
    Hover(menu.LPomoc);
    Shoot(shots, QStringLiteral("menu-pomoc.png"), mainArea());
    main.CloseMenuPanel();
    list.FillListBox();

    // The editor on the current entry, and the about window.
    WhileModal([&] { Shoot(shots, QStringLiteral("editor.png"), mainArea()); }, &main.Editor());
    main.EditEntry();
    WhileModal([&] { Shoot(shots, QStringLiteral("about.png"), mainArea()); }, &main.About());
    main.About().ShowAbout();

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
    Entry restored = list.Entries().at(0);
    restored.Source = tree + QStringLiteral("/Dokumenty");
    restored.Docel = tree + QStringLiteral("/kopie");
    WhileModal([&] { Shoot(shots, QStringLiteral("restore.png"), mainArea()); }, &main.Restore());
    main.Restore().ShowRestore(restored);
    WhileModal([&] { Shoot(shots, QStringLiteral("settings.png"), mainArea()); }, &main.SettingsDialog());
    main.SettingsDialog().ShowUstawienia();

    OverrideProgramDirectory(QString());
    return shots.failures == 0 ? 0 : 1;
}
