// Resume and resize. Their handlers only set a flag and write a byte to a
// pipe; the wait for keys watches that pipe next to the keyboard and does the
// work (modes, repaint) outside any handler.

#include <atomic>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/select.h>
#include <unistd.h>

#include "screen/console.h"
#include "screen/unix/terminal_state.h"

namespace {

int wakePipe[2] = {-1, -1};
std::atomic<bool> resumed{false};
std::atomic<bool> resized{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void wake(std::atomic<bool>& flag)
{
    int savedErrno = errno;
    flag = true;
    if (wakePipe[1] >= 0) {
        [[maybe_unused]] ssize_t ignored = write(wakePipe[1], "!", 1);  // a full pipe is awake already
    }
    errno = savedErrno;
}

void noteResumed(int)
{
    wake(resumed);
}

void noteResized(int)
{
    wake(resized);
}

// Neither end may block the game (the handler writes to a full pipe, the
// wait drains an empty one), and neither belongs to a program the game starts.
// The wait watches the pipe with select, which cannot take a descriptor of
// FD_SETSIZE or more: a parent that left that many open gets a game that
// does not notice resizes rather than one that overruns select's set.
bool openWakePipe()
{
    if (pipe(wakePipe) != 0) {
        return false;
    }
    if (wakePipe[0] >= FD_SETSIZE || wakePipe[1] >= FD_SETSIZE) {
        close(wakePipe[0]);
        close(wakePipe[1]);
        return false;
    }
    for (int fd : wakePipe) {
        int status = fcntl(fd, F_GETFL);
        int descriptor = fcntl(fd, F_GETFD);
        if (status < 0 || descriptor < 0 || fcntl(fd, F_SETFL, status | O_NONBLOCK) != 0 ||
            fcntl(fd, F_SETFD, descriptor | FD_CLOEXEC) != 0) {
            close(wakePipe[0]);
            close(wakePipe[1]);
            return false;
        }
    }
    return true;
}

void handle(int signal, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

}  // namespace

void eventsOpen()
{
    if (wakePipe[0] < 0 && !openWakePipe()) {
        wakePipe[0] = wakePipe[1] = -1;  // the game still runs; it just will not notice resizes
    }
    handle(SIGCONT, noteResumed);
    handle(SIGWINCH, noteResized);
}

void eventsClose()
{
    signal(SIGCONT, SIG_DFL);
    signal(SIGWINCH, SIG_DFL);
}

int eventFd()
{
    return wakePipe[0];
}

bool handleTerminalEvents()
{
    char drained[64];
    while (wakePipe[0] >= 0 && read(wakePipe[0], drained, sizeof drained) > 0) {
    }
    bool wasResumed = resumed.exchange(false);
    bool wasResized = resized.exchange(false);
    if (wasResumed) {
        terminalEnterGameMode();
    }
    // The terminal's content is lost after a resume and may be garbled by a
    // resize; while the window is too small, the game goes on unrepaired.
    if ((wasResumed || wasResized) && terminalHasRoom()) {
        terminalRepaint();
        consoleFlush();
    }
    return wasResumed || wasResized;
}
