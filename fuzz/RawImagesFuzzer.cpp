// "raw_images" bodies: a count, then image blocks owning their pixels, never more than the body.
#include "FuzzSupport.h"
#include "ResponseDecoders.h"

#include <opencv2/core.hpp>

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    using namespace ondrel::fuzz;
    const std::vector<uint8_t> body(data, data + size);
    RunGuarded(size, [&] {
        std::vector<cv::Mat> images(2, cv::Mat(1, 1, CV_8UC1, cv::Scalar(1)));
        const bool ok = quorvel::DecodeRawImages(body, images);

        ReferenceReader reference(body.data(), body.size());
        const int32_t count = reference.TakeCount();
        if (count <= 0) {
            FUZZ_CHECK(ok);
            FUZZ_CHECK(images.empty());
            return;
        }
        if (static_cast<uint64_t>(count) > reference.Remaining() / 20) {
            FUZZ_CHECK(!ok);
            FUZZ_CHECK(images.empty());
            return;
        }
        std::vector<ExpectedBlock> blocks;
        for (int32_t i = 0; i < count; ++i) {
            // Every counted image needs its whole block header in the body; one that is cut
            // off is refused rather than read as zeros.
            if (reference.Remaining() < 20) {
                blocks.push_back(ExpectedBlock{});
                break;
            }
            blocks.push_back(TakeImageBlock(reference));
            if (!blocks.back().accepted) {
                break;
            }
        }
        const bool allAccepted = blocks.size() == static_cast<std::size_t>(count) && blocks.back().accepted;
        FUZZ_CHECK(ok == allAccepted);
        if (!ok) {
            return;
        }
        FUZZ_CHECK(images.size() == blocks.size());
        uint64_t totalBytes = 0;
        for (std::size_t i = 0; i < images.size(); ++i) {
            CheckImage(images[i], blocks[i], body.data(), body.size());
            totalBytes += images[i].total() * images[i].elemSize();
        }
        FUZZ_CHECK(totalBytes <= body.size());
    });
    return 0;
}
