#include "ResponsePayloads.h"

#include <opencv2/core.hpp>

#include <limits>
#include <stdexcept>
#include <string>

namespace ondrel::sim {

namespace {
using quorvel::tcp::Message;
using quorvel::tcp::MessageType;

// An element type beyond OpenCV's type mask: no matrix can be built from it.
constexpr uint32_t kUnbuildableType = 4096;
constexpr uint32_t kGrey8 = 0; // CV_8UC1
// Extra records a bad count claims on top of those the body carries.
constexpr int32_t kPhantomSegments = 1000;
constexpr int32_t kPhantomImages = 5;

// Takes of the raw frames differ by a pixel or two, as a hand never holds perfectly still.
constexpr int kRawShift[][2] = {{0, 0}, {1, 0}, {0, 1}, {-1, 0}, {0, -1}, {2, 1}, {-2, -1}};

void AppendImageBlock(Message& message, const FrameSynthesizer& synthesizer, const HandView& view, HostileKind hostile,
                      int shiftX = 0, int shiftY = 0, const std::vector<Degradation>& degradations = {})
{
    const std::size_t pixels = synthesizer.PixelBytes();
    const uint64_t byteCount = hostile == HostileKind::BadByteCount ? pixels - 1 : pixels;
    AppendImageBlockHeader(message, byteCount, hostile == HostileKind::BadImageType ? kUnbuildableType : kGrey8,
                           static_cast<uint32_t>(synthesizer.Width()), static_cast<uint32_t>(synthesizer.Height()));
    const std::size_t offset = message.body.size();
    message.body.resize(offset + pixels);
    synthesizer.Render(view, message.body.data() + offset, shiftX, shiftY);
    if (!degradations.empty()) {
        cv::Mat pixels(synthesizer.Height(), synthesizer.Width(), CV_8UC1, message.body.data() + offset);
        ApplyDegradations(pixels, view, degradations);
    }
    message.body.resize(offset + byteCount);
    message.updateSize();
}

// Rectangles no frame holds: far left and above, far right and below, huge, negative size.
quorvel::SegmentInfo OutOfImage(quorvel::SegmentInfo info, std::size_t index)
{
    constexpr int32_t big = std::numeric_limits<int32_t>::max();
    constexpr int32_t small = std::numeric_limits<int32_t>::min();
    switch (index % 4) {
    case 0:
        info.posX = -5000;
        info.posY = -4000;
        break;
    case 1:
        info.posX = 1 << 20;
        info.posY = 1 << 20;
        break;
    case 2:
        info.posX = 10;
        info.posY = 10;
        info.width = big;
        info.height = big;
        break;
    default:
        info.posX = small;
        info.posY = 0;
        info.width = -60;
        info.height = -80;
        break;
    }
    return info;
}

void AppendSegments(Message& message, const std::vector<quorvel::SegmentInfo>& segments, HostileKind hostile, bool live,
                    int32_t phantom)
{
    int32_t count = static_cast<int32_t>(segments.size());
    if (hostile == HostileKind::BadCount) {
        count += phantom;
    }
    message.Append(count);
    for (std::size_t i = 0; i < segments.size(); ++i) {
        AppendSegmentRecord(message, hostile == HostileKind::BadRect ? OutOfImage(segments[i], i) : segments[i], i,
                            live);
    }
}

std::size_t ImageBlockSize(const FrameSynthesizer& synthesizer)
{
    return quorvel::tcp::kImageBlockHeaderSize + synthesizer.PixelBytes();
}
} // namespace

void AppendImageBlockHeader(Message& message, uint64_t byteCount, uint32_t type, uint32_t cols, uint32_t rows)
{
    message.Append(byteCount).Append(type).Append(cols).Append(rows);
}

void AppendSegmentRecord(Message& message, const quorvel::SegmentInfo& info, std::size_t index, bool live)
{
    message.Append(info.posX).Append(info.posY).Append(info.width).Append(info.height);
    message.Append(info.distance).Append(info.moveX).Append(info.moveY).Append(info.moveZ);
    if (live) {
        // Finger index, a quality score and four reserved bytes.
        message.Append(static_cast<uint8_t>(index));
        message.Append(static_cast<uint8_t>(90));
        message.Append(static_cast<uint32_t>(0));
    }
}

Message FrameResponse(uint32_t frameId, const FrameSynthesizer& synthesizer, const HandView& view, HostileKind hostile)
{
    const auto& segments = view.segments;
    Message message(MessageType::CAPTURE);
    message.body.reserve(4 + ImageBlockSize(synthesizer) + 1 + 4
                         + segments.size() * quorvel::tcp::kLiveSegmentRecordSize);
    message.Append(frameId);
    AppendImageBlock(message, synthesizer, view, hostile);
    message.Append(static_cast<uint8_t>(1)); // frame is valid
    AppendSegments(message, segments, hostile, true, kPhantomSegments);
    return message;
}

Message FinalImageResponse(const FrameSynthesizer& synthesizer, const HandView& view, HostileKind hostile,
                           const std::vector<Degradation>& degradations)
{
    Message message(MessageType::GET_FINAL_FRAME);
    message.body.reserve(ImageBlockSize(synthesizer));
    AppendImageBlock(message, synthesizer, view, hostile, 0, 0, degradations);
    return message;
}

Message RawImagesResponse(const FrameSynthesizer& synthesizer, const HandView& view, uint32_t count,
                          HostileKind hostile)
{
    // Refused before anything is rendered: one message carries at most 4 GiB - 1.
    const uint64_t bodySize = 4 + uint64_t(count) * ImageBlockSize(synthesizer);
    if (bodySize > std::numeric_limits<uint32_t>::max()) {
        throw std::length_error(std::to_string(count) + " raw images do not fit into one message");
    }
    Message message(MessageType::GET);
    message.body.reserve(static_cast<std::size_t>(bodySize));
    const int32_t announced = static_cast<int32_t>(count) + (hostile == HostileKind::BadCount ? kPhantomImages : 0);
    message.Append(announced);
    constexpr std::size_t shifts = sizeof(kRawShift) / sizeof(kRawShift[0]);
    for (uint32_t i = 0; i < count; ++i) {
        const auto& shift = kRawShift[i % shifts];
        AppendImageBlock(message, synthesizer, view, hostile, shift[0], shift[1]);
    }
    return message;
}

Message FinalSegmentsResponse(const std::vector<quorvel::SegmentInfo>& segments, HostileKind hostile)
{
    Message message(MessageType::GET);
    AppendSegments(message, segments, hostile, false, 1);
    return message;
}

Message ErrorResponse(MessageType type, const std::string& text)
{
    Message message(type, text);
    message.header.error = true;
    return message;
}

} // namespace ondrel::sim
