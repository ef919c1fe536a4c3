#pragma once

#include "Degradation.h"
#include "FaultOptions.h"
#include "FrameSynthesizer.h"
#include "OutgoingMessage.h"
#include "SegmentInfo.h"

#include <cstdint>
#include <vector>

namespace ondrel::sim {

// One frame and its results rendered at start-up and served for every CAPTURE, so that a
// benchmark measures the link and not the synthesis. Only the frame id differs per frame;
// it travels as a block of its own in front of the shared rest of the body.
class PreparedFrame {
public:
    PreparedFrame(const FrameSynthesizer& synthesizer, HandView view, uint32_t rawImageCount, HostileKind hostile,
                  const std::vector<Degradation>& degradations = {});

    const HandView& View() const { return view; }

    OutgoingMessage Frame(uint32_t frameId) const;
    OutgoingMessage FinalImage() const;
    OutgoingMessage RawImages() const;
    OutgoingMessage FinalSegments() const;

private:
    HandView view;
    SharedBytes frameAfterId; // the frame body without its leading 4-byte id
    SharedBytes finalImage;
    SharedBytes rawImages;
    SharedBytes finalSegments;
};

} // namespace ondrel::sim
