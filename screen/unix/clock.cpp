#include <atomic>

#include <time.h>

#include "screen/console.h"
#include "screen/unix/terminal_state.h"

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

// Time spent suspended, written by the suspend handler: lock-free atomics
// are safe to touch there.
std::atomic<std::int64_t> stoppedAt{0};
std::atomic<std::int64_t> stoppedFor{0};
static_assert(std::atomic<std::int64_t>::is_always_lock_free);

}  // namespace

void clockStopped()
{
    stoppedAt = monotonicMs();
}

void clockContinued()
{
    stoppedFor += monotonicMs() - stoppedAt;
}

// A game stopped with Ctrl-Z takes up where it was on resume, instead of
// finding its next tick long overdue.
std::int64_t consoleClock()
{
    return monotonicMs() - startMs - stoppedFor;
}
