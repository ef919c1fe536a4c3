#include "SimProcess.h"

#include <regex>
#include <stdexcept>

namespace ondrel::testsupport {

namespace {
// Frames as fast as asked unless the caller sets its own rate.
std::vector<std::string> Arguments(const std::vector<std::string>& extraArgs)
{
    std::vector<std::string> args{SimProcess::BinaryPath(), "--port", "0", "--fps", "0"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    return args;
}
} // namespace

std::string SimProcess::BinaryPath()
{
#ifdef ONDREL_SIM_PATH
    return ONDREL_SIM_PATH;
#else
    return "ondrel-sim";
#endif
}

SimProcess::SimProcess(const std::vector<std::string>& extraArgs, std::chrono::milliseconds startTimeout)
    : process(Arguments(extraArgs))
{
    const std::string line = process.ReadLine(startTimeout);
    std::smatch match;
    if (!std::regex_match(line, match, std::regex("listening on (.+):([0-9]{1,5})")) || std::stoul(match[2]) == 0
        || std::stoul(match[2]) > 65535) {
        throw std::runtime_error("SimProcess: unexpected first line: " + line);
    }
    hostName = match[1];
    portNumber = static_cast<uint16_t>(std::stoul(match[2]));
    process.DiscardOutput();
}

} // namespace ondrel::testsupport
