// Terminal modes: game mode, taken on open and on every resume, and given
// back on every way out. Game mode turns off line buffering and echo but
// leaves signals on, so Ctrl-C and Ctrl-Z still work (signals.cpp). The
// way back also leaves the terminal in its own colours with the cursor on a
// line of its own, and the window at the size it had.

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include "screen/ansi/backend.h"
#include "screen/screen.h"
#include "screen/unix/clock.h"
#include "screen/unix/tty.h"
#include "screen/unix/write.h"

bool terminalUtf8 = true;
std::atomic<int> terminalModes{modesAsFound};

namespace {

// Written only while no handler reads them: before terminalModes says game
// mode, or while it says lent for a suspend.
termios givenModes{};
termios gameModes{};

// What the drawing depends on, whatever a program before left behind: a
// scroll region (the output moves down with ESC D, which scrolls on the
// region's bottom margin), origin mode (cursor moves counted from the
// region's top), insert mode, and autowrap, on, for running text that is
// wider than the window. Setting the region and origin mode homes the
// cursor, so it is saved and restored around them: the instructions run on
// from where the shell left it. Where restoring the cursor brings origin
// mode back, the whole window is its region, so cursor moves count from the
// top left all the same. Then what would send reports for clicks, focus or
// pastes, reverse-screen mode, a shifted or redefined character set (the
// instructions would come out as line drawing) and every text attribute:
// the game's colours set only the colours, and the instructions keep the
// terminal's own. One mode a sequence: not every terminal takes a list.
constexpr std::string_view drawingModes = "\x1b" "7" "\x1b[?6l\x1b[r\x1b" "8" "\x1b[4l\x1b[?7h"
    "\x1b[?1000l\x1b[?1002l\x1b[?1003l\x1b[?1005l\x1b[?1006l\x1b[?1015l\x1b[?1004l\x1b[?2004l\x1b[?5l"
    "\x0f\x1b(B\x1b)B\x1b[0m";

volatile sig_atomic_t showing = showingTextAtLineStart;  // a program starts on a fresh line

constexpr std::string_view ownColours = "\x1b[0m";

// Colours back, then a fresh line under the game screen's last row, or
// under the running text. Made beforehand: a signal handler may not build
// anything.
constexpr std::string_view belowTheGame = "\x1b[0m\x1b[25;1H\r\n";
static_assert(screenHeight == 25, "belowTheGame moves to the game screen's last row");
constexpr std::string_view onAFreshLine = "\x1b[0m\r\n";

std::string_view restoreSequence()
{
    switch (showing) {
    case showingGameScreen:
        return belowTheGame;
    case showingTextMidLine:
        return onAFreshLine;
    default:
        return ownColours;
    }
}

// The request for the old size, made before the game asks, so that a
// signal handler only compares and writes. The old size goes back only
// where the game changed it: during the wait for the grow, if the window
// has the size asked for; after it, if the wait ended with that size and no
// resize came since.
enum sizeState : int { notGrown, growing, grownAndKept };
std::atomic<int> sizeToGiveBack{notGrown};
int askedColumns = 0, askedRows = 0;
std::array<char, 32> sizeRequest;
size_t sizeRequestLength = 0;

// No signal but SIGTTOU and SIGTTIN (a game in the background is stopped
// as the kernel means) lands between reading the modes to give back, or
// taking game mode, and terminalModes saying so.
sigset_t holdSignals()
{
    sigset_t held, was;
    sigfillset(&held);
    sigdelset(&held, SIGTTOU);
    sigdelset(&held, SIGTTIN);
    sigprocmask(SIG_BLOCK, &held, &was);
    return was;
}

}  // namespace

void terminalNowShows(terminalShowing what)
{
    showing = what;
}

bool terminalUsable()
{
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
        std::fputs("tenfall: needs a terminal on standard input and output\n", stderr);
        return false;
    }
    const char* term = std::getenv("TERM");
    if (term == nullptr || *term == '\0' || std::strcmp(term, "dumb") == 0) {
        std::fputs("tenfall: needs a terminal that can move its cursor (TERM is unset or dumb)\n",
                   stderr);
        return false;
    }
    return true;
}

