#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ondrel::sim {

// Challenges and the check of signed answers. Every level above GUEST has a public key
// LEVEL.pub.pem in the keys directory; RSA and EC keys are both accepted, with the
// signature scheme OpenSSL uses by default for the key's type.
class Authenticator {
public:
    explicit Authenticator(std::string keysDirectory);

    // 32 random bytes as 64 hex digits.
    static std::string NewChallenge();

    // Whether `level` may be granted for this answer to `challenge`. GUEST needs no proof.
    // On refusal `reason` says why.
    bool Grant(const std::string& level, const std::string* challenge, const std::vector<uint8_t>& signature,
               std::string& reason) const;

private:
    bool VerifySignature(const std::string& level, const std::string& challenge, const std::vector<uint8_t>& signature,
                         std::string& reason) const;

    std::string keysDir;
};

} // namespace ondrel::sim
