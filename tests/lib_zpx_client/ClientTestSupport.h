#pragma once

// Small helpers shared by the device client tests: byte strings, image blocks as the device
// lays them out, memory in use, temporary files, and connecting a Device to a scripted server.

#include "Device.h"
#include "Message.h"
#include "ScriptedServer.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

namespace ondrel::testsupport {

inline Bytes BytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// The bytes of a text plus its terminating zero, as AppendString lays it.
inline Bytes ZeroTerminated(const std::string& text)
{
    Bytes bytes = BytesOf(text);
    bytes.push_back(0);
    return bytes;
}

inline Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

inline Bytes U32(uint32_t value)
{
    return { static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
        static_cast<uint8_t>(value >> 24) };
}

inline Bytes U64(uint64_t value)
{
    return Concat({ U32(static_cast<uint32_t>(value)), U32(static_cast<uint32_t>(value >> 32)) });
}

inline Bytes F32(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return U32(bits);
}

// An image block: uint64 byte count, uint32 type, cols, rows, then the pixel bytes.
inline Bytes ImageBlock(uint64_t byteCount, uint32_t type, uint32_t cols, uint32_t rows, const Bytes& pixels)
{
    return Concat({ U64(byteCount), U32(type), U32(cols), U32(rows), pixels });
}

// The 32 bytes of one SegmentInfo record.
inline Bytes SegmentRecord(int32_t x, int32_t y, int32_t w, int32_t h, float distance, float mx, float my, float mz)
{
    return Concat({ U32(static_cast<uint32_t>(x)), U32(static_cast<uint32_t>(y)), U32(static_cast<uint32_t>(w)),
        U32(static_cast<uint32_t>(h)), F32(distance), F32(mx), F32(my), F32(mz) });
}

inline quorvel::tcp::Message ErrorResponse(const Bytes& body)
{
    return MakeMessage(quorvel::tcp::MessageType::NOT_SET, body, true);
}

inline quorvel::tcp::Message OkResponse(const Bytes& body = {})
{
    return MakeMessage(quorvel::tcp::MessageType::NOT_SET, body, false);
}

// This process's address space and resident memory right now, from /proc/self/statm.
struct MemoryUse {
    long long virtualBytes = 0;
    long long residentBytes = 0;
};

inline MemoryUse CurrentMemoryUse()
{
    std::ifstream statm("/proc/self/statm");
    long long sizePages = 0;
    long long residentPages = 0;
    statm >> sizePages >> residentPages;
    const long long page = ::sysconf(_SC_PAGESIZE);
    return { sizePages * page, residentPages * page };
}

// A directory under the test temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::path(::testing::TempDir()) / "zpx_client_XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return (path / name).string(); }
    std::string Write(const std::string& name, const Bytes& content) const
    {
        std::ofstream out(File(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
        return File(name);
    }
    const std::filesystem::path& Path() const { return path; }

private:
    std::filesystem::path path;
};

} // namespace ondrel::testsupport

// Connects `device` to `server` and fails the test when the handshake does not succeed.
#define ASSERT_CONNECTED(device, server)                                                                               \
    do {                                                                                                               \
        const quorvel::DeviceError connectResult = (device).Connect((server).Host(), (server).Port());                 \
        ASSERT_EQ(connectResult.code, 0u) << connectResult.message;                                                    \
    } while (false)
