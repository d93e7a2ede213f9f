#include "core/UiPorts.h"

#include "core/EntryList.h"
#include "FakeMessages.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

// An application object with its ports, as the windowed program has them.
class WithPorts : public ::testing::Test {
protected:
    int argc = 1;
    char name[9] = "skrytkar";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    UserInterfacePorts ports;
};

struct ScriptedPort : MessagePort {
    int answer = AnswerYes;
    int calls = 0;
    int Show(int, int, const QString&) override { ++calls; return answer; }
};

TEST_F(WithPorts, ShowWarningReturnsThePortsAnswer)
{
    ScriptedPort port;
    ports.SetMessagePort(&port);
    for (int answer : {AnswerClose, AnswerYes, AnswerNo, AnswerCancel}) {
        port.answer = answer;
        EXPECT_EQ(ShowWarning(ButtonsYesNoCancel, IconQuestion, QStringLiteral("?")), answer);
    }
    EXPECT_EQ(port.calls, 4);
}

TEST_F(WithPorts, AreTheApplicationsOwnAndGoWithTheirObject)
{
    EXPECT_EQ(UserInterfacePorts::Find(), &ports);
    EXPECT_EQ(ports.parent(), &app);
    ScriptedPort port;
    {
        // Ports made as a child of another object are not the application's.
        QObject other;
        UserInterfacePorts elsewhere(&other);
        elsewhere.SetMessagePort(&port);
        EXPECT_EQ(UserInterfacePorts::Find(), &ports);
        ShowWarning(ButtonsClose, IconInfo, QStringLiteral("a"));
        EXPECT_EQ(port.calls, 0);
    }
    auto* more = new UserInterfacePorts;
    delete more;
    EXPECT_EQ(UserInterfacePorts::Find(), &ports);
}

TEST(ShowWarning, WithoutAWindowAQuestionIsRefused)
{
    // No application object at all (the run without a display before it has one).
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    EXPECT_EQ(UserInterfacePorts::Find(), nullptr);
    EXPECT_NE(ShowWarning(ButtonsYesNoCancel, IconInfo, QStringLiteral("Czy rzeczywiście przerwać archiwizację?")),
              AnswerYes);
}

TEST_F(WithPorts, WithoutAMessagePortAQuestionIsRefused)
{
    // The application without a dialog: standard error, and "no".
    EXPECT_EQ(ShowWarning(ButtonsYesNoCancel, IconInfo, QStringLiteral("Czy rzeczywiście przerwać archiwizację?")),
              AnswerNo);
    EXPECT_EQ(ShowWarning(ButtonsClose, IconInfo, QStringLiteral("Lista jest pusta.")), AnswerClose);
}

// The error boundary: what reaches the user for each kind of exception, and where it goes.
TEST_F(WithPorts, RunGuardedShowsOnlyPolishTextsAndStopsOnlyTheHandler)
{
    const QString ours = QStringLiteral("Nie można odczytać pliku listy /dom/Dane.dat: to jest folder, nie plik.");
    const struct {
        const char* name;
        std::function<void()> raise;
        QString shown;
    } cases[] = {
        {"our error", [&] { throw UserError(ours); }, ours},
        {"our error of a derived type", [&] { throw ListFileError(ours.toStdString()); }, ours},
        {"our error without a text", [] { throw UserError(std::string()); }, QStringLiteral("Wystąpił nieoczekiwany błąd.")},
        {"a library's English error", [] { throw std::runtime_error("Is a directory"); },
         QStringLiteral("Wystąpił nieoczekiwany błąd.")},
        {"a standard logic error", [] { (void)std::vector<int>().at(3); }, QStringLiteral("Wystąpił nieoczekiwany błąd.")},
        {"no memory", [] { throw std::bad_alloc(); }, QStringLiteral("Za mało pamięci.")},
        {"not an exception class", [] { throw 7; }, QStringLiteral("Wystąpił nieoczekiwany błąd.")},
    };
    FakeMessages messages;
    ports.SetMessagePort(&messages);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        bool rest = false;
        RunGuarded([&] {
            c.raise();
            rest = true;
        });
        EXPECT_FALSE(rest);
        EXPECT_EQ(messages.shown, (std::vector<ShownMessage>{{ButtonsClose, IconWarning, c.shown}}));
    }
    // A handler that ends normally shows nothing.
    messages.shown.clear();
    bool ran = false;
    RunGuarded([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(WithPorts, RunGuardedBeforeTheDialogTheInstalledReportShowsTheError)
{
    std::vector<QString> reports;
    ports.SetErrorReport([&](const QString& text) { reports.push_back(text); });
    RunGuarded([] { throw std::runtime_error("Permission denied"); });
    EXPECT_EQ(reports, std::vector<QString>{QStringLiteral("Wystąpił nieoczekiwany błąd.")});
    // Once the dialog is there, it shows the errors.
    FakeMessages messages;
    ports.SetMessagePort(&messages);
    RunGuarded([] { throw std::bad_alloc(); });
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(messages.shown.size(), 1u);
    ports.SetMessagePort(nullptr);
    ports.SetErrorReport(nullptr);
    // Without either, standard error alone; nothing leaves the guard.
    RunGuarded([] { throw std::runtime_error("x"); });
}

TEST(RunGuarded, WithoutAnApplicationObjectNothingLeavesTheGuard)
{
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    bool rest = false;
    RunGuarded([&] {
        throw UserError(std::string("Nie można zapisać pliku logu."));
        rest = true;
    });
    EXPECT_FALSE(rest);
}

TEST_F(WithPorts, GuardedPassesTheSignalsArgumentsTheHandlerTakes)
{
    struct Handlers {
        int sum = 0;
        void Add(int a, int b) { sum += a + b; }
        void Tick() { ++sum; }
    } handlers;
    Guarded(&handlers, &Handlers::Add)(2, 3);
    Guarded(&handlers, &Handlers::Tick)();
    EXPECT_EQ(handlers.sum, 6);
    // A handler that takes fewer arguments than offered is not callable with them, so a
    // signal connection picks the fewer (as it does for any handler).
    static_assert(!std::is_invocable_v<decltype(Guarded(&handlers, &Handlers::Tick)), int>);
    static_assert(std::is_invocable_v<decltype(Guarded([](int) {})), int>);
    FakeMessages messages;
    ports.SetMessagePort(&messages);
    Guarded([](int) { throw std::runtime_error("boom"); })(1);
    EXPECT_EQ(messages.shown.size(), 1u);
}

} // namespace
