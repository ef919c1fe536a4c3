// Firmware upload: the whole file in one UPDATE_FIRMWARE message.
#include "Device.h"
#include "OperationGuard.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <limits>

namespace quorvel {

DeviceError Device::UploadFirmware(std::string firmwarePath, SendProgress progress)
{
    return Guarded("quorvel::Device::UploadFirmware",
                   [&]() -> DeviceError { return Upload(firmwarePath, std::move(progress)); });
}

DeviceError Device::Upload(const std::string& firmwarePath, SendProgress progress)
{
    tcp::Message request(tcp::MessageType::UPDATE_FIRMWARE);
    {
        // Only a regular file is firmware: a directory is none, and a pipe or a device would
        // block on opening or never end.
        std::error_code ignored;
        const bool regular = std::filesystem::is_regular_file(firmwarePath, ignored);
        std::ifstream file;
        if (regular) {
            file.open(firmwarePath, std::ios::in | std::ios::binary);
        }
        if (!regular || !file.is_open()) {
            // Windows-1252: 0xD6 is the letter O with diaeresis.
            std::cerr << "Fehler beim \xD6"
                         "ffnen der Datei!"
                      << std::endl;
            return {DeviceError::RESPONSE_ERROR, "Open Firmware File failed"};
        }
        // The size is checked before anything is read, so a file too large for one
        // message never has to fit into memory.
        file.seekg(0, std::ios::end);
        const std::streamoff length = file.tellg();
        file.seekg(0, std::ios::beg);
        if (length > static_cast<std::streamoff>(std::numeric_limits<uint32_t>::max())) {
            return {DeviceError::EXCEPTION,
                    "quorvel::Device::UploadFirmware(): quorvel error - firmware file is larger than 4294967295 bytes"};
        }
        std::vector<uint8_t> bytes;
        if (length > 0) {
            bytes.reserve(static_cast<std::size_t>(length));
        }
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        if (file.bad()) {
            return {DeviceError::EXCEPTION,
                    "quorvel::Device::UploadFirmware(): quorvel error - firmware file could not be read"};
        }
        file.close();
        request.body = std::move(bytes);
        request.updateSize();
    }

    DeviceError sent = SendWithProgress(request, std::move(progress));
    request.body = {}; // the link holds its own copy
    if (sent.failed()) {
        return sent;
    }
    bool local = false;
    const tcp::Message response = AwaitMessage(30000, local);
    return ResultOf(response, local, Exchange("quorvel::Device::UploadFirmware").TimeLimitMs(30000));
}

} // namespace quorvel
