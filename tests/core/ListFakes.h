#pragma once
// Recording stand-ins for the message dialog and the main window's list box.

#include "UiPorts.h"

#include <QString>
#include <QStringList>

#include <set>
#include <vector>

struct ShownMessage {
    int buttons;
    int icon;
    QString text;
    bool operator==(const ShownMessage&) const = default;
};

class RecordingMessagePort : public MessagePort {
public:
    int Show(int buttons, int icon, const QString& text) override
    {
        shown.push_back({buttons, icon, text});
        return answer;
    }
    std::vector<ShownMessage> shown;
    int answer = AnswerClose;
};

class RecordingListBox : public ListBoxPort {
public:
    void Clear() override
    {
        items.clear();
        selected.clear();
    }
    void AddItem(const QString& text) override { items << text; }
    int Count() const override { return static_cast<int>(items.size()); }
    bool IsSelected(int index) const override { return selected.count(index) > 0; }
    void SetSelected(int index, bool on) override
    {
        if (on)
            selected.insert(index);
        else
            selected.erase(index);
    }
    QStringList items;
    std::set<int> selected;
};
