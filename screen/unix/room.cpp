// The game screen needs 70 x 25 cells. Many terminals open at 80 x 24, so
// rather than draw a screen that does not fit, the game says what it needs
// and waits for the window to grow.

#include <string>

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "screen/console.h"
#include "screen/screen.h"
#include "screen/unix/terminal_state.h"

namespace {

// The window's size in character cells; false when it cannot be told.
bool windowSize(int& columns, int& rows)
{
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) {
        return false;
    }
    columns = size.ws_col;
    rows = size.ws_row;
    return true;
}

}  // namespace

bool terminalHasRoom()
{
    int columns = 0, rows = 0;
    return !windowSize(columns, rows) || (columns >= screenWidth && rows >= screenHeight);
}

void terminalWaitForRoom()
{
    int columns = 0, rows = 0;
    bool waited = false;
    while (windowSize(columns, rows) && (columns < screenWidth || rows < screenHeight)) {
        waited = true;
        terminalMessage(windowTooSmall(columns, rows));
        // Only a resize or a resume ends this wait; Ctrl-C ends the program.
        while (consoleKeyWaiting(-1)) {
            consoleReadKey();
        }
    }
    if (waited) {
        // Keys typed while waiting, read or not, are not the game's.
        tcflush(STDIN_FILENO, TCIFLUSH);
        while (consoleKeyWaiting(0)) {
            consoleReadKey();
        }
    }
}
