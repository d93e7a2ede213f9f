#include "platform/Display.h"

#include "platform/Files.h"
#include "platform/Library.h"

#include <QStringList>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include <cerrno>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QString Variable(const char* name)
{
    return qEnvironmentVariable(name);
}

// One connection attempt of libxcb, shared with the thread that makes it: a server that never
// answers keeps that thread (and the library it runs in) alive after the caller gave up.
struct XcbAttempt {
    using Connect = void* (*)(const char* display, int* screen);
    using HasError = int (*)(void* connection);
    using Disconnect = void (*)(void* connection);

    DynamicLibrary Library;
    Connect ConnectTo = nullptr;
    HasError ConnectionHasError = nullptr;
    Disconnect DisconnectFrom = nullptr;

    std::mutex Mutex;
    std::condition_variable Done;
    bool Finished = false;
    bool Answered = false;
};

bool IsScreenlessPlatform(const QString& platform)
{
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal") ||
           platform == QLatin1String("minimalegl");
}

} // namespace

DisplayEnvironment DisplayEnvironment::Current()
{
    DisplayEnvironment environment;
    environment.QtPlatform = Variable("QT_QPA_PLATFORM");
    environment.X11Display = Variable("DISPLAY");
    environment.WaylandDisplay = Variable("WAYLAND_DISPLAY");
    environment.RuntimeDir = Variable("XDG_RUNTIME_DIR");
    environment.SessionType = Variable("XDG_SESSION_TYPE");
    return environment;
}

bool X11DisplayAnswers(const QString& display, int timeoutMs)
{
    if (display.isEmpty())
        return false;
    auto attempt = std::make_shared<XcbAttempt>();
    // Without libxcb Qt's own X11 platform cannot start either.
    if (!attempt->Library.Load(QStringLiteral("libxcb.so.1")))
        return false;
    attempt->ConnectTo = reinterpret_cast<XcbAttempt::Connect>(attempt->Library.Symbol("xcb_connect"));
    attempt->ConnectionHasError = reinterpret_cast<XcbAttempt::HasError>(attempt->Library.Symbol("xcb_connection_has_error"));
    attempt->DisconnectFrom = reinterpret_cast<XcbAttempt::Disconnect>(attempt->Library.Symbol("xcb_disconnect"));
    if (!attempt->ConnectTo || !attempt->ConnectionHasError || !attempt->DisconnectFrom)
        return false;

    // xcb_connect waits for the server's reply to the handshake without a limit of its own.
    const QByteArray name = display.toLocal8Bit();
    std::thread([attempt, name] {
        void* connection = attempt->ConnectTo(name.constData(), nullptr);
        // A failed connection is an error object that xcb_disconnect accepts too.
        const bool answered = connection && attempt->ConnectionHasError(connection) == 0;
        attempt->DisconnectFrom(connection);
        const std::lock_guard lock(attempt->Mutex);
        attempt->Finished = true;
        attempt->Answered = answered;
        attempt->Done.notify_all();
    }).detach();

    std::unique_lock lock(attempt->Mutex);
    attempt->Done.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return attempt->Finished; });
    return attempt->Finished && attempt->Answered;
}

bool WaylandDisplayAnswers(const QString& waylandDisplay, const QString& runtimeDir)
{
    // The rules of the Wayland client library.
    const QString name = waylandDisplay.isEmpty() ? QStringLiteral("wayland-0") : waylandDisplay;
    QString path;
    if (name.startsWith(QLatin1Char('/')))
        path = name;
    else if (!runtimeDir.isEmpty())
        path = runtimeDir + QLatin1Char('/') + name;
    else
        return false;

    const QByteArray native = NativePath(path);
    sockaddr_un address{};
    if (static_cast<size_t>(native.size()) >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::copy(native.cbegin(), native.cend(), address.sun_path);

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    int result;
    do {
        result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    } while (result != 0 && errno == EINTR);
    // A full backlog still means a compositor is listening there.
    const bool answered = result == 0 || errno == EAGAIN;
    ::close(fd);
    return answered;
}

DisplayAvailability ProbeDisplay(const DisplayEnvironment& environment, int timeoutMs)
{
    QStringList platforms;
    if (!environment.QtPlatform.trimmed().isEmpty()) {
        platforms = environment.QtPlatform.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    } else {
        if (environment.SessionType == QLatin1String("wayland"))
            platforms << QStringLiteral("wayland");
        platforms << QStringLiteral("xcb");
    }
    for (const QString& entry : platforms) {
        // "name:option=value:..." names the platform before its options.
        const QString platform = entry.section(QLatin1Char(':'), 0, 0).trimmed().toLower();
        if (platform.isEmpty())
            continue;
        if (platform == QLatin1String("xcb")) {
            if (X11DisplayAnswers(environment.X11Display, timeoutMs))
                return DisplayAvailability::Screen;
            continue;  // Qt goes on to the next name as well
        }
        if (platform.startsWith(QLatin1String("wayland"))) {
            if (WaylandDisplayAnswers(environment.WaylandDisplay, environment.RuntimeDir))
                return DisplayAvailability::Screen;
            continue;
        }
        if (IsScreenlessPlatform(platform))
            return DisplayAvailability::Screenless;
        // A frame buffer, a VNC server, a platform of its own: only Qt can open those.
        return DisplayAvailability::Screen;
    }
    return DisplayAvailability::None;
}
