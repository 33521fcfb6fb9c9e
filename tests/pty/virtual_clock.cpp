// Preloaded into the game to give the driver the game's clock. The monotonic
// clock stands still until the driver sends a tick byte: then a wait for
// keys ends as if its whole timeout had passed, and the clock moves on by
// exactly that much. So ticks come when the driver says and keys land at
// known game times, however loaded the machine is, and two runs given the
// same bytes play the same game. time() starts at a fixed date so that the
// game's random seed is the same in every run.
//
// Bytes the driver sends on the terminal (never keys the game knows):
//   clockTickByte  let the pending wait run out: one tick when the game
//                  waits for its next tick (ignored while it waits forever).
//                  The game may wait in several polls; every poll that
//                  times out until the game next writes is part of it.
//   clockSyncByte  answer on the file descriptor named by
//                  TENFALL_CLOCK_ACK_FD, once the game has handled every key
//                  before it and waits again, with the number of bytes it
//                  has written to standard output (a uint64)
// Everything else reaches the game unchanged.

#include <dlfcn.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "virtual_clock.h"

namespace {

using pollFunction = int (*)(pollfd*, nfds_t, int);
using readFunction = ssize_t (*)(int, void*, size_t);
using writeFunction = ssize_t (*)(int, const void*, size_t);
using clockFunction = int (*)(clockid_t, timespec*);

template <typename F>
F real(F& cache, const char* name)
{
    if (cache == nullptr) {
        cache = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
    }
    return cache;
}

pollFunction realPoll = nullptr;
readFunction realRead = nullptr;
writeFunction realWrite = nullptr;
clockFunction realClock = nullptr;

// Constant-initialised: the game reads the clock before main.
std::int64_t nowMs = 1'000'000;
bool runningOut = false;  // a tick byte is being let run out
std::uint64_t bytesOut = 0;  // as the terminal receives them: a newline becomes CR LF

unsigned char pending[4096];
size_t pendingStart = 0, pendingEnd = 0;

bool isControl(unsigned char byte)
{
    return byte == clockTickByte || byte == clockSyncByte;
}

void acknowledge()
{
    static int fd = [] {
        const char* name = std::getenv("TENFALL_CLOCK_ACK_FD");
        return name == nullptr ? -1 : std::atoi(name);
    }();
    if (fd >= 0) {
        real(realWrite, "write")(fd, &bytesOut, sizeof bytesOut);
    }
}

// Waits for what the terminal sends and keeps it. False when the terminal
// has gone: then `events` says how, for the game to see.
bool fill(short& events)
{
    if (pendingStart > 0) {
        std::memmove(pending, pending + pendingStart, pendingEnd - pendingStart);
        pendingEnd -= pendingStart;
        pendingStart = 0;
    }
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (real(realPoll, "poll")(&input, 1, -1) <= 0) {
        events = 0;
        return true;  // interrupted: try again
    }
    if ((input.revents & POLLIN) == 0) {
        events = input.revents;
        return false;
    }
    ssize_t n = real(realRead, "read")(STDIN_FILENO, pending + pendingEnd, sizeof pending - pendingEnd);
    if (n <= 0) {
        events = POLLHUP;
        return false;
    }
    pendingEnd += static_cast<size_t>(n);
    return true;
}

// The game's wait for a key on standard input, with the clock standing
// still until a tick byte ends it.
int waitForKey(pollfd& input, int timeoutMs)
{
    if (runningOut && timeoutMs > 0) {
        nowMs += timeoutMs;
        input.revents = 0;
        return 0;
    }
    runningOut = false;
    for (;;) {
        if (pendingStart < pendingEnd) {
            unsigned char head = pending[pendingStart];
            if (!isControl(head)) {
                input.revents = POLLIN;
                return 1;
            }
            ++pendingStart;
            if (head == clockSyncByte) {
                acknowledge();
            } else if (timeoutMs >= 0) {
                nowMs += timeoutMs;
                runningOut = true;
                input.revents = 0;
                return 0;
            }
            continue;
        }
        if (timeoutMs == 0) {
            input.revents = 0;
            return 0;
        }
        short events = 0;
        if (!fill(events)) {
            input.revents = events;
            return 1;
        }
    }
}

}  // namespace

extern "C" {

int clock_gettime(clockid_t id, timespec* now)
{
    if (id != CLOCK_MONOTONIC) {
        return real(realClock, "clock_gettime")(id, now);
    }
    now->tv_sec = static_cast<time_t>(nowMs / 1000);
    now->tv_nsec = static_cast<long>(nowMs % 1000) * 1000000;
    return 0;
}

time_t time(time_t* out)
{
    time_t now = static_cast<time_t>(clockStartTime + (nowMs - 1'000'000) / 1000);
    if (out != nullptr) {
        *out = now;
    }
    return now;
}

// glibc declares poll's array write-only, though poll reads fd and events
// from it; g++ then takes reading them here for reading the uninitialised.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
int poll(pollfd* fds, nfds_t count, int timeoutMs)
{
    if (count >= 1 && fds[0].fd == STDIN_FILENO && (fds[0].events & POLLIN) != 0) {
        // The game's other descriptors (its signal pipe) are looked at
        // without waiting: only the keyboard wait runs on the driver's clock.
        if (count > 1) {
            int ready = real(realPoll, "poll")(fds + 1, count - 1, 0);
            if (ready != 0) {
                fds[0].revents = 0;
                return ready;
            }
        }
        return waitForKey(fds[0], timeoutMs);
    }
    return real(realPoll, "poll")(fds, count, timeoutMs);
}

ssize_t read(int fd, void* buffer, size_t size)
{
    if (fd != STDIN_FILENO) {
        return real(realRead, "read")(fd, buffer, size);
    }
    // Only the keys up to the next control byte: what comes after it is
    // for a later game time.
    while (pendingStart == pendingEnd || isControl(pending[pendingStart])) {
        if (pendingStart < pendingEnd) {
            if (pending[pendingStart++] == clockSyncByte) {
                acknowledge();
            }
            continue;
        }
        short events = 0;
        if (!fill(events)) {
            return 0;
        }
    }
    size_t n = 0;
    auto* out = static_cast<unsigned char*>(buffer);
    while (n < size && pendingStart < pendingEnd && !isControl(pending[pendingStart])) {
        out[n++] = pending[pendingStart++];
    }
    return static_cast<ssize_t>(n);
}

ssize_t write(int fd, const void* bytes, size_t size)
{
    ssize_t n = real(realWrite, "write")(fd, bytes, size);
    if (fd == STDOUT_FILENO && n > 0) {
        runningOut = false;
        const char* text = static_cast<const char*>(bytes);
        bytesOut += static_cast<std::uint64_t>(n);
        for (ssize_t i = 0; i < n; ++i) {
            bytesOut += text[i] == '\n' ? 1 : 0;
        }
    }
    return n;
}

}  // extern "C"
