// Capture control and live frames.
#include "Device.h"
#include "OperationGuard.h"
#include "ResponseDecoders.h"

#include <cstdint>

namespace quorvel {

namespace {
// Pixels inside a body start wherever the wire put them; wider elements are only used in
// place when their address suits their type.
bool IsAlignedForItsElements(const cv::Mat& view)
{
    return reinterpret_cast<std::uintptr_t>(view.data) % view.elemSize1() == 0;
}
} // namespace

DeviceError Device::Start()
{
    return Guarded("quorvel::Device::Start", [&]() -> DeviceError {
        tcp::Message response;
        return Request(tcp::Message(tcp::MessageType::START_CAPTURE_MODE),
                       Exchange("quorvel::Device::Start").TimeLimitMs(3000).Text(ErrorText::NameAndBody), response);
    });
}

DeviceError Device::Stop()
{
    return Guarded("quorvel::Device::Stop", [&]() -> DeviceError {
        tcp::Message response;
        return Request(tcp::Message(tcp::MessageType::STOP_CAPTURE_MODE),
                       Exchange("quorvel::Device::Stop").TimeLimitMs(3000).PauseMs(100).Text(ErrorText::NameAndBody),
                       response);
    });
}

DeviceError Device::PlaySound(uint32_t soundId)
{
    return Guarded("quorvel::Device::PlaySound", [&]() -> DeviceError {
        tcp::Message request(tcp::MessageType::PLAY_SOUND);
        request.Append(soundId);
        tcp::Message response;
        return Request(
            request, Exchange("quorvel::Device::PlaySound").TimeLimitMs(3000).PauseMs(100).Text(ErrorText::NameAndBody),
            response);
    });
}

DeviceError Device::GetFrame(cv::Mat& image, std::vector<SegmentInfo>& segmentInfos, uint32_t& frameId)
{
    return Guarded("quorvel::Device::GetFrame", [&]() -> DeviceError {
        tcp::Message response;
        DeviceError result =
            Request(tcp::Message(tcp::MessageType::CAPTURE),
                    Exchange("quorvel::Device::GetFrame").TimeLimitMs(5000).Text(ErrorText::StringOnly), response);
        if (result.failed()) {
            return result;
        }
        bool decoded = false;
        try {
            cv::Mat view;
            decoded = DecodeFrameView(response.body, view, segmentInfos, frameId);
            if (decoded && IsAlignedForItsElements(view)) {
                // The frame keeps the body it arrived in instead of a copy; once released, the
                // body goes back to the connection for a later frame.
                image = AdoptBody(std::move(response.body), view,
                                  connection ? connection->Bodies() : std::weak_ptr<BodyPool>());
            } else {
                if (decoded) {
                    view.copyTo(image);
                }
                if (connection) {
                    connection->ReuseBody(std::move(response.body));
                }
            }
        } catch (...) {
            decoded = false;
        }
        if (decoded) {
            return DeviceError::Ok();
        }
        return {DeviceError::RESPONSE_ERROR, "quorvel::Device::GetFrame(): quorvel error - Extraction of image failed"};
    });
}

} // namespace quorvel
