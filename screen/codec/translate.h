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

// The SGR sequence that sets a console attribute (foreground + 16 *
// background) where the terminal has the attribute `after` set (negative
// when not known), on the Linux console (TERM=linux) or elsewhere. That
// console turns bold on with a light foreground (SGR 90-97) until a reset,
// which makes the next normal colour light: so a normal foreground after a
// light or unknown one starts with a reset, on every terminal. It has no
// light backgrounds (SGR 100-107 give the normal ones), so there a light
// background goes out as the normal one, the nearest it has.
std::string sgrFor(int attribute, int after = 0, bool linuxConsole = false);

// The text that shows a code page 437 byte: its Unicode character in UTF-8,
// or a plain ASCII stand-in when the terminal cannot show UTF-8.
std::string_view glyphText(char cp437, bool utf8);

// The same character for consoles written in UTF-16, or '?' for a byte the
// game never draws.
char32_t glyphCodePoint(char cp437);
