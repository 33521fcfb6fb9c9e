// The game's clock: wall time, less the time the game was suspended.

#include <atomic>
#include <csignal>

#include <time.h>

#include "screen/console.h"
#include "screen/unix/clock.h"

std::int64_t monotonicNowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

namespace {

const std::int64_t startMs = monotonicNowMs();

// Suspends nest (a Ctrl-Z may come while the window is too small): the
// clock stands still from the first stop to the last continue.
std::atomic<int> suspends{0};
std::atomic<std::int64_t> stoppedAt{0};
std::atomic<std::int64_t> stoppedFor{0};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<std::int64_t>::is_always_lock_free);

// A Ctrl-Z between the count and the times would lose a suspend or count
// one twice, so it waits; inside its own handler it is blocked already.
sigset_t holdSuspend()
{
    sigset_t suspend, was;
    sigemptyset(&suspend);
    sigaddset(&suspend, SIGTSTP);
    sigprocmask(SIG_BLOCK, &suspend, &was);
    return was;
}

}  // namespace

void clockStopped()
{
    sigset_t was = holdSuspend();
    if (suspends.fetch_add(1) == 0) {
        stoppedAt = monotonicNowMs();
    }
    sigprocmask(SIG_SETMASK, &was, nullptr);
}

void clockContinued()
{
    sigset_t was = holdSuspend();
    if (suspends.fetch_sub(1) == 1) {
        stoppedFor += monotonicNowMs() - stoppedAt;
    }
    sigprocmask(SIG_SETMASK, &was, nullptr);
}

// A game suspended takes up where it was, its next tick not long overdue.
std::int64_t consoleClock()
{
    sigset_t was = holdSuspend();
    std::int64_t now = monotonicNowMs();
    std::int64_t standing = suspends > 0 ? now - stoppedAt : 0;
    std::int64_t played = now - startMs - stoppedFor - standing;
    sigprocmask(SIG_SETMASK, &was, nullptr);
    return played;
}
