#pragma once
// Carries the component's events from the library's worker threads to the thread that called
// Add, in the order they happened. That thread runs Drain until the update has finished; a
// handler may repaint a window meanwhile. Work posted from the owner thread itself runs at
// once (after anything still queued), so the objects also work when called directly.

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class EventChannel {
public:
    EventChannel();

    // Queues work for the owner thread and returns at once.
    void Post(std::function<void()> work);
    // Runs work on the owner thread and waits until it has run.
    void Call(std::function<void()> work);

    // Owner thread: runs queued work until Finish has been called and the queue is empty.
    // The first exception a piece of work throws stops further handlers (see Failed) and is
    // rethrown once everything has been drained.
    void Drain();
    // Any thread: the update is over; Drain returns once the queue is empty.
    void Finish();

    // True once a handler has thrown; the update should then stop as soon as it can.
    bool Failed() const;
    bool HandlersBlocked() const { return failure_ != nullptr; }

private:
    void RunOne(std::function<void()>& work);
    void FlushOnOwner();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<std::function<void()>> queue_;
    std::thread::id owner_;
    bool finished_ = false;
    unsigned long long posted_ = 0;
    unsigned long long completed_ = 0;
    std::exception_ptr failure_;  // touched on the owner thread only
    bool failedFlag_ = false;     // guarded by mutex_
};
