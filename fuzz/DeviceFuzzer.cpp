// A Device whose peer answers with the input (op, error flag, body): exact texts, outputs, link kept.
#include "BodyReader.h"
#include "Device.h"
#include "DeviceText.h"
#include "FuzzSupport.h"
#include "ResponseDecoders.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace quorvel;
using Bytes = std::vector<uint8_t>;

// The device side: one accepted connection; what the client sends is read and dropped.
struct Rig {
    int peer = -1;
    std::thread drain;
    Device device;
    std::string firmwarePath = "/tmp/ondrel-fuzz-firmware-" + std::to_string(::getpid());

    Rig()
    {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        FUZZ_CHECK(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 && ::listen(listener, 1) == 0
                   && ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0);
        std::thread greeter([&] {
            FUZZ_CHECK((peer = ::accept(listener, nullptr, nullptr)) >= 0);
            Write(false, {}, tcp::MessageType::CONNECTED);
        });
        FUZZ_CHECK(device.Connect("127.0.0.1", ntohs(address.sin_port)).code == DeviceError::OK);
        greeter.join();
        ::close(listener);
        drain = std::thread([fd = peer] {
            char sink[4096];
            while (::recv(fd, sink, sizeof(sink), 0) > 0) {
            }
        });
        FUZZ_CHECK(std::ofstream(firmwarePath) << "FWIMG");
    }

    ~Rig()
    {
        ::shutdown(peer, SHUT_RDWR);
        drain.join();
        ::close(peer);
        ::unlink(firmwarePath.c_str());
    }

    void Write(bool error, const Bytes& body, tcp::MessageType type = tcp::MessageType::NOT_SET)
    {
        tcp::MessageHeader header;
        header.id = type;
        header.size = static_cast<uint32_t>(body.size());
        header.error = error;
        const tcp::HeaderBytes head = EncodeHeader(header);
        Bytes bytes(head.begin(), head.end());
        bytes.insert(bytes.end(), body.begin(), body.end());
        for (std::size_t sent = 0; sent < bytes.size();) {
            const ssize_t n = ::send(peer, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            FUZZ_CHECK(n > 0);
            sent += static_cast<std::size_t>(n);
        }
    }
};

std::string FirstText(const Bytes& body) { return tcp::BodyReader(body).ReadString().text; }

// The result for a refusal, for a body the decoder takes (with `same` telling whether the
// outputs are what it made of it), and for one it refuses.
void Check(const DeviceError& r, bool error, const std::string& refusal, bool decoded, bool same, const std::string& failure = "")
{
    const uint32_t code = error || !decoded ? DeviceError::RESPONSE_ERROR : DeviceError::OK;
    const std::string message = error ? refusal : decoded ? "-" : failure + " failed";
    for (const char c : r.message) {
        FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f); // no control reaches the operator
    }
    FUZZ_CHECK(r.code == code && r.message == message);
    FUZZ_CHECK(error || !decoded || same);
}

// A text output: the body's first text, or as it was on a refusal.
void CheckText(Rig& rig, bool error, const Bytes& body, const std::string& refusal, DeviceError (Device::*call)(std::string&))
{
    std::string text = "unchanged";
    const DeviceError r = (rig.device.*call)(text);
    Check(r, error, refusal, true, text == FirstText(body));
    FUZZ_CHECK(!error || text == "unchanged");
}

// One operation: how it words a refusal (every body byte or just the first text, behind its
// name or alone) and how it is run and checked.
struct Operation {
    const char* name;
    bool allBytes;
    bool nameless;
    std::function<void(Rig&, bool error, const Bytes& body, const std::string& refusal)> run;
};

#define EXTRACTION(op, what) "quorvel::Device::" op "(): quorvel error - Extraction of " what

