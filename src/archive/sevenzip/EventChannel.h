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
    bool HandlersBlocked() const { return FFailure != nullptr; }

private:
    void RunOne(std::function<void()>& work);
    void FlushOnOwner();

    mutable std::mutex FMutex;
    std::condition_variable FWake;
    std::condition_variable FDone;
    std::deque<std::function<void()>> FQueue;
    std::thread::id FOwner;
    bool FFinished = false;
    unsigned long long FPosted = 0;
    unsigned long long FCompleted = 0;
    std::exception_ptr FFailure;  // touched on the owner thread only
    bool FFailedFlag = false;     // guarded by FMutex
};
