#pragma once

#include "Degradation.h"
#include "FaultOptions.h"
#include "FrameSynthesizer.h"
#include "Message.h"
#include "SegmentInfo.h"

#include <cstdint>
#include <vector>

namespace ondrel::sim {

// Bodies of the responses that carry images and segments, laid out as the client reads
// them; a view's picture and its segments. `hostile` corrupts them in the one way it names; HostileKind::None gives
// sound bodies.

// CAPTURE: frame id, image block, one status byte, int32 count, 38-byte segment records.
quorvel::tcp::Message FrameResponse(uint32_t frameId, const FrameSynthesizer& synthesizer, const HandView& view,
                                    HostileKind hostile);

// GET_FINAL_FRAME: one image block, the frame as the device finally took it, with the
// fingers of `degradations` spoilt.
quorvel::tcp::Message FinalImageResponse(const FrameSynthesizer& synthesizer, const HandView& view, HostileKind hostile,
                                         const std::vector<Degradation>& degradations = {});

// GET "raw_images": int32 count, then that many image blocks, each a slightly shifted take.
quorvel::tcp::Message RawImagesResponse(const FrameSynthesizer& synthesizer, const HandView& view, uint32_t count,
                                        HostileKind hostile);

// GET "final_segments": int32 count, then 32-byte records.
quorvel::tcp::Message FinalSegmentsResponse(const std::vector<quorvel::SegmentInfo>& segments, HostileKind hostile);

// The pieces the bodies above are laid out with.
// An image block's 20-byte header: uint64 byte count, uint32 type, cols, rows; the pixels follow.
void AppendImageBlockHeader(quorvel::tcp::Message& message, uint64_t byteCount, uint32_t type, uint32_t cols,
                            uint32_t rows);
// One 32-byte segment record; in a live frame followed by the finger index, a quality score
// and four reserved bytes.
void AppendSegmentRecord(quorvel::tcp::Message& message, const quorvel::SegmentInfo& info, std::size_t index,
                         bool live);

// An error response: the flag set and a zero-terminated text.
quorvel::tcp::Message ErrorResponse(quorvel::tcp::MessageType type, const std::string& text);

} // namespace ondrel::sim
