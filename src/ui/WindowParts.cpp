#include "WindowParts.h"

#include "SkinFont.h"

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>

std::function<void(const QUrl&)> OpenWithShellHook;

QColor ColourFromBgr(uint32_t value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QFont DesignFont(int pixelHeight)
{
    return SkinFont(QStringLiteral("MS Sans Serif"), pixelHeight);
}

TSkinLabel::TSkinLabel(QWidget* parent, const QRect& geometry, const QString& caption, bool handCursor)
    : QLabel(caption, parent)
{
    setGeometry(geometry);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMouseTracking(true);
    if (handCursor)
        setCursor(Qt::PointingHandCursor);
}

void TSkinLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        leftDown = true;
    Q_EMIT mouseDown(event);
}

void TSkinLabel::mouseMoveEvent(QMouseEvent* event)
{
    Q_EMIT mouseMove(event);
}

void TSkinLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = leftDown && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        leftDown = false;
    Q_EMIT mouseUp(event);
    if (click)
        Q_EMIT clicked();
}

TKeyPreview::TKeyPreview(QWidget* window, std::function<bool(QKeyEvent*)> handler)
    : QObject(window), window(window), handler(std::move(handler))
{
    qApp->installEventFilter(this);
}

TKeyPreview::~TKeyPreview()
{
    qApp->removeEventFilter(this);
}

bool TKeyPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        seenEvent = nullptr;
        return false;
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != window)
        return false;
    if (event == seenEvent && seenAt && seenAt != widget && widget->isAncestorOf(seenAt))
        return false;  // the same key on its way up from a child that ignored it
    seenEvent = event;
    seenAt = widget;
    return handler(static_cast<QKeyEvent*>(event));
}

void OpenWithShell(const QUrl& url)
{
    if (OpenWithShellHook) {
        OpenWithShellHook(url);
        return;
    }
    QDesktopServices::openUrl(url);
}
