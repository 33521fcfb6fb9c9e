#pragma once
// The screenshot tool: the real game in a pseudo-terminal, its output read
// back through libvterm, driven by keys to a mid-game position with a
// selection showing, and written out as an SVG picture.

#include <functional>
#include <string>
#include <string_view>

#include <sys/types.h>
#include <vterm.h>

// The game in its pseudo-terminal and the terminal's screen as libvterm
// sees it.
struct ptyGame {
    int fd = -1;
    pid_t pid = -1;
    VTerm* vt = nullptr;
    VTermScreen* screen = nullptr;
    int columns = 80;
    int rows = 25;
};

// What one cell shows: its character and its colours as indexes into the
// 16-colour palette (0 black to 15 white).
struct cellLook {
    char32_t ch = U' ';
    int foreground = 7;
    int background = 0;
};

// Starts the program in a columns x rows pseudo-terminal, as a player's
// UTF-8 xterm would run it.
bool startGame(ptyGame& game, const char* program);
// Reads what the game writes until ready() holds or timeoutMs has passed.
bool waitFor(ptyGame& game, const std::function<bool()>& ready, int timeoutMs);
void sendKeys(ptyGame& game, std::string_view keys);
// Ends the game with SIGTERM; returns its wait status.
int stopGame(ptyGame& game);

cellLook cellAt(const ptyGame& game, int x, int y);
// One row as text, one character per cell; anything outside ASCII is '#'.
std::string rowText(const ptyGame& game, int y);

// Keys the game from its instructions to a game in progress with a removal
// scored and a selection showing. Says on stderr what went wrong if it fails.
bool playToSelection(ptyGame& game);

// The screen as an SVG picture in the xterm palette.
std::string screenSvg(const ptyGame& game);
