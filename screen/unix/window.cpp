// The window's size before the game screen is drawn. Most terminals open at
// 80 x 24, a row short of the game. Where the terminal is known to resize
// its text area on request, the game asks it for the missing rows and
// columns before the instructions, and for the old size back on the way
// out; wherever the window is still too small, a line after the
// instructions says so before the key press rather than after it.

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include "screen/console.h"
#include "screen/screen.h"
#include "screen/unix/terminal_state.h"

namespace {

// How long the window gets to take the size asked for. Terminals that
// honour the request do so within a few frames; a maximised or tiled window
// keeps its size, and then the game starts after this much.
constexpr int growWaitMs = 500;
constexpr int growLookEveryMs = 10;

// How long the size asked for must hold before the wait takes it as kept:
// urxvt under a window manager that refuses the grow takes it for under a
// millisecond, then goes back.
constexpr int growHoldMs = 50;

// What the game asked for and the request that gives the old size back,
// made before asking, so that a signal handler only compares and writes.
// The old size goes back only where the game changed it: during the wait,
// if the window has the size asked for; after it, if the wait ended with
// that size and no resize came since.
enum growState : int { notGrown, growing, grownAndKept };
std::atomic<int> grown{notGrown};
static_assert(std::atomic<int>::is_always_lock_free);
int askedColumns = 0, askedRows = 0;
char giveBackRequest[32];
std::string_view giveBack;
bool toldBeforeKey = false;

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

// Where the request `ESC [ 8 ; rows ; columns t` was seen honoured, the old
// size given back the same way: VTE's terminals, rxvt and mlterm. Nowhere
// else: xterm refuses it as it comes, konsole grows its text area inside a
// window that stays as high and hides the top row, tmux and GNU screen
// neither pass it on nor honour it, and the rest ignore it. Their variables
// come first because a VTE_VERSION inherited from the terminal that started
// them would say otherwise.
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

// The size the window-size ioctl reports: the only one to believe, whatever
// a terminal answers to a query.
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

std::string windowTooSmall(int columns, int rows)
{
    return "needs at least " + std::to_string(screenWidth) + "x" + std::to_string(screenHeight) +
           ", this terminal is " + std::to_string(columns) + "x" + std::to_string(rows) +
           ": enlarge it, or press Ctrl-C";
}

void windowGrow()
{
    int columns = 0, rows = 0;
    if (grown != notGrown || !windowSize(columns, rows) || terminalHasRoom() || !growsOnRequest()) {
        return;
    }
    std::string back = resizeRequest(columns, rows);
    if (back.size() > sizeof giveBackRequest) {
        return;
    }
    std::copy(back.begin(), back.end(), giveBackRequest);
    giveBack = std::string_view(giveBackRequest, back.size());
    askedColumns = std::max(columns, screenWidth);
    askedRows = std::max(rows, screenHeight);
    grown = growing;  // from here a signal gives the old size back, should the request be honoured
    writeAll(resizeRequest(askedColumns, askedRows));
    for (int waited = 0, held = 0; waited < growWaitMs && held < growHoldMs; waited += growLookEveryMs) {
        timespec pause{0, growLookEveryMs * 1000000L};
        nanosleep(&pause, nullptr);
        held = hasAskedSize() ? held + growLookEveryMs : 0;
    }
    // The resize that answered the request has come by now.
    grown = hasAskedSize() ? grownAndKept : notGrown;
}

void windowResized()
{
    int kept = grownAndKept;
    grown.compare_exchange_strong(kept, notGrown);
}

void windowGiveBack(std::int64_t deadlineMs)
{
    if (grown.exchange(notGrown) != notGrown && hasAskedSize()) {
        writeAllBy(giveBack, deadlineMs);
    }
}

void windowTellBeforeFirstKey()
{
    if (toldBeforeKey) {
        return;
    }
    toldBeforeKey = true;
    int columns = 0, rows = 0;
    if (windowSize(columns, rows) && !terminalHasRoom()) {
        consoleWrite(windowTooSmall(columns, rows) + "\n");
    }
}
