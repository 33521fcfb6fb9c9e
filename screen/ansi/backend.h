#pragma once
// What the ANSI renderer (renderer.h) needs from the backend under it: the
// Unix terminal, the web page's terminal, or the tests' capture. Each
// defines these; the renderer calls nothing else of theirs.

#include <string_view>

// Whether box glyphs go out as UTF-8 or as ASCII stand-ins.
extern bool terminalUtf8;

// Writes all of `bytes` to the terminal, however long it takes it.
void writeAll(std::string_view bytes);

// What the screen shows, for the way out to leave the cursor on a line of
// its own: the game screen, or running text (the instructions, a message)
// that stands at the start of a line or in it. Cheap enough for every
// character.
enum terminalShowing : int { showingGameScreen, showingTextAtLineStart, showingTextMidLine };
void terminalNowShows(terminalShowing what);
