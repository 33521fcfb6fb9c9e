// Keys from the page's terminal: the bytes xterm.js gives, as a terminal
// would send them, through the same key decoder and loop as on Unix.

#include "screen/console.h"
#include "screen/codec/keyqueue.h"
#include "screen/web/host.h"

namespace {

keyQueue keys;

// The keys typed so far, or, when none are, those typed before `dueMs`.
// Woken early by a key, or by the page being shown again.
int readPage(std::int64_t dueMs, unsigned char* into, int size)
{
    int count = hostTakeKeys(into, size);
    std::int64_t left = dueMs - consoleClock();
    if (count == 0 && (dueMs < 0 || left > 0)) {
        hostWait(dueMs < 0 ? -1 : static_cast<int>(left));
        count = hostTakeKeys(into, size);
    }
    return count;
}

}  // namespace

bool consoleKeyWaiting(int timeoutMs)
{
    if (!keys.codes.empty()) {
        return true;
    }
    consoleFlush();
    return queueWaitForKey(keys, timeoutMs, consoleClock, readPage);
}

int consoleReadKey()
{
    consoleKeyWaiting(-1);  // with no timeout, it returns only with a key
    return queueTake(keys);
}
