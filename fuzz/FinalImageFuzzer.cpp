// GET_FINAL_FRAME bodies: one image block, taken only when it is exactly what it says.
#include "FuzzSupport.h"
#include "ResponseDecoders.h"

#include <opencv2/core.hpp>

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    using namespace ondrel::fuzz;
    const std::vector<uint8_t> body(data, data + size);
    RunGuarded(size, [&] {
        // A previous image of another shape must be replaced, one of the same shape reused.
        cv::Mat image(2, 3, CV_8UC1, cv::Scalar(9));
        const bool ok = quorvel::DecodeFinalImage(body, image);

        ReferenceReader reference(body.data(), body.size());
        const ExpectedBlock block = TakeImageBlock(reference);
        FUZZ_CHECK(ok == block.accepted);
        if (ok) {
            CheckImage(image, block, body.data(), body.size());
        }
    });
    return 0;
}
