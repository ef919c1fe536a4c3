#pragma once

#include <chrono>
#include <exception>
#include <future>
#include <thread>
#include <type_traits>

// Whether there is an application whose events the calling thread processes.
bool CanProcessEvents();
// Wakes the event processing of RunProcessingEvents; any thread.
void WakeEventProcessing();
// Processes the GUI thread's events, sleeping until there is one.
void ProcessEventsUntilOne();

// Runs work on a thread of its own and returns its result, while the calling thread (the GUI
// thread) goes on processing events: the window stays responsive and is woken the moment
// the work is done. The work must not touch widgets.
template <typename Work> auto RunProcessingEvents(Work work) -> std::invoke_result_t<Work>
{
    using Result = std::invoke_result_t<Work>;
    std::promise<Result> promise;
    std::future<Result> result = promise.get_future();
    std::thread thread([&promise, &work] {
        try {
            promise.set_value(work());
        } catch (...) {
            promise.set_exception(std::current_exception());
        }
        // After the result is set, so that the woken thread finds it ready.
        WakeEventProcessing();
    });
    if (!CanProcessEvents()) {
        result.wait();
    }
    while (result.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        ProcessEventsUntilOne();
    }
    thread.join();
    return result.get();
}
