// Keys from the terminal, decoded and handed out one at a time. A resume or
// a resize met on the way is dealt with here and the wait goes on: the
// caller only ever hears of keys or of its time running out.

#include "screen/console.h"
#include "screen/codec/keyqueue.h"
#include "screen/ansi/renderer.h"
#include "screen/unix/clock.h"
#include "screen/unix/input.h"
#include "screen/unix/tty.h"
#include "screen/unix/wait.h"
#include "screen/unix/window.h"

namespace {

keyQueue keys;

// After a resume or a resize, the game screen is repainted once the window
// holds it; until then the game is suspended. Before the first game the
// screen holds plain text that any window wraps.
void recover(bool resumed)
{
    if (resumed) {
        terminalEnterGameMode();
    }
    if (!terminalShowsGame()) {
        return;
    }
    if (!windowHasRoom()) {
        clockStopped();
        if (windowWaitForRoom()) {
            dropKeys();
        }
        clockContinued();
    }
    terminalRepaint();
    consoleFlush();
}

// What the terminal sends before `dueMs`.
int readTerminal(std::int64_t dueMs, unsigned char* into, int size)
{
    terminalWait got = waitForTerminal(dueMs, into, size);
    if (got.what == terminalWait::hungUp) {
        terminalLost();
    }
    if (got.what == terminalWait::resumed || got.what == terminalWait::resized) {
        recover(got.what == terminalWait::resumed);
    }
    return got.what == terminalWait::keys ? got.count : 0;
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
