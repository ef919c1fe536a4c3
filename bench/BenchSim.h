#pragma once

#include "ChildProcess.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ondrel::bench {

// An ondrel-sim on 127.0.0.1 with a port of the system's choosing, for as long as the
// object lives.
class BenchSim {
public:
    // Runs the simulator built with this tree with "--port 0 --fps 0" and extraArgs; throws when it
    // does not announce its address.
    explicit BenchSim(const std::vector<std::string>& extraArgs);

    const std::string& Host() const { return host; }
    uint16_t Port() const { return port; }

    static std::string BinaryPath();

private:
    std::unique_ptr<ChildProcess> process;
    std::string host;
    uint16_t port = 0;
};

// "listening on HOST:PORT" split into host and port; false for any other line.
bool ParseListeningLine(const std::string& line, std::string& host, uint16_t& port);

} // namespace ondrel::bench
