#pragma once
// Whether the windows can be shown, learnt without Qt Gui: the X server is asked for a real
// connection (with its authorisation) through libxcb loaded at run time, a Wayland compositor
// by connecting to its socket. Nothing here creates a window or loads a Qt plugin, so a run
// from cron can choose its way without paying for a display it cannot have.

#include <QString>

// What the environment offers the windowed program.
enum class DisplayAvailability {
    None,        // no display named, or the one named does not answer
    Screenless,  // a Qt platform that draws without a screen (offscreen, minimal): nobody sees it
    Screen,      // a display that answered, or a platform whose screen only Qt can open
};

// The variables that choose the display, as Qt and the display libraries read them.
struct DisplayEnvironment {
    QString QtPlatform;      // QT_QPA_PLATFORM: one platform name or several separated by ";"
    QString X11Display;      // DISPLAY
    QString WaylandDisplay;  // WAYLAND_DISPLAY: a socket name, or an absolute path
    QString RuntimeDir;      // XDG_RUNTIME_DIR, where Wayland sockets live
    QString SessionType;     // XDG_SESSION_TYPE

    static DisplayEnvironment Current();
};

// An X server that accepts the connection but never answers must not hold a run from cron:
// after this long it counts as no display.
inline constexpr int DisplayProbeTimeoutMs = 5000;
// How often, and how far apart, a window start asks again for a display that did not answer.
inline constexpr int DisplayProbeRetries = 3;
inline constexpr int DisplayProbeRetryMs = 700;

// Follows Qt's own choice of platform: the names of QT_QPA_PLATFORM in their order, or else
// Wayland (in a Wayland session) and then X11. The first name that would work decides.
DisplayAvailability ProbeDisplay(const DisplayEnvironment& environment, int timeoutMs = DisplayProbeTimeoutMs);

// True when an X server accepts a connection to `display` within the time given.
bool X11DisplayAnswers(const QString& display, int timeoutMs);
// True when a Wayland compositor listens on the socket that `waylandDisplay` names (the
// default "wayland-0" when empty) in `runtimeDir`, or at its absolute path.
bool WaylandDisplayAnswers(const QString& waylandDisplay, const QString& runtimeDir);
