#include "platform/clock.h"

namespace platform {

void VirtualClock::waitUntil(std::uint64_t ticks)
{
    std::uint64_t now = ticks_.load(std::memory_order_acquire);
    while (now < ticks && !ticks_.compare_exchange_weak(now, ticks, std::memory_order_acq_rel)) {
    }
}

}  // namespace platform
