#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel {

// Signs the challenge's bytes with SHA-256 and the PEM private key in `keyFile`, with
// OpenSSL's defaults for the key's type (PKCS #1 v1.5 for RSA, DER ECDSA for EC).
// Returns the signature, or an empty vector on any failure.
std::vector<uint8_t> SignChallenge(const std::string& challenge, const std::string& keyFile);

} // namespace quorvel
