#pragma once

#include "Connection.h"
#include "DeviceError.h"
#include "Message.h"
#include "OwnedMessage.h"
#include "SegmentInfo.h"
#include "TreadSafeQueue.h"

#include <asio/io_context.hpp>
#include <opencv2/core/mat.hpp>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace quorvel {

// The client's handle on one scanner. Every operation blocks the calling thread, returns
// a DeviceError and never throws. Responses are paired with requests by order alone, so
// operations on one Device must never overlap. Connect once; to reconnect, make a new Device.
class Device {
public:
    // Told how many body bytes of a request have gone out: (sent, total). Called on the
    // Device's I/O thread after each part of the body is written, last with sent == total;
    // it must return quickly, must not throw and must not call into the Device.
    using SendProgress = std::function<void(uint64_t sent, uint64_t total)>;

    Device();
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // Link (request cycle).
    DeviceError Connect(const std::string& host, uint16_t port);
    DeviceError Disconnect();
    bool IsConnected() const { return connected; }
    // Whether the link is still up: false once the peer has closed it, even before an
    // operation has noticed. Any thread may ask; the answer may be a moment late.
    bool LinkOpen() const;
    DeviceError Send(const tcp::Message& message);
    // The next received message, or a locally made error message (id NOT_SET, error set,
    // body = text + 4-byte code) on time-out or a lost link.
    tcp::Message AwaitResponse(int32_t timeoutMs);

    // Capture control and live frames.
    DeviceError Start();
    DeviceError Stop();
    DeviceError PlaySound(uint32_t soundId);
    DeviceError GetFrame(cv::Mat& image, std::vector<SegmentInfo>& segmentInfos, uint32_t& frameId);

    // Capture results of a frame reported by GetFrame.
    DeviceError GetRawImages(std::vector<cv::Mat>& rawImages, uint32_t frameId);
    DeviceError GetFinalImage(cv::Mat& image, uint32_t frameId);
    DeviceError GetFinalSegmentInfos(std::vector<SegmentInfo>& segmentInfos, uint32_t frameId);
    DeviceError GetCalibrationFile(std::vector<uint8_t>& calibrationData);

    // Authentication.
    DeviceError Authenticate(std::string authGroup, std::string privateKeyFile);
    DeviceError RequestValidation(std::string& challenge);
    DeviceError SendAuthResponse(const std::string& authGroup, const std::vector<uint8_t>& signature);
    DeviceError GetCurrentAuthGroup(std::string& authGroup);

    // Firmware.
    // A success answer counts even when the device drops the link right after it (it
    // restarts to apply the firmware). `progress`, when given, follows the file's bytes out.
    DeviceError UploadFirmware(std::string firmwarePath, SendProgress progress = {});

private:
    // How an operation turns an error response into its message text.
    enum class ErrorText {
        NameAndBody,   // qualified name + every body byte
        NameAndString, // qualified name + the body's first zero-terminated text
        StringOnly,    // the body's first zero-terminated text alone
        Fixed,         // a fixed text
    };

    // One request's terms, named at the call:
    //   Exchange("quorvel::Device::Stop").TimeLimitMs(3000).PauseMs(100).Text(ErrorText::NameAndBody)
    struct Exchange {
        const char* name; // qualified operation name, e.g. "quorvel::Device::Start"
        int32_t timeLimitMs = 0;
        int32_t pauseMs = 0; // sleep between a successful Send and the wait
        ErrorText errorText = ErrorText::NameAndString;
        std::string fixedText = {};

        explicit Exchange(const char* operation)
            : name(operation)
        {
        }
        Exchange& TimeLimitMs(int32_t ms)
        {
            timeLimitMs = ms;
            return *this;
        }
        Exchange& PauseMs(int32_t ms)
        {
            pauseMs = ms;
            return *this;
        }
        Exchange& Text(ErrorText how, std::string fixed = {})
        {
            errorText = how;
            fixedText = std::move(fixed);
            return *this;
        }
    };

    // The request pattern shared by every operation: send, optional pause, await, and map
    // an error response to RESPONSE_ERROR with the operation's text. On OK, `response`
    // holds the device's answer.
    DeviceError Request(const tcp::Message& request, const Exchange& exchange, tcp::Message& response);
    // The result an exchange gives for `response` (`local`: made here, not by the device).
    static DeviceError ResultOf(const tcp::Message& response, bool local, const Exchange& exchange);
    DeviceError SendWithProgress(const tcp::Message& message, SendProgress progress);
    DeviceError Upload(const std::string& firmwarePath, SendProgress progress);

    // The waiting behind AwaitResponse; `local` tells whether the message was made here.
    tcp::Message AwaitMessage(int32_t timeoutMs, bool& local);

    void StopLink();
    static tcp::Message MakeErrorResponse(uint32_t code, const std::string& text);

    // One thread runs it, which spares the scheduler the work of handing out to several.
    asio::io_context ioContext{1};
    std::thread ioThread;
    std::unique_ptr<tcp::Connection> connection;
    tcp::TreadSafeQueue<tcp::OwnedMessage> inbound;
    bool connected = false;
    // The connection of a completed handshake while it is the Device's link, for LinkOpen
    // on other threads. It may be read through after StopLink: `retired` keeps it alive.
    std::atomic<const tcp::Connection*> handshaken{nullptr};

    // Connections let go of by StopLink; completions still queued on the stopped context
    // refer to them, so they live as long as the Device.
    std::vector<std::unique_ptr<tcp::Connection>> retired;
    bool connectAttempted = false;
};

} // namespace quorvel
