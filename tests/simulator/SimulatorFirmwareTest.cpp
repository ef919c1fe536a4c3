// Firmware upload to the simulator.
#include "ClientTestSupport.h"
#include "Device.h"
#include "RawClient.h"
#include "SimProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {
using ondrel::testsupport::TempDir;
using ondrel::testsupport::SimProcess;

std::vector<uint8_t> ReadAll(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
}

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& dir)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class SimulatorFirmware : public ::testing::Test {
protected:
    void Launch(const std::string& firmwareDir)
    {
        sim = std::make_unique<SimProcess>(std::vector<std::string> { "--firmware-dir", firmwareDir, "--restart-ms", "0" });
        ASSERT_EQ(device.Connect(sim->host(), sim->port()).code, 0u);
    }

    TempDir sources;
    TempDir stored;
    std::unique_ptr<SimProcess> sim;
    quorvel::Device device;
};

TEST_F(SimulatorFirmware, StoresEachUploadByteForByte)
{
    Launch(stored.Path().string());
    const std::vector<uint8_t> small { 0x00, 0x5A, 0xFF, 0x0A, 0x0D };
    std::vector<uint8_t> large(700 * 1024);
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<uint8_t>(i * 31 + 7);
    }
    sources.Write("small.zpxfw", small);
    sources.Write("large.zpxfw", large);

    quorvel::DeviceError result = device.UploadFirmware(sources.File("small.zpxfw"));
    ASSERT_EQ(result.code, 0u) << result.message;
    // The device restarted after the first upload and closed the link.
    ASSERT_TRUE(ondrel::simtest::WaitUntilListening(
        sim->host(), sim->port(), std::chrono::steady_clock::now() + std::chrono::seconds(10)));
    quorvel::Device again;
    ASSERT_EQ(again.Connect(sim->host(), sim->port()).code, 0u);
    result = again.UploadFirmware(sources.File("large.zpxfw"));
    ASSERT_EQ(result.code, 0u) << result.message;

    const auto files = FilesIn(stored.Path());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].filename(), "firmware-1.zpxfw");
    EXPECT_EQ(files[1].filename(), "firmware-2.zpxfw");
    EXPECT_EQ(ReadAll(files[0]), small);
    EXPECT_EQ(ReadAll(files[1]), large);
}

TEST_F(SimulatorFirmware, EmptyImageIsRefusedAndNothingIsStored)
{
    Launch(stored.Path().string());
    sources.Write("empty.zpxfw", {});
    const quorvel::DeviceError result = device.UploadFirmware(sources.File("empty.zpxfw"));
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message, "quorvel::Device::UploadFirmwarefirmware image is empty");
    EXPECT_TRUE(FilesIn(stored.Path()).empty());
}

TEST_F(SimulatorFirmware, UnwritableFirmwareDirectoryIsReportedToTheClient)
{
    // A file where the directory should be.
    stored.Write("blocked", { 1 });
    Launch(stored.File("blocked"));
    sources.Write("fw.zpxfw", { 1, 2, 3 });
    const quorvel::DeviceError result = device.UploadFirmware(sources.File("fw.zpxfw"));
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message.rfind("quorvel::Device::UploadFirmwaredevice failure: ", 0), 0u) << result.message;
    // The simulator goes on serving.
    std::string level;
    EXPECT_EQ(device.GetCurrentAuthGroup(level).code, 0u);
}

} // namespace
