// Every signal that ends or suspends the game gives the terminal back first,
// when the game has it, then does what it does by default, so that the
// parent sees what happened: a shell loop stops on Ctrl-C, $? says 128 + n,
// a crash leaves its core, Ctrl-Z stops the game where a shell can continue
// it. Handlers call only async-signal-safe functions.

#include <array>
#include <cerrno>
#include <csignal>
#include <utility>

#include <termios.h>
#include <unistd.h>

#include "screen/unix/clock.h"
#include "screen/unix/signals.h"
#include "screen/unix/tty.h"
#include "screen/unix/wait.h"

namespace {

// Ends the process by default: a terminal left raw would be the shell's.
constexpr int quitSignals[] = {
    SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM, SIGPROF,
    SIGXCPU, SIGXFSZ, SIGSYS,
#ifdef __linux__
    // Ignored by default elsewhere (SIGIO on the BSDs and macOS, SIGPWR on
    // Solaris): taking them there would end the game where it should not.
    SIGPOLL, SIGPWR, SIGSTKFLT,
#endif
#ifdef SIGEMT
    SIGEMT,
#endif
};
// A fault in the game itself: the handler runs on its own stack, in case
// the stack overflowed, before the default action leaves the core.
constexpr int crashSignals[] = {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP};

// How long a suspend waits for a terminal that takes no output.
constexpr std::int64_t suspendWaitMs = 1000;

alignas(16) std::array<char, 64 * 1024> handlerStack;

// What each signal did before the game took it: one ignored by the parent
// (nohup, a background job of a shell without job control) stays ignored.
struct sigaction foundActions[NSIG];
bool taken[NSIG];

template <typename F>
void forEachEnding(F f)
{
    for (int s : quitSignals) {
        f(s);
    }
    for (int s : crashSignals) {
        f(s);
    }
#if defined(SIGRTMIN) && defined(SIGRTMAX)
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) {
        f(s);
    }
#endif
}

struct sigaction actionOf(void (*handler)(int), int flags)
{
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    return action;
}

// The signal's own action, unblocked: the process ends by it (or stops),
// unless the kernel discards it. Returns only then.
void actByDefault(int signal)
{
    struct sigaction byDefault = actionOf(SIG_DFL, 0);
    sigaction(signal, &byDefault, nullptr);
    sigset_t just;
    sigemptyset(&just);
    sigaddset(&just, signal);
    sigprocmask(SIG_UNBLOCK, &just, nullptr);
    raise(signal);
}

// A game in the background leaves the terminal alone: its modes are the
// shell's, and changing them would stop the game with SIGTTOU.
void endOnSignal(int signal)
{
    if (terminalInForeground()) {
        giveTerminalBackForGood(true);
    }
    terminalModes = modesAsFound;
    actByDefault(signal);
    _exit(128 + signal);  // never reached, unless the signal's default action was to go on
}

// Ctrl-Z: the shell gets the terminal as it was, then the default SIGTSTP
// stops the game. With no job-control shell above it (xterm -e, ssh -t, a
// program in a pty) the kernel discards it, since nothing could continue
// the game, and the game plays on. Either way the wait hears of a resume
// and takes the terminal again.
void suspendOnSignal(int)
{
    int savedErrno = errno;
    if (terminalModes == modesOfTheGame) {
        if (terminalInForeground()) {
            giveTerminalBack(monotonicNowMs() + suspendWaitMs);
        }
        terminalModes = modesLentForSuspend;
    }
    clockStopped();
    actByDefault(SIGTSTP);
    clockContinued();
    struct sigaction again = actionOf(suspendOnSignal, SA_RESTART);
    sigaction(SIGTSTP, &again, nullptr);
    raise(SIGCONT);
    errno = savedErrno;
}

void noteResumed(int)
{
    waitNote(terminalWait::resumed);
}

void noteResized(int)
{
    forgetSizeOnResize();
    waitNote(terminalWait::resized);
}

void catchSignal(int signal, const struct sigaction& action)
{
    if (sigaction(signal, nullptr, &foundActions[signal]) != 0 || foundActions[signal].sa_handler == SIG_IGN) {
        return;
    }
    taken[signal] = sigaction(signal, &action, nullptr) == 0;
}

void giveBack(int signal)
{
    if (taken[signal]) {
        sigaction(signal, &foundActions[signal], nullptr);
        taken[signal] = false;
    }
}

}  // namespace

void signalsOpen()
{
    stack_t alternate{};
    alternate.ss_sp = handlerStack.data();
    alternate.ss_size = handlerStack.size();
    sigaltstack(&alternate, nullptr);

    // One way out at a time; a suspend blocks none, as a game stopped and
    // sent SIGTERM must end from inside the suspend.
    struct sigaction ending = actionOf(endOnSignal, SA_ONSTACK);
    forEachEnding([&](int s) { sigaddset(&ending.sa_mask, s); });
    sigaddset(&ending.sa_mask, SIGTSTP);
    forEachEnding([&](int s) { catchSignal(s, ending); });

    catchSignal(SIGTSTP, actionOf(suspendOnSignal, SA_RESTART));

    // Noted for the wait, which does the work outside any handler; taken
    // whatever the parent did with them.
    using noted = std::pair<int, void (*)(int)>;
    for (auto [signal, handler] : {noted{SIGCONT, noteResumed}, noted{SIGWINCH, noteResized}}) {
        struct sigaction note = actionOf(handler, SA_RESTART);
        taken[signal] = sigaction(signal, &note, &foundActions[signal]) == 0;
    }
}

void signalsClose()
{
    forEachEnding(giveBack);
    giveBack(SIGTSTP);
    giveBack(SIGCONT);
    giveBack(SIGWINCH);
}
