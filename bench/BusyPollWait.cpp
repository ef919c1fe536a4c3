// The busy-polling variant of the device client's wait: returns at once, so that the Device
// looks at its inbound queue back to back. Linked only into the busy-poll probe.
#include "InboundWait.h"

namespace quorvel::tcp {

uint64_t WaitForInbound(TreadSafeQueue<OwnedMessage>& inbound, uint64_t, std::chrono::steady_clock::time_point)
{
    return inbound.Wakeups();
}

} // namespace quorvel::tcp
