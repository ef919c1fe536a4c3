#include "InboundWait.h"

namespace quorvel::tcp {

uint64_t WaitForInbound(TreadSafeQueue<OwnedMessage>& inbound, uint64_t seenWakeups,
                        std::chrono::steady_clock::time_point until)
{
    return inbound.WaitUntil(seenWakeups, until);
}

} // namespace quorvel::tcp
