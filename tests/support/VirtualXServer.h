#pragma once
// A real X server of the test's own (Xvfb), for tests that need a display that answers. When
// Xvfb is not installed, Display() is empty and such tests skip.

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

class VirtualXServer {
public:
    VirtualXServer()
    {
        // The server names its display on standard output once it takes connections. Without
        // -noreset it starts over whenever its last client leaves, and refuses whoever comes
        // meanwhile: a program whose display probe was that last client would find no display.
        server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"), QStringLiteral("-nolisten"),
                                              QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                                              QStringLiteral("1024x768x24")});
        if (!server.waitForStarted(5000))
            return;
        QElapsedTimer waited;
        waited.start();
        QByteArray out;
        while (!out.contains('\n') && waited.elapsed() < 15000 && server.state() == QProcess::Running) {
            server.waitForReadyRead(100);
            out += server.readAllStandardOutput();
        }
        if (out.contains('\n'))
            display = QStringLiteral(":") + QString::fromLatin1(out.trimmed());
    }
    ~VirtualXServer()
    {
        if (server.state() == QProcess::NotRunning)
            return;
        server.terminate();
        if (!server.waitForFinished(5000))
            server.kill();
        server.waitForFinished();
    }
    VirtualXServer(const VirtualXServer&) = delete;
    VirtualXServer& operator=(const VirtualXServer&) = delete;

    // ":N", or empty when no server could be started.
    const QString& Display() const { return display; }

private:
    QProcess server;
    QString display;
};
