// The display probe decides between the windows and the run without a display. Each row of
// the table is an environment a user may start the program in: a desktop session, cron with or
// without a stale DISPLAY, a Wayland session, an explicit Qt platform.

#include "platform/Display.h"

#include "VirtualXServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

// One application object for the suite (the stand-in servers are Qt objects).
class CoreApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { app = std::make_unique<QCoreApplication>(argc, argv); }
    void TearDown() override { app.reset(); }

private:
    int argc = 1;
    char name[16] = "skrytkar-tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new CoreApplicationEnvironment);

VirtualXServer& XServer()
{
    static VirtualXServer server;
    return server;
}

// A listening socket where a Wayland compositor would have its own.
class StandInCompositor {
public:
    StandInCompositor()
    {
        EXPECT_TRUE(runtimeDir.isValid());
        EXPECT_TRUE(socket.listen(runtimeDir.filePath(QStringLiteral("wayland-7")))) << socket.errorString().toStdString();
    }
    QString RuntimeDir() const { return runtimeDir.path(); }
    QString Path() const { return runtimeDir.filePath(QStringLiteral("wayland-7")); }

private:
    QTemporaryDir runtimeDir;
    QLocalServer socket;
};

// Long enough for a server on a busy machine: a probe that gets its answer returns at once.
constexpr int ProbeTimeoutMs = 20000;

TEST(DisplayProbe, EnvironmentsAUserStartsTheProgramIn)
{
    const StandInCompositor compositor;
    QTemporaryDir emptyRuntimeDir;
    const QString x = XServer().Display();
    const QString noX = QStringLiteral(":93");  // a display whose server is gone

    const struct {
        const char* name;
        DisplayEnvironment environment;
        DisplayAvailability expected;
        bool needsX;
    } cases[] = {
        {"cron: nothing set", {}, DisplayAvailability::None, false},
        {"cron with a stale DISPLAY", {{}, noX, {}, {}, {}}, DisplayAvailability::None, false},
        {"X11 desktop", {{}, x, {}, {}, QStringLiteral("x11")}, DisplayAvailability::Screen, true},
        {"X11 asked for by name", {QStringLiteral("xcb"), x, {}, {}, {}}, DisplayAvailability::Screen, true},
        {"X11 asked for, with options", {QStringLiteral("xcb:nograb"), x, {}, {}, {}}, DisplayAvailability::Screen, true},
        {"X11 asked for, server gone", {QStringLiteral("xcb"), noX, {}, {}, {}}, DisplayAvailability::None, false},
        {"X11 asked for, nothing named", {QStringLiteral("xcb"), {}, {}, {}, {}}, DisplayAvailability::None, false},
        // A screenless platform is never a display for anybody to answer, whatever else is set.
        {"offscreen", {QStringLiteral("offscreen"), x, {}, {}, {}}, DisplayAvailability::Screenless, false},
        {"offscreen in capitals", {QStringLiteral("OFFSCREEN"), {}, {}, {}, {}}, DisplayAvailability::Screenless, false},
        {"minimal", {QStringLiteral("minimal"), {}, {}, {}, {}}, DisplayAvailability::Screenless, false},
        {"minimalegl", {QStringLiteral("minimalegl"), {}, {}, {}, {}}, DisplayAvailability::Screenless, false},
        // Qt tries the names in their order.
        {"X11 first, then offscreen", {QStringLiteral("xcb;offscreen"), noX, {}, {}, {}}, DisplayAvailability::Screenless, false},
        {"offscreen first", {QStringLiteral("offscreen;xcb"), x, {}, {}, {}}, DisplayAvailability::Screenless, false},
        {"Wayland gone, then X11", {QStringLiteral("wayland;xcb"), x, {}, emptyRuntimeDir.path(), {}}, DisplayAvailability::Screen, true},
        // Wayland: the socket in the runtime folder, or at an absolute path.
        {"Wayland asked for", {QStringLiteral("wayland"), {}, QStringLiteral("wayland-7"), compositor.RuntimeDir(), {}},
         DisplayAvailability::Screen, false},
        {"Wayland by absolute path", {QStringLiteral("wayland-egl"), {}, compositor.Path(), {}, {}}, DisplayAvailability::Screen, false},
        {"Wayland without a socket", {QStringLiteral("wayland"), {}, QStringLiteral("wayland-7"), emptyRuntimeDir.path(), {}},
         DisplayAvailability::None, false},
        {"Wayland without a runtime folder", {QStringLiteral("wayland"), {}, QStringLiteral("wayland-7"), {}, {}},
         DisplayAvailability::None, false},
        {"Wayland session", {{}, {}, QStringLiteral("wayland-7"), compositor.RuntimeDir(), QStringLiteral("wayland")},
         DisplayAvailability::Screen, false},
        {"Wayland socket outside a Wayland session", {{}, {}, QStringLiteral("wayland-7"), compositor.RuntimeDir(), QStringLiteral("x11")},
         DisplayAvailability::None, false},
        // Platforms with a screen only Qt can open: Qt decides.
        {"VNC", {QStringLiteral("vnc"), {}, {}, {}, {}}, DisplayAvailability::Screen, false},
        {"frame buffer", {QStringLiteral("linuxfb"), {}, {}, {}, {}}, DisplayAvailability::Screen, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsX && x.isEmpty()) {
            std::printf("skipped without Xvfb: %s\n", c.name);
            continue;
        }
        EXPECT_EQ(ProbeDisplay(c.environment, ProbeTimeoutMs), c.expected);
    }
}

TEST(DisplayProbe, AnXServerThatNeverAnswersCountsAsNoneInBoundedTime)
{
    // A server that takes the connection and says nothing, like one that hangs: the probe
    // must not hold a run from cron.
    QTcpServer silent;
    std::optional<int> number;
    for (int n = 40; n < 90 && !number; ++n) {
        if (silent.listen(QHostAddress::LocalHost, static_cast<quint16>(6000 + n)))
            number = n;
    }
    ASSERT_TRUE(number);
    QElapsedTimer clock;
    clock.start();
    const DisplayEnvironment environment{QStringLiteral("xcb"), QStringLiteral("127.0.0.1:%1").arg(*number), {}, {}, {}};
    EXPECT_EQ(ProbeDisplay(environment, 300), DisplayAvailability::None);
    EXPECT_LT(clock.elapsed(), 15000);  // bounded, not endless
}

TEST(DisplayProbe, ARealXServerAnswers)
{
    const QString x = XServer().Display();
    if (x.isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    EXPECT_TRUE(X11DisplayAnswers(x, ProbeTimeoutMs));
    EXPECT_FALSE(X11DisplayAnswers(QStringLiteral(":93"), ProbeTimeoutMs));
    EXPECT_FALSE(X11DisplayAnswers(QString(), ProbeTimeoutMs));
}

} // namespace
