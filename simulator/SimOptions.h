#pragma once

#include "Degradation.h"
#include "FaultOptions.h"
#include "HandShape.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace ondrel::sim {

// Everything the command line sets.
struct SimOptions {
    std::string host = "127.0.0.1";
    uint16_t port = 60123; // 0 lets the system pick a free port
    int width = 1280;
    int height = 1024;
    uint32_t settleMs = 2000;              // how long a presented hand takes to come into range and hold still
    uint32_t rawImageCount = 3;            // raw frames answered per captured frame
    uint32_t fps = 30;                     // live frames per second on each connection; 0: as fast as asked
    uint32_t restartMs = 3000;             // how long the device is away after a firmware update
    uint32_t seed = 1;                     // picks the person: hand size, where it is held, how it comes in
    std::string keysDir;                   // where LEVEL.pub.pem files are looked up
    std::string firmwareDir;               // where uploaded firmware is stored; empty: keep nothing
    bool preparedFrame = false;            // serve one pre-rendered frame for every CAPTURE
    bool verbose = false;                  // one line per request on stderr
    std::vector<Degradation> degradations; // fingers spoilt in the final image
    FaultOptions faults;

    // The person's own: standard finger positions 1-10 they have no finger at, and the hands
    // they first hold out mirrored.
    std::set<int> missingFingers;
    std::set<HandKind> wrongHandFirst;
};

struct ParseOutcome {
    SimOptions options;
    bool showHelp = false;
    bool showVersion = false;
    std::string error; // non-empty: the command line was rejected
};

// Accepts "--name value" and "--name=value". Never exits.
ParseOutcome ParseOptions(const std::vector<std::string>& args);

std::string HelpText();

// "ondrel-sim <version>".
std::string VersionText();

} // namespace ondrel::sim
