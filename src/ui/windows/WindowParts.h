#pragma once
// Small pieces the skinned windows share: colours and fonts of the design, the transparent
// labels that serve as hot zones and menu items, key preview, and the shell's "open".

#include <QColor>
#include <QFont>
#include "ui/skin/HotZone.h"

#include <QPointer>
#include <QUrl>

#include <cstdint>
#include <functional>

class QFontMetrics;
class QKeyEvent;
class CylinderBar;

// A design colour written as 0x00BBGGRR.
QColor ColourFromBgr(uint32_t value);

// The design of the cylinder bars (the main window's and the restore window's); only the
// colour (0x00BBGGRR) differs between the upper and the lower bar.
void ApplyBarDesign(CylinderBar* bar, uint32_t colour);

// "MS Sans Serif" of the designs at a pixel height.
QFont DesignFont(int pixelHeight);

// A path shortened to a width in the given font: its beginning, "…", and its last component
// whole, so the name of the file or folder stays readable; a last component too long for the
// width keeps its end. A path that fits is returned unchanged.
QString ElidePath(const QString& path, const QFontMetrics& metrics, int width);

// A caption without a background of its own over a panel's picture: a menu item or a
// separator. It takes the mouse as a hot zone does and draws its text in the palette's
// window-text colour (the disabled group's when disabled).
class SkinLabel : public HotZone {
    Q_OBJECT
public:
    SkinLabel(QWidget* parent, const QRect& geometry, const QString& caption, bool handCursor);

    const QString& text() const { return caption; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption;
};

// Lets a window see every key before its focused control does, the way the designs ask
// ("key preview"). The handler answers true when it consumed the key.
class KeyPreview : public QObject {
    Q_OBJECT
public:
    KeyPreview(QWidget* window, std::function<bool(QKeyEvent*)> handler);
    ~KeyPreview() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window;
    std::function<bool(QKeyEvent*)> handler;
    // A key event the focused control ignored travels on to its parents; it is previewed once.
    QEvent* seenEvent = nullptr;
    QPointer<QWidget> seenAt;
};

// The shell's "open" of a file or an address; the outcome is not examined.
void OpenWithShell(const QUrl& url);
