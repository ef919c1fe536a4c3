#pragma once

#include "SegmentInfo.h"

#include <cstdint>

// A segment as the device reports it; by default in range (195 mm) and still.
inline quorvel::SegmentInfo MakeSegment(int32_t x, int32_t y, int32_t width, int32_t height, float distance = 195.0f, float moveX = 0.0f,
                                        float moveY = 0.0f, float moveZ = 0.0f)
{
    return quorvel::SegmentInfo{ x, y, width, height, distance, moveX, moveY, moveZ };
}
