// "final_segments" bodies: a count, then 32-byte records; a count beyond the body is refused.
#include "FuzzSupport.h"
#include "ResponseDecoders.h"

#include <cstring>
#include <vector>

static_assert(sizeof(quorvel::SegmentInfo) == 32, "SegmentInfo is compared with its wire bytes");

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    using namespace ondrel::fuzz;
    const std::vector<uint8_t> body(data, data + size);
    RunGuarded(size, [&] {
        std::vector<quorvel::SegmentInfo> segments(5);
        const bool ok = quorvel::DecodeFinalSegments(body, segments);

        ReferenceReader reference(body.data(), body.size());
        const int32_t count = reference.TakeCount();
        const bool fits = count <= 0 || static_cast<uint64_t>(count) <= reference.Remaining() / 32;
        FUZZ_CHECK(ok == fits);
        FUZZ_CHECK(segments.size() <= body.size() / 32);
        if (!ok) {
            return;
        }
        FUZZ_CHECK(segments.size() == static_cast<std::size_t>(count > 0 ? count : 0));
        for (std::size_t i = 0; i < segments.size(); ++i) {
            FUZZ_CHECK(std::memcmp(&segments[i], body.data() + reference.Position() + i * 32, 32) == 0);
        }
    });
    return 0;
}
