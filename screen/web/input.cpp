// Keys from the page's terminal: the bytes xterm.js gives for each key, as a
// terminal would send them, through the same key decoder as on Unix. Waiting
// sleeps in the page until a key or the deadline comes.

#include "screen/console.h"
#include "screen/codec/keyqueue.h"
#include "screen/web/host.h"

namespace {

keyQueue keys;

}  // namespace

bool consoleKeyWaiting(int timeoutMs)
{
    if (!keys.codes.empty()) {
        return true;
    }
    consoleFlush();
    std::int64_t deadline = timeoutMs < 0 ? -1 : consoleClock() + timeoutMs;
    for (;;) {
        unsigned char bytes[256];
        int count = hostTakeKeys(bytes, sizeof bytes);
        if (count > 0) {
            queueBytes(keys, bytes, count, consoleClock());
        }
        std::int64_t now = consoleClock();
        if (queueReady(keys, now)) {
            return true;
        }
        if (deadline >= 0 && now >= deadline) {
            return false;
        }
        std::int64_t until = earlierDeadline(deadline, queueGiveUpAt(keys));
        // Woken early by a key, or by the page being shown again; the loop
        // looks at the clock afresh either way.
        hostWait(until < 0 ? -1 : static_cast<int>(until - now));
    }
}

int consoleReadKey()
{
    consoleKeyWaiting(-1);  // with no timeout, it returns only with a key
    return queueTake(keys);
}
