#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

// Access levels that the device grants; on the wire a level travels as its name.
enum class AuthGroup : int32_t {
    GUEST = 0,
    USER = 1,
    ADMIN = 2,
    DEV = 3,
};

std::string AuthGroupToString(AuthGroup group);
std::optional<AuthGroup> AuthGroupFromString(const std::string& name);

} // namespace quorvel
