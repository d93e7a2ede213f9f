#include "ui/skin/HotZone.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>

namespace {

bool Presses(QAccessible::Role role)
{
    return role == QAccessible::Button || role == QAccessible::ButtonMenu || role == QAccessible::MenuItem;
}

// What assistive technology sees of a zone: its role, its caption as the name, its key, and
// for what can be clicked the "press" action.
class HotZoneAccessible : public QAccessibleWidget {
public:
    explicit HotZoneAccessible(HotZone* zone) : QAccessibleWidget(zone, zone->AccessibleRole()) {}

    // Asked each time: the interface outlives a change of role.
    QAccessible::Role role() const override { return Zone()->AccessibleRole(); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Accelerator)
            return Zone()->AccessibleKey();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (Presses(role()) && Zone()->isEnabled())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& action) override
    {
        if (action != pressAction() || !Presses(role())) {
            QAccessibleWidget::doAction(action);
            return;
        }
        if (!Zone()->isEnabled())
            return;
        // Queued: the click runs from the event loop like a mouse click, not inside the
        // assistive technology's call.
        HotZone* zone = Zone();
        QMetaObject::invokeMethod(zone, [zone] { Q_EMIT zone->clicked(); }, Qt::QueuedConnection);
    }

    QStringList keyBindingsForAction(const QString& action) const override
    {
        if (action == pressAction() && !Zone()->AccessibleKey().isEmpty())
            return {Zone()->AccessibleKey()};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

private:
    HotZone* Zone() const { return static_cast<HotZone*>(widget()); }
};

QAccessibleInterface* HotZoneAccessibleFactory(const QString&, QObject* object)
{
    if (auto* zone = qobject_cast<HotZone*>(object))
        return new HotZoneAccessible(zone);
    return nullptr;
}

void InstallAccessibleFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(HotZoneAccessibleFactory);
        return true;
    }();
    (void)installed;
}

} // namespace

HotZone::HotZone(QWidget* parent)
    : QWidget(parent)
{
    InstallAccessibleFactory();
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
}

HotZone::HotZone(QWidget* parent, const QRect& geometry, const QString& name, const QString& caption,
                 QAccessible::Role role)
    : HotZone(parent)
{
    setGeometry(geometry);
    setObjectName(name);
    SetAccessibleCaption(caption, role);
}

void HotZone::SetAccessibleCaption(const QString& caption, QAccessible::Role role)
{
    role_ = role;
    // "Pomoc                 F1": the name is "Pomoc", the key "F1".
    static const QRegularExpression gap(QStringLiteral("\\s{2,}"));
    const QStringList parts = caption.trimmed().split(gap);
    setAccessibleName(parts.value(0));
    key_ = parts.size() > 1 ? parts.last() : QString();
    // Tab, not a click, gives a zone the focus: a click on a drawn button leaves the keyboard
    // where it was (in the list, in a field).
    setFocusPolicy(role == QAccessible::Button || role == QAccessible::ButtonMenu ? Qt::TabFocus : Qt::NoFocus);
}

bool HotZone::TakesKeyboard() const
{
    return (focusPolicy() & Qt::TabFocus) != 0;
}

void HotZone::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (TakesKeyboard() && isEnabled() && mods == Qt::NoModifier && !event->isAutoRepeat()
        && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
        event->accept();
        Q_EMIT clicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HotZone::paintEvent(QPaintEvent*)
{
    if (!hasFocus())
        return;
    QPainter painter(this);
    PaintFocusFrame(painter);
}

void HotZone::PaintFocusFrame(QPainter& painter) const
{
    if (!hasFocus() || !TakesKeyboard())
        return;
    // Dark and light together, so the frame shows on every part of the pictures.
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(frame);
    painter.setPen(QPen(QColor(0x1D, 0x38, 0x20), 1, Qt::DotLine));
    painter.drawRect(frame);
    if (frame.width() > 6 && frame.height() > 6) {
        painter.setPen(QPen(QColor(0x1D, 0x38, 0x20), 1));
        painter.drawRect(frame.adjusted(1, 1, -1, -1));
    }
}

void HotZone::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        leftDown_ = true;
    Q_EMIT mousePressed(event);
}

void HotZone::mouseMoveEvent(QMouseEvent* event)
{
    Q_EMIT mouseMoved(event);
}

void HotZone::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = event->button() == Qt::LeftButton && leftDown_
                       && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        leftDown_ = false;
    Q_EMIT mouseReleased(event);
    if (click)
        Q_EMIT clicked();
}
