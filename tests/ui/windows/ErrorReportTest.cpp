// The error boundary of the windowed program: whatever a handler called by the event loop
// throws (a click, a key, a menu item, the timer, the first show) ends that handler only, the
// user reads a Polish text in the program's dialog, and the program goes on. The application's
// own event boundary stays a last resort that the handlers never need.

#include "archive/run/ArchiveRun.h"
#include "archive/run/Startup.h"
#include "archive/sevenzip/SevenZip.h"
#include "core/EntryList.h"
#include "core/UiPorts.h"
#include "platform/Platform.h"
#include "ui/skin/HotZone.h"
#include "ui/windows/Application.h"
#include "ui/windows/ErrorReport.h"
#include "ui/windows/MainWindow.h"
#include "ui/windows/MenuPanel.h"
#include "ui/windows/WindowParts.h"

#include "FakeMessages.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

// One application object for the whole run, as in the program.
class ApplicationEnvironment final : public ::testing::Environment {
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<SkrytkarApplication>(argc, argv);
    }
    void TearDown() override { app.reset(); }

    std::unique_ptr<SkrytkarApplication> app;

private:
    int argc = 1;
    char name[9] = "skrytkar";
    char* argv[2] = {name, nullptr};
};

ApplicationEnvironment* const environment =
    static_cast<ApplicationEnvironment*>(::testing::AddGlobalTestEnvironment(new ApplicationEnvironment));

SkrytkarApplication& App()
{
    return *environment->app;
}

const QString OursText = QStringLiteral("Nie można zapisać pliku /kopie/a.7z: brak miejsca na dysku.");

// What a handler throws, and what the user reads for it.
struct Thrown {
    const char* name;
    std::function<void()> raise;
    QString shown;
};

std::vector<Thrown> ThrownCases()
{
    return {
        {"our error with its Polish text", [] { throw UserError(OursText); }, OursText},
        {"a library's English error", [] { throw std::runtime_error("No space left on device"); },
         QStringLiteral("Wystąpił nieoczekiwany błąd.")},
        {"no memory", [] { throw std::bad_alloc(); }, QStringLiteral("Za mało pamięci.")},
        {"not an exception class at all", [] { throw 42; }, QStringLiteral("Wystąpił nieoczekiwany błąd.")},
    };
}

// The program's windows over a program folder of their own, with the message dialog
// replaced by a recording stand-in.
class ErrorBoundaryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        OverrideProgramDirectory(dir.path());
        App().ResetLastResortCatches();
        App().SetDefaultReportSeam([this](const QString& text) { defaultReports.push_back(text); });
    }

    // Creates the windows as the program does, for these arguments, and shows the main window,
    // which runs the start-up's Show.
    void Start(const QStringList& arguments = {QStringLiteral("skrytkar")})
    {
        program = std::make_unique<ProgramWindows>(std::make_unique<SevenZipPacker>(), arguments, &App().Ports());
        App().Ports().SetMessagePort(&messages);
        mainWindow = &program->Main();
        menu = &mainWindow->Menu();
        mainWindow->SetOpenWithShellSeam([this](const QUrl& url) {
            if (failure)
                failure();
            opened.push_back(url);
        });
        mainWindow->SetTerminateSeam([this] {
            if (failure)
                failure();
            ++terminations;
        });
        mainWindow->show();
        QApplication::setActiveWindow(mainWindow);
    }

    void TearDown() override
    {
        program.reset();
        App().Ports().SetMessagePort(nullptr);
        App().SetDefaultReportSeam(nullptr);
        OverrideProgramDirectory(QString());
    }

    static void Click(QWidget* zone) { QTest::mouseClick(zone, Qt::LeftButton, Qt::NoModifier, zone->rect().center()); }

    std::vector<QString> ShownTexts() const
    {
        std::vector<QString> texts;
        for (const ShownMessage& m : messages.shown) {
            EXPECT_EQ(m.buttons, ButtonsClose);
            EXPECT_EQ(m.icon, IconWarning);
            texts.push_back(m.text);
        }
        return texts;
    }

    QTemporaryDir dir;
    std::unique_ptr<ProgramWindows> program;
    MainWindow* mainWindow = nullptr;
    MenuPanel* menu = nullptr;
    FakeMessages messages;
    std::function<void()> failure;  // what the seams throw, when set
    std::vector<QUrl> opened;
    int terminations = 0;
    std::vector<QString> defaultReports;
};

