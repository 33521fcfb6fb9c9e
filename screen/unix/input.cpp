// Keys from the terminal: wait with select for at most the time asked, read
// what has come, and decode it into the game's key codes one at a time. The
// same wait notices resumes and resizes (events.cpp).
//
// select, not poll: macOS's poll does not wait on terminal devices at all (it
// answers POLLNVAL at once), while select works on a terminal on every Unix.
// The wake pipe is made only below FD_SETSIZE (events.cpp); standard input
// is 0.

#include <algorithm>
#include <cerrno>
#include <deque>

#include <sys/select.h>
#include <unistd.h>

#include "screen/console.h"
#include "screen/keydecoder.h"
#include "screen/unix/wait_slice.h"
#include "screen/unix/terminal_state.h"

namespace {

keyDecoder decoder;
std::deque<int> codes;
std::int64_t escapeStarted = 0;  // when the pending escape sequence began

// Reads what the terminal has and decodes it. Ends the game if the terminal
// has gone away.
void readAvailable()
{
    unsigned char bytes[256];
    ssize_t n = read(STDIN_FILENO, bytes, sizeof bytes);
    if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
        terminalLost();
    }
    for (ssize_t i = 0; i < n; ++i) {
        bool wasPending = decoderPending(decoder);
        decodeByte(decoder, bytes[i], codes);
        if (!wasPending && decoderPending(decoder)) {
            escapeStarted = consoleClock();
        }
    }
}

}  // namespace

bool consoleKeyWaiting(int timeoutMs)
{
    if (!codes.empty()) {
        return true;
    }
    windowTellBeforeFirstKey();
    consoleFlush();
    std::int64_t deadline = consoleClock() + timeoutMs;
    for (;;) {
        std::int64_t now = consoleClock();
        if (decoderPending(decoder) && now - escapeStarted >= escapeDelayMs) {
            decodeTimeout(decoder, codes);
            if (!codes.empty()) {
                return true;
            }
        }
        int wait = -1;
        if (timeoutMs >= 0) {
            if (now >= deadline) {
                return false;
            }
            wait = static_cast<int>(deadline - now);
        }
        if (decoderPending(decoder)) {
            int escapeLeft = static_cast<int>(escapeStarted + escapeDelayMs - now);
            wait = wait < 0 || escapeLeft < wait ? escapeLeft : wait;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(STDIN_FILENO, &readable);
        int events = eventFd();
        if (events >= 0) {
            FD_SET(events, &readable);
        }
        timeval slice{};
        timeval* limit = nullptr;
        if (wait >= 0) {
            int ms = waitSlice(wait);
            slice.tv_sec = ms / 1000;
            slice.tv_usec = static_cast<suseconds_t>(ms % 1000) * 1000;
            limit = &slice;
        }
        int ready = select(std::max(STDIN_FILENO, events) + 1, &readable, nullptr, nullptr, limit);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            terminalLost();
        }
        if (ready == 0) {
            continue;  // the slice is over; the loop sees whether the deadline is
        }
        // A resume or resize ends the wait early, so that a caller waiting for
        // something else (the window to grow) can look again.
        if (events >= 0 && FD_ISSET(events, &readable) && handleTerminalEvents()) {
            return false;
        }
        // A terminal that has gone away reads as readable too: the read
        // then gives 0 or an error, and ends the game.
        if (FD_ISSET(STDIN_FILENO, &readable)) {
            readAvailable();
            if (!codes.empty()) {
                return true;
            }
        }
    }
}

int consoleReadKey()
{
    while (!consoleKeyWaiting(-1)) {
    }
    int code = codes.front();
    codes.pop_front();
    return code;
}
