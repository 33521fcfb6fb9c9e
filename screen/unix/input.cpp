// Keys from the terminal: wait with poll for at most the time asked, read
// what has come, and decode it into the game's key codes one at a time. The
// same wait notices resumes and resizes (events.cpp).

#include <cerrno>
#include <deque>

#include <poll.h>
#include <unistd.h>

#include "screen/console.h"
#include "screen/keydecoder.h"
#include "screen/unix/poll_slice.h"
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
        pollfd watched[2] = {{STDIN_FILENO, POLLIN, 0}, {eventFd(), POLLIN, 0}};
        pollfd& input = watched[0];
        int ready = poll(watched, 2, wait < 0 ? -1 : pollSlice(wait));
        if (ready < 0 && errno != EINTR) {
            terminalLost();
        }
        // A resume or resize ends the wait early, so that a caller waiting for
        // something else (the window to grow) can look again.
        if (ready > 0 && (watched[1].revents & POLLIN) != 0 && handleTerminalEvents()) {
            return false;
        }
        if (ready > 0 && input.revents != 0) {
            if ((input.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) == 0) {
                continue;
            }
            if ((input.revents & POLLIN) == 0) {
                terminalLost();
            }
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
