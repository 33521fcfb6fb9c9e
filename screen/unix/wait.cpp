// The wait for keys, the tick and the terminal's events, in one place. The
// SIGCONT and SIGWINCH handlers only note the event here, with a byte to a
// pipe that the wait watches next to the keyboard; the wait says what
// happened, and its callers do the work outside any handler. select, not
// poll: macOS's poll answers POLLNVAL for a terminal at once.

#include <algorithm>
#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <sys/select.h>
#include <unistd.h>

#include "screen/console.h"
#include "screen/unix/wait.h"
#include "screen/codec/wait_slice.h"

namespace {

int wakePipe[2] = {-1, -1};
std::atomic<bool> resumed{false};
std::atomic<bool> resized{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// Without the pipe, a signal just before a select would not end it: no sleep
// is longer than this then.
constexpr int unwakeableSliceMs = 100;

// Neither end may block the game, nor belong to a program it starts; select
// cannot take a descriptor of FD_SETSIZE or more.
bool openWakePipe()
{
    if (pipe(wakePipe) != 0) {
        return false;
    }
    bool usable = wakePipe[0] < FD_SETSIZE && wakePipe[1] < FD_SETSIZE;
    for (int fd : wakePipe) {
        int status = fcntl(fd, F_GETFL), descriptor = fcntl(fd, F_GETFD);
        usable = usable && status >= 0 && descriptor >= 0 && fcntl(fd, F_SETFL, status | O_NONBLOCK) == 0 &&
                 fcntl(fd, F_SETFD, descriptor | FD_CLOEXEC) == 0;
    }
    if (!usable) {
        close(wakePipe[0]);
        close(wakePipe[1]);
    }
    return usable;
}

// What the handlers noted since the last look; a resume repaints too.
bool takeNotedEvent(terminalWait& noted)
{
    char drained[64];
    while (wakePipe[0] >= 0 && read(wakePipe[0], drained, sizeof drained) > 0) {
    }
    bool wasResumed = resumed.exchange(false);
    bool wasResized = resized.exchange(false);
    if (wasResumed || wasResized) {
        noted.what = wasResumed ? terminalWait::resumed : terminalWait::resized;
        return true;
    }
    return false;
}

}  // namespace

void waitOpen()
{
    if (wakePipe[0] < 0 && !openWakePipe()) {
        wakePipe[0] = wakePipe[1] = -1;
    }
}

void waitNote(decltype(terminalWait::what) event)
{
    int savedErrno = errno;
    (event == terminalWait::resumed ? resumed : resized) = true;
    if (wakePipe[1] >= 0) {
        [[maybe_unused]] ssize_t ignored = write(wakePipe[1], "!", 1);  // a full pipe is awake already
    }
    errno = savedErrno;
}

terminalWait waitForTerminal(std::int64_t dueMs, unsigned char* into, int size)
{
    terminalWait result{terminalWait::timedOut};
    if (takeNotedEvent(result)) {
        return result;
    }
    for (bool looked = false;; looked = true) {
        int sleepMs = -1;
        if (dueMs >= 0) {
            std::int64_t left = dueMs - consoleClock();
            if (left <= 0 && looked) {
                return result;
            }
            sleepMs = waitSlice(static_cast<int>(std::clamp<std::int64_t>(left, 0, 1 << 30)));
        }
        int events = wakePipe[0];
        if (events < 0 && (sleepMs < 0 || sleepMs > unwakeableSliceMs)) {
            sleepMs = unwakeableSliceMs;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(STDIN_FILENO, &readable);
        if (events >= 0) {
            FD_SET(events, &readable);
        }
        int ms = std::max(sleepMs, 0);
        timeval limit{ms / 1000, static_cast<suseconds_t>(ms % 1000) * 1000};
        int ready = select(std::max(STDIN_FILENO, events) + 1, &readable, nullptr, nullptr, sleepMs < 0 ? nullptr : &limit);
        if (ready < 0 && errno != EINTR) {
            result.what = terminalWait::hungUp;
            return result;
        }
        // What changed the screen goes before keys that came with it: a key
        // pressed as the window went too small is dropped.
        if (takeNotedEvent(result)) {
            return result;
        }
        // A terminal that has gone away reads as readable too: the read
        // then gives 0 or an error.
        if (ready > 0 && FD_ISSET(STDIN_FILENO, &readable)) {
            ssize_t n = read(STDIN_FILENO, into, static_cast<size_t>(size));
            if (n > 0) {
                result.what = terminalWait::keys;
                result.count = static_cast<int>(n);
                return result;
            }
            if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                result.what = terminalWait::hungUp;
                return result;
            }
        }
    }
}
