#pragma once
// Calls from a worker thread (a run, a restore) into a window on the user-interface thread.
// The user-interface thread never waits for the worker while it works, so a call that waits
// for its answer cannot deadlock.

#include "core/UiPorts.h"

#include <QMetaObject>
#include <QObject>

#include <atomic>
#include <functional>
#include <type_traits>
#include <utility>

// Runs `work` on the thread of `context`, after everything posted there before it; returns at once.
template <typename Work>
void PostTo(QObject* context, Work work)
{
    QMetaObject::invokeMethod(context, Guarded(std::move(work)), Qt::QueuedConnection);
}

// Runs `work` on the thread of `context` and waits for its answer.
template <typename Work>
std::invoke_result_t<Work> AskOn(QObject* context, Work work)
{
    std::invoke_result_t<Work> answer{};
    QMetaObject::invokeMethod(context, Guarded([&] { answer = work(); }), Qt::BlockingQueuedConnection);
    return answer;
}

// A value the worker changes far more often than a screen can show (a bar's position): only
// the latest one is drawn, one update waiting at a time.
class LatestValue {
public:
    LatestValue(QObject* context, std::function<void(int)> draw) : context(context), draw(std::move(draw)) {}

    void Set(int newValue)
    {
        value = newValue;
        if (!pending.exchange(true))
            PostTo(context, [this] {
                pending = false;
                draw(value);
            });
    }

private:
    QObject* context;
    std::function<void(int)> draw;
    std::atomic<int> value{0};
    std::atomic<bool> pending{false};
};
