#include "core/UiPorts.h"

#include "core/Messages.h"

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

class NullListBox final : public ListBoxPort {
public:
    void Clear() override {}
    void AddItem(const QString&) override {}
    int Count() const override { return 0; }
    bool IsSelected(int) const override { return false; }
    void SetSelected(int, bool) override {}
};

StderrMessagePort stderrPort;
NullListBox nullListBox;
MessagePort* messagePort = &stderrPort;
ListBoxPort* listBox = &nullListBox;
std::function<void(const QString&)> errorReport;
const QByteArray unexpectedErrorLine = (QStringLiteral("skrytkar: ") + Msg::UnexpectedError() + QLatin1Char('\n')).toUtf8();

} // namespace

void SetMessagePort(MessagePort* port)
{
    messagePort = port ? port : &stderrPort;
}

int ShowWarning(int buttons, int icon, const QString& text)
{
    return messagePort->Show(buttons, icon, text);
}

void SetListBox(ListBoxPort* box)
{
    listBox = box ? box : &nullListBox;
}

ListBoxPort& Lista()
{
    return *listBox;
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

void SetErrorReport(std::function<void(const QString&)> report)
{
    errorReport = std::move(report);
}

void ReportError(const QString& text)
{
    if (messagePort != &stderrPort) {
        ReportToStandardError(text);
        ShowWarning(ButtonsClose, IconWarning, text);
    } else if (errorReport) {
        errorReport(text);
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
