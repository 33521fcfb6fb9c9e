#include "screen/codec/keydecoder.h"

#include <algorithm>
#include <string_view>

#include "screen/codec/keycodes.h"

namespace {

constexpr unsigned char esc = keyEscape;
// A sequence longer than this is garbage; it is still swallowed up to its
// final byte, but never taken for a key.
constexpr int longestSequence = 32;
// Where the count of a sequence's bytes stops: a string sequence (a title,
// a colour, a terminal's name) is swallowed whole to its end however long,
// and nothing of it is kept but this count.
constexpr int longestString = 4096;
// Parameters are kept up to here, one past the last Unicode character: a
// longer run of digits must not overflow.
constexpr int largestParameter = 0x110000;
// Button, column and row after ESC [ M: each a byte, or in 1005 mode a
// UTF-8 character for a value past 95.
constexpr int mouseCoordinates = 3;
// The keypad in application mode sends its keys as ESC O and the key's
// character plus this: ESC O M for Enter, ESC O p to y for 0 to 9.
constexpr int keypadOffset = 0x40;
// What follows ESC to begin a string: OSC, DCS, APC, PM and SOS. They end
// with BEL or ST (ESC \ or its 8-bit form).
constexpr std::string_view stringStarts = "]P_^X";
constexpr unsigned char bell = 0x07;
constexpr unsigned char st = 0x9C;
// The modifier parameter is 1 plus these bits; the kitty protocol adds Caps
// Lock and Num Lock, which change no key here.
constexpr int shiftBit = 1;
constexpr int lockBits = 64 | 128;
constexpr int keyRelease = 3;  // the kitty protocol's event type for a key let go
// The kitty protocol's codes for the keypad's keys, from its 0, and for the
// modifier keys pressed alone, which are no key press of their own here.
constexpr int kittyKeypad = 57399;
constexpr std::string_view kittyKeypadKeys = "0123456789./*-+\r=";
constexpr int kittyModifiersFirst = 57441;
constexpr int kittyModifiersLast = 57454;
constexpr int privateUseFirst = 0xE000;
constexpr int privateUseLast = 0xF8FF;

// The extended keys by the codes a Windows console gives for them: a prefix
// and a code, or for a character key its code alone (second < 0). Only the
// key alone has a code here: with Shift, Ctrl or Alt held the console gives
// other codes, some of them letters the game acts on (Ctrl-F4 is "a"), so
// such a key reads as keyFunction alone.
struct consoleKey {
    int first;
    int second;
};
constexpr consoleKey noKey{-1, -1};

consoleKey cursorKey(unsigned char final)
{
    constexpr std::string_view finals = "ABCDHF";
    constexpr int codes[] = {keyUp, keyDown, keyRight, keyLeft, keyHome, keyEnd};
    size_t at = finals.find(static_cast<char>(final));
    return at == std::string_view::npos ? noKey : consoleKey{keyExtended, codes[at]};
}

// F1 to F12 by their number.
consoleKey functionKey(int n)
{
    bool low = n >= 1 && n <= 10;
    return low ? consoleKey{keyFunction, keyF1 + n - 1} : n == 11 || n == 12 ? consoleKey{keyExtended, keyF11 + n - 11} : noKey;
}

// The VT220 keys, ESC [ number ~, as xterm, rxvt and the Linux console send
// them (Home and End also as 1 and 4, or 7 and 8), F1 to F12 from 11 on.
consoleKey tildeKey(int number)
{
    constexpr int extended[] = {-1, keyHome, keyInsert, keyDelete, keyEnd, keyPageUp, keyPageDown, keyHome, keyEnd};
    constexpr int functions[] = {1, 2, 3, 4, 5, -1, 6, 7, 8, 9, 10, -1, 11, 12};
    if (number >= 1 && number <= 8) {
        return {keyExtended, extended[number]};
    }
    return number >= 11 && number <= 24 ? functionKey(functions[number - 11]) : noKey;
}

// A key by its character's code, as the kitty protocol (ESC [ code ; mods u)
// and xterm's modifyOtherKeys (ESC [ 27 ; mods ; code ~) send it. Alone it
// is the character the key types, so that Enter, Space, Esc and letters act
// as when sent plain; with Shift a letter is its capital (or the shifted
// key the terminal names); any other modifier makes one key of no meaning,
// as for the other keys.
consoleKey characterKey(int code, int shifted, int modifier, bool& modified)
{
    int bits = std::max(modifier - 1, 0) & ~lockBits;
    if (bits == shiftBit && (shifted > 0 || (code >= 'a' && code <= 'z'))) {
        code = shifted > 0 ? shifted : code - 'a' + 'A';
        bits = 0;
    }
    modified = bits != 0;
    if (code >= kittyModifiersFirst && code <= kittyModifiersLast) {
        return noKey;
    }
    if (code >= kittyKeypad && code < kittyKeypad + static_cast<int>(kittyKeypadKeys.size())) {
        return {kittyKeypadKeys[code - kittyKeypad], -1};
    }
    if (code > 0 && code < 0x80) {
        return {code, -1};
    }
    bool text = code >= 0xA0 && (code < privateUseFirst || code > privateUseLast);
    return code <= 0 ? noKey : consoleKey{text ? keyNonAscii : keyFunction, -1};
}

void startSequence(keyDecoder& d, decltype(keyDecoder::state) state)
{
    d = keyDecoder{};
    d.state = state;
}

// The end of a sequence: its key, if it is one, as one key press, and Alt
// with that key when ESC ESC began it. A sequence that is no key leaves the
// first of the two ESCs a key of its own.
void endSequence(keyDecoder& d, consoleKey key, bool modified, std::deque<int>& codes)
{
    bool silent = d.unusual || d.length > longestSequence || d.params[1][1] == keyRelease;
    if (silent || key.first < 0) {
        codes.insert(codes.end(), d.alt ? 1 : 0, esc);
    } else if (modified || d.alt) {
        codes.push_back(keyFunction);
    } else {
        codes.push_back(key.first);
        if (key.second >= 0) {
            codes.push_back(key.second);
        }
    }
    d = keyDecoder{};
}

bool beginCharacter(keyDecoder& d, unsigned char lead)
{
    d.utf8Lead = lead;
    d.utf8Left = lead >= 0xC2 && lead <= 0xDF ? 1 : lead >= 0xE0 && lead <= 0xEF ? 2 : lead >= 0xF0 && lead <= 0xF4 ? 3 : 0;
    return d.utf8Left > 0;
}

// A continuation byte of the character begun. C2 80 to C2 9F are the C1
// controls written in UTF-8, which read as their 8-bit byte.
bool continuesCharacter(const keyDecoder& d, unsigned char byte)
{
    return d.utf8Left > 0 && byte >= 0x80 && byte <= 0xBF && !(d.utf8Lead == 0xC2 && byte < 0xA0);
}

// The 8-bit forms of ESC [, ESC O and the string starts. Keys come in seven
// bits, so what these begin is a terminal's answer: swallowed, no key. The
// other C1 controls, ST among them, are dropped.
void decodeC1(keyDecoder& d, unsigned char byte)
{
    char kind = static_cast<char>(byte - 0x40);
    if (kind == '[' || kind == 'O') {
        startSequence(d, kind == '[' ? keyDecoder::csi : keyDecoder::ss3);
    } else if (stringStarts.find(kind) != std::string_view::npos) {
        startSequence(d, keyDecoder::string);
    }
    d.unusual = true;
}

void decodeGround(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    // One UTF-8 character is one key: its lead byte says how many bytes
    // follow, and none of them may pose as keyExtended or a letter.
    if (continuesCharacter(d, byte)) {
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
    } else if (byte < 0xA0) {
        decodeC1(d, byte);
    } else {
        beginCharacter(d, byte);  // or dropped, when it starts none
    }
}

// The ESC held (and the one before it, after ESC ESC) stood alone.
void loneEscape(keyDecoder& d, std::deque<int>& codes)
{
    codes.insert(codes.end(), d.alt ? 2 : 1, esc);
    d = keyDecoder{};
}

void decodeEscape(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    if (d.utf8Left > 0) {  // Alt with a character outside ASCII: one key
        if (!continuesCharacter(d, byte)) {
            loneEscape(d, codes);
            decodeGround(d, byte, codes);
        } else if (--d.utf8Left == 0) {
            d = keyDecoder{};
            codes.push_back(keyFunction);
        }
        return;
    }
    if (byte == '[' || byte == 'O') {
        bool alt = d.alt;
        startSequence(d, byte == '[' ? keyDecoder::csi : keyDecoder::ss3);
        d.alt = alt;
        return;
    }
    codes.insert(codes.end(), d.alt ? 1 : 0, esc);  // ESC ESC and no key sequence: the first was a key
    d.alt = false;
    if (byte == esc) {
        d.alt = true;
    } else if (stringStarts.find(static_cast<char>(byte)) != std::string_view::npos) {
        startSequence(d, keyDecoder::string);
    } else if (byte < 0x80) {
        // Alt with a character or a control (ESC CR is Alt-Enter): one key,
        // of no meaning here.
        d = keyDecoder{};
        codes.push_back(keyFunction);
    } else if (!beginCharacter(d, byte)) {
        loneEscape(d, codes);  // an 8-bit control or a stray byte
        decodeGround(d, byte, codes);
    }
}

// The final byte of ESC [ ...: the key it ends, if any.
void finishCsi(keyDecoder& d, unsigned char final, std::deque<int>& codes)
{
    if (d.linuxFunction) {
        endSequence(d, final >= 'A' && final <= 'E' ? functionKey(final - 'A' + 1) : noKey, false, codes);
        return;
    }
    if (d.length == 0 && (final == '[' || final == 'M')) {
        d.linuxFunction = final == '[';  // still inside the sequence, so still pending
        d.state = final == 'M' ? keyDecoder::mouse : keyDecoder::csi;
        d.mouseLeft = mouseCoordinates;
        return;
    }
    const auto& p = d.params;
    int modifier = d.paramCount >= 2 ? p[1][0] : 1;
    bool modified = modifier > 1;  // xterm's modifier: 1 plus bits for Shift, Alt and Ctrl
    bool firstIsOne = p[0][0] <= 1;  // absent or 1, as xterm sends it before a modifier
    consoleKey key = noKey;
    switch (final) {
    case 'A': case 'B': case 'C': case 'D': case 'H': case 'F':
        key = firstIsOne ? cursorKey(final) : noKey;
        break;
    // F1, F2 and F4 with a modifier. xterm sends F3 with one as ESC [ 1 ;
    // mods R, which is also the answer to a cursor position request for row
    // 1; the game never asks, but another program may have, and its late
    // answer must not start or end a game, so R reads as no key.
    case 'P': case 'Q': case 'S':
        key = d.paramCount >= 2 && firstIsOne ? functionKey(final - 'P' + 1) : noKey;
        break;
    case '~':
        key = p[0][0] == 27 && d.paramCount == 3 ? characterKey(p[2][0], 0, modifier, modified) : tildeKey(p[0][0]);
        break;
    case 'u':
        key = characterKey(p[0][0], p[0][1], modifier, modified);
        break;
    case '^':  // rxvt: a VT220 key with Ctrl, or with Ctrl and Shift
    case '@':
        key = tildeKey(p[0][0]);
        modified = true;
        break;
    case 'a': case 'b': case 'c': case 'd':  // rxvt: an arrow with Shift
        key = d.paramCount == 0 ? cursorKey(final - 'a' + 'A') : noKey;
        modified = true;
        break;
    case 'Z':
        key = d.paramCount == 0 ? consoleKey{keyFunction, keyBackTab} : noKey;
        break;
    default:
        break;  // a report (mouse, focus, size, position) or no key we know
    }
    endSequence(d, key, modified, codes);
}

// A parameter or intermediate byte of ESC [ ... or ESC O ...
void addParameterByte(keyDecoder& d, unsigned char byte)
{
    ++d.length;
    if (byte >= '0' && byte <= '9') {
        d.paramCount = std::max(d.paramCount, 1);
        if (d.paramCount <= 3 && d.subParam <= 1) {
            int& p = d.params[d.paramCount - 1][d.subParam];
            p = std::min(p * 10 + (byte - '0'), largestParameter);
        }
    } else if (byte == ';') {
        d.paramCount = std::max(d.paramCount, 1) + 1;
        d.subParam = 0;
    } else if (byte == ':') {
        d.paramCount = std::max(d.paramCount, 1);
        d.subParam = std::min(d.subParam + 1, 2);
    } else {
        d.unusual = true;  // a private marker or an intermediate
    }
    if (d.paramCount > 3 || d.length > longestSequence) {
        d.unusual = true;
        d.length = longestSequence + 1;  // and counted no further
    }
}

void decodeCsi(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    if (byte >= (d.linuxFunction ? 0x20 : 0x40) && byte <= 0x7E) {
        finishCsi(d, byte, codes);
    } else if (byte >= 0x20 && byte <= 0x3F) {
        addParameterByte(d, byte);
    } else {
        // A control or non-ASCII byte cannot belong to the sequence: drop what
        // came so far and read the byte afresh.
        endSequence(d, noKey, false, codes);
        decodeGround(d, byte, codes);
    }
}

// One coordinate of a mouse report a byte, counted at its first: after a
// byte that can lead a UTF-8 character (1005 mode) a continuation byte is
// part of the same coordinate.
void decodeMouse(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    if (d.utf8Left > 0 && byte >= 0x80 && byte <= 0xBF) {
        d.utf8Left = 0;
    } else if (d.mouseLeft == 0) {
        endSequence(d, noKey, false, codes);  // the last coordinate was a byte alone
        decodeGround(d, byte, codes);
        return;
    } else {
        d.utf8Left = byte >= 0xC2 && byte <= 0xDF ? 1 : 0;
        --d.mouseLeft;
    }
    if (d.mouseLeft == 0 && d.utf8Left == 0) {
        endSequence(d, noKey, false, codes);
    }
}

// ESC O and its final byte: a cursor key, F1 to F4, or the keypad in
// application mode; rxvt sends an arrow with Ctrl as ESC O and a small letter.
void finishSs3(keyDecoder& d, unsigned char final, std::deque<int>& codes)
{
    bool modified = d.params[0][0] > 1;
    consoleKey key = cursorKey(final);
    if (final == 'M' || final == 'I' || (final >= 'j' && final <= 'y')) {
        key = {final - keypadOffset, -1};
        modified = false;
    } else if (final == 'X') {
        key = {'=', -1};
    } else if (final >= 'P' && final <= 'S') {
        key = functionKey(final - 'P' + 1);
    } else if (final >= 'a' && final <= 'd') {
        key = cursorKey(final - 'a' + 'A');
        modified = true;
    }
    endSequence(d, key, modified, codes);
}

void decodeSs3(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    if (byte >= 0x40 && byte <= 0x7E) {
        finishSs3(d, byte, codes);
    } else if (byte >= 0x20 && byte <= 0x3F) {
        addParameterByte(d, byte);  // a modifier, as older xterms send it: ESC O 5 P
    } else {
        endSequence(d, noKey, false, codes);
        decodeGround(d, byte, codes);
    }
}

// Inside OSC, DCS, APC, PM or SOS: everything up to BEL or ST is swallowed,
// UTF-8 text included (E2 80 9C is a quotation mark, not ST). An ESC that
// is not ST cuts the string short and begins a sequence of its own.
void decodeString(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    d.length = std::min(d.length + 1, longestString);
    if (d.state == keyDecoder::stringEscape) {
        if (byte == '\\') {
            d = keyDecoder{};
        } else {
            startSequence(d, keyDecoder::escape);
            decodeEscape(d, byte, codes);
        }
    } else if (continuesCharacter(d, byte)) {
        --d.utf8Left;
    } else if (byte == bell || byte == st) {
        d = keyDecoder{};
    } else if (byte == esc) {
        d.state = keyDecoder::stringEscape;
    } else {
        beginCharacter(d, byte);
    }
}

}  // namespace

void decodeByte(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    switch (d.state) {
    case keyDecoder::ground: decodeGround(d, byte, codes); break;
    case keyDecoder::escape: decodeEscape(d, byte, codes); break;
    case keyDecoder::csi: decodeCsi(d, byte, codes); break;
    case keyDecoder::ss3: decodeSs3(d, byte, codes); break;
    case keyDecoder::mouse: decodeMouse(d, byte, codes); break;
    case keyDecoder::string:
    case keyDecoder::stringEscape: decodeString(d, byte, codes); break;
    }
}

void decodeTimeout(keyDecoder& d, std::deque<int>& codes)
{
    if (d.state == keyDecoder::escape) {
        loneEscape(d, codes);
        return;
    }
    bool introducerOnly = d.state != keyDecoder::ground && d.state != keyDecoder::mouse && d.length == 0 && !d.unusual;
    if (introducerOnly && !d.linuxFunction) {
        codes.push_back(keyFunction);  // ESC [, ESC O, ESC P ... alone: Alt with that character
    }
    d = keyDecoder{};
}

bool decoderPending(const keyDecoder& d)
{
    return d.state != keyDecoder::ground;
}
