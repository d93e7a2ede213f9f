#include "ui/skin/SkinImage.h"

#include <QPainter>

SkinImage::SkinImage(QWidget* parent)
    : HotZone(parent)
{
    unsetCursor();
}

void SkinImage::SetPicture(const QImage& picture)
{
    picture_ = picture;
    // Opaque when the picture covers the whole control: nothing under it needs painting.
    const QSizeF size = picture_.deviceIndependentSize();
    setAttribute(Qt::WA_OpaquePaintEvent, !picture_.isNull() && size.width() >= width() && size.height() >= height());
    update();
}

void SkinImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // A dense picture is drawn down to the screen's scale smoothly.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!picture_.isNull())
        painter.drawImage(QPointF(0, 0), picture_);
    PaintFocusFrame(painter);
}
