#include "core/UiPorts.h"

#include <cstdio>

int WarningResult = AnswerNo;

namespace {

// Without a window nobody can answer: the text goes to standard error and every question
// is refused, which every caller treats as "no".
class StderrMessagePort final : public MessagePort {
public:
    int Show(int buttons, int /*icon*/, const QString& text) override
    {
        QString line = text;
        line.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        std::fprintf(stderr, "skrytkar: %s\n", line.toUtf8().constData());
        std::fflush(stderr);
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

} // namespace

void SetMessagePort(MessagePort* port)
{
    messagePort = port ? port : &stderrPort;
}

void ShowWarning(int buttons, int icon, const QString& text)
{
    WarningResult = AnswerNo;
    WarningResult = messagePort->Show(buttons, icon, text);
}

void SetListBox(ListBoxPort* box)
{
    listBox = box ? box : &nullListBox;
}

ListBoxPort& Lista()
{
    return *listBox;
}
