// A whole Device against a peer on 127.0.0.1 that answers every request with the fuzz
// input: the first byte picks the operation, the second sets the error flag, the rest is
// the response body. Checks the exact result text of every operation, that the outputs
// are what the decoders make of the body, and that the link stays paired and up.
#include "BodyReader.h"
#include "Device.h"
#include "DeviceText.h"
#include "FuzzCheck.h"
#include "Message.h"
#include "ResponseDecoders.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace quorvel;

// The device side: accepts one connection, discards what the client sends and writes the
// responses it is given.
class LoopbackPeer {
public:
    LoopbackPeer()
    {
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        FUZZ_CHECK(listener >= 0);
        FUZZ_CHECK(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0);
        FUZZ_CHECK(::listen(listener, 1) == 0);
        FUZZ_CHECK(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0);
        port = ntohs(address.sin_port);
    }

    ~LoopbackPeer()
    {
        if (peer >= 0) {
            ::shutdown(peer, SHUT_RDWR);
        }
        if (drain.joinable()) {
            drain.join();
        }
        if (peer >= 0) {
            ::close(peer);
        }
        ::close(listener);
    }

    // Accepts the client and greets it; the requests it sends are read and dropped.
    void AcceptAndGreet()
    {
        peer = ::accept(listener, nullptr, nullptr);
        FUZZ_CHECK(peer >= 0);
        Write(tcp::MessageType::CONNECTED, false, {});
        drain = std::thread([fd = peer] {
            char sink[4096];
            while (::recv(fd, sink, sizeof(sink), 0) > 0) {
            }
        });
    }

    void Write(tcp::MessageType type, bool error, const std::vector<uint8_t>& body)
    {
        tcp::MessageHeader header;
        header.id = type;
        header.size = static_cast<uint32_t>(body.size());
        header.error = error;
        const tcp::HeaderBytes bytes = EncodeHeader(header);
        WriteAll(bytes.data(), bytes.size());
        WriteAll(body.data(), body.size());
    }

    uint16_t port = 0;

private:
    void WriteAll(const uint8_t* data, std::size_t size)
    {
        while (size > 0) {
            const ssize_t sent = ::send(peer, data, size, MSG_NOSIGNAL);
            FUZZ_CHECK(sent > 0);
            data += sent;
            size -= static_cast<std::size_t>(sent);
        }
    }

    int listener = -1;
    int peer = -1;
    std::thread drain;
};

struct Rig {
    LoopbackPeer peer;
    Device device;
    std::string firmwarePath;

    Rig()
    {
        std::thread greeter([this] { peer.AcceptAndGreet(); });
        const DeviceError connected = device.Connect("127.0.0.1", peer.port);
        greeter.join();
        FUZZ_CHECK(connected.code == DeviceError::OK);

        char path[] = "/tmp/ondrel-fuzz-firmware-XXXXXX";
        const int fd = ::mkstemp(path);
        FUZZ_CHECK(fd >= 0);
        FUZZ_CHECK(::write(fd, "FWIMG", 5) == 5);
        ::close(fd);
        firmwarePath = path;
    }

    ~Rig() { std::remove(firmwarePath.c_str()); }
};

Rig& TheRig()
{
    static Rig rig;
    return rig;
}

std::string FirstText(const std::vector<uint8_t>& body)
{
    return tcp::BodyReader(body).ReadString().text;
}

// What an operation named `name` reports for a refusal: the whole body, or only its first
// zero-terminated text, as an operator may see it.
std::string Refusal(const char* name, const std::vector<uint8_t>& body, bool firstTextOnly)
{
    const std::size_t size = firstTextOnly ? FirstText(body).size() : body.size();
    return quorvel::DeviceReasonMessage(name, body.data(), size);
}

