#include "archive/sevenzip/EventChannel.h"

EventChannel::EventChannel() : FOwner(std::this_thread::get_id()) {}

void EventChannel::Post(std::function<void()> work)
{
    if (std::this_thread::get_id() == FOwner) {
        FlushOnOwner();
        RunOne(work);
        return;
    }
    std::lock_guard<std::mutex> lock(FMutex);
    const bool wasEmpty = FQueue.empty();
    FQueue.push_back(std::move(work));
    ++FPosted;
    if (wasEmpty)
        FWake.notify_one();
}

void EventChannel::Call(std::function<void()> work)
{
    if (std::this_thread::get_id() == FOwner) {
        FlushOnOwner();
        RunOne(work);
        return;
    }
    std::unique_lock<std::mutex> lock(FMutex);
    FQueue.push_back(std::move(work));
    const unsigned long long ticket = ++FPosted;
    FWake.notify_one();
    FDone.wait(lock, [&] { return FCompleted >= ticket; });
}

void EventChannel::RunOne(std::function<void()>& work)
{
    try {
        work();
    } catch (...) {
        if (!FFailure) {
            FFailure = std::current_exception();
            std::lock_guard<std::mutex> lock(FMutex);
            FFailedFlag = true;
        }
    }
}

void EventChannel::FlushOnOwner()
{
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard<std::mutex> lock(FMutex);
        batch.swap(FQueue);
    }
    for (auto& work : batch)
        RunOne(work);
    std::lock_guard<std::mutex> lock(FMutex);
    FCompleted += batch.size();
    if (!batch.empty())
        FDone.notify_all();
}

void EventChannel::Drain()
{
    std::unique_lock<std::mutex> lock(FMutex);
    for (;;) {
        FWake.wait(lock, [&] { return !FQueue.empty() || FFinished; });
        if (FQueue.empty() && FFinished)
            break;
        std::deque<std::function<void()>> batch;
        batch.swap(FQueue);
        lock.unlock();
        for (auto& work : batch)
            RunOne(work);
        const size_t done = batch.size();
        batch.clear();
        lock.lock();
        FCompleted += done;
        FDone.notify_all();
    }
    lock.unlock();
    if (FFailure) {
        std::exception_ptr failure = FFailure;
        std::rethrow_exception(failure);
    }
}

void EventChannel::Finish()
{
    std::lock_guard<std::mutex> lock(FMutex);
    FFinished = true;
    FWake.notify_one();
}

bool EventChannel::Failed() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FFailedFlag;
}
