#pragma once

// Starts ondrel-sim for a test on 127.0.0.1 with a free port and learns the port from the
// simulator's first output line. The simulator ends with the object: SIGTERM, a bounded
// wait, then SIGKILL.
//
//   SimProcess sim({ "--settle-ms", "100" });
//   quorvel::Device device;
//   device.Connect(sim.host(), sim.port());

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace ondrel::testsupport {

class SimProcess {
public:
    // Runs the simulator with "--port 0 --fps 0" and `extraArgs` (which may set "--fps"). Throws std::runtime_error when it
    // does not announce its address within `startTimeout` or ends before that.
    explicit SimProcess(const std::vector<std::string>& extraArgs = {},
        std::chrono::milliseconds startTimeout = std::chrono::seconds(10));
    ~SimProcess() { Stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& host() const { return hostName; }
    uint16_t port() const { return portNumber; }

    // Sends SIGTERM and waits up to `deadline` for the simulator to end, then kills it.
    // Returns its exit code, or 128 + signal number when a signal ended it.
    int Stop(std::chrono::milliseconds deadline = std::chrono::seconds(5));

private:
    pid_t childPid = -1;
    int outputFd = -1;
    std::string hostName;
    uint16_t portNumber = 0;
    std::optional<int> exitCode;
    // Reads the simulator's output after the first line, so that it never blocks on a full pipe.
    std::thread drainer;
};

} // namespace ondrel::testsupport
