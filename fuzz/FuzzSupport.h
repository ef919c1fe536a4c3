#pragma once

// The fuzz targets' invariant check, exception guard and an independent reader of response
// bodies as the decoders' oracle: little-endian fields, a field past the end reads as 0 in
// place, an image block is taken only when its byte count matches its shape and has arrived.

#include <opencv2/core/mat.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <limits>
#include <new>

#define FUZZ_CHECK(cond)                                                                                                                   \
    do {                                                                                                                                   \
        if (!(cond)) {                                                                                                                     \
            std::fprintf(stderr, "fuzz invariant failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);                                        \
            std::abort();                                                                                                                  \
        }                                                                                                                                  \
    } while (0)

namespace ondrel::fuzz {

// Bodies below this size must decode without running out of memory.
constexpr std::size_t kSmallBody = 1024 * 1024;

// memcmp that accepts empty ranges, whose pointers may be null.
inline bool SameBytes(const void* a, const void* b, std::size_t n) { return n == 0 || std::memcmp(a, b, n) == 0; }

// The decoders promise not to throw; an allocation failure is tolerated only for bodies
// large enough that it can be an honest one.
template <typename Fn> void RunGuarded(std::size_t bodySize, Fn&& fn)
{
    try {
        fn();
    } catch (const std::bad_alloc&) {
        if (bodySize < kSmallBody) {
            std::fprintf(stderr, "fuzz: std::bad_alloc for a body of %zu bytes\n", bodySize);
            std::abort();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fuzz: exception escaped: %s\n", e.what());
        std::abort();
    }
}

class ReferenceReader {
public:
    ReferenceReader(const uint8_t* bytes, std::size_t count)
        : data(bytes)
        , size(count)
    {
    }

    uint64_t Take(std::size_t width)
    {
        if (size - pos < width) {
            return 0;
        }
        uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            value |= static_cast<uint64_t>(data[pos + i]) << (8 * i);
        }
        pos += width;
        return value;
    }
    int32_t TakeCount() { return static_cast<int32_t>(static_cast<uint32_t>(Take(4))); }

    bool Skip(std::size_t n)
    {
        if (size - pos < n) {
            return false;
        }
        pos += n;
        return true;
    }

    std::size_t Position() const { return pos; }
    std::size_t Remaining() const { return size - pos; }

private:
    const uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
};

// What an image block at the cursor should decode to.
struct ExpectedBlock {
    bool accepted = false;
    uint32_t type = 0;
    uint32_t cols = 0;
    uint32_t rows = 0;
    uint64_t byteCount = 0;
    std::size_t pixelOffset = 0; // where the pixels start in the body
};

// Element size of an OpenCV type code, worked out from its depth and channel bits; 0 for a code OpenCV cannot build.
inline uint64_t ElementSize(uint32_t type)
{
    if (type > 4095) { // 8 depths x 512 channels
        return 0;
    }
    static const uint64_t depthBytes[8] = { 1, 1, 2, 2, 4, 4, 8, 2 };
    return ((type >> 3) + 1) * depthBytes[type & 7];
}

inline ExpectedBlock TakeImageBlock(ReferenceReader& reader)
{
    ExpectedBlock block;
    block.byteCount = reader.Take(8);
    block.type = static_cast<uint32_t>(reader.Take(4));
    block.cols = static_cast<uint32_t>(reader.Take(4));
    block.rows = static_cast<uint32_t>(reader.Take(4));
    const uint64_t elem = ElementSize(block.type);
    const uint64_t maxDim = static_cast<uint64_t>(std::numeric_limits<int>::max());
    if (elem == 0 || block.cols > maxDim || block.rows > maxDim) {
        return block;
    }
    // rows x cols fits in 64 bits; the check keeps the multiplication by the element size exact.
    const uint64_t pixels = static_cast<uint64_t>(block.rows) * block.cols;
    if ((pixels != 0 && elem > std::numeric_limits<uint64_t>::max() / pixels) || pixels * elem != block.byteCount
        || block.byteCount > reader.Remaining()) {
        return block;
    }
    block.pixelOffset = reader.Position();
    reader.Skip(static_cast<std::size_t>(block.byteCount));
    block.accepted = true;
    return block;
}

// A decoded image against what the reference expected: its own copy of exactly those pixels.
inline void CheckImage(const cv::Mat& image, const ExpectedBlock& block, const uint8_t* body, std::size_t size)
{
    FUZZ_CHECK(block.accepted);
    if (block.rows == 0 || block.cols == 0) {
        FUZZ_CHECK(image.empty());
        return;
    }
    FUZZ_CHECK(image.rows == static_cast<int>(block.rows) && image.cols == static_cast<int>(block.cols));
    FUZZ_CHECK(image.type() == static_cast<int>(block.type) && image.isContinuous());
    FUZZ_CHECK(image.total() * image.elemSize() == block.byteCount && block.byteCount <= size);
    const bool inBody = std::greater_equal<const uint8_t*>()(image.data, body) && std::less<const uint8_t*>()(image.data, body + size);
    FUZZ_CHECK(!inBody);
    FUZZ_CHECK(std::memcmp(image.data, body + block.pixelOffset, static_cast<std::size_t>(block.byteCount)) == 0);
}

} // namespace ondrel::fuzz
