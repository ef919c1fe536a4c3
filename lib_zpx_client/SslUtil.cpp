#include "SslUtil.h"
#include "OpenSslHandles.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace quorvel {

namespace {

// Encrypted keys are not supported: without a callback OpenSSL would ask for the pass
// phrase on the controlling terminal and block the caller.
int NoPassphrase(char*, int, int, void*)
{
    return -1;
}
} // namespace

std::vector<uint8_t> SignChallenge(const std::string& challenge, const std::string& keyFile)
{
    OPENSSL_init_crypto(OPENSSL_INIT_LOAD_CRYPTO_STRINGS | OPENSSL_INIT_ADD_ALL_CIPHERS | OPENSSL_INIT_ADD_ALL_DIGESTS,
                        nullptr);

    // Only a regular file can hold a key; opening a pipe would wait for a writer.
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(keyFile, ignored)) {
        return {};
    }
    std::unique_ptr<EVP_PKEY, KeyFree> key;
    {
        std::unique_ptr<FILE, FileCloser> file(std::fopen(keyFile.c_str(), "rb"));
        if (!file) {
            return {};
        }
        key.reset(PEM_read_PrivateKey(file.get(), nullptr, NoPassphrase, nullptr));
    }
    if (!key) {
        return {};
    }

    std::unique_ptr<EVP_MD_CTX, MdCtxFree> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1) {
        return {};
    }
    if (EVP_DigestSignUpdate(context.get(), challenge.data(), challenge.size()) != 1) {
        return {};
    }
    std::size_t length = 0;
    if (EVP_DigestSignFinal(context.get(), nullptr, &length) != 1 || length == 0) {
        return {};
    }
    std::vector<uint8_t> signature(length);
    if (EVP_DigestSignFinal(context.get(), signature.data(), &length) != 1) {
        return {};
    }
    signature.resize(length);
    return signature;
}

} // namespace quorvel
