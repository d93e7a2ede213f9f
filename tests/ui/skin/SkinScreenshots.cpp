// Renders the screenshots under docs/screenshots from the real widgets, off screen:
//
//   skrytkar_skin_screenshots <output folder>
//
// the message dialog with each button set (and each icon), and the status panel with its two
// bars at 0, 20 and 100 percent (also enlarged three times, to show the shading).

#include "ui/skin/ImageResource.h"
#include "ui/skin/CylinderBar.h"
#include "ui/skin/SkinImage.h"
#include "StatusBars.h"
#include "ui/skin/MessageDialog.h"

#include <QApplication>
#include <QDir>
#include <QLabel>

#include <cstdio>

namespace {

bool Save(const QImage& image, const QDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    bool ok = true;

    // The dialog, set up by the real Show (a queued answer returns at once) and then grabbed.
    UserInterfacePorts ports;
    auto* dialog = new MessageDialog;
    ports.SetMessagePort(dialog);
    const struct {
        int buttons, icon;
        const char* text;
        const char* file;
    } dialogs[] = {
        {ButtonsClose, IconInfo, "Lista jest pusta, nie ma co archiwizować.", "warning-close-info.png"},
        {ButtonsYesNoCancel, IconQuestion,
         "Czy rzeczywiście usunąć \"Dokumenty\"?\rTej operacji nie można cofnąć", "warning-question.png"},
        {ButtonsYesNoCancel, IconInfo, "Czy rzeczywiście przerwać archiwizację?", "warning-question-info.png"},
        {ButtonsClose, IconWarning,
         "Problemy z zapisaniem pliku listy.\rCzy masz należyte uprawnienia?", "warning-close-warning.png"},
    };
    for (const auto& d : dialogs) {
        dialog->QueueAnswer(AnswerClose);
        ShowWarning(d.buttons, d.icon, QString::fromUtf8(d.text));
        ok &= Save(dialog->grab().toImage(), out, QLatin1String(d.file));
    }
    delete dialog;

    // The status panel as the main window lays it out: picture, Progress, ProgresEtap.
    for (int percent : {0, 20, 100}) {
        QWidget panel;
        panel.resize(137, 87);
        SkinImage picture(&panel);
        picture.setGeometry(0, 0, 137, 87);
        LoadImageResource(QStringLiteral("but_przetwarzam"), &picture);
        CylinderBar progress(&panel);
        ApplyStatusBarDesign(progress, kProgressColor, 15);
        progress.move(7, 33);
        progress.SetPosition(percent);
        CylinderBar etap(&panel);
        ApplyStatusBarDesign(etap, kProgresEtapColor, 14);
        etap.move(8, 48);
        etap.SetPosition(percent);
        const QImage shot = panel.grab().toImage();
        const QString name = QStringLiteral("progress-%1").arg(percent);
        ok &= Save(shot, out, name + QStringLiteral(".png"));
        ok &= Save(shot.scaled(shot.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation), out,
                   name + QStringLiteral("-x3.png"));
    }
    return ok ? 0 : 1;
}
