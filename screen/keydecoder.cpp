#include "screen/keydecoder.h"

#include "screen/keycodes.h"

namespace {

constexpr unsigned char esc = keyEscape;
// A CSI sequence longer than this is garbage; it is still swallowed up to its
// final byte, but never taken for a key.
constexpr int longestSequence = 32;
constexpr int loneEscapeMs = 50;
constexpr int begunSequenceMs = 1000;

// What a Windows console reports for the cursor keys after keyExtended.
int extendedCode(unsigned char final)
{
    switch (final) {
    case 'A': return keyUp;
    case 'B': return keyDown;
    case 'C': return keyRight;
    case 'D': return keyLeft;
    case 'H': return keyHome;
    case 'F': return keyEnd;
    default: return -1;
    }
}

void emitCursorKey(unsigned char final, std::deque<int>& codes)
{
    int code = extendedCode(final);
    if (code >= 0) {
        codes.push_back(keyExtended);
        codes.push_back(code);
    }
}

void startSequence(keyDecoder& d, decltype(keyDecoder::state) state)
{
    d.state = state;
    d.plain = true;
    d.length = 0;
}

void decodeGround(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    if (byte == esc) {
        startSequence(d, keyDecoder::escape);
    } else if (byte < 0x80) {
        codes.push_back(byte);
    }
    // Bytes of 0x80 and above are parts of UTF-8 characters: no key uses them,
    // and letting one through could pose as keyExtended.
}

void decodeCsi(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    if (byte >= 0x40 && byte <= 0x7E) {  // final byte
        if (d.plain && d.length <= longestSequence) {
            emitCursorKey(byte, codes);
        }
        d.state = keyDecoder::ground;
    } else if (byte >= 0x20 && byte <= 0x3F) {  // parameter or intermediate
        ++d.length;
        if (byte != '1') {
            d.plain = false;
        }
    } else {
        // A control or non-ASCII byte cannot belong to the sequence: drop what
        // came so far and read the byte afresh.
        d.state = keyDecoder::ground;
        decodeGround(d, byte, codes);
    }
}

}  // namespace

void decodeByte(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    switch (d.state) {
    case keyDecoder::ground:
        decodeGround(d, byte, codes);
        break;
    case keyDecoder::escape:
        if (byte == '[') {
            startSequence(d, keyDecoder::csi);
        } else if (byte == 'O') {
            startSequence(d, keyDecoder::ss3);
        } else if (byte >= 0x20 && byte <= 0x7E) {
            d.state = keyDecoder::ground;  // Alt with a key: means nothing here
        } else {
            codes.push_back(esc);  // the ESC stood alone
            d.state = keyDecoder::ground;
            decodeGround(d, byte, codes);
        }
        break;
    case keyDecoder::csi:
        decodeCsi(d, byte, codes);
        break;
    case keyDecoder::ss3:
        d.state = keyDecoder::ground;
        if (byte >= 0x20 && byte <= 0x7E) {
            emitCursorKey(byte, codes);
        } else {
            decodeGround(d, byte, codes);
        }
        break;
    }
}

void decodeTimeout(keyDecoder& d, std::deque<int>& codes)
{
    if (d.state == keyDecoder::escape) {
        codes.push_back(esc);
    }
    d.state = keyDecoder::ground;
}

bool decoderPending(const keyDecoder& d)
{
    return d.state != keyDecoder::ground;
}

int decoderPatienceMs(const keyDecoder& d)
{
    return d.state == keyDecoder::escape ? loneEscapeMs : begunSequenceMs;
}
