#pragma once

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#ifdef __linux__
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <ctime>
#endif

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
#ifdef __linux__
        wakeups.fetch_add(1);
        if (waiters.load() > 0) {
            syscall(SYS_futex, FutexWord(), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
        }
#else
        {
            std::unique_lock<std::mutex> lock(muxBlocking);
            wakeups.fetch_add(1);
        }
        cvBlocking.notify_all();
#endif
    }

    // Blocks until something was pushed (or Notify ran) after `seenWakeups`, or until the
    // deadline. Returns the current wake-up count, to be passed to the next call, so that
    // a push between two checks is never missed.
    template <typename Clock, typename Duration>
    uint64_t WaitUntil(uint64_t seenWakeups, const std::chrono::time_point<Clock, Duration>& deadline)
    {
#ifdef __linux__
        // A futex on the count itself: the waiter sleeps only while the count is still the one
        // it saw, and a push wakes it with one call, where a condition variable and its mutex
        // cost a few more per message.
        const uint32_t seen = static_cast<uint32_t>(seenWakeups);
        waiters.fetch_add(1);
        while (wakeups.load() == seen) {
            const auto left = deadline - Clock::now();
            if (left <= decltype(left)::zero()) {
                break;
            }
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            timespec timeout{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
            syscall(SYS_futex, FutexWord(), FUTEX_WAIT_PRIVATE, seen, &timeout, nullptr, 0);
        }
        waiters.fetch_sub(1);
        return wakeups.load();
#else
        std::unique_lock<std::mutex> lock(muxBlocking);
        cvBlocking.wait_until(lock, deadline, [&] { return wakeups.load() != static_cast<uint32_t>(seenWakeups); });
        return wakeups.load();
#endif
    }

    uint64_t Wakeups()
    {
        return wakeups.load();
    }

protected:
    std::recursive_mutex muxQueue;
    std::deque<T> deqQueue;
    // Counts pushes and notifications; compared for change only, so it may wrap.
    std::atomic<uint32_t> wakeups{0};
#ifdef __linux__
    std::atomic<int> waiters{0};
    static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t) && std::atomic<uint32_t>::is_always_lock_free);
    uint32_t* FutexWord()
    {
        return reinterpret_cast<uint32_t*>(&wakeups);
    }
#else
    std::condition_variable cvBlocking;
    std::mutex muxBlocking;
#endif
};

} // namespace quorvel::tcp
