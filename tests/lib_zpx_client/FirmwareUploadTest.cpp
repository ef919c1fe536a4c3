// Firmware upload: the file travels byte for byte in one message; a path that is no file
// that can be opened is reported on standard error and sends nothing.
#include "Device.h"
#include "DeviceBytes.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>

using namespace ondrel::testsupport;
using quorvel::Device;
using quorvel::DeviceError;

namespace {

class FirmwareUpload : public ::testing::Test {
protected:
    void Connect(Script script)
    {
        server.Serve(script);
        ASSERT_CONNECTED(device, server);
    }

    Bytes AllSent()
    {
        device.Disconnect();
        EXPECT_TRUE(server.WaitPeerClosed());
        return server.Received();
    }

    TempDir dir;
    ScriptedServer server;
    Device device;
};

TEST_F(FirmwareUpload, FileIsSentByteForByteWithNothingAppendedEvenWhenEmpty)
{
    const Bytes content { 0x00, 0x0D, 0x0A, 0x1A, 0xFF };
    Connect(Script().SendConnected().Answer(OkResponse()).Answer(OkResponse()));
    EXPECT_EQ(device.UploadFirmware(dir.Write("empty.zpxfw", {})).code, DeviceError::OK);
    EXPECT_EQ(device.UploadFirmware(dir.Write("five.zpxfw", content)).code, DeviceError::OK);
    EXPECT_EQ(AllSent(),
        Concat({ { 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }, { 16, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0 }, content }));
}

TEST_F(FirmwareUpload, PathThatIsNoFileIsReportedOnStandardErrorWithoutBlockingAndSendsNothing)
{
    const std::string fifo = dir.File("stream.zpxfw");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("update.zpxfw")));
    Connect(Script().SendConnected());
    for (const std::string& path : { dir.File("missing.zpxfw"), dir.File("update.zpxfw"), fifo }) {
        testing::internal::CaptureStderr();
        auto upload = std::async(std::launch::async, [&] { return device.UploadFirmware(path); });
        const bool returned = upload.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
        if (!returned) {
            ::close(::open(fifo.c_str(), O_WRONLY)); // a writer lets a blocked reader go on
        }
        const DeviceError result = upload.get();
        // The line is in Windows-1252 (0xD6 is the O with diaeresis).
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Fehler beim \xD6" "ffnen der Datei!\n") << path;
        EXPECT_TRUE(returned) << path << ": waited for a writer of the pipe";
        EXPECT_EQ(result.code, DeviceError::RESPONSE_ERROR) << path;
        EXPECT_EQ(result.message, "Open Firmware File failed") << path;
    }
    EXPECT_TRUE(device.IsConnected());
    EXPECT_TRUE(AllSent().empty());
}

TEST_F(FirmwareUpload, ClosedSocketFailsAtSendOnlyAfterTheFileWasOpened)
{
    Connect(Script().SendConnected().Close());
    ASSERT_TRUE(device.AwaitResponse(5000).header.error); // the client has seen the close
    const DeviceError result = device.UploadFirmware(dir.Write("fw.zpxfw", { 1, 2, 3 }));
    EXPECT_EQ(result.code, DeviceError::CONNECTION_ERROR);
    EXPECT_EQ(result.message, "quorvel::Device::Send(): quorvel error - socket not open");
    testing::internal::CaptureStderr();
    EXPECT_EQ(device.UploadFirmware(dir.File("missing.zpxfw")).message, "Open Firmware File failed");
    testing::internal::GetCapturedStderr();
}

// Uploads `path` with the address space limited to what is in use plus the file once (and a
// margin), then exits 0 when the upload failed with EXCEPTION and 1 otherwise.
[[noreturn]] void UploadWithRoomForOneCopy(const std::string& path, long long fileSize)
{
    ScriptedServer server;
    server.Serve(Script().SendConnected());
    Device device;
    if (device.Connect(server.Host(), server.Port()).failed()) {
        std::_Exit(2);
    }
    const long long limit = CurrentMemoryUse().virtualBytes + fileSize + 64 * 1024 * 1024;
    const rlimit addressSpace { static_cast<rlim_t>(limit), static_cast<rlim_t>(limit) };
    ::setrlimit(RLIMIT_AS, &addressSpace);
    const DeviceError result = device.UploadFirmware(path);
    std::fprintf(stderr, "code=%u message=%s\n", result.code, result.message.c_str());
    std::_Exit(result.code == DeviceError::EXCEPTION ? 0 : 1);
}

// Runs in a child process, as it limits the address space.
TEST(FirmwareUploadMemory, FileTooLargeToHoldTwiceFailsWithoutEndingTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    constexpr long long kFileSize = 128 * 1024 * 1024;
    TempDir dir;
    const std::string path = dir.Write("huge.zpxfw", {});
    std::filesystem::resize_file(path, kFileSize); // sparse: costs no disk
    EXPECT_EXIT(UploadWithRoomForOneCopy(path, kFileSize), ::testing::ExitedWithCode(0),
        "code=1 message=quorvel::Device::Send\\(\\): quorvel error - ");
}

} // namespace
