#pragma once
// Turns the bytes a terminal sends into the key codes the game reads, the
// codes a Windows console would give (screen/keycodes.h): an arrow key
// becomes two codes, keyExtended and then keyLeft or keyRight. Whatever else
// an escape sequence says never reaches the game as letters: ESC [ D must
// not read as "D".

#include <deque>

struct keyDecoder {
    enum { ground, escape, csi, ss3 } state = ground;
    bool plain = true;  // no parameter other than "1" and no intermediate so far
    int length = 0;     // bytes of the sequence so far, to give up on endless ones
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
