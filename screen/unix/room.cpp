// The game screen needs 70 x 25 cells. Many terminals open at 80 x 24, so
// rather than draw a screen that does not fit, the game says what it needs
// and waits for the window to grow: before a game, or in the middle of one,
// which is then suspended, its clock standing still, as it would be stopped.

#include <termios.h>
#include <unistd.h>

#include "screen/console.h"
#include "screen/screen.h"
#include "screen/unix/terminal_state.h"
#include "screen/unix/wait.h"

namespace {

// Says the window is too small and waits, as long as it takes, until it is
// not. Only a resize or a resume ends a wait; Ctrl-C ends the program. Keys
// pressed meanwhile, read or not, are not the game's.
void waitForRoom()
{
    int columns = 0, rows = 0;
    bool waited = false;
    while (windowSize(columns, rows) && (columns < screenWidth || rows < screenHeight)) {
        waited = true;
        terminalMessage(windowTooSmall(columns, rows));
        unsigned char dropped[256];
        terminalWait got{};
        do {
            got = waitForTerminal(-1, dropped, sizeof dropped);
        } while (got.what == terminalWait::keys);
        if (got.what == terminalWait::hungUp) {
            terminalLost();
        }
        if (got.what == terminalWait::resumed) {
            terminalEnterGameMode();
        }
    }
    if (waited) {
        tcflush(STDIN_FILENO, TCIFLUSH);
        dropKeys();
    }
}

}  // namespace

bool terminalHasRoom()
{
    int columns = 0, rows = 0;
    return !windowSize(columns, rows) || (columns >= screenWidth && rows >= screenHeight);
}

// The game screen is only drawn where it fits.
void consoleClear()
{
    waitForRoom();
    ansiClear();
}

void terminalRecover(bool resumed)
{
    if (resumed) {
        terminalEnterGameMode();
    }
    // Before the first game the screen holds plain text that any window
    // wraps; the wait before a game looks at the size itself.
    if (!terminalShowsGame()) {
        return;
    }
    if (!terminalHasRoom()) {
        clockStopped();
        waitForRoom();
        clockContinued();
    }
    // The terminal's content is lost after a resume, and may be garbled by
    // a resize.
    terminalRepaint();
    consoleFlush();
}
