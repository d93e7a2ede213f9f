#pragma once
// Small pieces the skinned windows share: colours and fonts of the design, the transparent
// labels that serve as hot zones and menu items, key preview, and the shell's "open".

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPointer>
#include <QUrl>

#include <cstdint>
#include <functional>

class QKeyEvent;

// A design colour written as 0x00BBGGRR.
QColor ColourFromBgr(uint32_t value);

// "MS Sans Serif" of the designs at a pixel height.
QFont DesignFont(int pixelHeight);

// A caption without a background of its own over a panel's picture: a menu item or a
// separator. It reports presses, moves and releases, and a click (left button pressed and
// released over it).
class TSkinLabel : public QLabel {
    Q_OBJECT
public:
    explicit TSkinLabel(QWidget* parent, const QRect& geometry, const QString& caption, bool handCursor);

Q_SIGNALS:
    void clicked();
    void mouseDown(QMouseEvent* event);
    void mouseMove(QMouseEvent* event);
    void mouseUp(QMouseEvent* event);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool leftDown = false;
};

// Lets a window see every key before its focused control does, the way the designs ask
// ("key preview"). The handler answers true when it consumed the key.
class TKeyPreview : public QObject {
    Q_OBJECT
public:
    TKeyPreview(QWidget* window, std::function<bool(QKeyEvent*)> handler);
    ~TKeyPreview() override;

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
// Test seam: when set, receives the address instead of the desktop.
extern std::function<void(const QUrl&)> OpenWithShellHook;
