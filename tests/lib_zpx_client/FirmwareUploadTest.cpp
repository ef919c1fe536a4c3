// Firmware upload: the file travels byte for byte in one message; a file that cannot be
// opened is reported on standard error and sends nothing.
#include "ClientTestSupport.h"
#include "Device.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace ondrel::testsupport;
using quorvel::Device;
using quorvel::DeviceError;
using quorvel::tcp::Message;
using quorvel::tcp::MessageType;

namespace {

// The standard-error line, in Windows-1252 (0xD6 is the O with diaeresis).
const std::string kOpenFailedLine = "Fehler beim \xD6"
                                    "ffnen der Datei!\n";

class FirmwareUpload : public ::testing::Test {
protected:
    void Connect(Script script)
    {
        server.Serve(script);
        ASSERT_CONNECTED(device, server);
    }

    // Everything the Device sent, once it has closed the link.
    Bytes AllSent()
    {
        device.Disconnect();
        EXPECT_TRUE(server.WaitPeerClosed());
        return server.Received();
    }

    DeviceError UploadCapturingStderr(const std::string& path, std::string& stderrText)
    {
        testing::internal::CaptureStderr();
        const DeviceError result = device.UploadFirmware(path);
        stderrText = testing::internal::GetCapturedStderr();
        return result;
    }

    TempDir dir;
    ScriptedServer server;
    Device device;
};

TEST_F(FirmwareUpload, FileIsSentByteForByteWithNothingAppendedEvenWhenEmpty)
{
    const Bytes content { 0x00, 0x0D, 0x0A, 0x1A, 0xFF };
    Connect(Script().SendConnected().Answer(OkResponse()).Answer(OkResponse()));
    const DeviceError result = device.UploadFirmware(dir.Write("empty.zpxfw", {}));
    EXPECT_EQ(result.code, 0u) << result.message;
    EXPECT_EQ(result.message, "-");
    EXPECT_EQ(device.UploadFirmware(dir.Write("five.zpxfw", content)).code, 0u);
    EXPECT_EQ(AllSent(),
        Concat({ { 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }, { 16, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0 }, content }));
}

TEST_F(FirmwareUpload, MissingFileIsReportedOnStandardErrorAndSendsNothing)
{
    Connect(Script().SendConnected());
    std::string errors;
    const DeviceError result = UploadCapturingStderr(dir.File("missing.zpxfw"), errors);
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message, "Open Firmware File failed");
    EXPECT_EQ(errors, kOpenFailedLine);
    EXPECT_TRUE(device.IsConnected());
    EXPECT_TRUE(AllSent().empty());
}

TEST_F(FirmwareUpload, ClosedSocketFailsAtSendAfterTheFileWasOpened)
{
    Connect(Script().SendConnected().Close());
    ASSERT_TRUE(device.AwaitResponse(5000).header.error); // the client has seen the close
    const DeviceError result = device.UploadFirmware(dir.Write("fw.zpxfw", { 1, 2, 3 }));
    EXPECT_EQ(result.code, 2u);
    EXPECT_EQ(result.message, "quorvel::Device::Send(): quorvel error - socket not open");

    // The file comes first: a missing one is reported as such even on a closed link.
    std::string errors;
    EXPECT_EQ(UploadCapturingStderr(dir.File("missing.zpxfw"), errors).message, "Open Firmware File failed");
}

TEST_F(FirmwareUpload, DeviceErrorIsQualifiedNameAndFirstText)
{
    Connect(Script().SendConnected().Answer(ErrorResponse(Concat({ ZeroTerminated("flash failed"), { 'z' } }))));
    const DeviceError result = device.UploadFirmware(dir.Write("fw.zpxfw", { 1 }));
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message, "quorvel::Device::UploadFirmwareflash failed");
}

// Uploads `path` with the address space limited to what is in use plus the file once (and a
// margin), then exits 0 when the upload failed with code 1 and 1 otherwise.
[[noreturn]] void UploadWithRoomForOneCopy(const std::string& path, long long fileSize)
{
    ScriptedServer server;
    server.Serve(Script().SendConnected());
    Device device;
    if (device.Connect(server.Host(), server.Port()).code != 0) {
        std::_Exit(2);
    }
    const long long limit = CurrentMemoryUse().virtualBytes + fileSize + 64 * 1024 * 1024;
    const rlimit addressSpace { static_cast<rlim_t>(limit), static_cast<rlim_t>(limit) };
    ::setrlimit(RLIMIT_AS, &addressSpace);

    const DeviceError result = device.UploadFirmware(path);
    std::fprintf(stderr, "code=%u message=%s\n", result.code, result.message.c_str());
    std::_Exit(result.code == 1 ? 0 : 1);
}

// Runs in a child process, as it limits the address space.
TEST(FirmwareUploadMemory, FileTooLargeToHoldTwiceFailsWithoutEndingTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    constexpr long long kFileSize = 128 * 1024 * 1024;
    TempDir dir;
    const std::string path = dir.File("huge.zpxfw");
    {
        std::ofstream create(path, std::ios::binary);
    }
    std::filesystem::resize_file(path, kFileSize); // sparse: costs no disk

    EXPECT_EXIT(UploadWithRoomForOneCopy(path, kFileSize), ::testing::ExitedWithCode(0),
        "code=1 message=quorvel::Device::Send\\(\\): quorvel error - ");
}

} // namespace
