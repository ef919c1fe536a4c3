#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>

// One thread that runs the tasks given to it one after another, each result handed back
// through a future. For work that recurs many times a second, such as the live view's frame
// requests: a thread started per task costs its start-up every time, and its caches and
// allocator start cold.
class WorkerThread {
public:
    WorkerThread()
        : thread([this] { Work(); })
    {
    }
    // Runs what is queued, then ends.
    ~WorkerThread()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        changed.notify_one();
        thread.join();
    }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    template <typename Task> std::future<std::invoke_result_t<Task>> Run(Task task)
    {
        using Result = std::invoke_result_t<Task>;
        auto packaged = std::make_shared<std::packaged_task<Result()>>(std::move(task));
        std::future<Result> result = packaged->get_future();
        {
            std::lock_guard<std::mutex> lock(mutex);
            tasks.emplace_back([packaged] { (*packaged)(); });
        }
        changed.notify_one();
        return result;
    }

private:
    void Work()
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (true) {
            changed.wait(lock, [this] { return stopping || !tasks.empty(); });
            if (tasks.empty()) {
                return;
            }
            std::function<void()> task = std::move(tasks.front());
            tasks.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> tasks;
    bool stopping = false;
    std::thread thread;
};
