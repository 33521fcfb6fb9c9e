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
//                  The game may wait in several selects; every one that
//                  times out until the game next writes is part of it.
//   clockSyncByte  answer on the file descriptor named by
//                  TENFALL_CLOCK_ACK_FD, once the game has handled every key
//                  before it and waits again, with the number of bytes it
//                  has written to standard output (a uint64)
// Everything else reaches the game unchanged.

#include <dlfcn.h>
#include <poll.h>
#include <sys/select.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "virtual_clock.h"

namespace {

using pollFunction = int (*)(pollfd*, nfds_t, int);
using selectFunction = int (*)(int, fd_set*, fd_set*, fd_set*, timeval*);
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
selectFunction realSelect = nullptr;
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
// still until a tick byte ends it. Returns what a poll would: 0 when the
// wait ran out, POLLIN for keys, or how the terminal went.
short waitForKey(int timeoutMs)
{
    if (runningOut && timeoutMs > 0) {
        nowMs += timeoutMs;
        return 0;
    }
    runningOut = false;
    for (;;) {
        if (pendingStart < pendingEnd) {
            unsigned char head = pending[pendingStart];
            if (!isControl(head)) {
                return POLLIN;
            }
            ++pendingStart;
            if (head == clockSyncByte) {
                acknowledge();
            } else if (timeoutMs >= 0) {
                nowMs += timeoutMs;
                runningOut = true;
                return 0;
            }
            continue;
        }
        if (timeoutMs == 0) {
            return 0;
        }
        short events = 0;
        if (!fill(events)) {
            return events;
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

int select(int count, fd_set* readable, fd_set* writable, fd_set* failed, timeval* timeout)
{
    if (readable == nullptr || !FD_ISSET(STDIN_FILENO, readable) || writable != nullptr || failed != nullptr) {
        return real(realSelect, "select")(count, readable, writable, failed, timeout);
    }
    // The game's other descriptors (its signal pipe) are looked at without
    // waiting: only the keyboard wait runs on the driver's clock.
    fd_set others = *readable;
    FD_CLR(STDIN_FILENO, &others);
    timeval now{};
    int ready = real(realSelect, "select")(count, &others, nullptr, nullptr, &now);
    if (ready != 0) {
        *readable = others;
        return ready;
    }
    int timeoutMs = timeout == nullptr ? -1 : static_cast<int>(timeout->tv_sec * 1000 + timeout->tv_usec / 1000);
    // A terminal that went away reads as readable, as it does for a real select.
    short events = waitForKey(timeoutMs);
    FD_ZERO(readable);
    if (events == 0) {
        return 0;
    }
    FD_SET(STDIN_FILENO, readable);
    return 1;
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
