#include "Authenticator.h"
#include "OpenSslHandles.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <stdexcept>

namespace ondrel::sim {

using quorvel::FileCloser;
using quorvel::KeyFree;
using quorvel::MdCtxFree;

namespace {

// Level names become file names: nothing that could leave the keys directory.
bool IsPlainName(const std::string& level)
{
    return !level.empty() && level.size() <= 32 && std::all_of(level.begin(), level.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    });
}
} // namespace

Authenticator::Authenticator(std::string keysDirectory)
    : keysDir(std::move(keysDirectory))
{
}

std::string Authenticator::NewChallenge()
{
    unsigned char random[32];
    if (RAND_bytes(random, sizeof(random)) != 1) {
        throw std::runtime_error("no random bytes for a challenge");
    }
    static const char* digits = "0123456789abcdef";
    std::string challenge;
    for (unsigned char byte : random) {
        challenge += digits[byte >> 4];
        challenge += digits[byte & 0x0F];
    }
    return challenge;
}

bool Authenticator::Grant(const std::string& level, const std::string* challenge, const std::vector<uint8_t>& signature,
                          std::string& reason) const
{
    if (level == "GUEST") {
        return true;
    }
    if (!IsPlainName(level)) {
        reason = "not a level name";
        return false;
    }
    if (challenge == nullptr) {
        reason = "no challenge was requested";
        return false;
    }
    if (signature.empty()) {
        reason = "no signature";
        return false;
    }
    return VerifySignature(level, *challenge, signature, reason);
}

bool Authenticator::VerifySignature(const std::string& level, const std::string& challenge,
                                    const std::vector<uint8_t>& signature, std::string& reason) const
{
    if (keysDir.empty()) {
        reason = "no keys configured";
        return false;
    }
    // Keys are read per answer, so keys placed after start-up count.
    const std::string path = keysDir + "/" + level + ".pub.pem";
    std::unique_ptr<EVP_PKEY, KeyFree> key;
    {
        std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
        if (!file) {
            reason = "no key for this level";
            return false;
        }
        key.reset(PEM_read_PUBKEY(file.get(), nullptr, nullptr, nullptr));
    }
    if (!key) {
        reason = "unreadable key for this level";
        return false;
    }
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1
        || EVP_DigestVerifyUpdate(context.get(), challenge.data(), challenge.size()) != 1) {
        reason = "signature check failed";
        return false;
    }
    if (EVP_DigestVerifyFinal(context.get(), signature.data(), signature.size()) != 1) {
        reason = "signature does not match";
        return false;
    }
    return true;
}

} // namespace ondrel::sim
