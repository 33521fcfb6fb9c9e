// Preloaded into the game to give poll and ppoll the answer macOS gives for
// a terminal: POLLNVAL at once, without waiting. Apple's poll does not work
// on devices, so a game that waits with poll on its terminal cannot play on
// a Mac; one that waits with select can.

#include <dlfcn.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

namespace {

using pollFunction = int (*)(pollfd*, nfds_t, int);
using ppollFunction = int (*)(pollfd*, nfds_t, const timespec*, const sigset_t*);
const auto realPoll = reinterpret_cast<pollFunction>(dlsym(RTLD_NEXT, "poll"));
const auto realPpoll = reinterpret_cast<ppollFunction>(dlsym(RTLD_NEXT, "ppoll"));

// Marks every terminal POLLNVAL; true when there was one.
bool answerForTerminals(pollfd* fds, nfds_t count)
{
    bool any = false;
    for (nfds_t i = 0; i < count; ++i) {
        fds[i].revents = 0;
        if (fds[i].fd >= 0 && isatty(fds[i].fd)) {
            fds[i].revents = POLLNVAL;
            any = true;
        }
    }
    return any;
}

// The other descriptors as they are now, without waiting; the count of
// those with something to report.
int pollOthersNow(pollfd* fds, nfds_t count)
{
    int ready = 0;
    for (nfds_t i = 0; i < count; ++i) {
        if (fds[i].revents == 0) {
            realPoll(&fds[i], 1, 0);
        }
        ready += fds[i].revents != 0;
    }
    return ready;
}

}  // namespace

extern "C" int poll(pollfd* fds, nfds_t count, int timeoutMs)
{
    return answerForTerminals(fds, count) ? pollOthersNow(fds, count) : realPoll(fds, count, timeoutMs);
}

extern "C" int ppoll(pollfd* fds, nfds_t count, const timespec* timeout, const sigset_t* mask)
{
    return answerForTerminals(fds, count) ? pollOthersNow(fds, count) : realPpoll(fds, count, timeout, mask);
}
