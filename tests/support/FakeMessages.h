#pragma once
// A stand-in for the message dialog: records every message and gives scripted answers
// (Nie to a question, Zamknij to a notice, once the script is used up).

#include "core/UiPorts.h"

#include <QString>

#include <deque>
#include <functional>
#include <vector>

struct ShownMessage {
    int buttons;
    int icon;
    QString text;
    bool operator==(const ShownMessage&) const = default;
};

class FakeMessages final : public MessagePort {
public:
    int Show(int buttons, int icon, const QString& text) override
    {
        shown.push_back({buttons, icon, text});
        if (onShow)
            onShow(shown.back());
        if (answers.empty())
            return buttons == ButtonsYesNoCancel ? AnswerNo : AnswerClose;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<ShownMessage> shown;
    std::deque<int> answers;
    std::function<void(const ShownMessage&)> onShow;
};
