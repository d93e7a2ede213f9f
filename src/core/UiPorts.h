#pragma once
// The core and the archive run reach the user interface only through these narrow ports.
// The windows implement them; tests install recording fakes; an unattended run without a
// display has no UserInterfacePorts, so messages go to standard error and nothing ever waits
// for a user.

#include "core/UserError.h"

#include <QObject>
#include <QString>

#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

// Button sets of the message dialog.
inline constexpr int ButtonsClose = 1;        // Zamknij only
inline constexpr int ButtonsYesNoCancel = 3;  // Tak, Nie, Anuluj
// Icons.
inline constexpr int IconInfo = 1;
inline constexpr int IconQuestion = 2;
inline constexpr int IconWarning = 3;
// Answers of ShowWarning.
inline constexpr int AnswerClose = 0;
inline constexpr int AnswerYes = 1;
inline constexpr int AnswerNo = 2;
inline constexpr int AnswerCancel = 3;

// Shows one message or question and returns the answer when it has been dismissed.
class MessagePort {
public:
    virtual ~MessagePort() = default;
    virtual int Show(int buttons, int icon, const QString& text) = 0;
};

// The main window's list box `Lista` as the list operations and the archive run see it.
class ListBoxPort {
public:
    virtual ~ListBoxPort() = default;
    virtual void Clear() = 0;
    virtual void AddItem(const QString& text) = 0;
    virtual int Count() const = 0;
    virtual bool IsSelected(int index) const = 0;
    virtual void SetSelected(int index, bool selected) = 0;
};

// Writes a message for a person reading the terminal or the job's mail ("\r" breaks lines).
void ReportToStandardError(const QString& text);

// The message port and the early error report of the windowed program: a child of the
// application object, made by whoever makes the windows, and found from ShowWarning and
// RunGuarded through the application, so that core needs neither widgets nor shared
// variables. Without one (no application object, or the run without a display) messages go to
// standard error. At most one per application; user-interface thread only.
class UserInterfacePorts final : public QObject {
    Q_OBJECT
public:
    // Becomes a child of `application` (QCoreApplication::instance() when null).
    explicit UserInterfacePorts(QObject* application = nullptr);
    ~UserInterfacePorts() override;

    // The application's ports; nullptr when there is none.
    static UserInterfacePorts* Find();

    // The message dialog; nullptr: standard error.
    void SetMessagePort(MessagePort* port) { messagePort = port; }
    MessagePort* Messages() const { return messagePort; }
    // The report for the time before the message dialog exists (the windowed program installs a
    // plain message box); nullptr: standard error only.
    void SetErrorReport(std::function<void(const QString&)> report) { errorReport = std::move(report); }
    const std::function<void(const QString&)>& ErrorReport() const { return errorReport; }

private:
    MessagePort* messagePort = nullptr;
    std::function<void(const QString&)> errorReport;
};

// The one way to show a message or ask a question: through the application's message port,
// or on standard error where there is none (a question is then refused). Returns the answer:
// 0 Zamknij, 1 Tak, 2 Nie, 3 Anuluj.
int ShowWarning(int buttons, int icon, const QString& text);

// --- The error boundary -------------------------------------------------------------------
// Qt does not let an exception pass through its signal and event code, so everything the event
// loop calls (clicks on hot zones, list box signals, keys, timers, dialog handlers, menu items)
// runs inside RunGuarded: an exception ends the handler, the user reads its Polish text, and
// the program goes on.

// The Polish text the user reads for an exception: the text of an UserError, otherwise
// Msg::OutOfMemory() or Msg::UnexpectedError(); never a library's own (English) text.
QString UserTextOf(const std::exception_ptr& error);

// Shows an error to the user and on standard error (for a run started from a terminal):
// through the message dialog once it exists, through the ports' error report before that,
// and on standard error alone where there are no windows.
void ReportError(const QString& text);

// Runs one handler called by the event loop; nothing it throws leaves.
void RunGuarded(const std::function<void()>& handler) noexcept;

// A handler wrapped in RunGuarded, for connect(): Guarded(this, &MainWindow::LCloseClick) or
// Guarded([this] { ... }). It takes the signal's arguments its handler can take, as connect
// expects of any handler.
template <typename Handler>
class GuardedHandler {
public:
    explicit GuardedHandler(Handler handler) : handler(std::move(handler)) {}

    template <typename... Args>
    auto operator()(Args&&... args) const
        -> decltype(std::invoke(std::declval<const Handler&>(), std::forward<Args>(args)...), void())
    {
        RunGuarded([&] { std::invoke(handler, std::forward<Args>(args)...); });
    }

private:
    Handler handler;
};

template <typename Handler>
GuardedHandler<std::decay_t<Handler>> Guarded(Handler&& handler)
{
    return GuardedHandler<std::decay_t<Handler>>(std::forward<Handler>(handler));
}

template <typename Object, typename Method>
auto Guarded(Object* object, Method method)
{
    return Guarded([object, method](auto&&... args) -> decltype(std::invoke(method, object, std::forward<decltype(args)>(args)...)) {
        return std::invoke(method, object, std::forward<decltype(args)>(args)...);
    });
}