TEST_F(ErrorBoundaryTest, AThrowingHandlerIsReportedInPolishAndTheProgramGoesOn)
{
    Start();
    // Three ways in from the event loop: a hot zone's click signal, a key through the key
    // preview, a menu item.
    struct Entry {
        const char* name;
        std::function<void()> act;
        std::function<int()> done;
    };
    const Entry entries[] = {
        {"close zone", [this] { Click(mainWindow->LClose); }, [this] { return terminations; }},
        {"F1 key", [this] { QTest::keyClick(mainWindow->Lista, Qt::Key_F1); }, [this] { return int(opened.size()); }},
        {"help menu item",
         [this] {
             menu->ShowMenuPanel(2, 1);
             Click(menu->LPomoc);
         },
         [this] { return int(opened.size()); }},
    };
    for (const Entry& entry : entries) {
        for (const Thrown& thrown : ThrownCases()) {
            SCOPED_TRACE(std::string(entry.name) + ": " + thrown.name);
            messages.shown.clear();
            failure = thrown.raise;
            const int before = entry.done();

            entry.act();

            EXPECT_EQ(ShownTexts(), std::vector<QString>{thrown.shown});
            EXPECT_EQ(entry.done(), before);
            EXPECT_EQ(App().LastResortCatches(), 0);
            EXPECT_TRUE(defaultReports.empty());

            // The program goes on: the same command works once nothing throws.
            failure = nullptr;
            messages.shown.clear();
            entry.act();
            EXPECT_EQ(entry.done(), before + 1);
            EXPECT_TRUE(messages.shown.empty());
        }
    }
}

TEST_F(ErrorBoundaryTest, AListFileThatIsAFolderIsExplainedInPolishAtTheFirstShow)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Dane.dat")));
    Start();
    EXPECT_EQ(ShownTexts(), std::vector<QString>{QStringLiteral("Nie można odczytać pliku listy %1: to jest folder, nie plik.")
                                                     .arg(dir.filePath(QStringLiteral("Dane.dat")))});
    EXPECT_FALSE(mainWindow->Start().Timer().isActive());
    EXPECT_EQ(App().LastResortCatches(), 0);
    // The window stays and takes commands.
    EXPECT_TRUE(mainWindow->isVisible());
    Click(mainWindow->LClose);
    EXPECT_EQ(terminations, 1);
}

TEST_F(ErrorBoundaryTest, AFailingTimerTickIsReportedAndTheWindowStaysOpen)
{
    // The unattended run with a display, whose log cannot be written: the tick of `Zegar`
    // ends with the log's error; the program reports it and is not terminated.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Log.txt")));
    Start({QStringLiteral("skrytkar"), QStringLiteral("/all")});
    QElapsedTimer waited;
    waited.start();
    while (messages.shown.empty() && waited.elapsed() < 10000)
        QTest::qWait(20);
    const std::vector<QString> texts = ShownTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("Nie można zapisać pliku logu %1").arg(dir.filePath(QStringLiteral("Log.txt")))))
        << texts[0].toStdString();
    EXPECT_TRUE(texts[0].contains(QStringLiteral("to jest folder, nie plik"))) << texts[0].toStdString();
    EXPECT_EQ(terminations, 0);
    EXPECT_EQ(App().LastResortCatches(), 0);
    EXPECT_EQ(mainWindow->Start().UnattendedExitStatus(), ExitFailure);
}

// An object whose own event handling throws: nothing of the program's guards it, so the
// application's event boundary does, the same way.
class FailingObject : public QObject {
public:
    std::function<void()> raise;
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            raise();
        return QObject::event(e);
    }
};

TEST_F(ErrorBoundaryTest, TheLastResortReportsTheSameWayAndTheLoopGoesOn)
{
    Start();
    FailingObject object;
    for (const Thrown& thrown : ThrownCases()) {
        SCOPED_TRACE(thrown.name);
        messages.shown.clear();
        object.raise = thrown.raise;
        QEvent failing(QEvent::User);
        EXPECT_FALSE(QCoreApplication::sendEvent(&object, &failing));
        EXPECT_EQ(ShownTexts(), std::vector<QString>{thrown.shown});
    }
    EXPECT_EQ(App().LastResortCatches(), int(ThrownCases().size()));

    // A posted event fails inside the event loop; the loop goes on to the next one.
    messages.shown.clear();
    bool later = false;
    QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
    QTimer::singleShot(0, &object, [&] { later = true; });
    QTest::qWait(50);
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(later);
}

TEST_F(ErrorBoundaryTest, BeforeTheDialogExistsTheDefaultReportShowsIt)
{
    // No windows yet (the packer's library is loaded before them): the plain report.
    App().Ports().SetErrorReport([](const QString& text) { App().ReportBeforeWindows(text); });
    RunGuarded([] { throw UserError(OursText); });
    App().Ports().SetErrorReport(nullptr);
    EXPECT_EQ(defaultReports, std::vector<QString>{OursText});
    EXPECT_TRUE(messages.shown.empty());
}

} // namespace
