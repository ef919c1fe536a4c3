#pragma once

// An independent model of how response bodies are read, used by the fuzz targets as the
// oracle for the decoders: fixed-size fields little-endian, a field the body is too short
// for reads as 0 and leaves the cursor alone, and an image block is taken only when its
// byte count matches its shape exactly and that many bytes remain.

#include <cstddef>
#include <cstdint>
#include <limits>

namespace ondrel::fuzz {

class ReferenceReader {
public:
    ReferenceReader(const uint8_t* bytes, std::size_t count) : data(bytes), size(count) {}

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
    const uint8_t* Here() const { return data + pos; }

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

// Element size of an OpenCV type code, worked out from its depth and channel bits;
// 0 for a code OpenCV cannot build.
inline uint64_t ElementSize(uint32_t type)
{
    if (type > 4095) { // 8 depths x 512 channels
        return 0;
    }
    static const uint64_t depthBytes[8] = { 1, 1, 2, 2, 4, 4, 8, 2 };
    const uint64_t channels = (type >> 3) + 1;
    return channels * depthBytes[type & 7];
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
    // rows and cols are below 2^31 each, so their product fits; the element size is at most
    // 4096, so the check before the last multiplication keeps it exact.
    const uint64_t pixels = static_cast<uint64_t>(block.rows) * block.cols;
    if (pixels != 0 && elem > std::numeric_limits<uint64_t>::max() / pixels) {
        return block;
    }
    if (pixels * elem != block.byteCount || block.byteCount > reader.Remaining()) {
        return block;
    }
    block.pixelOffset = reader.Position();
    reader.Skip(static_cast<std::size_t>(block.byteCount));
    block.accepted = true;
    return block;
}

} // namespace ondrel::fuzz
