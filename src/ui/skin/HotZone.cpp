#include "ui/skin/HotZone.h"

#include <QMouseEvent>

HotZone::HotZone(QWidget* parent)
    : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
}

HotZone::HotZone(QWidget* parent, const QRect& geometry, const QString& name)
    : HotZone(parent)
{
    setGeometry(geometry);
    setObjectName(name);
}

void HotZone::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        leftDown_ = true;
    Q_EMIT mousePressed(event);
}

void HotZone::mouseMoveEvent(QMouseEvent* event)
{
    Q_EMIT mouseMoved(event);
}

void HotZone::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = event->button() == Qt::LeftButton && leftDown_
                       && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        leftDown_ = false;
    Q_EMIT mouseReleased(event);
    if (click)
        Q_EMIT clicked();
}
