#pragma once
// A transparent hot zone laid over a drawn button, caption or title strip. It paints nothing,
// shows the hand cursor and reports clicks and mouse movement.

#include <QWidget>

class HotZone : public QWidget {
    Q_OBJECT
public:
    explicit HotZone(QWidget* parent = nullptr);
    HotZone(QWidget* parent, const QRect& geometry, const QString& name);

Q_SIGNALS:
    void clicked();                      // left button pressed and released inside the zone
    void mousePressed(QMouseEvent* event);
    void mouseMoved(QMouseEvent* event);  // also without a button held
    void mouseReleased(QMouseEvent* event);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool leftDown_ = false;
};
