// Keys from the page's terminal: the bytes xterm.js gives for each key, as a
// terminal would send them, through the same key decoder as on Unix. Waiting
// sleeps in the page until a key or the deadline comes.

#include <deque>

#include "screen/console.h"
#include "screen/keydecoder.h"
#include "screen/web/host.h"

namespace {

keyDecoder decoder;
std::deque<int> codes;
std::int64_t escapeStarted = 0;  // when the pending escape sequence began

void readAvailable()
{
    unsigned char bytes[256];
    int n = hostTakeKeys(bytes, sizeof bytes);
    for (int i = 0; i < n; ++i) {
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
        readAvailable();
        if (!codes.empty()) {
            return true;
        }
        std::int64_t now = consoleClock();
        if (decoderPending(decoder) && now - escapeStarted >= escapeDelayMs) {
            decodeTimeout(decoder, codes);
            if (!codes.empty()) {
                return true;
            }
        }
        std::int64_t wait = -1;
        if (timeoutMs >= 0) {
            if (now >= deadline) {
                return false;
            }
            wait = deadline - now;
        }
        if (decoderPending(decoder)) {
            std::int64_t escapeLeft = escapeStarted + escapeDelayMs - now;
            wait = wait < 0 || escapeLeft < wait ? escapeLeft : wait;
        }
        // Woken early by a key, or by the page being shown again; the loop
        // looks at the clock afresh either way.
        hostWait(static_cast<int>(wait));
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
