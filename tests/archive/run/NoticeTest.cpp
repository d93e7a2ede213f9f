// The unattended run without a display tells the desktop how it went: against a session bus of
// the test's own (dbus-daemon) with a notification service of the test's own that records each
// call, and without any bus, where standard error names the failed entries and the log.

#include "RunTestSupport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QVariantMap>

#include <memory>
#include <vector>

namespace {

class CoreApp : public ::testing::Environment {
public:
    void SetUp() override { app = std::make_unique<QCoreApplication>(argc, argv); }
    void TearDown() override { app.reset(); }

private:
    int argc = 1;
    char name[16] = "skrytkar-tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new CoreApp);

struct Recorded {
    QString app, title, body;
    QStringList actions;
};

}  // namespace

// The desktop's notification service, as far as the program uses it.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    std::vector<Recorded> calls;

public Q_SLOTS:
    uint Notify(const QString& app, uint, const QString&, const QString& title, const QString& body,
                const QStringList& actions, const QVariantMap&, int)
    {
        calls.push_back({app, title, body, actions});
        return uint(calls.size());
    }
};

namespace {

class Notices : public ::testing::Test, protected TempTree {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        programDir = root.path() + QStringLiteral("/Program Skrytkar/");
        ASSERT_TRUE(QDir().mkpath(programDir));
        binary = programDir + QStringLiteral("skrytkar");
        ASSERT_TRUE(QFile::copy(QStringLiteral(SKRYTKAR_BINARY), binary));
        QFile::setPermissions(binary, QFile::permissions(binary) | QFile::ExeOwner | QFile::ExeUser);
        docel = MakeFolder(QStringLiteral("kopie"));
        note = MakeFile(QStringLiteral("notatka.txt"), "notatka\n");
    }

    void TearDown() override
    {
        if (daemon.state() != QProcess::NotRunning) {
            QDBusConnection::disconnectFromBus(QStringLiteral("skrytkar-test-bus"));
            daemon.kill();
            daemon.waitForFinished();
        }
    }

    // A private session bus with the recording service on it.
    void StartBus()
    {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        ASSERT_TRUE(daemon.waitForStarted());
        while (!daemon.canReadLine())
            ASSERT_TRUE(daemon.waitForReadyRead(10000));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("skrytkar-test-bus"));
        ASSERT_TRUE(bus.isConnected());
        ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                       QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    }

    // "/all" without a display; the test's own events are served meanwhile, so the service answers.
    Outcome RunAll()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   address.isEmpty() ? QStringLiteral("unix:path=") + root.path() + QStringLiteral("/brak-magistrali") : address);
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(root.path());
        p.start(binary, {QStringLiteral("/all")});
        Outcome o;
        for (int waited = 0; !p.waitForFinished(20); waited += 20) {
            QCoreApplication::processEvents();
            if (waited > 120000) {
                p.kill();
                p.waitForFinished();
                ADD_FAILURE() << "the program did not end";
                return o;
            }
        }
        QCoreApplication::processEvents();
        o.crashed = p.exitStatus() != QProcess::NormalExit;
        o.exitCode = o.crashed ? -1 : p.exitCode();
        o.out = QString::fromUtf8(p.readAllStandardOutput());
        o.err = QString::fromUtf8(p.readAllStandardError());
        return o;
    }

    void SaveList(const std::vector<Entry>& entries)
    {
        ASSERT_TRUE(SaveListFileAt(programDir + QStringLiteral("Dane.dat"), entries));
    }

    QString programDir, binary, docel, note, address;
    QProcess daemon;
    FakeNotifications service;
};

TEST_F(Notices, AFailedRunIsAlwaysToldAndASuccessOnlyWhenAsked)
{
    StartBus();
    SaveList({{QStringLiteral("Plik"), QStringLiteral("Notatka"), note, docel},
              {QStringLiteral("Plik"), QStringLiteral("Zły"), note, Path(QStringLiteral("dysk odłączony"))}});
    Outcome o = RunAll();
    EXPECT_EQ(o.exitCode, 1) << o.err.toStdString();
    ASSERT_EQ(service.calls.size(), 1u) << o.err.toStdString();
    EXPECT_EQ(service.calls[0].app, QStringLiteral("Skrytkar"));
    EXPECT_EQ(service.calls[0].title, QStringLiteral("Archiwizacja nie powiodła się"));
    EXPECT_EQ(service.calls[0].body,
              QStringLiteral("Zły: ") + Path(QStringLiteral("dysk odłączony")) + QStringLiteral(": nie ma takiego pliku ani folderu"));
    EXPECT_EQ(service.calls[0].actions, (QStringList{QStringLiteral("default"), QStringLiteral("Pokaż historię")}));
    EXPECT_FALSE(o.err.contains(QStringLiteral("Szczegóły w logu")));  // the desktop was told

    SaveList({{QStringLiteral("Plik"), QStringLiteral("Notatka"), note, docel}});
    MakeFile(QStringLiteral("notatka.txt"), "druga wersja\n");
    o = RunAll();
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(service.calls.size(), 1u);  // success: nothing unless asked

    MakeFile(QStringLiteral("Program Skrytkar/Ustawienia.ini"), "[Archiwizacja]\nPowiadamiajOSukcesie=true\n");
    MakeFile(QStringLiteral("notatka.txt"), "trzecia wersja\n");
    QDir(docel).removeRecursively();
    MakeFolder(QStringLiteral("kopie"));
    o = RunAll();
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    ASSERT_EQ(service.calls.size(), 2u);
    EXPECT_EQ(service.calls[1].title, QStringLiteral("Archiwizacja zakończona"));
    EXPECT_EQ(service.calls[1].body, QStringLiteral("Zarchiwizowano: 1\nBez zmian: 0\nNie powiodło się: 0"));
}

TEST_F(Notices, WithoutABusStandardErrorNamesTheFailedEntriesAndTheLog)
{
    SaveList({{QStringLiteral("Plik"), QStringLiteral("Notatka"), note, docel},
              {QStringLiteral("Plik"), QStringLiteral("Zły"), note, Path(QStringLiteral("dysk odłączony"))}});
    const Outcome o = RunAll();
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_TRUE(o.err.contains(QStringLiteral("Nie powiodło się: Zły (") + Path(QStringLiteral("dysk odłączony"))
                               + QStringLiteral(": nie ma takiego pliku ani folderu)\n")))
        << o.err.toStdString();
    EXPECT_TRUE(o.err.contains(QStringLiteral("Szczegóły w logu: ") + programDir + QStringLiteral("Log.txt")))
        << o.err.toStdString();
    EXPECT_FALSE(o.err.contains(QStringLiteral("Notatka")));
}

}  // namespace

#include "NoticeTest.moc"
