#pragma once
// A transparent hot zone laid over a drawn button, caption or title strip. It paints nothing,
// shows the hand cursor and reports clicks and mouse movement.
//
// The drawn wording is invisible to assistive technology, so every zone carries its caption
// and role for it (a screen reader says "Zamknij, przycisk"): a button, the window's title
// strip, a menu title, a menu item, a separator or a plain picture. Buttons and menu items
// also offer the "press" action, which clicks them through the event loop.
//
// Buttons and menu titles are reached with Tab like any control: a focused zone draws a frame
// around itself, and Enter or Space clicks it.

#include <QAccessible>
#include <QWidget>

class HotZone : public QWidget {
    Q_OBJECT
public:
    explicit HotZone(QWidget* parent = nullptr);
    // `caption` is what the picture shows there; `role` what the zone is. A caption may end
    // in its key after a run of spaces, as menu items show it ("Dodaj plik     Alt+P").
    HotZone(QWidget* parent, const QRect& geometry, const QString& name, const QString& caption = QString(),
            QAccessible::Role role = QAccessible::Button);

    void SetAccessibleCaption(const QString& caption, QAccessible::Role role);
    QAccessible::Role AccessibleRole() const { return role_; }
    // The key named at the end of the caption ("Alt+P"), or nothing.
    const QString& AccessibleKey() const { return key_; }
    // True for a zone that Tab reaches and the keyboard presses.
    bool TakesKeyboard() const;

Q_SIGNALS:
    void clicked();                      // left button pressed and released inside the zone
    void mousePressed(QMouseEvent* event);
    void mouseMoved(QMouseEvent* event);  // also without a button held
    void mouseReleased(QMouseEvent* event);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // The keyboard focus frame, drawn over whatever the zone shows.
    void PaintFocusFrame(QPainter& painter) const;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool leftDown_ = false;
    QAccessible::Role role_ = QAccessible::Graphic;  // a picture until given a caption
    QString key_;
};
