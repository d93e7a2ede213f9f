#pragma once
// Dragging a borderless window by its title strip: the cursor's screen position is kept at the
// button press and every move shifts the window by the cursor's movement since the last step.

#include <QPoint>

class QWidget;

class TitleDrag {
public:
    void Press(QWidget* window, const QPoint& globalPos);
    void Move(QWidget* window, const QPoint& globalPos);
    void Release() { Dragging = false; }

    bool Dragging = false;
    QPoint DragLastPos;
};
