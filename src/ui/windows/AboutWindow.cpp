#include "ui/windows/AboutWindow.h"

#include "core/UiPorts.h"
#include "ui/skin/HotZone.h"
#include "ui/skin/ImageResource.h"
#include "ui/skin/SkinImage.h"

#include <QKeyEvent>

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("FAbout"));
    setWindowTitle(QStringLiteral("O programie"));
    setFixedSize(332, 194);
    setModal(true);

    Image1 = new SkinImage(this);
    Image1->setGeometry(0, 0, 332, 194);
    LoadImageResource(QStringLiteral("tlo_about"), Image1);

    LClose = new HotZone(this, QRect(297, 11, 22, 22), QStringLiteral("LClose"), QStringLiteral("Zamknij"));
    connect(LClose, &HotZone::clicked, this, Guarded(this, &AboutWindow::LCloseClick));
}

void AboutWindow::ShowAbout()
{
    const QPoint main = parentWidget() ? parentWidget()->pos() : QPoint();
    move(main + QPoint(68, 115));
    show();
    raise();
    activateWindow();
    exec();
}

void AboutWindow::keyPressEvent(QKeyEvent* event)
{
    event->accept();
}

void AboutWindow::LCloseClick()
{
    done(0);
}
