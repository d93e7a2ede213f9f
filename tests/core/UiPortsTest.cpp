#include "core/UiPorts.h"

#include <gtest/gtest.h>

namespace {

struct ScriptedPort : MessagePort {
    int answer = AnswerYes;
    int calls = 0;
    int Show(int, int, const QString&) override { ++calls; return answer; }
};

TEST(ShowWarning, LeavesThePortsAnswerInWarningResult)
{
    ScriptedPort port;
    SetMessagePort(&port);
    for (int answer : {AnswerClose, AnswerYes, AnswerNo, AnswerCancel}) {
        port.answer = answer;
        ShowWarning(ButtonsYesNoCancel, IconQuestion, QStringLiteral("?"));
        EXPECT_EQ(WarningResult, answer);
    }
    EXPECT_EQ(port.calls, 4);
    SetMessagePort(nullptr);
}

TEST(ShowWarning, WithoutAWindowAQuestionIsRefused)
{
    SetMessagePort(nullptr);
    WarningResult = AnswerYes;
    ShowWarning(ButtonsYesNoCancel, IconInfo, QStringLiteral("Czy rzeczywiście przerwać archiwizację?"));
    EXPECT_NE(WarningResult, AnswerYes);
}

TEST(Lista, WithoutAWindowShowsNothing)
{
    SetListBox(nullptr);
    Lista().AddItem(QStringLiteral("a"));
    Lista().SetSelected(0, true);
    EXPECT_EQ(Lista().Count(), 0);
    EXPECT_FALSE(Lista().IsSelected(0));
}

} // namespace
