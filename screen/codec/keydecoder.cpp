#include "screen/codec/keydecoder.h"

#include <algorithm>
#include <string_view>

#include "screen/codec/keycodes.h"

namespace {

// Past this a sequence is garbage: swallowed to its final byte, never a key.
constexpr int longestSequence = 32;
// A string (a title, a colour) is swallowed whole however long; its count stops here.
constexpr int longestString = 4096;
// One past the last Unicode character: no run of digits may overflow.
constexpr int largestParameter = 0x110000;
// Button, column and row after ESC [ M: bytes, or in 1005 mode UTF-8 past 95.
constexpr int mouseCoordinates = 3;
// The keypad in application mode: ESC O and the key's character plus this.
constexpr int keypadOffset = 0x40;
// After ESC these begin OSC, DCS, APC, PM and SOS, which end with BEL or ST.
constexpr std::string_view stringStarts = "]P_^X";
constexpr unsigned char bell = 0x07, st = 0x9C;
// The modifier is 1 plus these bits; kitty's Caps Lock and Num Lock change no key.
constexpr int shiftBit = 1, lockBits = 64 | 128;
constexpr int keyRelease = 3;  // the kitty protocol's event type for a key let go
// kitty's keypad keys from its 0, and its modifier keys, alone no key press here.
constexpr int kittyKeypad = 57399;
constexpr std::string_view kittyKeypadKeys = "0123456789./*-+\r=";
constexpr int kittyModifiersFirst = 57441, kittyModifiersLast = 57454;
constexpr int privateUseFirst = 0xE000, privateUseLast = 0xF8FF;

// A key as a Windows console gives it: a prefix and a code, or a character
// key's code alone (second < 0). With Shift, Ctrl or Alt held the console gives
// other codes, some letters the game acts on (Ctrl-F4 is "a"): keyOfNoMeaning.
struct consoleKey { int first; int second; };
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
// and xterm's modifyOtherKeys (ESC [ 27 ; mods ; code ~) send it. Alone it is
// the character, so Enter, Space, Esc and letters act as when sent plain; with
// Shift a letter is its capital (or the shifted key the terminal names).
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
    return code <= 0 ? noKey : consoleKey{text ? keyNonAscii : keyOfNoMeaning, -1};
}

void startSequence(keyDecoder& d, decltype(keyDecoder::state) state, bool alt = false)
{
    d = keyDecoder{};
    d.state = state;
    d.alt = alt;
}

void keyWithoutMeaning(keyDecoder& d, std::deque<int>& codes)
{
    d = keyDecoder{};
    codes.push_back(keyOfNoMeaning);
}

