// A whole Device against a peer on 127.0.0.1 that answers every request with the fuzz
// input: the first byte picks the operation, the second sets the error flag, the rest is
// the response body. Checks the exact result text of every operation, that the outputs
// are what the decoders make of the body, and that the link stays paired and up.
#include "BodyReader.h"
#include "Device.h"
#include "FuzzSupport.h"
#include "ResponseDecoders.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
    std::string firmwarePath = "/tmp/ondrel-fuzz-firmware-XXXXXX";

    Rig()
    {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        FUZZ_CHECK(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0);
        FUZZ_CHECK(::listen(listener, 1) == 0);
        FUZZ_CHECK(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0);
        std::thread greeter([&] {
            peer = ::accept(listener, nullptr, nullptr);
            FUZZ_CHECK(peer >= 0);
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
        const int fd = ::mkstemp(firmwarePath.data());
        FUZZ_CHECK(fd >= 0 && ::write(fd, "FWIMG", 5) == 5);
        ::close(fd);
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

std::string FirstText(const Bytes& body)
{
    return tcp::BodyReader(body).ReadString().text;
}

void Expect(const DeviceError& result, uint32_t code, const std::string& message)
{
    if (result.code != code || result.message != message) {
        std::fprintf(stderr, "fuzz: got code %u \"%s\", expected code %u \"%s\"\n", result.code,
            result.message.c_str(), code, message.c_str());
        std::abort();
    }
}

// One operation: how it words a refusal, and what it must give for a body without the
// error flag (checked inside; empty outputs are those the operation leaves as they were).
struct Operation {
    const char* name;
    bool allBytes;   // a refusal shows every body byte, not just the first text
    bool nameless;   // a refusal shows the device's text alone
    std::function<void(Rig&, bool error, const Bytes& body, std::string& refusal)> run;
};

const std::string kExtraction = "(): quorvel error - Extraction of ";

// Decoded by the Device when `decoded` is, with the given message text otherwise.
void ExpectDecoded(const DeviceError& r, bool error, bool decoded, const std::string& failure)
{
    if (!error) {
        decoded ? Expect(r, DeviceError::OK, "-") : Expect(r, DeviceError::RESPONSE_ERROR, failure);
    }
}

const Operation kOperations[] = {
    { "Start", true, false, [](Rig& rig, bool error, const Bytes&, std::string& refusal) {
         const DeviceError r = rig.device.Start();
         error ? Expect(r, DeviceError::RESPONSE_ERROR, refusal) : Expect(r, DeviceError::OK, "-");
     } },
    { "GetFrame", false, true, [](Rig& rig, bool error, const Bytes& body, std::string& refusal) {
         cv::Mat image, expected;
         std::vector<SegmentInfo> segments, expectedSegments;
         uint32_t frameId = 0, expectedId = 0;
         const DeviceError r = rig.device.GetFrame(image, segments, frameId);
         const bool decoded = DecodeFrame(body, expected, expectedSegments, expectedId);
         ExpectDecoded(r, error, decoded, "quorvel::Device::GetFrame" + kExtraction + "image failed");
         if (error) {
             Expect(r, DeviceError::RESPONSE_ERROR, refusal);
         } else if (decoded) {
             FUZZ_CHECK(frameId == expectedId && segments.size() == expectedSegments.size());
             FUZZ_CHECK(image.size() == expected.size() && image.type() == expected.type());
         }
     } },
    { "GetFinalImage", false, false, [](Rig& rig, bool error, const Bytes& body, std::string& refusal) {
         cv::Mat image, expected;
         const DeviceError r = rig.device.GetFinalImage(image, 7);
         const bool decoded = DecodeFinalImage(body, expected);
         ExpectDecoded(r, error, decoded, "quorvel::Device::GetFinalImage" + kExtraction + "final image failed");
         if (error) {
             Expect(r, DeviceError::RESPONSE_ERROR, refusal);
         } else if (decoded) {
             FUZZ_CHECK(image.size() == expected.size() && image.type() == expected.type());
         }
     } },
    { "GetRawImages", false, false, [](Rig& rig, bool error, const Bytes& body, std::string& refusal) {
         std::vector<cv::Mat> images, expected;
         const DeviceError r = rig.device.GetRawImages(images, 7);
         const bool decoded = DecodeRawImages(body, expected);
         ExpectDecoded(r, error, decoded, "quorvel::Device::GetRawImages" + kExtraction + "raw images failed");
         if (error) {
             Expect(r, DeviceError::RESPONSE_ERROR, refusal);
         } else if (decoded) {
             FUZZ_CHECK(images.size() == expected.size());
         }
     } },
    { "GetFinalSegmentInfos", false, false, [](Rig& rig, bool error, const Bytes& body, std::string& refusal) {
         std::vector<SegmentInfo> segments, expected;
         const DeviceError r = rig.device.GetFinalSegmentInfos(segments, 7);
         const bool decoded = DecodeFinalSegments(body, expected);
         ExpectDecoded(r, error, decoded,
             "quorvel::Device::GetFinalSegmentInfos" + kExtraction + "segment informations failed");
         if (error) {
             Expect(r, DeviceError::RESPONSE_ERROR, refusal);
         } else if (decoded) {
             FUZZ_CHECK(segments.size() == expected.size());
         }
     } },
    { "GetCalibrationFile", false, false, [](Rig& rig, bool error, const Bytes& body, std::string& refusal) {
         Bytes calibration { 1, 2, 3 };
         const DeviceError r = rig.device.GetCalibrationFile(calibration);
         error ? Expect(r, DeviceError::RESPONSE_ERROR, refusal) : Expect(r, DeviceError::OK, "-");
         FUZZ_CHECK(calibration == (error ? Bytes { 1, 2, 3 } : body));
     } },
    { "RequestValidation", true, false, [](Rig& rig, bool error, const Bytes& body, std::string& refusal) {
         std::string challenge = "unchanged";
         const DeviceError r = rig.device.RequestValidation(challenge);
         error ? Expect(r, DeviceError::RESPONSE_ERROR, refusal) : Expect(r, DeviceError::OK, "-");
         FUZZ_CHECK(challenge == (error ? "unchanged" : FirstText(body)));
     } },
    { "SendAuthResponse", false, false, [](Rig& rig, bool error, const Bytes&, std::string&) {
         const DeviceError r = rig.device.SendAuthResponse("ADMIN", { 0xAB });
         error ? Expect(r, DeviceError::RESPONSE_ERROR, "Authentification as ADMIN failed.")
               : Expect(r, DeviceError::OK, "-");
     } },
    { "GetCurrentAuthGroup", true, false, [](Rig& rig, bool error, const Bytes& body, std::string& refusal) {
         std::string group = "unchanged";
         const DeviceError r = rig.device.GetCurrentAuthGroup(group);
         error ? Expect(r, DeviceError::RESPONSE_ERROR, refusal) : Expect(r, DeviceError::OK, "-");
         FUZZ_CHECK(group == (error ? "unchanged" : FirstText(body)));
     } },
    { "UploadFirmware", false, false, [](Rig& rig, bool error, const Bytes&, std::string& refusal) {
         const DeviceError r = rig.device.UploadFirmware(rig.firmwarePath);
         error ? Expect(r, DeviceError::RESPONSE_ERROR, refusal) : Expect(r, DeviceError::OK, "-");
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
    std::string refusal = op.allBytes ? std::string(body.begin(), body.end()) : FirstText(body);
    if (!op.nameless) {
        refusal = std::string("quorvel::Device::") + op.name + refusal;
    }
    ondrel::fuzz::RunGuarded(size, [&] {
        op.run(rig, error, body, refusal);
        FUZZ_CHECK(rig.device.IsConnected());
    });
    return 0;
}
