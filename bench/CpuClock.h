#pragma once

#include <pthread.h>
#include <time.h>

#include <chrono>
#include <fstream>
#include <string>
#include <unistd.h>

namespace ondrel::bench {

inline double ClockMs(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// CPU time the calling thread has used, in milliseconds.
inline double ThreadCpuMs()
{
    return ClockMs(CLOCK_THREAD_CPUTIME_ID);
}

// CPU time all threads of this process have used, in milliseconds.
inline double ProcessCpuMs()
{
    return ClockMs(CLOCK_PROCESS_CPUTIME_ID);
}

// The CPU clock of another thread of this process, to be read with ClockMs.
inline clockid_t CpuClockOf(pthread_t thread)
{
    clockid_t clock = CLOCK_THREAD_CPUTIME_ID;
    pthread_getcpuclockid(thread, &clock);
    return clock;
}

// CPU time every core of the machine has spent busy (any process, the kernel included),
// in milliseconds, from /proc/stat; 0 where that is not available. The simulator runs on
// the same cores, so this is the whole cost of a frame on the machine.
inline double MachineBusyCpuMs()
{
    std::ifstream stat("/proc/stat");
    std::string cpu;
    unsigned long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
    if (!(stat >> cpu >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal) || cpu != "cpu") {
        return 0;
    }
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    return static_cast<double>(user + nice + system + irq + softirq + steal) * 1000.0
        / static_cast<double>(ticksPerSecond > 0 ? ticksPerSecond : 100);
}

using WallClock = std::chrono::steady_clock;

inline double MsBetween(WallClock::time_point from, WallClock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

} // namespace ondrel::bench
