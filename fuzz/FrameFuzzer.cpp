// CAPTURE bodies: frame id, image block, a skipped byte, a count and 38-byte records.
#include "FuzzSupport.h"
#include "ResponseDecoders.h"

#include <opencv2/core.hpp>

#include <cstring>
#include <vector>

static_assert(sizeof(quorvel::SegmentInfo) == 32, "SegmentInfo is compared with its wire bytes");

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    using namespace ondrel::fuzz;
    const std::vector<uint8_t> body(data, data + size);
    RunGuarded(size, [&] {
        cv::Mat image(2, 3, CV_8UC1, cv::Scalar(9));
        std::vector<quorvel::SegmentInfo> segments(3);
        uint32_t frameId = 12345;
        const bool ok = quorvel::DecodeFrame(body, image, segments, frameId);

        ReferenceReader reference(body.data(), body.size());
        const uint32_t expectedId = static_cast<uint32_t>(reference.Take(4));
        FUZZ_CHECK(frameId == expectedId);
        const ExpectedBlock block = TakeImageBlock(reference);
        if (!block.accepted) {
            FUZZ_CHECK(!ok);
            return;
        }
        reference.Skip(1);
        const int32_t count = reference.TakeCount();
        const std::size_t recordsStart = reference.Position();
        const bool fits = count <= 0 || static_cast<uint64_t>(count) <= reference.Remaining() / 38;
        FUZZ_CHECK(ok == fits);
        if (!ok) {
            return;
        }
        CheckImage(image, block, body.data(), body.size());
        FUZZ_CHECK(segments.size() == static_cast<std::size_t>(count > 0 ? count : 0));
        FUZZ_CHECK(segments.size() <= body.size() / 38);
        for (std::size_t i = 0; i < segments.size(); ++i) {
            // Little-endian host: the record's first 32 wire bytes are the struct's bytes.
            FUZZ_CHECK(std::memcmp(&segments[i], body.data() + recordsStart + i * 38, 32) == 0);
        }
    });
    return 0;
}
