#include "AuthGroup.h"

namespace quorvel {

std::string AuthGroupToString(AuthGroup group)
{
    switch (group) {
    case AuthGroup::GUEST:
        return "GUEST";
    case AuthGroup::USER:
        return "USER";
    case AuthGroup::ADMIN:
        return "ADMIN";
    case AuthGroup::DEV:
        return "DEV";
    }
    return "GUEST";
}

std::optional<AuthGroup> AuthGroupFromString(const std::string& name)
{
    for (AuthGroup group : {AuthGroup::GUEST, AuthGroup::USER, AuthGroup::ADMIN, AuthGroup::DEV}) {
        if (AuthGroupToString(group) == name) {
            return group;
        }
    }
    return std::nullopt;
}

} // namespace quorvel
