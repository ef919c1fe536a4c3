#pragma once

// ondrel-sim on 127.0.0.1 with a free port, learnt from its first output line; it ends with
// the object (SIGTERM, a bounded wait, then SIGKILL).

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
    // "--port 0 --fps 0" and `extraArgs`; throws when no address is announced in time.
    explicit SimProcess(const std::vector<std::string>& extraArgs = {}, std::chrono::milliseconds startTimeout = std::chrono::seconds(10));
    ~SimProcess() { Stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& host() const { return hostName; }
    uint16_t port() const { return portNumber; }

    // SIGTERM, then SIGKILL after `deadline`; the exit code, or 128 + signal.
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
