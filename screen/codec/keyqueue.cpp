#include "screen/codec/keyqueue.h"

#include <algorithm>

void queueBytes(keyQueue& queue, const unsigned char* bytes, int count, std::int64_t now)
{
    for (int i = 0; i < count; ++i) {
        decodeByte(queue.decoder, bytes[i], queue.codes);
    }
    queue.lastByteAt = now;
}

std::int64_t queueGiveUpAt(const keyQueue& queue)
{
    return decoderPending(queue.decoder) ? queue.lastByteAt + decoderPatienceMs : -1;
}

bool queueReady(keyQueue& queue, std::int64_t now)
{
    std::int64_t giveUp = queueGiveUpAt(queue);
    if (giveUp >= 0 && now >= giveUp) {
        decodeTimeout(queue.decoder, queue.codes);
    }
    return !queue.codes.empty();
}

int queueTake(keyQueue& queue)
{
    int code = queue.codes.front();
    queue.codes.pop_front();
    return code;
}

std::int64_t earlierDeadline(std::int64_t a, std::int64_t b)
{
    return a < 0 ? b : b < 0 ? a : std::min(a, b);
}

bool queueWaitForKey(keyQueue& queue, int timeoutMs, std::int64_t (*now)(), keyReader read)
{
    std::int64_t deadline = timeoutMs < 0 ? -1 : now() + timeoutMs;
    for (bool looked = false;; looked = true) {
        if (queueReady(queue, now())) {
            return true;
        }
        if (looked && deadline >= 0 && now() >= deadline) {
            return false;
        }
        unsigned char bytes[256];
        int count = read(earlierDeadline(deadline, queueGiveUpAt(queue)), bytes, sizeof bytes);
        if (count > 0) {
            queueBytes(queue, bytes, count, now());
        }
    }
}
