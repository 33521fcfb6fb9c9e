// The game screen needs 70 x 25 cells; most terminals open at 80 x 24. Where
// the terminal resizes on request, the game asks for what is missing; where
// the window stays too small, the game says so and waits for it to grow.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <termios.h>
#include <time.h>
#include <unistd.h>

#include "screen/console.h"
#include "screen/screen.h"
#include "screen/ansi/backend.h"
#include "screen/ansi/renderer.h"
#include "screen/unix/tty.h"
#include "screen/unix/wait.h"
#include "screen/unix/window.h"

namespace {

// Terminals that honour the request do so within a few frames; a maximised
// or tiled window keeps its size, and the game starts after this much.
constexpr int growWaitMs = 500;
constexpr int growLookEveryMs = 10;
// How long the size asked for must hold to count as kept: urxvt under a
// window manager that refuses takes it for under a millisecond.
constexpr int growHoldMs = 50;

bool asked = false;
int askedColumns = 0, askedRows = 0;
bool toldBeforeKey = false;
// The size the line under the instructions gave for a window too small.
int toldColumns = 0, toldRows = 0;

bool hasAskedSize()
{
    int columns = 0, rows = 0;
    return windowSize(columns, rows) && columns == askedColumns && rows == askedRows;
}

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Where `ESC [ 8 ; rows ; columns t` was seen honoured: VTE's terminals,
// rxvt and mlterm. xterm refuses it as it comes, konsole grows its text
// area in a window that stays as high, tmux and GNU screen neither pass it
// on nor honour it. Their variables win over a VTE_VERSION inherited from
// the terminal that started them.
bool growsOnRequest()
{
    const char* termValue = std::getenv("TERM");
    std::string_view term = termValue != nullptr ? termValue : "";
    if (isSet("TMUX") || isSet("STY") || term.starts_with("screen") || term.starts_with("tmux") ||
        isSet("KONSOLE_VERSION") || isSet("XTERM_VERSION")) {
        return false;
    }
    return isSet("VTE_VERSION") || term.starts_with("rxvt") || term == "mlterm";
}

std::string resizeRequest(int columns, int rows)
{
    return "\x1b[8;" + std::to_string(rows) + ";" + std::to_string(columns) + "t";
}

}  // namespace

std::string windowTooSmall(int columns, int rows)
{
    return "needs at least " + std::to_string(screenWidth) + "x" + std::to_string(screenHeight) +
           ", this terminal is " + std::to_string(columns) + "x" + std::to_string(rows) +
           ": enlarge it, or press Ctrl-C";
}

void windowGrow()
{
    int columns = 0, rows = 0;
    if (asked || !windowSize(columns, rows) || windowHasRoom() || !growsOnRequest()) {
        return;
    }
    asked = true;
    askedColumns = std::max(columns, screenWidth);
    askedRows = std::max(rows, screenHeight);
    // From here a signal gives the old size back, should the request be honoured.
    keepSizeToGiveBack(resizeRequest(columns, rows), askedColumns, askedRows);
    writeAll(resizeRequest(askedColumns, askedRows));
    for (int waited = 0, held = 0; waited < growWaitMs && held < growHoldMs; waited += growLookEveryMs) {
        timespec pause{0, growLookEveryMs * 1000000L};
        nanosleep(&pause, nullptr);
        held = hasAskedSize() ? held + growLookEveryMs : 0;
    }
    // The resize that answered the request has come by now.
    settleSizeToGiveBack(hasAskedSize());
}

void windowTellBeforeFirstKey()
{
    if (toldBeforeKey) {
        return;
    }
    toldBeforeKey = true;
    if (windowSize(toldColumns, toldRows) && !windowHasRoom()) {
        consoleWrite(windowTooSmall(toldColumns, toldRows) + "\n");
    }
}

bool windowHasRoom()
{
    int columns = 0, rows = 0;
    return !windowSize(columns, rows) || (columns >= screenWidth && rows >= screenHeight);
}

// Only a resize or a resume ends a wait; Ctrl-C ends the program. Keys
// pressed meanwhile, read or not, are not the game's. At the first key the
// instructions stay, with the line under them, for a player who has not
// read them yet; a resize or a resume shows the message alone.
bool windowWaitForRoom()
{
    int columns = 0, rows = 0;
    bool waited = false;
    bool keepText = !terminalShowsGame();
    while (windowSize(columns, rows) && (columns < screenWidth || rows < screenHeight)) {
        waited = true;
        if (!keepText || columns != toldColumns || rows != toldRows) {
            terminalMessage(windowTooSmall(columns, rows));
        }
        keepText = false;
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
    }
    return waited;
}
