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
