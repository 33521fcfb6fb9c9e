#pragma once
// What the ANSI renderer (renderer.h) needs from the backend under it: the
// Unix terminal, the web page's terminal, or the tests' capture.

#include <string_view>

// Whether box glyphs go out as UTF-8 or as ASCII stand-ins.
extern bool terminalUtf8;

// Writes all of `bytes` to the terminal, however long it takes it.
void writeAll(std::string_view bytes);

// What the screen shows, for the way out to leave the cursor on a line of
// its own. Told on every change; cheap enough for every character.
enum terminalShowing : int { showingGameScreen, showingTextAtLineStart, showingTextMidLine };
void terminalNowShows(terminalShowing what);
