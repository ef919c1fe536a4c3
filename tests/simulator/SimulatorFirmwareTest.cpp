// Firmware upload to the simulator.
#include "Device.h"
#include "SimProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
using ondrel::simtest::TempDir;
using ondrel::testsupport::SimProcess;

std::vector<uint8_t> ReadAll(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
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

TEST(SimulatorFirmware, StoresEachUploadByteForByte)
{
    TempDir sources;
    TempDir stored;
    SimProcess sim({ "--firmware-dir", stored.Path().string() });
    quorvel::Device device;
    ASSERT_EQ(device.Connect(sim.host(), sim.port()).code, 0u);

    const std::vector<uint8_t> small { 0x00, 0x5A, 0xFF, 0x0A, 0x0D };
    std::vector<uint8_t> large(700 * 1024);
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<uint8_t>(i * 31 + 7);
    }
    WriteAll(sources.File("small.zpxfw"), small);
    WriteAll(sources.File("large.zpxfw"), large);

    quorvel::DeviceError result = device.UploadFirmware(sources.File("small.zpxfw"));
    ASSERT_EQ(result.code, 0u) << result.message;
    result = device.UploadFirmware(sources.File("large.zpxfw"));
    ASSERT_EQ(result.code, 0u) << result.message;

    const auto files = FilesIn(stored.Path());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].filename(), "firmware-1.zpxfw");
    EXPECT_EQ(files[1].filename(), "firmware-2.zpxfw");
    EXPECT_EQ(ReadAll(files[0]), small);
    EXPECT_EQ(ReadAll(files[1]), large);
}

TEST(SimulatorFirmware, EmptyImageIsRefusedAndNothingIsStored)
{
    TempDir sources;
    TempDir stored;
    SimProcess sim({ "--firmware-dir", stored.Path().string() });
    quorvel::Device device;
    ASSERT_EQ(device.Connect(sim.host(), sim.port()).code, 0u);
    WriteAll(sources.File("empty.zpxfw"), {});

    const quorvel::DeviceError result = device.UploadFirmware(sources.File("empty.zpxfw"));
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message, "quorvel::Device::UploadFirmwarefirmware image is empty");
    EXPECT_TRUE(FilesIn(stored.Path()).empty());
}

TEST(SimulatorFirmware, UnwritableFirmwareDirectoryIsReportedToTheClient)
{
    TempDir sources;
    TempDir stored;
    // A file where the directory should be.
    WriteAll(stored.File("blocked"), { 1 });
    SimProcess sim({ "--firmware-dir", stored.File("blocked") });
    quorvel::Device device;
    ASSERT_EQ(device.Connect(sim.host(), sim.port()).code, 0u);
    WriteAll(sources.File("fw.zpxfw"), { 1, 2, 3 });

    const quorvel::DeviceError result = device.UploadFirmware(sources.File("fw.zpxfw"));
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message.rfind("quorvel::Device::UploadFirmwaredevice failure: ", 0), 0u) << result.message;
    // The simulator goes on serving.
    std::string level;
    EXPECT_EQ(device.GetCurrentAuthGroup(level).code, 0u);
}

} // namespace
