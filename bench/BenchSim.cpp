#include "BenchSim.h"

#include <stdexcept>

namespace ondrel::bench {

bool ParseListeningLine(const std::string& line, std::string& host, uint16_t& port)
{
    const std::string prefix = "listening on ";
    const auto colon = line.rfind(':');
    if (line.rfind(prefix, 0) != 0 || colon == std::string::npos || colon <= prefix.size()) {
        return false;
    }
    const std::string portText = line.substr(colon + 1);
    if (portText.empty() || portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const unsigned long value = std::stoul(portText);
    if (value == 0 || value > 65535) {
        return false;
    }
    host = line.substr(prefix.size(), colon - prefix.size());
    port = static_cast<uint16_t>(value);
    return true;
}

std::string BenchSim::BinaryPath()
{
    return ONDREL_SIM_PATH;
}

BenchSim::BenchSim(const std::vector<std::string>& extraArgs)
{
    // Unpaced: the benchmarks measure how fast frames can go, not the scanner's rate.
    std::vector<std::string> argv{BinaryPath(), "--port", "0", "--fps", "0"};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    process = std::make_unique<ChildProcess>(argv);
    // Pre-rendering a large frame takes a moment on a busy machine.
    const std::string line = process->ReadLine(std::chrono::seconds(60));
    if (!ParseListeningLine(line, host, port)) {
        throw std::runtime_error("ondrel-sim: unexpected first line: " + line);
    }
}

} // namespace ondrel::bench
