// Terminal modes and the ways out. Game mode turns off line buffering and
// echo but leaves signals on, so Ctrl-C and Ctrl-Z still work. Every way out,
// normal or by signal, and every suspend gives the terminal its modes and
// colours back.

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <langinfo.h>
#include <termios.h>
#include <unistd.h>

#include "screen/console.h"
#include "screen/unix/terminal_state.h"

bool terminalUtf8 = true;

namespace {

termios savedModes{};
termios gameModes{};
volatile sig_atomic_t modesSaved = 0;
volatile sig_atomic_t inGameMode = 0;

constexpr int exitSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void restoreModes()
{
    if (modesSaved) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedModes);
    }
}

// Only async-signal-safe calls: tcsetattr, write and _exit.
void leaveOnSignal(int signal)
{
    if (inGameMode) {
        restoreModes();
        writeAll(restoreSequence());
        windowGiveBack();
    }
    _exit(128 + signal);
}

// Ctrl-Z: the shell gets the terminal as it was, then the game stops itself.
// SIGSTOP rather than a default SIGTSTP, which the kernel drops for a process
// group with no job-control shell above it: the game would then run on with
// the terminal given back. The SIGCONT handler (events.cpp) has the wait
// loop take the terminal again and repaint.
void suspendOnSignal(int)
{
    int savedErrno = errno;
    if (inGameMode) {
        restoreModes();
        writeAll(restoreSequence());
    }
    clockStopped();
    kill(getpid(), SIGSTOP);
    clockContinued();
    errno = savedErrno;
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

}  // namespace

void writeAll(std::string_view bytes)
{
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = write(STDOUT_FILENO, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;  // the terminal is gone; nothing more can be shown
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
}

bool consoleOpen()
{
    if (!terminalUsable()) {
        return false;
    }
    std::setlocale(LC_CTYPE, "");
    terminalUtf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;

    if (tcgetattr(STDIN_FILENO, &savedModes) != 0) {
        std::fprintf(stderr, "tenfall: cannot read the terminal's modes: %s\n", std::strerror(errno));
        return false;
    }
    modesSaved = 1;
    gameModes = savedModes;
    gameModes.c_lflag &= ~(ICANON | ECHO | IEXTEN);
    gameModes.c_iflag &= ~(ICRNL | INLCR | IGNCR | IXON);  // Enter arrives as CR; Ctrl-S is a key
    gameModes.c_cc[VMIN] = 1;
    gameModes.c_cc[VTIME] = 0;

    struct sigaction action {};
    action.sa_handler = leaveOnSignal;
    sigemptyset(&action.sa_mask);
    for (int s : exitSignals) {
        sigaddset(&action.sa_mask, s);
    }
    for (int s : exitSignals) {
        sigaction(s, &action, nullptr);
    }
    action.sa_handler = suspendOnSignal;
    action.sa_flags = SA_RESTART;
    sigaction(SIGTSTP, &action, nullptr);
    eventsOpen();
    inGameMode = 1;
    terminalEnterGameMode();
    windowGrow();
    return true;
}

void terminalEnterGameMode()
{
    tcsetattr(STDIN_FILENO, TCSANOW, &gameModes);
}

void consoleClose()
{
    if (!inGameMode) {
        return;
    }
    consoleFlush();
    writeAll(restoreSequence());
    windowGiveBack();
    restoreModes();
    inGameMode = 0;
    for (int s : exitSignals) {
        signal(s, SIG_DFL);
    }
    signal(SIGTSTP, SIG_DFL);
    eventsClose();
}

void terminalLost()
{
    consoleClose();
    _exit(128 + SIGHUP);
}
