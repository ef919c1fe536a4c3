#pragma once

#include <pthread.h>
#include <time.h>

#include <chrono>

namespace ondrel::bench {

inline double ClockMs(clockid_t clock)
{
    timespec now {};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// CPU time the calling thread has used, in milliseconds.
inline double ThreadCpuMs() { return ClockMs(CLOCK_THREAD_CPUTIME_ID); }

// CPU time all threads of this process have used, in milliseconds.
inline double ProcessCpuMs() { return ClockMs(CLOCK_PROCESS_CPUTIME_ID); }

// The CPU clock of another thread of this process, to be read with ClockMs.
inline clockid_t CpuClockOf(pthread_t thread)
{
    clockid_t clock = CLOCK_THREAD_CPUTIME_ID;
    pthread_getcpuclockid(thread, &clock);
    return clock;
}

using WallClock = std::chrono::steady_clock;

inline double MsBetween(WallClock::time_point from, WallClock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

} // namespace ondrel::bench
