#pragma once
// A recording stand-in for the main window's list box.

#include "FakeMessages.h"
#include "core/UiPorts.h"

#include <QString>
#include <QStringList>

#include <set>

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
