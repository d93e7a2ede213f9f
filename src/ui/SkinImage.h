#pragma once
// An image control: shows its picture unscaled at the top-left corner and reports clicks and
// mouse movement, so a picture can serve as a button or as a window's background.

#include <QImage>
#include <QWidget>

class SkinImage : public QWidget {
    Q_OBJECT
public:
    explicit SkinImage(QWidget* parent = nullptr);

    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return picture_; }

Q_SIGNALS:
    void clicked();                      // left button pressed and released over the image
    void mousePressed(QMouseEvent* event);
    void mouseMoved(QMouseEvent* event);  // also without a button held
    void mouseReleased(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage picture_;
    bool leftDown_ = false;
};
