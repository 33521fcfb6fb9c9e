#include "screen/keydecoder.h"

#include <algorithm>

#include "screen/keycodes.h"

namespace {

constexpr unsigned char esc = keyEscape;
// A sequence longer than this is garbage; it is still swallowed up to its
// final byte, but never taken for a key.
constexpr int longestSequence = 32;
constexpr int loneEscapeMs = 50;
constexpr int begunSequenceMs = 1000;
// Parameters are kept up to here: no key's number comes near it, and a
// longer run of digits must not overflow.
constexpr int largestParameter = 10000;
// Bytes after ESC [ M: button, column and row, each any byte value.
constexpr int mouseReportBytes = 3;
// The keypad in application mode sends its keys as ESC O and the key's
// character plus this: ESC O M for Enter, ESC O p to y for 0 to 9.
constexpr int keypadOffset = 0x40;

// The extended keys by the codes a Windows console gives for them. Only the
// key alone has a code here: with Shift, Ctrl or Alt held the console gives
// other codes, some of them letters the game acts on (Ctrl-F4 is "a"), so
// such a key reads as keyFunction alone.
struct consoleKey {
    int prefix;
    int code;
};
constexpr consoleKey noKey{-1, -1};

consoleKey cursorKey(unsigned char final)
{
    switch (final) {
    case 'A': return {keyExtended, keyUp};
    case 'B': return {keyExtended, keyDown};
    case 'C': return {keyExtended, keyRight};
    case 'D': return {keyExtended, keyLeft};
    case 'H': return {keyExtended, keyHome};
    case 'F': return {keyExtended, keyEnd};
    default: return noKey;
    }
}

// F1 to F12 by their number.
consoleKey functionKey(int n)
{
    if (n >= 1 && n <= 10) {
        return {keyFunction, keyF1 + n - 1};
    }
    if (n == 11 || n == 12) {
        return {keyExtended, keyF11 + n - 11};
    }
    return noKey;
}

// The VT220 keys, ESC [ number ~, as xterm, rxvt and the Linux console send
// them (Home and End also as 1 and 4, or 7 and 8).
consoleKey tildeKey(int number)
{
    switch (number) {
    case 1:
    case 7: return {keyExtended, keyHome};
    case 2: return {keyExtended, keyInsert};
    case 3: return {keyExtended, keyDelete};
    case 4:
    case 8: return {keyExtended, keyEnd};
    case 5: return {keyExtended, keyPageUp};
    case 6: return {keyExtended, keyPageDown};
    case 11: case 12: case 13: case 14: case 15:
        return functionKey(number - 10);
    case 17: case 18: case 19: case 20: case 21:
        return functionKey(number - 11);
    case 23:
    case 24: return functionKey(number - 12);
    default: return noKey;
    }
}

// A key held with a modifier is still one key press, of no meaning here.
void emitKey(consoleKey key, bool modified, std::deque<int>& codes)
{
    if (key.prefix < 0) {
        return;
    }
    if (modified) {
        codes.push_back(keyFunction);
        return;
    }
    codes.push_back(key.prefix);
    codes.push_back(key.code);
}

// xterm's modifier parameter: 1 plus bits for Shift, Alt and Ctrl.
bool modifiedBy(int modifier)
{
    return modifier > 1;
}

void startSequence(keyDecoder& d, decltype(keyDecoder::state) state)
{
    d = keyDecoder{};
    d.state = state;
}

void decodeGround(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    // One UTF-8 character is one key: its lead byte says how many bytes
    // follow, and none of them may pose as keyExtended or a letter.
    if (byte >= 0x80 && byte <= 0xBF && d.utf8Left > 0) {
        if (--d.utf8Left == 0) {
            codes.push_back(keyNonAscii);
        }
        return;
    }
    d.utf8Left = 0;  // anything else ends a character begun: it was broken
    if (byte == esc) {
        startSequence(d, keyDecoder::escape);
    } else if (byte < 0x80) {
        codes.push_back(byte);
    } else if (byte >= 0xC2 && byte <= 0xDF) {
        d.utf8Left = 1;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
        d.utf8Left = 2;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
        d.utf8Left = 3;
    }
    // Other bytes of the high half are no start of a character: dropped.
}

// The final byte of ESC [ ...: the key it ends, if any.
void finishCsi(keyDecoder& d, unsigned char final, std::deque<int>& codes)
{
    d.state = keyDecoder::ground;
    if (d.unusual || d.length > longestSequence) {
        return;
    }
    if (d.linuxFunction) {
        if (final >= 'A' && final <= 'E') {
            emitKey(functionKey(final - 'A' + 1), false, codes);
        }
        return;
    }
    if (d.length == 0 && final == '[') {
        d.state = keyDecoder::csi;
        d.linuxFunction = true;
        return;
    }
    if (d.length == 0 && final == 'M') {
        d.state = keyDecoder::csi;  // still inside the sequence, so still pending
        d.mouseBytes = mouseReportBytes;
        return;
    }
    int modifier = d.paramCount >= 2 ? d.params[1] : 1;
    bool firstIsOne = d.params[0] <= 1;  // absent or 1, as xterm sends it before a modifier
    switch (final) {
    case 'A': case 'B': case 'C': case 'D': case 'H': case 'F':
        if (firstIsOne) {
            emitKey(cursorKey(final), modifiedBy(modifier), codes);
        }
        break;
    case 'P': case 'Q': case 'R': case 'S':  // F1 to F4 with a modifier
        if (d.paramCount >= 2 && firstIsOne) {
            emitKey(functionKey(final - 'P' + 1), modifiedBy(modifier), codes);
        }
        break;
    case '~':
        emitKey(tildeKey(d.params[0]), modifiedBy(modifier), codes);
        break;
    case '^':  // rxvt: a VT220 key with Ctrl, or with Ctrl and Shift
    case '@':
        emitKey(tildeKey(d.params[0]), true, codes);
        break;
    case 'a': case 'b': case 'c': case 'd':  // rxvt: an arrow with Shift
        if (d.paramCount == 0) {
            emitKey(cursorKey(final - 'a' + 'A'), true, codes);
        }
        break;
    case 'Z':
        if (d.paramCount == 0) {
            emitKey({keyFunction, keyBackTab}, false, codes);
        }
        break;
    default:
        break;  // a report (mouse, focus, size, position) or no key we know
    }
}

// A parameter or intermediate byte of ESC [ ... or ESC O ...
void addParameterByte(keyDecoder& d, unsigned char byte)
{
    ++d.length;
    if (byte >= '0' && byte <= '9') {
        d.paramCount = std::max(d.paramCount, 1);
        if (d.paramCount <= 2) {
            int& p = d.params[d.paramCount - 1];
            p = std::min(p * 10 + (byte - '0'), largestParameter);
        }
    } else if (byte == ';') {
        d.paramCount = std::max(d.paramCount, 1) + 1;
    } else {
        d.unusual = true;  // a sub-parameter, private marker or intermediate
    }
    if (d.paramCount > 2) {
        d.unusual = true;
    }
}

void decodeCsi(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    if (d.mouseBytes > 0) {
        if (--d.mouseBytes == 0) {
            d.state = keyDecoder::ground;
        }
    } else if (byte >= 0x40 && byte <= 0x7E) {
        finishCsi(d, byte, codes);
    } else if (byte >= 0x20 && byte <= 0x3F && !d.linuxFunction) {
        addParameterByte(d, byte);
    } else {
        // A control or non-ASCII byte cannot belong to the sequence: drop what
        // came so far and read the byte afresh.
        d.state = keyDecoder::ground;
        decodeGround(d, byte, codes);
    }
}

// ESC O and its final byte: a cursor key, F1 to F4, or the keypad in
// application mode; rxvt sends an arrow with Ctrl as ESC O and a small letter.
void finishSs3(keyDecoder& d, unsigned char final, std::deque<int>& codes)
{
    d.state = keyDecoder::ground;
    if (d.unusual || d.length > longestSequence) {
        return;
    }
    bool modified = modifiedBy(d.params[0]);
    if (final == 'M' || final == 'I' || (final >= 'j' && final <= 'y')) {
        codes.push_back(final - keypadOffset);
    } else if (final == 'X') {
        codes.push_back('=');
    } else if (final >= 'P' && final <= 'S') {
        emitKey(functionKey(final - 'P' + 1), modified, codes);
    } else if (final >= 'a' && final <= 'd') {
        emitKey(cursorKey(final - 'a' + 'A'), true, codes);
    } else {
        emitKey(cursorKey(final), modified, codes);
    }
}

void decodeSs3(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    if (byte >= 0x40 && byte <= 0x7E) {
        finishSs3(d, byte, codes);
    } else if (byte >= 0x20 && byte <= 0x3F) {
        addParameterByte(d, byte);  // a modifier, as older xterms send it: ESC O 5 P
    } else {
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
            d.state = keyDecoder::ground;  // Alt with a character: one key, of no meaning here
            codes.push_back(keyFunction);
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
        decodeSs3(d, byte, codes);
        break;
    }
}

void decodeTimeout(keyDecoder& d, std::deque<int>& codes)
{
    if (d.state == keyDecoder::escape) {
        codes.push_back(esc);
    }
    d = keyDecoder{};
}

bool decoderPending(const keyDecoder& d)
{
    return d.state != keyDecoder::ground;
}

int decoderPatienceMs(const keyDecoder& d)
{
    return d.state == keyDecoder::escape ? loneEscapeMs : begunSequenceMs;
}
