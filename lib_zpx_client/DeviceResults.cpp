// Capture results of a frame that GetFrame reported.
#include "Device.h"
#include "OperationGuard.h"
#include "ResponseDecoders.h"

namespace quorvel {

namespace {
tcp::Message FrameKeyRequest(const char* key, uint32_t frameId)
{
    tcp::Message request(tcp::MessageType::GET, key);
    request.Append(frameId);
    return request;
}

// Runs a decoder; a malformed body or any exception becomes the operation's extraction text.
template <typename Decode> DeviceError DecodeOr(const char* failureText, Decode&& decode)
{
    try {
        if (decode()) {
            return DeviceError::Ok();
        }
    } catch (...) {
    }
    return {DeviceError::RESPONSE_ERROR, failureText};
}
} // namespace

DeviceError Device::GetRawImages(std::vector<cv::Mat>& rawImages, uint32_t frameId)
{
    return Guarded("quorvel::Device::GetRawImages", [&]() -> DeviceError {
        tcp::Message response;
        DeviceError result = Request(FrameKeyRequest("raw_images", frameId),
                                     Exchange("quorvel::Device::GetRawImages").TimeLimitMs(30000), response);
        if (result.failed()) {
            return result;
        }
        return DecodeOr("quorvel::Device::GetRawImages(): quorvel error - Extraction of raw images failed",
                        [&] { return DecodeRawImages(response.body, rawImages); });
    });
}

DeviceError Device::GetFinalImage(cv::Mat& image, uint32_t frameId)
{
    return Guarded("quorvel::Device::GetFinalImage", [&]() -> DeviceError {
        tcp::Message request(tcp::MessageType::GET_FINAL_FRAME);
        request.Append(frameId);
        tcp::Message response;
        DeviceError result = Request(request, Exchange("quorvel::Device::GetFinalImage").TimeLimitMs(30000), response);
        if (result.failed()) {
            return result;
        }
        return DecodeOr("quorvel::Device::GetFinalImage(): quorvel error - Extraction of final image failed",
                        [&] { return DecodeFinalImage(response.body, image); });
    });
}

DeviceError Device::GetFinalSegmentInfos(std::vector<SegmentInfo>& segmentInfos, uint32_t frameId)
{
    return Guarded("quorvel::Device::GetFinalSegmentInfos", [&]() -> DeviceError {
        tcp::Message response;
        DeviceError result = Request(FrameKeyRequest("final_segments", frameId),
                                     Exchange("quorvel::Device::GetFinalSegmentInfos").TimeLimitMs(10000), response);
        if (result.failed()) {
            return result;
        }
        return DecodeOr(
            "quorvel::Device::GetFinalSegmentInfos(): quorvel error - Extraction of segment informations failed",
            [&] { return DecodeFinalSegments(response.body, segmentInfos); });
    });
}

DeviceError Device::GetCalibrationFile(std::vector<uint8_t>& calibrationData)
{
    return Guarded("quorvel::Device::GetCalibrationFile", [&]() -> DeviceError {
        tcp::Message response;
        DeviceError result = Request(tcp::Message(tcp::MessageType::GET, "calib_file"),
                                     Exchange("quorvel::Device::GetCalibrationFile").TimeLimitMs(3000), response);
        if (result.failed()) {
            return result;
        }
        return DecodeOr("quorvel::Device::GetCalibrationFile(): quorvel error - Extraction of calibfile content failed",
                        [&] {
                            calibrationData = std::move(response.body);
                            return true;
                        });
    });
}

} // namespace quorvel
