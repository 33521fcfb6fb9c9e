#pragma once
// Turns the bytes a terminal sends into the key codes the game reads, the
// codes a Windows console would give (screen/codec/keycodes.h). Every whole
// key is at least one code, so that any key can start the game; whatever
// else an escape sequence says never reaches the game as letters: ESC [ D
// must not read as "D", and a mouse report or a terminal's answer (a string
// such as OSC, or anything begun by an 8-bit control) reads as nothing.

#include <array>
#include <deque>

struct keyDecoder {
    enum { ground, escape, csi, ss3, mouse, string, stringEscape } state = ground;
    bool alt = false;      // ESC ESC came: the sequence after it is a key with Alt
    bool notAKey = false;  // what no key sends came: a private marker, an intermediate, an 8-bit start, too many bytes
    int length = 0;        // bytes of the sequence so far, capped, to give up on endless ones
    std::array<std::array<int, 2>, 3> params{};  // the first three, each with its first sub-parameter; 0 where absent
    int paramCount = 0;    // parameters begun so far
    int subParam = 0;      // the sub-parameter the digits go to
    bool linuxFunction = false;  // ESC [ [ came: one of the Linux console's F1 to F5 follows
    int mouseLeft = 0;     // coordinates of a mouse report still to swallow
    int utf8Left = 0;      // continuation bytes the character begun still needs
    int utf8Lead = 0;      // that character's first byte
};

// Feeds one byte; any key codes it completes are appended to `codes`.
void decodeByte(keyDecoder& decoder, unsigned char byte, std::deque<int>& codes);

// No byte followed in time: a lone ESC is a key of its own (keyEscape), and
// ESC with one character that begins a sequence (ESC [, ESC P) is Alt with
// that character; any other unfinished sequence is dropped.
void decodeTimeout(keyDecoder& decoder, std::deque<int>& codes);

// True while the decoder holds the start of an escape sequence.
bool decoderPending(const keyDecoder& decoder);

// How long the pending state may wait for its next byte (then decodeTimeout).
// ESC means nothing to the game, so a lone ESC waits as long as a begun
// sequence: an arrow split over a slow link is still an arrow.
inline constexpr int decoderPatienceMs = 1000;
