#include "DeviceOperations.h"

#include <opencv2/core/mat.hpp>

#include <algorithm>

namespace ondrel::faulttest {

namespace {
using quorvel::Device;
using quorvel::DeviceError;
using quorvel::tcp::MessageType;
using Wording = DeviceOperation::Wording;

std::string FirstText(const std::vector<uint8_t>& body)
{
    const auto zero = std::find(body.begin(), body.end(), uint8_t { 0 });
    return std::string(body.begin(), zero);
}
} // namespace

std::string DeviceOperation::TextForErrorBody(const std::vector<uint8_t>& body) const
{
    switch (wording) {
    // Given zero-terminated: the terminating zero is not shown.
    case Wording::NameAndBody: return Qualified() + std::string(body.begin(), body.end()).substr(0, body.size() - 1);
    case Wording::NameAndString: return Qualified() + FirstText(body);
    case Wording::StringOnly: return FirstText(body);
    case Wording::Fixed: return fixedText;
    }
    return {};
}

std::string DeviceOperation::TextForLocalFailure(const std::string& reason) const
{
    const std::string local = "(): quorvel error - " + reason;
    switch (wording) {
    case Wording::NameAndBody:
    case Wording::NameAndString: return Qualified() + local;
    case Wording::StringOnly: return local;
    case Wording::Fixed: return fixedText;
    }
    return {};
}

std::vector<DeviceOperation> AllOperations(const std::string& firmwarePath)
{
    return {
        { "Start", MessageType::START_CAPTURE_MODE, Wording::NameAndBody, [](Device& d) { return d.Start(); } },
        { "Stop", MessageType::STOP_CAPTURE_MODE, Wording::NameAndBody, [](Device& d) { return d.Stop(); } },
        { "PlaySound", MessageType::PLAY_SOUND, Wording::NameAndBody, [](Device& d) { return d.PlaySound(2); } },
        { "GetFrame", MessageType::CAPTURE, Wording::StringOnly,
            [](Device& d) {
                cv::Mat image;
                std::vector<quorvel::SegmentInfo> segments;
                uint32_t frameId = 0;
                return d.GetFrame(image, segments, frameId);
            } },
        { "GetFinalImage", MessageType::GET_FINAL_FRAME, Wording::NameAndString,
            [](Device& d) {
                cv::Mat image;
                return d.GetFinalImage(image, 1);
            } },
        { "GetRawImages", MessageType::GET, Wording::NameAndString,
            [](Device& d) {
                std::vector<cv::Mat> images;
                return d.GetRawImages(images, 1);
            } },
        { "GetFinalSegmentInfos", MessageType::GET, Wording::NameAndString,
            [](Device& d) {
                std::vector<quorvel::SegmentInfo> segments;
                return d.GetFinalSegmentInfos(segments, 1);
            } },
        { "GetCalibrationFile", MessageType::GET, Wording::NameAndString,
            [](Device& d) {
                std::vector<uint8_t> data;
                return d.GetCalibrationFile(data);
            } },
        { "RequestValidation", MessageType::AUTH_REQUEST, Wording::NameAndBody,
            [](Device& d) {
                std::string challenge;
                return d.RequestValidation(challenge);
            } },
        { "SendAuthResponse", MessageType::AUTH_RESPONSE, Wording::Fixed,
            [](Device& d) { return d.SendAuthResponse("USER", { 0x30, 0x45 }); }, "Authentification as USER failed." },
        { "GetCurrentAuthGroup", MessageType::GET, Wording::NameAndBody,
            [](Device& d) {
                std::string group;
                return d.GetCurrentAuthGroup(group);
            } },
        { "UploadFirmware", MessageType::UPDATE_FIRMWARE, Wording::NameAndString,
            [firmwarePath](Device& d) { return d.UploadFirmware(firmwarePath); } },
    };
}

} // namespace ondrel::faulttest
