#pragma once

#include <openssl/evp.h>

#include <cstdio>
#include <memory>

namespace quorvel {

// Owning handles for the OpenSSL and C file objects that signing and verifying use.
struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
struct KeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};

using FileHandle = std::unique_ptr<FILE, FileCloser>;
using KeyHandle = std::unique_ptr<EVP_PKEY, KeyFree>;
using DigestContextHandle = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

} // namespace quorvel
