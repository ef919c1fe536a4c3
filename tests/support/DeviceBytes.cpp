#include "DeviceBytes.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace ondrel::testsupport {

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes ImageBlock(uint64_t byteCount, uint32_t type, uint32_t cols, uint32_t rows, const Bytes& pixels)
{
    quorvel::tcp::Message message;
    ondrel::sim::AppendImageBlockHeader(message, byteCount, type, cols, rows);
    message.AppendBytes(pixels.data(), pixels.size());
    return message.body;
}

Bytes SegmentRecord(const quorvel::SegmentInfo& info, bool live)
{
    quorvel::tcp::Message message;
    ondrel::sim::AppendSegmentRecord(message, info, 0, live);
    return message.body;
}

quorvel::SegmentInfo Segment(int32_t x, int32_t y, int32_t w, int32_t h, float distance, float mx, float my, float mz)
{
    return { x, y, w, h, distance, mx, my, mz };
}

Bytes FrameBody(uint32_t frameId, const Bytes& imageBlock, const std::vector<quorvel::SegmentInfo>& segments)
{
    Bytes body = Concat({ U32(frameId), imageBlock, { 1 }, U32(static_cast<uint32_t>(segments.size())) });
    for (const quorvel::SegmentInfo& s : segments) {
        const Bytes record = SegmentRecord(s, true);
        body.insert(body.end(), record.begin(), record.end());
    }
    return body;
}

std::string LocalErrorText(const quorvel::tcp::Message& message)
{
    const std::string all = TextOf(message.body);
    return all.size() >= 4 ? all.substr(0, all.size() - 4) : all;
}

bool WritePemKey(const std::string& path, const char* kind, const char* passphrase, const std::string& publicPath)
{
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(std::string(kind) == "RSA"
                                                                ? EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", static_cast<size_t>(2048))
                                                                : EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"),
                                                            EVP_PKEY_free);
    const auto write = [&](const std::string& file, bool privatePart) {
        FILE* out = std::fopen(file.c_str(), "wb");
        if (out == nullptr) {
            return false;
        }
        const EVP_CIPHER* cipher = passphrase ? EVP_aes_256_cbc() : nullptr;
        const int ok = privatePart ? PEM_write_PrivateKey(out, key.get(), cipher, nullptr, 0, nullptr, const_cast<char*>(passphrase))
                                   : PEM_write_PUBKEY(out, key.get());
        std::fclose(out);
        return ok == 1;
    };
    return key && write(path, true) && (publicPath.empty() || write(publicPath, false));
}

uint16_t DeadPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

MemoryUse CurrentMemoryUse()
{
    std::ifstream statm("/proc/self/statm");
    long long sizePages = 0;
    long long residentPages = 0;
    statm >> sizePages >> residentPages;
    const long long page = ::sysconf(_SC_PAGESIZE);
    return { sizePages * page, residentPages * page };
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "ondrel_test_XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string TempDir::Write(const std::string& name, const Bytes& content) const
{
    std::ofstream out(File(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    return File(name);
}

} // namespace ondrel::testsupport
