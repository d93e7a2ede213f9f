#include "ui/windows/WindowParts.h"

#include "core/UiPorts.h"
#include "ui/skin/CylinderBar.h"
#include "ui/skin/SkinFont.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

QColor ColourFromBgr(uint32_t value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QFont DesignFont(int pixelHeight)
{
    return SkinFont(QStringLiteral("MS Sans Serif"), pixelHeight);
}

QString ElidePath(const QString& path, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    // The last component begins after the last "/" that is not one of the path's trailing ones.
    qsizetype end = path.size() - 1;
    while (end > 0 && path.at(end) == QLatin1Char('/'))
        --end;
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/'), end);
    if (cut > 0) {
        const QString tail = path.mid(cut);
        const int headWidth = width - metrics.horizontalAdvance(tail);
        const QString head = headWidth > 0 ? metrics.elidedText(path.left(cut), Qt::ElideRight, headWidth) : QString();
        if (!head.isEmpty())
            return head + tail;
    }
    return metrics.elidedText(path, Qt::ElideLeft, width);
}

SkinLabel::SkinLabel(QWidget* parent, const QRect& geometry, const QString& caption, bool handCursor)
    : HotZone(parent, geometry, QString(), handCursor ? caption : QString(),
              handCursor ? QAccessible::MenuItem : QAccessible::Separator),
      caption(caption)
{
    setFocusPolicy(Qt::NoFocus);
    if (!handCursor) {
        unsetCursor();
        setMouseTracking(false);
    }
}

void SkinLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    const QPalette::ColorGroup group = !isEnabled() ? QPalette::Disabled
                                       : isActiveWindow() ? QPalette::Active
                                                          : QPalette::Inactive;
    painter.setPen(palette().color(group, QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption);
}

KeyPreview::KeyPreview(QWidget* window, std::function<bool(QKeyEvent*)> handler)
    : QObject(window), window(window), handler(std::move(handler))
{
    qApp->installEventFilter(this);
}

KeyPreview::~KeyPreview()
{
    qApp->removeEventFilter(this);
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event)
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
    // A key whose handler failed counts as taken: no control acts on it after the report.
    bool consumed = true;
    RunGuarded([&] { consumed = handler(static_cast<QKeyEvent*>(event)); });
    return consumed;
}

void OpenWithShell(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

// Design settings of the two bars; only the colour differs.
void ApplyBarDesign(CylinderBar* bar, uint32_t colour)
{
    bar->SetColor(colour);
    bar->SetBackColor(11915964);
    bar->SetBackBorderColor(4210688);
    bar->SetForeColor(3563837);
    bar->SetForeLineColor(4210688);
    bar->SetBevelColor(9352841);
    bar->SetBevelInner(bvNone);
    bar->SetBevelOuter(bvNone);
    bar->SetBevelWidth(1);
    bar->SetBorderWidth(0);
    CylinderColorStyle style(bar);
    style.SetIntensityRGB(255);
    style.SetIntensity(4);
    style.SetIntensityFactor(-1);
    style.SetRangeRGB(255);
    style.SetColorRGB(255);
    style.SetColorFactor(-1);
    style.SetLightAngle(-3);
    bar->SetBackStyle(style);
    bar->SetForeStyle(style);
    bar->SetCylinderEffect(ceMaximum);
    bar->SetProEffect(peCustom);
    bar->SetOrientation(pbHorizontal);
    bar->SetMax(100);
    bar->SetPosition(20);
    bar->SetStep(1);
    bar->SetStopAtMax(true);
    bar->SetShowText(true);
    bar->setFont(SkinFont(QStringLiteral("Arial"), 12, true));
    bar->SetFontColor(0);
    bar->SetFontEffect(feShadowBottomRight);
    bar->SetFontShadowColor(16384);
    bar->SetFontOrientation(foLeftToRight);
}
