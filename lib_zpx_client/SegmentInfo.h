#pragma once

#include <cstdint>

namespace quorvel {

// What the device reports about one finger segment. The first four fields are the
// bounding box in frame pixels; distance is in millimetres, the movements in pixels.
struct SegmentInfo {
    int32_t posX = 0;
    int32_t posY = 0;
    int32_t width = 0;
    int32_t height = 0;
    float distance = 0.0f;
    float moveX = 0.0f;
    float moveY = 0.0f;
    float moveZ = 0.0f;
};

} // namespace quorvel