// The end of a sequence: its key, if any, as one key press (Alt with it after
// ESC ESC); a sequence that is no key leaves the first of two ESCs a key.
void endSequence(keyDecoder& d, consoleKey key, bool modified, std::deque<int>& codes)
{
    if (d.notAKey || d.length > longestSequence || d.params[1][1] == keyRelease || key.first < 0) {
        codes.insert(codes.end(), d.alt ? 1 : 0, keyEscape);
    } else if (modified || d.alt) {
        codes.push_back(keyOfNoMeaning);
    } else {
        codes.push_back(key.first);
        codes.insert(codes.end(), key.second >= 0 ? 1 : 0, key.second);
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

void decodeGround(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    // One UTF-8 character is one key: no byte of it may pose as keyExtended or a letter.
    if (continuesCharacter(d, byte)) {
        codes.insert(codes.end(), --d.utf8Left == 0 ? 1 : 0, keyNonAscii);
        return;
    }
    d.utf8Left = 0;  // anything else ends a character begun: it was broken
    if (byte == keyEscape) {
        startSequence(d, keyDecoder::escape);
    } else if (byte < 0x80) {
        codes.push_back(byte);
    } else if (byte >= 0xA0) {
        beginCharacter(d, byte);  // or dropped, when it starts none
    } else {
        // 8-bit ESC [, ESC O or string start: keys come in seven bits, so this is a
        // terminal's answer, swallowed. The other C1 controls, ST too, are dropped.
        char kind = static_cast<char>(byte - 0x40);
        if (kind == '[' || kind == 'O') {
            startSequence(d, kind == '[' ? keyDecoder::csi : keyDecoder::ss3);
        } else if (stringStarts.find(kind) != std::string_view::npos) {
            startSequence(d, keyDecoder::string);
        }
        d.notAKey = true;
    }
}

// The ESC held (and the one before it, after ESC ESC) stood alone.
void loneEscape(keyDecoder& d, std::deque<int>& codes)
{
    codes.insert(codes.end(), d.alt ? 2 : 1, keyEscape);
    d = keyDecoder{};
}

void decodeEscape(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    if (d.utf8Left > 0) {  // Alt with a character outside ASCII: one key
        if (!continuesCharacter(d, byte)) {
            loneEscape(d, codes);
            decodeGround(d, byte, codes);
        } else if (--d.utf8Left == 0) {
            keyWithoutMeaning(d, codes);
        }
        return;
    }
    if (byte == '[' || byte == 'O') {
        startSequence(d, byte == '[' ? keyDecoder::csi : keyDecoder::ss3, d.alt);
        return;
    }
    codes.insert(codes.end(), d.alt ? 1 : 0, keyEscape);  // ESC ESC and no key sequence: the first was a key
    d.alt = byte == keyEscape;
    if (stringStarts.find(static_cast<char>(byte)) != std::string_view::npos) {
        startSequence(d, keyDecoder::string);
    } else if (byte < 0x80 && byte != keyEscape) {
        keyWithoutMeaning(d, codes);  // Alt with a character or a control (ESC CR is Alt-Enter)
    } else if (byte >= 0x80 && !beginCharacter(d, byte)) {
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
    // Any final not named here is a report (mouse, focus, size...) or unknown.
    consoleKey key = firstIsOne ? cursorKey(final) : noKey;
    if (final == 'P' || final == 'Q' || final == 'S') {
        // F1, F2 and F4 with a modifier. xterm's F3 with one, ESC [ 1 ; mods R,
        // is also a cursor position report for row 1, maybe another program's
        // late answer, which must not start or end a game: R is no key.
        key = d.paramCount >= 2 && firstIsOne ? functionKey(final - 'P' + 1) : noKey;
    } else if (final == '~') {
        key = p[0][0] == 27 && d.paramCount == 3 ? characterKey(p[2][0], 0, modifier, modified) : tildeKey(p[0][0]);
    } else if (final == 'u') {
        key = characterKey(p[0][0], p[0][1], modifier, modified);
    } else if (final == '^' || final == '@') {  // rxvt: a VT220 key with Ctrl, or with Ctrl and Shift
        key = tildeKey(p[0][0]);
        modified = true;
    } else if (final >= 'a' && final <= 'd') {  // rxvt: an arrow with Shift
        key = d.paramCount == 0 ? cursorKey(final - 'a' + 'A') : noKey;
        modified = true;
    } else if (final == 'Z') {
        key = d.paramCount == 0 ? consoleKey{keyFunction, keyBackTab} : noKey;
    }
    endSequence(d, key, modified, codes);
}

// ESC O and its final byte: a cursor key, F1 to F4, or the keypad in
// application mode; rxvt sends an arrow with Ctrl as ESC O and a small letter.
void finishSs3(keyDecoder& d, unsigned char final, std::deque<int>& codes)
{
    bool modified = d.params[0][0] > 1;  // as older xterms send it: ESC O 5 P
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

// A parameter or intermediate byte of ESC [ ... or ESC O ...
void addParameterByte(keyDecoder& d, unsigned char byte)
{
    ++d.length;
    bool digit = byte >= '0' && byte <= '9';
    if (digit || byte == ';' || byte == ':') {
        d.paramCount = std::max(d.paramCount, 1) + (byte == ';' ? 1 : 0);
        d.subParam = byte == ';' ? 0 : byte == ':' ? std::min(d.subParam + 1, 2) : d.subParam;
    } else {
        d.notAKey = true;  // a private marker or an intermediate
    }
    if (digit && d.paramCount <= 3 && d.subParam <= 1) {
        int& p = d.params[d.paramCount - 1][d.subParam];
        p = std::min(p * 10 + (byte - '0'), largestParameter);
    }
    if (d.paramCount > 3 || d.length > longestSequence) {
        d.notAKey = true;
        d.length = longestSequence + 1;  // and counted no further
    }
}

// A byte that cannot belong to the sequence ends it as no key, and is read afresh.
void breakSequence(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    endSequence(d, noKey, false, codes);
    decodeGround(d, byte, codes);
}

void decodeSequence(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    if (byte >= (d.linuxFunction ? 0x20 : 0x40) && byte <= 0x7E) {
        d.state == keyDecoder::csi ? finishCsi(d, byte, codes) : finishSs3(d, byte, codes);
    } else if (byte >= 0x20 && byte <= 0x3F) {
        addParameterByte(d, byte);
    } else {
        breakSequence(d, byte, codes);
    }
}

// One coordinate of a mouse report a byte, but after a UTF-8 lead byte (1005
// mode) a continuation byte belongs to the same coordinate.
void decodeMouse(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    if (d.utf8Left > 0 && byte >= 0x80 && byte <= 0xBF) {
        d.utf8Left = 0;
    } else if (d.mouseLeft == 0) {
        breakSequence(d, byte, codes);  // the last coordinate was a byte alone
        return;
    } else {
        d.utf8Left = byte >= 0xC2 && byte <= 0xDF ? 1 : 0;
        --d.mouseLeft;
    }
    if (d.mouseLeft == 0 && d.utf8Left == 0) {
        endSequence(d, noKey, false, codes);
    }
}

// Inside OSC, DCS, APC, PM or SOS: everything up to BEL or ST is swallowed,
// UTF-8 text included (E2 80 9C is a quotation mark, not ST). An ESC that
// is not ST cuts the string short and begins a sequence of its own.
void decodeString(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    d.length = std::min(d.length + 1, longestString);
    if (d.state == keyDecoder::stringEscape) {
        startSequence(d, byte == '\\' ? keyDecoder::ground : keyDecoder::escape);
        if (byte != '\\') {
            decodeEscape(d, byte, codes);
        }
    } else if (continuesCharacter(d, byte)) {
        --d.utf8Left;
    } else if (byte == bell || byte == st) {
        d = keyDecoder{};
    } else if (byte == keyEscape) {
        d.state = keyDecoder::stringEscape;
    } else {
        beginCharacter(d, byte);
    }
}

}  // namespace

void decodeByte(keyDecoder& d, unsigned char byte, std::deque<int>& codes)
{
    // By state: ground, escape, csi, ss3, mouse, string, stringEscape.
    constexpr void (*decoders[])(keyDecoder&, unsigned char, std::deque<int>&) = {
        decodeGround, decodeEscape, decodeSequence, decodeSequence, decodeMouse, decodeString, decodeString};
    decoders[d.state](d, byte, codes);
}

void decodeTimeout(keyDecoder& d, std::deque<int>& codes)
{
    if (d.state == keyDecoder::escape) {
        loneEscape(d, codes);
        return;
    }
    // ESC [, ESC O, ESC P ... alone: Alt with that character
    bool introducerOnly = d.state != keyDecoder::ground && d.state != keyDecoder::mouse && d.length == 0 && !d.notAKey;
    codes.insert(codes.end(), introducerOnly && !d.linuxFunction ? 1 : 0, keyOfNoMeaning);
    d = keyDecoder{};
}

bool decoderPending(const keyDecoder& d)
{
    return d.state != keyDecoder::ground;
}
