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

// What the terminal sends before `dueMs`. A resume or a resize met on the way
// is dealt with here, and the wait goes on.
int readTerminal(std::int64_t dueMs, unsigned char* into, int size)
{
    terminalWait got = waitForTerminal(dueMs, into, size);
    switch (got.what) {
    case terminalWait::keys:
        return got.count;
    case terminalWait::resumed:
    case terminalWait::resized:
        terminalRecover(got.what == terminalWait::resumed);
        break;
    case terminalWait::hungUp:
        terminalLost();
    case terminalWait::timedOut:
        break;
    }
    return 0;
}

}  // namespace

bool consoleKeyWaiting(int timeoutMs)
{
    if (!keys.codes.empty()) {
        return true;
    }
    windowTellBeforeFirstKey();
    consoleFlush();
    return queueWaitForKey(keys, timeoutMs, consoleClock, readTerminal);
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
