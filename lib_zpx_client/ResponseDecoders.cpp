#include "ResponseDecoders.h"

#include <opencv2/core.hpp>

#include <limits>

namespace quorvel {

namespace {
// Element types OpenCV can build: a known depth and 1 to CV_CN_MAX channels.
bool IsBuildableType(uint32_t type)
{
    return type <= static_cast<uint32_t>(CV_MAT_TYPE_MASK) && CV_MAT_DEPTH(static_cast<int>(type)) <= CV_16F;
}

// Counts beyond what the remaining body can hold are refused instead of being filled up
// with invented zero records.
bool CountFits(int32_t count, std::size_t remaining, std::size_t recordSize)
{
    return count <= 0 || static_cast<uint64_t>(count) <= remaining / recordSize;
}
} // namespace

bool ReadImageBlock(tcp::BodyReader& reader, cv::Mat& view)
{
    const uint64_t byteCount = reader.Read<uint64_t>();
    const uint32_t type = reader.Read<uint32_t>();
    const uint32_t cols = reader.Read<uint32_t>();
    const uint32_t rows = reader.Read<uint32_t>();

    if (!IsBuildableType(type)) {
        return false;
    }
    const int maxDim = std::numeric_limits<int>::max();
    if (cols > static_cast<uint32_t>(maxDim) || rows > static_cast<uint32_t>(maxDim)) {
        return false;
    }
    const uint64_t elemSize = CV_ELEM_SIZE(static_cast<int>(type));
    uint64_t expected = 0;
    if (__builtin_mul_overflow(static_cast<uint64_t>(rows), static_cast<uint64_t>(cols), &expected)
        || __builtin_mul_overflow(expected, elemSize, &expected) || expected != byteCount
        || byteCount > reader.Remaining()) {
        return false;
    }
    const uint8_t* pixels = reader.ReadSpan(static_cast<std::size_t>(byteCount));
    if (rows == 0 || cols == 0) {
        view.release();
        return true;
    }
    view =
        cv::Mat(static_cast<int>(rows), static_cast<int>(cols), static_cast<int>(type), const_cast<uint8_t*>(pixels));
    return true;
}

SegmentInfo ReadSegmentInfo(tcp::BodyReader& reader)
{
    SegmentInfo info;
    info.posX = reader.Read<int32_t>();
    info.posY = reader.Read<int32_t>();
    info.width = reader.Read<int32_t>();
    info.height = reader.Read<int32_t>();
    info.distance = reader.Read<float>();
    info.moveX = reader.Read<float>();
    info.moveY = reader.Read<float>();
    info.moveZ = reader.Read<float>();
    return info;
}

bool DecodeFrame(const std::vector<uint8_t>& body, cv::Mat& image, std::vector<SegmentInfo>& segmentInfos,
                 uint32_t& frameId)
{
    cv::Mat view;
    if (!DecodeFrameView(body, view, segmentInfos, frameId)) {
        return false;
    }
    view.copyTo(image); // reuses `image` when size and type match; releases it when empty
    return true;
}

bool DecodeFrameView(const std::vector<uint8_t>& body, cv::Mat& view, std::vector<SegmentInfo>& segmentInfos,
                     uint32_t& frameId)
{
    segmentInfos.clear();
    tcp::BodyReader reader(body);
    frameId = reader.Read<uint32_t>();

    if (!ReadImageBlock(reader, view)) {
        return false;
    }

    reader.Read<uint8_t>(); // meaning is the device's own
    const int32_t count = reader.Read<int32_t>();
    if (!CountFits(count, reader.Remaining(), kLiveSegmentRecordSize)) {
        return false;
    }
    segmentInfos.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int32_t i = 0; i < count; ++i) {
        segmentInfos.push_back(ReadSegmentInfo(reader));
        reader.ReadSpan(kLiveSegmentRecordSize - kFinalSegmentRecordSize);
    }
    return true;
}

bool DecodeFinalImage(const std::vector<uint8_t>& body, cv::Mat& image)
{
    tcp::BodyReader reader(body);
    cv::Mat view;
    if (!ReadImageBlock(reader, view)) {
        return false;
    }
    view.copyTo(image);
    return true;
}

bool DecodeRawImages(const std::vector<uint8_t>& body, std::vector<cv::Mat>& rawImages)
{
    tcp::BodyReader reader(body);
    const int32_t count = reader.Read<int32_t>();
    rawImages.clear();
    if (!CountFits(count, reader.Remaining(), kImageBlockHeaderSize)) {
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        // Earlier blocks' pixels may have used up the room counted for this block's header;
        // a missing header would otherwise read as an invented empty image.
        if (reader.Remaining() < kImageBlockHeaderSize) {
            return false;
        }
        cv::Mat view;
        if (!ReadImageBlock(reader, view)) {
            return false;
        }
        rawImages.push_back(view.clone());
    }
    return true;
}

bool DecodeFinalSegments(const std::vector<uint8_t>& body, std::vector<SegmentInfo>& segmentInfos)
{
    segmentInfos.clear();
    tcp::BodyReader reader(body);
    const int32_t count = reader.Read<int32_t>();
    if (!CountFits(count, reader.Remaining(), kFinalSegmentRecordSize)) {
        return false;
    }
    segmentInfos.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int32_t i = 0; i < count; ++i) {
        segmentInfos.push_back(ReadSegmentInfo(reader));
    }
    return true;
}

} // namespace quorvel
