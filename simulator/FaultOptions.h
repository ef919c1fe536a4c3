#pragma once

#include "MessageType.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace ondrel::sim {

// Responses that a broken or malicious device might send; each one corrupts a single
// aspect so that a test can see exactly which check of the client catches it.
enum class HostileKind {
    None,
    HugeSize,     // a header announcing 0xFFFFFFFF body bytes, then nothing more
    BadImageType, // image blocks with an element type OpenCV cannot build
    BadByteCount, // image blocks whose byte count disagrees with rows x cols
    BadRect,      // segment rectangles outside the image, negative or huge
    BadCount,     // segment and image counts larger than the body carries
    Stall,        // stop answering after the handshake and --stall-after requests
};

// Name on the command line ("huge-size", ...); nullopt for an unknown name.
std::optional<HostileKind> HostileKindFromName(const std::string& name);
std::string HostileKindName(HostileKind kind);

// Misbehaviour of the link, all off by default.
struct FaultOptions {
    uint32_t delayMs = 0;                           // every response this much later
    bool silent = false;                            // accept, then never send anything
    std::optional<uint32_t> firstType;              // first message type instead of CONNECTED
    bool extraAfterConnect = false;                 // an unasked PING right after the first message
    std::optional<uint32_t> closeAfter;             // answer N requests, close on the next one
    bool closeMidBody = false;                      // cut the first response with a body in half, then close
    std::set<quorvel::tcp::MessageType> errorTypes; // these types always get an error response
    HostileKind hostile = HostileKind::None;
    std::optional<uint32_t> stallAfter; // answer N requests, then go quiet (link stays open)

    // Number of requests after which the session stops answering, if any.
    std::optional<uint32_t> QuietAfter() const
    {
        if (stallAfter) {
            return stallAfter;
        }
        if (hostile == HostileKind::Stall) {
            return 0u;
        }
        return std::nullopt;
    }
};

} // namespace ondrel::sim
