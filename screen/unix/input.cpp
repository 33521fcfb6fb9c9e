// Keys from the terminal: wait (wait.cpp) for at most the time asked, decode
// what has come into the game's key codes, and hand them out one at a time.
// A resume or a resize met on the way is dealt with here and the wait goes
// on: the caller only ever hears of keys or of its time running out.

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

// After a resume (game mode again) or a resize: the game screen repainted,
// once the window holds it; until then the game is suspended, the message
// of the wait for room showing and the clock standing still. Before the
// first game the screen holds plain text that any window wraps; the wait
// before a game looks at the size itself.
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
    // The terminal's content is lost after a resume, and may be garbled by
    // a resize.
    terminalRepaint();
    consoleFlush();
}

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
        recover(got.what == terminalWait::resumed);
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
