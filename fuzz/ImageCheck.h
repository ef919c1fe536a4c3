#pragma once

// Checks a decoded image against what the reference reader expected from the body.

#include "FuzzCheck.h"
#include "ReferenceReader.h"

#include <opencv2/core/mat.hpp>

#include <cstring>
#include <functional>

namespace ondrel::fuzz {

// True when `p` points into the body: decoded images must own their pixels.
inline bool PointsInto(const uint8_t* p, const uint8_t* body, std::size_t size)
{
    return size > 0 && std::greater_equal<const uint8_t*>()(p, body) && std::less<const uint8_t*>()(p, body + size);
}

inline void CheckImage(const cv::Mat& image, const ExpectedBlock& block, const uint8_t* body, std::size_t size)
{
    FUZZ_CHECK(block.accepted);
    if (block.rows == 0 || block.cols == 0) {
        FUZZ_CHECK(image.empty());
        return;
    }
    FUZZ_CHECK(image.rows == static_cast<int>(block.rows));
    FUZZ_CHECK(image.cols == static_cast<int>(block.cols));
    FUZZ_CHECK(image.type() == static_cast<int>(block.type));
    FUZZ_CHECK(image.isContinuous());
    FUZZ_CHECK(image.total() * image.elemSize() == block.byteCount);
    FUZZ_CHECK(block.byteCount <= size);
    FUZZ_CHECK(!PointsInto(image.data, body, size));
    FUZZ_CHECK(std::memcmp(image.data, body + block.pixelOffset, static_cast<std::size_t>(block.byteCount)) == 0);
}

} // namespace ondrel::fuzz
