#include "archive/sevenzip/EventChannel.h"

EventChannel::EventChannel() : owner_(std::this_thread::get_id()) {}

void EventChannel::Post(std::function<void()> work)
{
    if (std::this_thread::get_id() == owner_) {
        FlushOnOwner();
        RunOne(work);
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    const bool wasEmpty = queue_.empty();
    queue_.push_back(std::move(work));
    ++posted_;
    if (wasEmpty)
        wake_.notify_one();
}

void EventChannel::Call(std::function<void()> work)
{
    if (std::this_thread::get_id() == owner_) {
        FlushOnOwner();
        RunOne(work);
        return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    queue_.push_back(std::move(work));
    const unsigned long long ticket = ++posted_;
    wake_.notify_one();
    done_.wait(lock, [&] { return completed_ >= ticket; });
}

void EventChannel::RunOne(std::function<void()>& work)
{
    try {
        work();
    } catch (...) {
        if (!failure_) {
            failure_ = std::current_exception();
            std::lock_guard<std::mutex> lock(mutex_);
            failedFlag_ = true;
        }
    }
}

void EventChannel::FlushOnOwner()
{
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        batch.swap(queue_);
    }
    for (auto& work : batch)
        RunOne(work);
    std::lock_guard<std::mutex> lock(mutex_);
    completed_ += batch.size();
    if (!batch.empty())
        done_.notify_all();
}

void EventChannel::Drain()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return !queue_.empty() || finished_; });
        if (queue_.empty() && finished_)
            break;
        std::deque<std::function<void()>> batch;
        batch.swap(queue_);
        lock.unlock();
        for (auto& work : batch)
            RunOne(work);
        const size_t done = batch.size();
        batch.clear();
        lock.lock();
        completed_ += done;
        done_.notify_all();
    }
    lock.unlock();
    if (failure_) {
        std::exception_ptr failure = failure_;
        std::rethrow_exception(failure);
    }
}

void EventChannel::Finish()
{
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    wake_.notify_one();
}

bool EventChannel::Failed() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return failedFlag_;
}
