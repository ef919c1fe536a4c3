#include "FaultOptions.h"

#include <array>
#include <utility>

namespace ondrel::sim {

namespace {
const std::array<std::pair<HostileKind, const char*>, 6> kHostileNames{{
    {HostileKind::HugeSize, "huge-size"},
    {HostileKind::BadImageType, "bad-image-type"},
    {HostileKind::BadByteCount, "bad-byte-count"},
    {HostileKind::BadRect, "bad-rect"},
    {HostileKind::BadCount, "bad-count"},
    {HostileKind::Stall, "stall"},
}};
} // namespace

std::optional<HostileKind> HostileKindFromName(const std::string& name)
{
    for (const auto& [kind, text] : kHostileNames) {
        if (name == text) {
            return kind;
        }
    }
    return std::nullopt;
}

std::string HostileKindName(HostileKind kind)
{
    for (const auto& [k, text] : kHostileNames) {
        if (k == kind) {
            return text;
        }
    }
    return "none";
}

} // namespace ondrel::sim
