#pragma once
// The screenshot tool: the real game in a pseudo-terminal, its output read
// back through libvterm, driven by keys to a mid-game position with a
// selection showing, and written out as an SVG picture.

#include <functional>
#include <string>
#include <string_view>

// The game in its pseudo-terminal, read through libvterm: the pty toolkit.
#include "harness.h"

inline constexpr int screenColumns = 80;
inline constexpr int screenRows = 25;

// What one cell shows: its character and its colours as indexes into the
// 16-colour palette (0 black to 15 white).
struct cellLook {
    char32_t ch = U' ';
    int foreground = 7;
    int background = 0;
};

// Ends the game with SIGTERM; returns its wait status.
int stopGame(ptyGame& game);

cellLook cellAt(ptyGame& game, int x, int y);

// Keys the game from its instructions to a game in progress with a removal
// scored and a selection showing. Says on stderr what went wrong if it fails.
bool playToSelection(ptyGame& game);

// The screen as an SVG picture in the xterm palette.
std::string screenSvg(ptyGame& game);