void ExpectResult(const DeviceError& result, uint32_t code, const std::string& message)
{
    for (const char c : result.message) {
        FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f); // no control reaches the operator
    }
    if (result.code != code || result.message != message) {
        std::fprintf(stderr, "fuzz: got code %u \"%s\", expected code %u \"%s\"\n", result.code,
            result.message.c_str(), code, message.c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 2 || size - 2 > ondrel::fuzz::kSmallBody) {
        return 0;
    }
    Rig& rig = TheRig();
    const uint8_t op = data[0] % 10;
    const bool error = (data[1] & 1) != 0;
    const std::vector<uint8_t> body(data + 2, data + size);

    // Sent ahead of the request: pairing is by order alone, so it is taken as the answer.
    rig.peer.Write(tcp::MessageType::NOT_SET, error, body);

    ondrel::fuzz::RunGuarded(size, [&] {
        Device& device = rig.device;
        switch (op) {
        case 0: {
            const DeviceError r = device.Start();
            error ? ExpectResult(r, 5, Refusal("quorvel::Device::Start", body, false)) : ExpectResult(r, 0, "-");
            break;
        }
        case 1: {
            cv::Mat image;
            std::vector<SegmentInfo> segments;
            uint32_t frameId = 0;
            const DeviceError r = device.GetFrame(image, segments, frameId);
            if (error) {
                const std::string text = FirstText(body);
                const std::string shown
                    = quorvel::ShowableDeviceText(reinterpret_cast<const uint8_t*>(text.data()), text.size());
                ExpectResult(r, 5, shown.empty() ? Refusal("quorvel::Device::GetFrame", body, true) : shown);
                break;
            }
            cv::Mat expectedImage;
            std::vector<SegmentInfo> expectedSegments;
            uint32_t expectedId = 0;
            if (DecodeFrame(body, expectedImage, expectedSegments, expectedId)) {
                ExpectResult(r, 0, "-");
                FUZZ_CHECK(frameId == expectedId && segments.size() == expectedSegments.size());
                FUZZ_CHECK(image.size() == expectedImage.size() && image.type() == expectedImage.type());
            } else {
                ExpectResult(r, 5, "quorvel::Device::GetFrame(): quorvel error - Extraction of image failed");
            }
            break;
        }
        case 2: {
            cv::Mat image;
            const DeviceError r = device.GetFinalImage(image, 7);
            cv::Mat expected;
            if (error) {
                ExpectResult(r, 5, Refusal("quorvel::Device::GetFinalImage", body, true));
            } else if (DecodeFinalImage(body, expected)) {
                ExpectResult(r, 0, "-");
                FUZZ_CHECK(image.size() == expected.size() && image.type() == expected.type());
            } else {
                ExpectResult(r, 5, "quorvel::Device::GetFinalImage(): quorvel error - Extraction of final image failed");
            }
            break;
        }
        case 3: {
            std::vector<cv::Mat> images;
            const DeviceError r = device.GetRawImages(images, 7);
            std::vector<cv::Mat> expected;
            if (error) {
                ExpectResult(r, 5, Refusal("quorvel::Device::GetRawImages", body, true));
            } else if (DecodeRawImages(body, expected)) {
                ExpectResult(r, 0, "-");
                FUZZ_CHECK(images.size() == expected.size());
            } else {
                ExpectResult(r, 5, "quorvel::Device::GetRawImages(): quorvel error - Extraction of raw images failed");
            }
            break;
        }
        case 4: {
            std::vector<SegmentInfo> segments;
            const DeviceError r = device.GetFinalSegmentInfos(segments, 7);
            std::vector<SegmentInfo> expected;
            if (error) {
                ExpectResult(r, 5, Refusal("quorvel::Device::GetFinalSegmentInfos", body, true));
            } else if (DecodeFinalSegments(body, expected)) {
                ExpectResult(r, 0, "-");
                FUZZ_CHECK(segments.size() == expected.size());
            } else {
                ExpectResult(r, 5,
                    "quorvel::Device::GetFinalSegmentInfos(): quorvel error - Extraction of segment informations failed");
            }
            break;
        }
        case 5: {
            std::vector<uint8_t> calibration { 1, 2, 3 };
            const DeviceError r = device.GetCalibrationFile(calibration);
            if (error) {
                ExpectResult(r, 5, Refusal("quorvel::Device::GetCalibrationFile", body, true));
                FUZZ_CHECK((calibration == std::vector<uint8_t> { 1, 2, 3 }));
            } else {
                ExpectResult(r, 0, "-");
                FUZZ_CHECK(calibration == body);
            }
            break;
        }
        case 6: {
            std::string challenge = "unchanged";
            const DeviceError r = device.RequestValidation(challenge);
            if (error) {
                ExpectResult(r, 5, Refusal("quorvel::Device::RequestValidation", body, false));
                FUZZ_CHECK(challenge == "unchanged");
            } else {
                ExpectResult(r, 0, "-");
                FUZZ_CHECK(challenge == FirstText(body));
            }
            break;
        }
        case 7: {
            const DeviceError r = device.SendAuthResponse("ADMIN", { 0xAB });
            error ? ExpectResult(r, 5, "Authentification as ADMIN failed.") : ExpectResult(r, 0, "-");
            break;
        }
        case 8: {
            std::string group = "unchanged";
            const DeviceError r = device.GetCurrentAuthGroup(group);
            if (error) {
                ExpectResult(r, 5, Refusal("quorvel::Device::GetCurrentAuthGroup", body, false));
                FUZZ_CHECK(group == "unchanged");
            } else {
                ExpectResult(r, 0, "-");
                FUZZ_CHECK(group == FirstText(body));
            }
            break;
        }
        case 9: {
            const DeviceError r = device.UploadFirmware(rig.firmwarePath);
            error ? ExpectResult(r, 5, Refusal("quorvel::Device::UploadFirmware", body, true)) : ExpectResult(r, 0, "-");
            break;
        }
        }
        FUZZ_CHECK(device.IsConnected());
    });
    return 0;
}
