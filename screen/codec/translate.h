#pragma once
// How the game's console colours and code page 437 glyphs are written on an
// ANSI terminal, and which Unicode characters the glyphs are.

#include <string>
#include <string_view>

// The terminal palette index (0 to 15) that shows a console colour code.
// Console colour codes run blue-green-red where ANSI runs red-green-blue;
// codes 8 to 15 are the bright colours in both.
constexpr int paletteIndex(int consoleColour)
{
    constexpr int ansi[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    return (consoleColour & 8) + ansi[consoleColour & 7];
}

// The SGR sequence that sets a console attribute (foreground + 16 * background).
std::string sgrFor(int attribute);

// The text that shows a code page 437 byte: its Unicode character in UTF-8,
// or a plain ASCII stand-in when the terminal cannot show UTF-8.
std::string_view glyphText(char cp437, bool utf8);

// The same character for consoles written in UTF-16, or '?' for a byte the
// game never draws.
char32_t glyphCodePoint(char cp437);
