#pragma once

// Device-side test helpers: bodies as the device lays them, the local error text, test-time
// PEM keys, a dead port, temporary directories and memory in use.

#include "Message.h"
#include "ResponsePayloads.h"
#include "ScriptedServer.h"
#include "SegmentInfo.h"

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>

namespace quorvel {
class Device;
struct DeviceError;
} // namespace quorvel

namespace ondrel::testsupport {

// The names device tests use everywhere, brought in with `using namespace ondrel::testsupport`.
using quorvel::Device;
using quorvel::DeviceError;
using quorvel::SegmentInfo;
using quorvel::tcp::Message;
using quorvel::tcp::MessageType;

inline Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }
inline std::string TextOf(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
// The bytes of a text plus its terminating zero, as AppendString lays it.
inline Bytes ZeroTerminated(const std::string& text) { return quorvel::tcp::Message({}, text).body; }
Bytes Concat(std::initializer_list<Bytes> parts);
inline Bytes U32(uint32_t value) { return quorvel::tcp::Message().Append(value).body; }

// An image block: its 20-byte header, then `pixels` as they are.
Bytes ImageBlock(uint64_t byteCount, uint32_t type, uint32_t cols, uint32_t rows, const Bytes& pixels);
// A segment record of 32 bytes; a live one adds the 6 bytes the client skips.
Bytes SegmentRecord(const quorvel::SegmentInfo& info, bool live = false);
quorvel::SegmentInfo Segment(int32_t x, int32_t y, int32_t w, int32_t h, float distance = 195.0f, float mx = 0, float my = 0, float mz = 0);
// A live frame body: frame id, image block, status byte, count, live records.
Bytes FrameBody(uint32_t frameId, const Bytes& imageBlock, const std::vector<quorvel::SegmentInfo>& segments);

inline quorvel::tcp::Message OkResponse(const Bytes& body = {}) { return MakeMessage({}, body, false); }
inline quorvel::tcp::Message ErrorResponse(const Bytes& body) { return MakeMessage({}, body, true); }

// The text of an error message the client made itself: its body without the 4-byte code.
std::string LocalErrorText(const quorvel::tcp::Message& message);
// The device's access level, or the error text when asking for it failed.
template <typename AnyDevice> std::string Level(AnyDevice& device)
{
    std::string level;
    const auto result = device.GetCurrentAuthGroup(level);
    return result.failed() ? result.message : level;
}

// A fresh "RSA" or "EC" private key as PEM (encrypted with `passphrase`), public key optional.
bool WritePemKey(const std::string& path, const char* kind, const char* passphrase = nullptr, const std::string& publicPath = {});

// A loopback port that nothing listens on: bound once by the system's choice, then freed.
uint16_t DeadPort();

// This process's address space and resident memory right now, from /proc/self/statm.
struct MemoryUse {
    long long virtualBytes = 0;
    long long residentBytes = 0;
};
MemoryUse CurrentMemoryUse();
// ThreadSanitizer's shadow memory scales bounds on resident memory.
#if defined(__SANITIZE_THREAD__)
constexpr long long kShadowScale = 4;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr long long kShadowScale = 4;
#else
constexpr long long kShadowScale = 1;
#endif
#else
constexpr long long kShadowScale = 1;
#endif

// A directory under the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return (path / name).string(); }
    std::string Write(const std::string& name, const Bytes& content) const;
    const std::filesystem::path& Path() const { return path; }

private:
    std::filesystem::path path;
};

// An RSA key pair for USER and an EC pair for ADMIN, made at test time.
struct KeyPairs {
    TempDir dir;
    bool made = WritePemKey(Key("USER"), "RSA", nullptr, PublicKey("USER")) && WritePemKey(Key("ADMIN"), "EC", nullptr, PublicKey("ADMIN"));
    std::string Key(const std::string& level) const { return dir.File(level + ".priv.pem"); }
    std::string PublicKey(const std::string& level) const { return dir.File(level + ".pub.pem"); }
};

} // namespace ondrel::testsupport

// Connects `device` to `server` and fails the test when the handshake does not succeed.
#define ASSERT_CONNECTED(device, server)                                                                                                   \
    do {                                                                                                                                   \
        const quorvel::DeviceError connectResult = (device).Connect((server).Host(), (server).Port());                                     \
        ASSERT_EQ(connectResult.code, quorvel::DeviceError::OK) << connectResult.message;                                                  \
    } while (false)
