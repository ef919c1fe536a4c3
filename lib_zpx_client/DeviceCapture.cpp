// Capture control and live frames.
#include "Device.h"
#include "ResponseDecoders.h"

namespace quorvel {

DeviceError Device::Start()
{
    tcp::Message response;
    return Request(tcp::Message(tcp::MessageType::START_CAPTURE_MODE),
        { "quorvel::Device::Start", 3000, 0, ErrorText::NameAndBody }, response);
}

DeviceError Device::Stop()
{
    tcp::Message response;
    return Request(tcp::Message(tcp::MessageType::STOP_CAPTURE_MODE),
        { "quorvel::Device::Stop", 3000, 100, ErrorText::NameAndBody }, response);
}

DeviceError Device::PlaySound(uint32_t soundId)
{
    tcp::Message request(tcp::MessageType::PLAY_SOUND);
    request.Append(soundId);
    tcp::Message response;
    return Request(request, { "quorvel::Device::PlaySound", 3000, 100, ErrorText::NameAndBody }, response);
}

DeviceError Device::GetFrame(cv::Mat& image, std::vector<SegmentInfo>& segmentInfos, uint32_t& frameId)
{
    tcp::Message response;
    DeviceError result = Request(tcp::Message(tcp::MessageType::CAPTURE),
        { "quorvel::Device::GetFrame", 5000, 0, ErrorText::StringOnly }, response);
    if (result.failed()) {
        return result;
    }
    bool decoded = false;
    try {
        decoded = DecodeFrame(response.body, image, segmentInfos, frameId);
        // `image` holds its own copy of the pixels; the next frame is read into this buffer.
        if (connection) {
            connection->ReuseBody(std::move(response.body));
        }
    } catch (...) {
    }
    if (decoded) {
        return DeviceError::Ok();
    }
    return { DeviceError::RESPONSE_ERROR, "quorvel::Device::GetFrame(): quorvel error - Extraction of image failed" };
}

} // namespace quorvel
