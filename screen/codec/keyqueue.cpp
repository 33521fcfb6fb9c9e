#include "screen/codec/keyqueue.h"

#include <algorithm>

namespace {

// When the decoder gives up waiting for the rest of what it holds; -1 when
// it holds nothing.
std::int64_t giveUpAt(const keyQueue& queue)
{
    return decoderPending(queue.decoder) ? queue.lastByteAt + decoderPatienceMs : -1;
}

std::int64_t earlierDeadline(std::int64_t a, std::int64_t b)
{
    return a < 0 ? b : b < 0 ? a : std::min(a, b);
}

}  // namespace

bool queueWaitForKey(keyQueue& queue, int timeoutMs, std::int64_t (*now)(), keyReader read)
{
    std::int64_t deadline = timeoutMs < 0 ? -1 : now() + timeoutMs;
    for (bool looked = false;; looked = true) {
        std::int64_t giveUp = giveUpAt(queue);
        if (giveUp >= 0 && now() >= giveUp) {
            decodeTimeout(queue.decoder, queue.codes);
        }
        if (!queue.codes.empty()) {
            return true;
        }
        if (looked && deadline >= 0 && now() >= deadline) {
            return false;
        }
        unsigned char bytes[256];
        int count = read(earlierDeadline(deadline, giveUpAt(queue)), bytes, sizeof bytes);
        for (int i = 0; i < count; ++i) {
            decodeByte(queue.decoder, bytes[i], queue.codes);
        }
        if (count > 0) {
            queue.lastByteAt = now();
        }
    }
}

int queueTake(keyQueue& queue)
{
    int code = queue.codes.front();
    queue.codes.pop_front();
    return code;
}
