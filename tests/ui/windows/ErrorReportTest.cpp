// The platform's default error report: an exception that leaves an event handler is caught at
// the application's event boundary, shown with its text, and the program goes on.

#include "ui/windows/ErrorReport.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

// An object whose event handler fails the way a list file that cannot be read makes FormShow fail.
class FailingHandler : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw std::runtime_error("Nie można otworzyć pliku Dane.dat");
        return QObject::event(e);
    }
};

TEST(ErrorReportTest, ExceptionLeavingAnEventHandlerIsReportedAndTheProgramGoesOn)
{
    int argc = 1;
    char name[] = "skrytkar";
    char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TSkrytkarApplication app(argc, argv);
    std::vector<QString> reports;
    DefaultErrorReportHook = [&](const QString& text) { reports.push_back(text); };

    FailingHandler handler;
    QEvent failing(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&handler, &failing));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], QStringLiteral("Nie można otworzyć pliku Dane.dat"));

    // A posted event fails inside the event loop; the loop goes on to the next event.
    bool later = false;
    QCoreApplication::postEvent(&handler, new QEvent(QEvent::User));
    QTimer::singleShot(0, &app, [&] { later = true; });
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(reports.size(), 2u);
    EXPECT_TRUE(later);

    // A handler's own guard reports the same way and stops only that handler.
    bool after = false;
    CallReportingErrors([&] {
        throw std::runtime_error("");
        after = true;
    });
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[2], QStringLiteral("Wystąpił nieoczekiwany błąd."));
    EXPECT_FALSE(after);
    DefaultErrorReportHook = nullptr;
}

} // namespace
