// Terminal modes: game mode, taken on open and on every resume, and given
// back on every way out. Game mode turns off line buffering and echo but
// leaves signals on, so Ctrl-C and Ctrl-Z still work (signals.cpp).

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <langinfo.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include "screen/console.h"
#include "screen/unix/terminal_state.h"

bool terminalUtf8 = true;
std::atomic<int> terminalHeld{terminalAsFound};

namespace {

// Written only while no handler reads them: before terminalHeld says game
// mode, or while it says stopped.
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

// No signal but SIGTTOU and SIGTTIN (a game in the background is stopped
// as the kernel means) lands between reading the modes to give back, or
// taking game mode, and terminalHeld saying so.
sigset_t holdSignals()
{
    sigset_t held, was;
    sigfillset(&held);
    sigdelset(&held, SIGTTOU);
    sigdelset(&held, SIGTTIN);
    sigprocmask(SIG_BLOCK, &held, &was);
    return was;
}

// The terminal's modes as they are now become the ones to give back, and
// game mode is built from them, so that what the player set (stty intr, say)
// holds in the game too. Every flag that would change a byte on its way in
// or out is off; newlines in running text still start a line.
bool readModes()
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

void takeGameMode()
{
    sigset_t was = holdSignals();
    tcsetattr(STDIN_FILENO, TCSANOW, &gameModes);
    terminalHeld = terminalInGameMode;
    sigprocmask(SIG_SETMASK, &was, nullptr);
    writeAll(drawingModes);
}

}  // namespace

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

bool consoleOpen()
{
    if (!terminalUsable()) {
        return false;
    }
    std::setlocale(LC_CTYPE, "");
    terminalUtf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;

    if (!readModes()) {
        std::fprintf(stderr, "tenfall: cannot read the terminal's modes: %s\n", std::strerror(errno));
        return false;
    }
    writeOpen();
    exitSignalsOpen();
    eventsOpen();
    takeGameMode();
    windowGrow();
    return true;
}

void terminalEnterGameMode()
{
    int held = terminalHeld;
    if (held == terminalAsFound) {
        return;  // closed, or not yet open: nothing to take again
    }
    if (held == terminalStopped) {
        // Continued in the background (bg, or a SIGCONT from outside): the
        // terminal is the shell's until the game's process group has it
        // again. A shell that watches only a wrapper sends no SIGCONT on fg,
        // so a short sleep looks again; a SIGCONT cuts it short.
        clockStopped();
        for (;;) {
            sigset_t was = holdSignals();
            if (terminalInForeground()) {
                readModes();
                sigprocmask(SIG_SETMASK, &was, nullptr);
                break;
            }
            sigprocmask(SIG_SETMASK, &was, nullptr);
            timespec look{0, 100 * 1000000L};
            nanosleep(&look, nullptr);
        }
        clockContinued();
    }
    takeGameMode();
}

namespace {

// The way out that is no signal's: N at the prompt, or the terminal gone.
// The signals wait meanwhile, so that a Ctrl-C cannot give the terminal back
// a second time beside it; once it is done they find the game's handlers
// gone and end it by their own default action.
void closeTerminal(bool flushFirst)
{
    int held = terminalHeld;
    if (held == terminalAsFound) {
        return;
    }
    if (held == terminalInGameMode && flushFirst) {
        consoleFlush();
    }
    sigset_t all, was;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &was);
    if (terminalHeld == terminalInGameMode) {
        std::int64_t deadline = monotonicNowMs() + exitWaitMs;
        giveTerminalBack(deadline);
        windowGiveBack(deadline);
    }
    terminalHeld = terminalAsFound;
    exitSignalsClose();
    eventsClose();
    sigprocmask(SIG_SETMASK, &was, nullptr);
}

}  // namespace

void consoleClose()
{
    closeTerminal(true);
}

// Input has ended and the output may never drain (a link gone, a terminal
// closed): what it has not taken is dropped, and the way back is bounded.
void terminalLost()
{
    if (terminalHeld == terminalInGameMode) {
        tcflush(STDOUT_FILENO, TCOFLUSH);
    }
    closeTerminal(false);
    _exit(128 + SIGHUP);
}
