// What waiting for a late response costs in CPU time.
#include "CpuClock.h"
#include "Device.h"
#include "Probes.h"

#include <stdexcept>

namespace ondrel::bench {

ProbeResult RunWaitCost(const ProbeTarget& target)
{
    quorvel::Device device;
    if (const auto error = device.Connect(target.host, target.port); error.failed()) {
        throw std::runtime_error(error.message);
    }
    // Start has no pause of its own: all of its time is spent waiting for the answer.
    const double processStart = ProcessCpuMs();
    const double callerStart = ThreadCpuMs();
    const auto start = WallClock::now();
    const quorvel::DeviceError result = device.Start();
    const auto end = WallClock::now();
    const double callerCpu = ThreadCpuMs() - callerStart;
    const double processCpu = ProcessCpuMs() - processStart;
    if (result.failed()) {
        throw std::runtime_error(result.message);
    }
    device.Disconnect();
    return {
        {"wait_ms", MsBetween(start, end)},
        {"caller_cpu_ms", callerCpu},
        {"process_cpu_ms", processCpu},
    };
}

} // namespace ondrel::bench
