#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace quorvel::tcp {

// A locked double-ended queue that carries messages between the I/O thread and callers.
// The misspelt name is kept for source compatibility.
template <typename T> class TreadSafeQueue {
public:
    TreadSafeQueue() = default;
    TreadSafeQueue(const TreadSafeQueue&) = delete;
    TreadSafeQueue& operator=(const TreadSafeQueue&) = delete;

    virtual ~TreadSafeQueue() { clear(); }

    // The caller must have seen that the queue is not empty.
    const T& front()
    {
        std::scoped_lock lock(muxQueue);
        return deqQueue.front();
    }

    std::size_t count()
    {
        std::scoped_lock lock(muxQueue);
        return deqQueue.size();
    }

    bool empty()
    {
        std::scoped_lock lock(muxQueue);
        return deqQueue.empty();
    }

    void push_back(const T& item)
    {
        {
            std::scoped_lock lock(muxQueue);
            deqQueue.push_back(item);
        }
        Notify();
    }

    void push_back(T&& item)
    {
        {
            std::scoped_lock lock(muxQueue);
            deqQueue.push_back(std::move(item));
        }
        Notify();
    }

    // The caller must have seen that the queue is not empty.
    T pop_front()
    {
        std::scoped_lock lock(muxQueue);
        T item = std::move(deqQueue.front());
        deqQueue.pop_front();
        return item;
    }

    void clear()
    {
        std::scoped_lock lock(muxQueue);
        deqQueue.clear();
    }

    // Wakes a waiter without pushing; the link uses it when its socket closes so that
    // a caller waiting for a response notices at once.
    void Notify()
    {
        {
            std::unique_lock<std::mutex> lock(muxBlocking);
            ++wakeups;
        }
        // Outside the lock: a waiter woken while it is still held would only block on it.
        cvBlocking.notify_all();
    }

    // Blocks until something was pushed (or Notify ran) after `seenWakeups`, or until the
    // deadline. Returns the current wake-up count, to be passed to the next call, so that
    // a push between two checks is never missed.
    template <typename Clock, typename Duration>
    uint64_t WaitUntil(uint64_t seenWakeups, const std::chrono::time_point<Clock, Duration>& deadline)
    {
        std::unique_lock<std::mutex> lock(muxBlocking);
        cvBlocking.wait_until(lock, deadline, [&] { return wakeups != seenWakeups; });
        return wakeups;
    }

    uint64_t Wakeups()
    {
        std::unique_lock<std::mutex> lock(muxBlocking);
        return wakeups;
    }

protected:
    std::recursive_mutex muxQueue;
    std::deque<T> deqQueue;
    std::condition_variable cvBlocking;
    std::mutex muxBlocking;
    uint64_t wakeups = 0;
};

} // namespace quorvel::tcp