const Operation kOperations[] = {
    { "Start", true, false,
      [](Rig& rig, bool error, const Bytes&, const std::string& refusal) { Check(rig.device.Start(), error, refusal, true, true); } },
    { "GetFrame", false, true,
      [](Rig& rig, bool error, const Bytes& body, const std::string& refusal) {
          cv::Mat image, expected;
          std::vector<SegmentInfo> segments, expectedSegments;
          uint32_t frameId = 0, expectedId = 0;
          const DeviceError r = rig.device.GetFrame(image, segments, frameId);
          const bool decoded = DecodeFrame(body, expected, expectedSegments, expectedId); // before comparing
          Check(r, error, refusal, decoded,
                frameId == expectedId && segments.size() == expectedSegments.size() && image.size() == expected.size()
                    && image.type() == expected.type(),
                EXTRACTION("GetFrame", "image"));
      } },
    { "GetFinalImage", false, false,
      [](Rig& rig, bool error, const Bytes& body, const std::string& refusal) {
          cv::Mat image, expected;
          const DeviceError r = rig.device.GetFinalImage(image, 7);
          const bool decoded = DecodeFinalImage(body, expected);
          Check(r, error, refusal, decoded, image.size() == expected.size() && image.type() == expected.type(),
                EXTRACTION("GetFinalImage", "final image"));
      } },
    { "GetRawImages", false, false,
      [](Rig& rig, bool error, const Bytes& body, const std::string& refusal) {
          std::vector<cv::Mat> images, expected;
          const DeviceError r = rig.device.GetRawImages(images, 7);
          const bool decoded = DecodeRawImages(body, expected);
          Check(r, error, refusal, decoded, images.size() == expected.size(), EXTRACTION("GetRawImages", "raw images"));
      } },
    { "GetFinalSegmentInfos", false, false,
      [](Rig& rig, bool error, const Bytes& body, const std::string& refusal) {
          std::vector<SegmentInfo> segments, expected;
          const DeviceError r = rig.device.GetFinalSegmentInfos(segments, 7);
          const bool decoded = DecodeFinalSegments(body, expected);
          Check(r, error, refusal, decoded, segments.size() == expected.size(), EXTRACTION("GetFinalSegmentInfos", "segment informations"));
      } },
    // The three below leave their output as it was on a refusal.
    { "GetCalibrationFile", false, false,
      [](Rig& rig, bool error, const Bytes& body, const std::string& refusal) {
          Bytes calibration{ 1, 2, 3 };
          const DeviceError r = rig.device.GetCalibrationFile(calibration); // before comparing
          Check(r, error, refusal, true, calibration == body);
          FUZZ_CHECK(!error || calibration == (Bytes{ 1, 2, 3 }));
      } },
    { "RequestValidation", true, false,
      [](Rig& rig, bool error, const Bytes& body, const std::string& refusal) {
          CheckText(rig, error, body, refusal, &Device::RequestValidation);
      } },
    { "SendAuthResponse", false, false,
      [](Rig& rig, bool error, const Bytes&, const std::string&) {
          Check(rig.device.SendAuthResponse("ADMIN", { 0xAB }), error, "Authentification as ADMIN failed.", true, true);
      } },
    { "GetCurrentAuthGroup", true, false,
      [](Rig& rig, bool error, const Bytes& body, const std::string& refusal) {
          CheckText(rig, error, body, refusal, &Device::GetCurrentAuthGroup);
      } },
    { "UploadFirmware", false, false,
      [](Rig& rig, bool error, const Bytes&, const std::string& refusal) {
          Check(rig.device.UploadFirmware(rig.firmwarePath), error, refusal, true, true);
      } },
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 2 || size - 2 > ondrel::fuzz::kSmallBody) {
        return 0;
    }
    static Rig rig;
    const Operation& op = kOperations[data[0] % 10];
    const bool error = (data[1] & 1) != 0;
    const Bytes body(data + 2, data + size);
    // Sent ahead of the request: pairing is by order alone, so it is taken as the answer.
    rig.Write(error, body);
    // As the operator sees it: every body byte or just the first text, cleaned, behind the
    // operation's name; a nameless one shows its text alone when there is one.
    const std::string first = FirstText(body);
    const std::size_t shownSize = op.allBytes ? body.size() : first.size();
    const std::string name = std::string("quorvel::Device::") + op.name;
    std::string refusal = quorvel::DeviceReasonMessage(name.c_str(), body.data(), shownSize);
    if (op.nameless) {
        const std::string shown = quorvel::ShowableDeviceText(reinterpret_cast<const uint8_t*>(first.data()), first.size());
        refusal = shown.empty() ? refusal : shown;
    }
    ondrel::fuzz::RunGuarded(size, [&] {
        op.run(rig, error, body, refusal);
        FUZZ_CHECK(rig.device.IsConnected());
    });
    return 0;
}
