// What an operator gets to see of a device's error text: clean, named when empty, bounded,
// and never an exception, even when memory runs short on the calling thread.
#include "ClientTestSupport.h"
#include "Device.h"
#include "DeviceText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

using namespace ondrel::testsupport;
using quorvel::Device;
using quorvel::DeviceError;

namespace {
// Allocations larger than this fail on a thread that asks for it, as they would with a huge
// error body and little memory left.
thread_local bool failLargeAllocations = false;
constexpr std::size_t kLargeAllocation = 256 * 1024;
} // namespace

void* operator new(std::size_t size)
{
    if (failLargeAllocations && size > kLargeAllocation) {
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size != 0 ? size : 1)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

TEST(DeviceText, ControlsAreVisibleTrailingZerosGoneLongTextsCut)
{
    const std::string cut = "\xE2\x80\xA6 (904 bytes cut)";
    const struct {
        Bytes text;
        std::string shown;
    } cases[] = {
        { Concat({ BytesOf("busy"), { 0 }, BytesOf("more"), { 0, 0 } }), "busy\\x00more" },
        { BytesOf("\x1b[2Jred\r\n\x7f"), "\\x1b[2Jred\\x0d\\x0a\\x7f" },
        { BytesOf("Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC"), "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC" },
        // C1 controls, stray continuation bytes, overlong and cut-off sequences.
        { BytesOf("\xC2\x9B" "1m\x80\xC0\xAF\xE2\x82"), "\\xc2\\x9b1m\\x80\\xc0\\xaf\\xe2\\x82" },
        { { 0, 0 }, "" },
        { Bytes(5000, 'a'), std::string(4096, 'a') + cut },
        // A cut never splits a character.
        { Concat({ Bytes(4095, 'a'), BytesOf("\xE2\x82\xAC"), Bytes(902, 'b') }), std::string(4095, 'a') + "\xE2\x80\xA6 (905 bytes cut)" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(quorvel::ShowableDeviceText(c.text.data(), c.text.size()), c.shown);
    }
}

// Every way an operation words a device's refusal, with a text that is empty once cleaned.
TEST(DeviceText, EmptyRefusalNamesTheOperation)
{
    const quorvel::tcp::Message refusal = ErrorResponse({ 0 });
    ScriptedServer server;
    server.Serve(Script().SendConnected().Answer(refusal).Answer(refusal).Answer(refusal).Answer(refusal));
    Device device;
    ASSERT_CONNECTED(device, server);
    const std::string detail = "(): quorvel error - the device reported an error without a text";

    EXPECT_EQ(device.Stop().message, "quorvel::Device::Stop" + detail);
    cv::Mat image;
    std::vector<quorvel::SegmentInfo> segments;
    uint32_t frameId = 0;
    EXPECT_EQ(device.GetFrame(image, segments, frameId).message, "quorvel::Device::GetFrame" + detail);
    std::string challenge;
    EXPECT_EQ(device.RequestValidation(challenge).message, "quorvel::Device::RequestValidation" + detail);
    std::vector<uint8_t> calibration;
    const DeviceError result = device.GetCalibrationFile(calibration);
    EXPECT_EQ(result.code, DeviceError::RESPONSE_ERROR);
    EXPECT_EQ(result.message, "quorvel::Device::GetCalibrationFile" + detail);
}

// A megabyte of text where the calling thread cannot copy a megabyte: the refusal still
// arrives as a short message, and a text the operation must keep whole fails as EXCEPTION.
TEST(DeviceText, HugeTextsNeverThrow)
{
    const Bytes huge(1024 * 1024, 'x');
    ScriptedServer server;
    server.Serve(Script().SendConnected().Answer(ErrorResponse(huge)).Answer(OkResponse(huge)));
    Device device;
    ASSERT_CONNECTED(device, server);

    failLargeAllocations = true;
    DeviceError refused;
    DeviceError level;
    std::string group = "USER";
    EXPECT_NO_THROW(refused = device.PlaySound(2));
    EXPECT_NO_THROW(level = device.GetCurrentAuthGroup(group));
    failLargeAllocations = false;

    EXPECT_EQ(refused.code, DeviceError::RESPONSE_ERROR);
    EXPECT_EQ(refused.message,
        "quorvel::Device::PlaySound" + std::string(4096, 'x') + "\xE2\x80\xA6 (1044480 bytes cut)");
    EXPECT_EQ(level.code, DeviceError::EXCEPTION);
    EXPECT_EQ(level.message, "quorvel::Device::GetCurrentAuthGroup(): quorvel error - std::bad_alloc");
    EXPECT_EQ(group, "USER");
}

} // namespace
