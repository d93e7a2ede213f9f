#include "core/UiPorts.h"

#include "core/Messages.h"

#include <QCoreApplication>

#include <cstdio>
#include <new>


void ReportToStandardError(const QString& text)
{
    QString lines = text;
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    std::fprintf(stderr, "skrytkar: %s\n", lines.toUtf8().constData());
    std::fflush(stderr);
}

namespace {

// Without a window nobody can answer: the text goes to standard error and every question
// is refused, which every caller treats as "no".
class StderrMessagePort final : public MessagePort {
public:
    int Show(int buttons, int /*icon*/, const QString& text) override
    {
        ReportToStandardError(text);
        return buttons == ButtonsYesNoCancel ? AnswerNo : AnswerClose;
    }
};

// The name the application's ports are found by.
constexpr char PortsObjectName[] = "skrytkar-user-interface-ports";

const QByteArray unexpectedErrorLine = (QStringLiteral("skrytkar: ") + Msg::UnexpectedError() + QLatin1Char('\n')).toUtf8();

} // namespace

UserInterfacePorts::UserInterfacePorts(QObject* application)
    : QObject(application ? application : QCoreApplication::instance())
{
    setObjectName(QString::fromLatin1(PortsObjectName));
}

UserInterfacePorts::~UserInterfacePorts() = default;

UserInterfacePorts* UserInterfacePorts::Find()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return nullptr;
    return application->findChild<UserInterfacePorts*>(QString::fromLatin1(PortsObjectName), Qt::FindDirectChildrenOnly);
}

int ShowWarning(int buttons, int icon, const QString& text)
{
    const UserInterfacePorts* ports = UserInterfacePorts::Find();
    if (ports && ports->Messages())
        return ports->Messages()->Show(buttons, icon, text);
    return StderrMessagePort().Show(buttons, icon, text);
}

QString UserTextOf(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const UserError& ours) {
        const QString text = QString::fromUtf8(ours.what());
        return text.isEmpty() ? Msg::UnexpectedError() : text;
    } catch (const std::bad_alloc&) {
        return Msg::OutOfMemory();
    } catch (...) {
        return Msg::UnexpectedError();
    }
}

void ReportError(const QString& text)
{
    const UserInterfacePorts* ports = UserInterfacePorts::Find();
    if (ports && ports->Messages()) {
        ReportToStandardError(text);
        ports->Messages()->Show(ButtonsClose, IconWarning, text);
    } else if (ports && ports->ErrorReport()) {
        ports->ErrorReport()(text);
    } else {
        ReportToStandardError(text);
    }
}

void RunGuarded(const std::function<void()>& handler) noexcept
{
    try {
        handler();
        return;
    } catch (...) {
        try {
            ReportError(UserTextOf(std::current_exception()));
            return;
        } catch (...) {
        }
    }
    // Even the report failed (no memory left for it): at least the line made in advance.
    std::fputs(unexpectedErrorLine.constData(), stderr);
}
