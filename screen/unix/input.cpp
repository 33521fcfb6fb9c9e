// Keys from the terminal: wait (wait.cpp) for at most the time asked, decode
// what has come into the game's key codes, and hand them out one at a time.
// A resume or a resize met on the way is dealt with (room.cpp) and the wait
// goes on: the caller only ever hears of keys or of its time running out.

#include "screen/console.h"
#include "screen/codec/keyqueue.h"
#include "screen/unix/terminal_state.h"
#include "screen/unix/wait.h"

namespace {

keyQueue keys;

}  // namespace

bool consoleKeyWaiting(int timeoutMs)
{
    if (!keys.codes.empty()) {
        return true;
    }
    windowTellBeforeFirstKey();
    consoleFlush();
    std::int64_t deadline = timeoutMs < 0 ? -1 : consoleClock() + timeoutMs;
    // The terminal is looked at once even with no time to wait: a key it
    // already has is waiting.
    for (bool looked = false;; looked = true) {
        if (queueReady(keys, consoleClock())) {
            return true;
        }
        if (looked && deadline >= 0 && consoleClock() >= deadline) {
            return false;
        }
        unsigned char bytes[256];
        terminalWait got = waitForTerminal(earlierDeadline(deadline, queueGiveUpAt(keys)), bytes, sizeof bytes);
        switch (got.what) {
        case terminalWait::keys:
            queueBytes(keys, bytes, got.count, consoleClock());
            break;
        case terminalWait::resumed:
        case terminalWait::resized:
            terminalRecover(got.what == terminalWait::resumed);
            break;
        case terminalWait::hungUp:
            terminalLost();
        case terminalWait::timedOut:
            break;
        }
    }
}

int consoleReadKey()
{
    consoleKeyWaiting(-1);  // with no timeout, it returns only with a key
    return queueTake(keys);
}

void dropKeys()
{
    keys = keyQueue{};
}
