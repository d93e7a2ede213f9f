#pragma once
// An image control: shows its picture unscaled at the top-left corner. It reports clicks and
// mouse movement as a hot zone does, so a picture can serve as a button or as a window's
// background; unlike a hot zone it keeps the ordinary cursor unless given another.

#include "ui/skin/HotZone.h"

#include <QImage>

class SkinImage : public HotZone {
    Q_OBJECT
public:
    explicit SkinImage(QWidget* parent = nullptr);

    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};