// What the player set (stty intr, say) holds in the game too. Every flag
// that would change a byte on its way in or out is off; newlines in running
// text still start a line.
bool terminalReadModes()
{
    termios now{};
    if (tcgetattr(STDIN_FILENO, &now) != 0) {
        return false;
    }
    givenModes = now;
    gameModes = now;
    gameModes.c_lflag &= ~(ICANON | ECHO | IEXTEN);
    gameModes.c_lflag |= ISIG;  // Ctrl-C and Ctrl-Z
    // Enter arrives as CR, Ctrl-S is a key, and the eighth bit stays.
    gameModes.c_iflag &= ~(ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP | PARMRK | INPCK);
    gameModes.c_oflag &= ~(OCRNL | ONOCR | ONLRET);
    gameModes.c_oflag |= OPOST | ONLCR;
    gameModes.c_cflag = (gameModes.c_cflag & ~(CSIZE | PARENB)) | CS8;
#ifdef IUCLC
    gameModes.c_iflag &= ~IUCLC;
#endif
#ifdef OLCUC
    gameModes.c_oflag &= ~OLCUC;
#endif
#ifdef XCASE
    gameModes.c_lflag &= ~XCASE;
#endif
#if defined(NLDLY) && defined(CRDLY) && defined(TABDLY)
    gameModes.c_oflag &= ~(NLDLY | CRDLY | TABDLY);
#endif
    gameModes.c_cc[VMIN] = 1;
    gameModes.c_cc[VTIME] = 0;
    return true;
}

void terminalTakeGameMode()
{
    sigset_t was = holdSignals();
    tcsetattr(STDIN_FILENO, TCSANOW, &gameModes);
    terminalModes = modesOfTheGame;
    sigprocmask(SIG_SETMASK, &was, nullptr);
    writeAll(drawingModes);
}

void terminalEnterGameMode()
{
    int held = terminalModes;
    if (held == modesAsFound) {
        return;  // closed, or not yet open: nothing to take again
    }
    if (held == modesLentForSuspend) {
        // Continued in the background (bg, or a SIGCONT from outside): the
        // terminal is the shell's until the game's process group has it
        // again. A shell that watches only a wrapper sends no SIGCONT on fg,
        // so a short sleep looks again; a SIGCONT cuts it short.
        clockStopped();
        for (;;) {
            sigset_t was = holdSignals();
            if (terminalInForeground()) {
                terminalReadModes();
                sigprocmask(SIG_SETMASK, &was, nullptr);
                break;
            }
            sigprocmask(SIG_SETMASK, &was, nullptr);
            timespec look{0, 100 * 1000000L};
            nanosleep(&look, nullptr);
        }
        clockContinued();
    }
    terminalTakeGameMode();
}

// A terminal that is not the controlling one, or has hung up, tells no
// process group: job control cannot stop the game for using it then.
bool terminalInForeground()
{
    pid_t front = tcgetpgrp(STDIN_FILENO);
    return front < 0 || front == getpgrp();
}

void giveTerminalBack(std::int64_t deadlineMs)
{
    // The modes first: they cannot wait on a terminal that takes nothing.
    tcsetattr(STDIN_FILENO, TCSANOW, &givenModes);
    if (deadlineMs < 0) {
        writeAll(restoreSequence());
    } else {
        writeAllBy(restoreSequence(), deadlineMs);
    }
}

// What the terminal has not taken is dropped, and the way back is bounded.
// The signals wait meanwhile and after: the game is gone before they land.
void terminalLost()
{
    sigset_t all;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, nullptr);
    if (terminalModes == modesOfTheGame) {
        tcflush(STDOUT_FILENO, TCOFLUSH);
        std::int64_t deadline = monotonicNowMs() + exitWaitMs;
        giveTerminalBack(deadline);
        giveSizeBack(deadline);
    }
    terminalModes = modesAsFound;
    _exit(128 + SIGHUP);
}

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

void keepSizeToGiveBack(std::string_view request, int columns, int rows)
{
    if (sizeToGiveBack != notGrown || request.size() > sizeRequest.size()) {
        return;
    }
    std::copy(request.begin(), request.end(), sizeRequest.begin());
    sizeRequestLength = request.size();
    askedColumns = columns;
    askedRows = rows;
    sizeToGiveBack = growing;
}

void settleSizeToGiveBack(bool kept)
{
    sizeToGiveBack = kept ? grownAndKept : notGrown;
}

void forgetSizeOnResize()
{
    int kept = grownAndKept;
    sizeToGiveBack.compare_exchange_strong(kept, notGrown);
}

void giveSizeBack(std::int64_t deadlineMs)
{
    int columns = 0, rows = 0;
    if (sizeToGiveBack.exchange(notGrown) != notGrown && windowSize(columns, rows) &&
        columns == askedColumns && rows == askedRows) {
        writeAllBy({sizeRequest.data(), sizeRequestLength}, deadlineMs);
    }
}
