#include "SkinImage.h"

#include <QMouseEvent>
#include <QPainter>

SkinImage::SkinImage(QWidget* parent)
    : QWidget(parent)
{
    setMouseTracking(true);
}

void SkinImage::SetPicture(const QImage& picture)
{
    picture_ = picture;
    // Opaque when the picture covers the whole control: nothing under it needs painting.
    setAttribute(Qt::WA_OpaquePaintEvent, !picture_.isNull() && picture_.width() >= width()
                                              && picture_.height() >= height());
    update();
}

void SkinImage::paintEvent(QPaintEvent*)
{
    if (picture_.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void SkinImage::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        leftDown_ = true;
    Q_EMIT mousePressed(event);
}

void SkinImage::mouseMoveEvent(QMouseEvent* event)
{
    Q_EMIT mouseMoved(event);
}

void SkinImage::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = event->button() == Qt::LeftButton && leftDown_
                       && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        leftDown_ = false;
    Q_EMIT mouseReleased(event);
    if (click)
        Q_EMIT clicked();
}
