#include <time.h>

#include "screen/console.h"

namespace {

std::int64_t monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Wall time, not the C clock(): that counts CPU time, which stands still
// while the game sleeps waiting for a key.
const std::int64_t startMs = monotonicMs();

}  // namespace

std::int64_t consoleClock()
{
    return monotonicMs() - startMs;
}
