#pragma once

#include "OwnedMessage.h"
#include "TreadSafeQueue.h"

#include <chrono>
#include <cstdint>

namespace quorvel::tcp {

// How a Device waits between two looks at its inbound queue: until something is pushed or
// the link closes after `seenWakeups`, or until `until`. Returns the wake-up count for the
// next call. A separate unit so that the benchmark can link a busy-polling one instead.
uint64_t WaitForInbound(TreadSafeQueue<OwnedMessage>& inbound, uint64_t seenWakeups,
                        std::chrono::steady_clock::time_point until);

} // namespace quorvel::tcp
