// ondrel-bench-probe: runs one measurement against a simulator that is already running and
// prints its result line. The driver (ondrel-bench) starts one process per measurement,
// so no run inherits threads, buffers or caches from another.
//
//   ondrel-bench-probe KIND HOST PORT [SECONDS]
//   KIND: link-raw | link-device | live-view | gui-steps | results | store-window | quality | wait-cost | runs-load
//   (runs-load needs no simulator; HOST and PORT are ignored)
#include "Probes.h"

#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

namespace {
// As many runs as a long evaluation campaign leaves behind; ondrel-bench reports this number.
constexpr int kRunsToLoad = 5000;
} // namespace

int main(int argc, char** argv)
{
    using namespace ondrel::bench;
    if (argc < 4) {
        std::cerr << "usage: " << argv[0]
                  << " link-raw|link-device|live-view|gui-steps|results|store-window|quality|wait-cost|runs-load HOST PORT [SECONDS]"
                  << std::endl;
        return 2;
    }
    const std::string kind = argv[1];
    ProbeTarget target;
    target.host = argv[2];
    target.port = static_cast<uint16_t>(std::strtoul(argv[3], nullptr, 10));
    if (argc > 4) {
        target.seconds = std::strtod(argv[4], nullptr);
    }
    try {
        ProbeResult result;
        if (kind == "link-raw") {
            result = RunRawLink(target);
        } else if (kind == "link-device") {
            result = RunDeviceLink(target);
        } else if (kind == "live-view") {
            result = RunLiveView(target, argc, argv);
        } else if (kind == "gui-steps") {
            result = RunGuiSteps(target, argc, argv);
        } else if (kind == "store-window") {
            result = RunStoreWindow(target, argc, argv);
        } else if (kind == "results") {
            result = RunResults(target);
        } else if (kind == "quality") {
            result = RunQuality(target);
        } else if (kind == "wait-cost") {
            result = RunWaitCost(target);
        } else if (kind == "runs-load") {
            result = RunRunsLoad(kRunsToLoad, argc, argv);
        } else {
            std::cerr << argv[0] << ": unknown measurement " << kind << std::endl;
            return 2;
        }
        std::cout << FormatProbeResult(result) << std::endl;
    } catch (const std::exception& e) {
        std::cerr << argv[0] << " " << kind << ": " << e.what() << std::endl;
        return 1;
    }
    return 0;
}
