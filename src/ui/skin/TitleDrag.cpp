#include "ui/skin/TitleDrag.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

void TitleDrag::Press(QWidget* window, const QPoint& globalPos)
{
    // Wayland refuses client-side moves; the compositor drags the window itself there.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")) && window
        && window->windowHandle() && window->windowHandle()->startSystemMove())
        return;
    Dragging = true;
    DragLastPos = globalPos;
}

void TitleDrag::Move(QWidget* window, const QPoint& globalPos)
{
    if (!Dragging || !window)
        return;
    window->move(window->pos() + (globalPos - DragLastPos));
    DragLastPos = globalPos;
}
