#pragma once

#include "Authenticator.h"
#include "FrameSynthesizer.h"
#include "PreparedFrame.h"
#include "SimOptions.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ondrel::sim {

// What all connections to the one simulated scanner share: its settings, the frame
// renderer, the prepared benchmark frame, the key check and the running numbers. Used
// only from the server's one I/O thread.
class SharedScanner {
public:
    explicit SharedScanner(SimOptions options);

    const SimOptions& Options() const { return options; }
    const FaultOptions& Faults() const { return options.faults; }
    const FrameSynthesizer& Synthesizer() const { return synthesizer; }
    const PreparedFrame* Prepared() const { return prepared.get(); }
    const Authenticator& Auth() const { return authenticator; }

    // Frame ids are unique across connections and never 0.
    uint32_t NextFrameId();

    // What a device restart forgets.
    void Restart() { lastFrameId = 0; }

    // The calibration file the device hands out.
    const std::vector<uint8_t>& CalibrationFile() const { return calibration; }

    // Stores an uploaded firmware image; returns the file's path, or throws.
    std::string StoreFirmware(const std::vector<uint8_t>& image);

private:
    SimOptions options;
    FrameSynthesizer synthesizer;
    std::unique_ptr<PreparedFrame> prepared;
    Authenticator authenticator;
    std::vector<uint8_t> calibration;
    uint32_t lastFrameId = 0;
    uint32_t firmwareCount = 0;
};

} // namespace ondrel::sim
