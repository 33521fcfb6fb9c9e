#pragma once
// A record of the 70 x 25 game screen: one glyph (a code page 437 byte) and
// one colour attribute per cell, as the renderer and the tests' fake keep it.

#include <array>

#include "screen/screen.h"

struct glyph {
    char ch = ' ';
    int colour = white;  // what a cleared screen holds: blanks, white on black

    bool operator==(const glyph&) const = default;
};

using grid = std::array<std::array<glyph, screenWidth>, screenHeight>;

inline bool onGrid(int x, int y)
{
    return x >= 0 && x < screenWidth && y >= 0 && y < screenHeight;
}
