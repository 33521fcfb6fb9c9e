// Game mode, taken on open and on every resume, and given back on every way
// out with the colours, a fresh line and the window's size. Signals stay
// on in game mode, so Ctrl-C and Ctrl-Z still work (signals.cpp).

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
#include "screen/unix/clock.h"
#include "screen/unix/tty.h"
#include "screen/unix/write.h"

bool terminalUtf8 = true;
bool terminalLinuxConsole = false;
std::atomic<int> terminalModes{modesAsFound};

namespace {

constexpr std::int64_t exitWaitMs = 500;

// Written only while no handler reads them.
termios givenModes{};
termios gameModes{};

// What the drawing depends on, whatever a program left behind: no scroll
// region nor origin mode (the cursor they home saved around them), no insert
// mode, autowrap; no reports of clicks, focus or pastes, no reverse screen,
// the plain character sets and no text attributes. One mode a sequence: not
// every terminal takes a list.
constexpr std::string_view drawingModes = "\x1b" "7" "\x1b[?6l\x1b[r\x1b" "8" "\x1b[4l\x1b[?7h"
    "\x1b[?1000l\x1b[?1002l\x1b[?1003l\x1b[?1005l\x1b[?1006l\x1b[?1015l\x1b[?1004l\x1b[?2004l\x1b[?5l"
    "\x0f\x1b(B\x1b)B\x1b[0m";

volatile sig_atomic_t showing = showingTextAtLineStart;  // a program starts on a fresh line

// The request for the old size, made before the game asks, so that a
// signal handler only compares and writes.
enum sizeState : int { notGrown, growing, grownAndKept };
std::atomic<int> sizeToGiveBack{notGrown};
int askedColumns = 0, askedRows = 0;
std::array<char, 32> sizeRequest;
size_t sizeRequestLength = 0;

// No signal lands between reading or taking the modes and terminalModes
// saying so, but SIGTTOU and SIGTTIN, which stop a game in the background.
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

// What the player set (stty intr, say) holds in the game too. No flag
// changes a byte on its way in or out, but newlines still start a line.
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
        // Continued in the background, the terminal is the shell's until the
        // game's group has it. A shell that watches only a wrapper sends no
        // SIGCONT on fg, so a short sleep looks again.
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
// process group, and cannot stop the game.
bool terminalInForeground()
{
    pid_t front = tcgetpgrp(STDIN_FILENO);
    return front < 0 || front == getpgrp();
}

void giveTerminalBack(std::int64_t deadlineMs)
{
    // The modes first: they cannot wait on a terminal that takes nothing.
    tcsetattr(STDIN_FILENO, TCSANOW, &givenModes);
    writeAllBy(restoreSequence(static_cast<terminalShowing>(showing)), deadlineMs);
}

void giveTerminalBackForGood(bool dropUnsent)
{
    if (terminalModes == modesOfTheGame) {
        if (dropUnsent) {
            tcflush(STDOUT_FILENO, TCOFLUSH);
        }
        std::int64_t deadline = monotonicNowMs() + exitWaitMs;
        giveTerminalBack(deadline);
        giveSizeBack(deadline);
    }
    terminalModes = modesAsFound;
}

// The signals wait until the game is gone.
void terminalLost()
{
    sigset_t all;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, nullptr);
    giveTerminalBackForGood(true);
    _exit(128 + SIGHUP);
}

// The only size to believe, whatever a terminal answers to a query.
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
