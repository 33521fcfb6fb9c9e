#pragma once
// The tests' console: it records what is drawn into a 70 x 25 grid of glyph
// and colour, plays back scripted key codes and keeps a simulated clock that
// moves only while the game waits.

#include <cstdint>
#include <string>
#include <string_view>

#include "screen/codec/grid.h"
#include "screen/codec/keycodes.h"

// A blank screen, an empty key queue and the clock at 0. Without
// keepTranscript nothing written is kept but the grid: a long fuzzing run
// would otherwise spend its memory on text no one reads.
void fakeReset(bool keepTranscript = true);

// Key codes (as the game reads them) that become available at the given
// simulated time; by default at once.
void fakeKeys(std::string_view codes, std::int64_t at = -1);
// The two codes of an extended key (keyLeft, keyRight ...), for fakeKeys.
inline std::string extendedKey(int code)
{
    return {static_cast<char>(keyExtended), static_cast<char>(code)};
}

const glyph& fakeAt(int x, int y);
std::string fakeRow(int y);          // the glyph bytes of one row
std::string fakeColumn(int x);       // the glyph bytes of one column, row 0 first
const std::string& fakeTranscript();  // every byte written since the reset, in order
std::int64_t fakeNow();
int fakeAttribute();  // the colour the next write would use

// True once a read asked for a key that was never scripted. Such a read
// answers "N", so that a scripted program always comes to an end.
bool fakeStarved();
