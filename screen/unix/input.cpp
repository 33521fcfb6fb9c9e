// Keys from the terminal: wait (wait.cpp) for at most the time asked, decode
// what has come into the game's key codes, and hand them out one at a time.
// A resume or a resize met on the way is dealt with (room.cpp) and the wait
// goes on: the caller only ever hears of keys or of its time running out.

#include <algorithm>
#include <deque>

#include "screen/console.h"
#include "screen/keydecoder.h"
#include "screen/unix/terminal_state.h"
#include "screen/unix/wait.h"

namespace {

keyDecoder decoder;
std::deque<int> codes;
std::int64_t lastByteAt = 0;  // when the decoder last got a byte

void decode(const unsigned char* bytes, int count)
{
    for (int i = 0; i < count; ++i) {
        decodeByte(decoder, bytes[i], codes);
    }
    lastByteAt = consoleClock();
}

// When the decoder gives up waiting for the rest of what it holds; -1 when
// it holds nothing.
std::int64_t patienceEnd()
{
    return decoderPending(decoder) ? lastByteAt + decoderPatienceMs(decoder) : -1;
}

std::int64_t earliest(std::int64_t a, std::int64_t b)
{
    return a < 0 ? b : b < 0 ? a : std::min(a, b);
}

}  // namespace

bool consoleKeyWaiting(int timeoutMs)
{
    if (!codes.empty()) {
        return true;
    }
    consoleFlush();
    std::int64_t deadline = timeoutMs < 0 ? -1 : consoleClock() + timeoutMs;
    // The terminal is looked at once even with no time to wait: a key it
    // already has is waiting.
    for (bool looked = false;; looked = true) {
        std::int64_t giveUp = patienceEnd();
        if (giveUp >= 0 && consoleClock() >= giveUp) {
            decodeTimeout(decoder, codes);
            giveUp = -1;
        }
        if (!codes.empty()) {
            return true;
        }
        if (looked && deadline >= 0 && consoleClock() >= deadline) {
            return false;
        }
        unsigned char bytes[256];
        terminalWait got = waitForTerminal(earliest(deadline, giveUp), bytes, sizeof bytes);
        switch (got.what) {
        case terminalWait::keys:
            decode(bytes, got.count);
            break;
        case terminalWait::resumed:
        case terminalWait::resized:
            terminalRecover(got.what == terminalWait::resumed);
            break;
        case terminalWait::hungUp:
            terminalLost();
        case terminalWait::timedOut:
            break;
        }
    }
}

int consoleReadKey()
{
    consoleKeyWaiting(-1);  // with no timeout, it returns only with a key
    int code = codes.front();
    codes.pop_front();
    return code;
}

void dropKeys()
{
    codes.clear();
    decoder = keyDecoder{};
}
