#pragma once
// What the ANSI renderer (renderer.h) needs from the backend under it: the
// Unix terminal, the web page's terminal, or the tests' capture.

#include <string_view>

#include "screen/screen.h"

// Whether box glyphs go out as UTF-8 or as ASCII stand-ins.
extern bool terminalUtf8;
// Whether the terminal is the Linux kernel's console (TERM=linux), whose
// colours differ.
extern bool terminalLinuxConsole;

// Writes all of `bytes` to the terminal, however long it takes it.
void writeAll(std::string_view bytes);

// What the screen shows, for the way out to leave the cursor on a line of
// its own. Told on every change; cheap enough for every character.
enum terminalShowing : int { showingGameScreen, showingTextAtLineStart, showingTextMidLine };
void terminalNowShows(terminalShowing what);

// The bytes that give the terminal its own colours back and leave the
// cursor at the start of a line of its own, below the game screen when that
// shows. Made beforehand, for a signal handler to write.
inline std::string_view restoreSequence(terminalShowing showing)
{
    static_assert(screenHeight == 25, "the way out moves below the game screen's last row");
    switch (showing) {
    case showingGameScreen:
        return "\x1b[0m\x1b[25;1H\r\n";
    case showingTextMidLine:
        return "\x1b[0m\r\n";
    default:
        return "\x1b[0m";
    }
}
