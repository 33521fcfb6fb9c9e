#pragma once
// Decoded keys waiting to be read, with the decoder that makes them and the
// time it last got a byte: what every backend that reads a terminal's bytes
// (the Unix terminal, the web page's) keeps between two reads.

#include <cstdint>
#include <deque>

#include "screen/codec/keydecoder.h"

struct keyQueue {
    keyDecoder decoder;
    std::deque<int> codes;
    std::int64_t lastByteAt = 0;  // clock reading when the decoder last got a byte
};

// A backend's way to wait for the terminal's bytes: reads what comes before
// `dueMs` on the game's clock into `into` and returns how many, 0 when none
// came in time. It looks once even when `dueMs` has passed.
using keyReader = int (*)(std::int64_t dueMs, unsigned char* into, int size);

// consoleKeyWaiting for every backend that reads bytes: true when a key code
// is waiting, reading for at most `timeoutMs` (forever when negative) on the
// clock `now`. The reader is asked at least once, so a key the terminal
// already has is found even with no time to wait. A sequence whose rest is
// overdue is ended meanwhile: a lone ESC becomes a key.
bool queueWaitForKey(keyQueue& queue, int timeoutMs, std::int64_t (*now)(), keyReader read);

// The next code, taken off the queue; only when one is waiting.
int queueTake(keyQueue& queue);
