// A parent may hand the terminal over with O_NONBLOCK set (an interactive
// bash clears it, other launchers do not). The flag belongs to the file
// description, which the shell and every other program on the terminal
// share, so the game leaves it as it is: a write that says EAGAIN waits
// with select for room and goes on where it stopped.

#include <cerrno>

#include <fcntl.h>
#include <sys/select.h>
#include <unistd.h>

#include "screen/ansi/backend.h"
#include "screen/unix/clock.h"
#include "screen/unix/write.h"

namespace {

// Waits until the terminal can take a byte, at most until the deadline
// (none when negative). False when the deadline passed first.
bool waitUntilWritable(std::int64_t deadlineMs)
{
    for (;;) {
        timeval slice{};
        timeval* limit = nullptr;
        if (deadlineMs >= 0) {
            std::int64_t left = deadlineMs - monotonicNowMs();
            if (left <= 0) {
                return false;
            }
            slice.tv_sec = static_cast<time_t>(left / 1000);
            slice.tv_usec = static_cast<suseconds_t>(left % 1000) * 1000;
            limit = &slice;
        }
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(STDOUT_FILENO, &writable);
        int ready = select(STDOUT_FILENO + 1, nullptr, &writable, nullptr, limit);
        if (ready > 0 || (ready < 0 && errno != EINTR)) {
            return true;  // room, or an error the write will report
        }
    }
}

// The writes with a deadline go through a description of the terminal of
// the game's own, non-blocking: it takes what it has room for at once, and
// the rest waits on select (on standard output, below FD_SETSIZE). Without
// it, each is of one byte after select saw room, so that a blocking
// terminal that takes nothing cannot hold the write past the deadline.
int boundedOut = -1;

}  // namespace

bool writeAllBy(std::string_view bytes, std::int64_t deadlineMs)
{
    int savedErrno = errno;
    const char* p = bytes.data();
    size_t left = bytes.size();
    bool written = true;
    while (left > 0) {
        if (deadlineMs >= 0 && !waitUntilWritable(deadlineMs)) {
            written = false;
            break;
        }
        bool own = deadlineMs >= 0 && boundedOut >= 0;
        ssize_t n = write(own ? boundedOut : STDOUT_FILENO, p, deadlineMs >= 0 && !own ? 1 : left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                if (waitUntilWritable(deadlineMs)) {
                    continue;
                }
            }
            written = false;  // the terminal is gone; nothing more can be shown
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    errno = savedErrno;
    return written;
}

void writeOpen()
{
    const char* name = ttyname(STDOUT_FILENO);
    if (boundedOut < 0 && name != nullptr) {
        boundedOut = open(name, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    }
}

void writeAll(std::string_view bytes)
{
    writeAllBy(bytes, -1);
}
