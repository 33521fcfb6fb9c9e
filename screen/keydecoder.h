#pragma once
// Turns the bytes a terminal sends into the key codes the game reads, the
// codes a Windows console would give (screen/keycodes.h): an arrow key
// becomes two codes, keyExtended and then keyLeft or keyRight. Every whole
// key is at least one code, so that any key can start the game; whatever
// else an escape sequence says never reaches the game as letters: ESC [ D
// must not read as "D", and a mouse report or a terminal's answer reads as
// nothing at all.

#include <array>
#include <deque>

struct keyDecoder {
    enum { ground, escape, csi, ss3 } state = ground;
    bool unusual = false;  // a private marker, intermediate or third parameter: no key sends one
    int length = 0;        // bytes of the sequence so far, to give up on endless ones
    std::array<int, 2> params{};  // the first two numeric parameters, 0 where absent
    int paramCount = 0;    // parameters begun so far
    bool linuxFunction = false;  // ESC [ [ came: one of the Linux console's F1 to F5 follows
    int mouseBytes = 0;    // raw bytes of an X10 mouse report still to swallow
    int utf8Left = 0;      // continuation bytes the character begun in ground still needs
};

// Feeds one byte; any key codes it completes are appended to `codes`.
void decodeByte(keyDecoder& decoder, unsigned char byte, std::deque<int>& codes);

// No byte followed in time: a lone ESC is a key of its own (keyEscape), an
// unfinished sequence is dropped.
void decodeTimeout(keyDecoder& decoder, std::deque<int>& codes);

// True while the decoder holds the start of an escape sequence.
bool decoderPending(const keyDecoder& decoder);

// How long the pending state may wait for its next byte before it is given
// up (decodeTimeout). A lone ESC is soon taken for the key it is; once
// ESC [ or ESC O has come, a key is being sent, and the rest of it may come
// late over a slow link, as terminal libraries allow for.
int decoderPatienceMs(const keyDecoder& decoder);
