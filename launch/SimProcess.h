#pragma once

// ondrel-sim on 127.0.0.1 with a free port, learnt from its first output line; it ends with
// the object (SIGTERM, a bounded wait, then SIGKILL).

#include "ChildProcess.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace ondrel::testsupport {

class SimProcess {
public:
    // "--port 0 --fps 0" and `extraArgs`; throws when no address is announced in time.
    explicit SimProcess(const std::vector<std::string>& extraArgs = {},
                        std::chrono::milliseconds startTimeout = std::chrono::seconds(10));

    const std::string& host() const { return hostName; }
    uint16_t port() const { return portNumber; }

    // SIGTERM, then SIGKILL after `deadline`; the exit code, or 128 + signal.
    int Stop(std::chrono::milliseconds deadline = std::chrono::seconds(5)) { return process.Stop(deadline); }

    // The simulator program built with this tree.
    static std::string BinaryPath();

private:
    ChildProcess process;
    std::string hostName;
    uint16_t portNumber = 0;
};

} // namespace ondrel::testsupport
