// Output to an ANSI terminal. Everything goes into one buffer that is written
// out before the game waits for input. A record of the screen lets the
// output skip cells that already show the right glyph in the right colour,
// and cursor moves and colour changes that would change nothing.

#include <string>

#include "screen/console.h"
#include "screen/grid.h"
#include "screen/translate.h"
#include "screen/unix/terminal_state.h"

namespace {

constexpr int unknown = -1;

struct terminalOutput {
    std::string buffer;
    grid shown;
    bool gridKnown = false;  // since the first clear, `shown` is what the screen shows
    int x = 0, y = 0;        // where the next character goes
    int attribute = lightGrey;
    int terminalX = unknown, terminalY = unknown;  // where the terminal's cursor is
    int terminalAttribute = unknown;
    bool atLineStart = true;  // for writes before the first clear
};

terminalOutput out;

void syncCursor()
{
    if (out.terminalX != out.x || out.terminalY != out.y) {
        out.buffer += "\x1b[" + std::to_string(out.y + 1) + ";" + std::to_string(out.x + 1) + "H";
        out.terminalX = out.x;
        out.terminalY = out.y;
    }
}

void syncColour()
{
    if (out.terminalAttribute != out.attribute) {
        out.buffer += sgrFor(out.attribute);
        out.terminalAttribute = out.attribute;
    }
}

void writeOnGrid(char ch)
{
    glyph& cell = out.shown[out.y][out.x];
    glyph wanted{ch, out.attribute};
    if (cell != wanted) {
        syncCursor();
        syncColour();
        out.buffer += glyphText(ch, terminalUtf8);
        cell = wanted;
        // Past the last column a terminal may hold the cursor in place.
        out.terminalX = out.x + 1 < screenWidth ? out.x + 1 : unknown;
    }
    ++out.x;
}

// Text with no place on the grid: the instructions before the first clear,
// or anything beyond the game's 70 x 25 cells.
void writeOffGrid(char ch)
{
    if (out.gridKnown) {
        syncCursor();
    }
    syncColour();
    out.buffer += glyphText(ch, terminalUtf8);
    out.atLineStart = ch == '\n';
    if (ch == '\n') {
        out.x = 0;
        ++out.y;
        out.terminalX = out.terminalY = unknown;
    } else {
        ++out.x;
        if (out.terminalX != unknown) {
            ++out.terminalX;
        }
    }
}

}  // namespace

std::string_view restoreSequence()
{
    // Colours back to the terminal's own, then a fresh line below the game.
    if (out.gridKnown) {
        return "\x1b[0m\x1b[25;1H\r\n";
    }
    return out.atLineStart ? "\x1b[0m" : "\x1b[0m\r\n";
}

void consoleMove(int x, int y)
{
    out.x = x;
    out.y = y;
}

void consoleColor(int attribute)
{
    out.attribute = attribute;
}

void consoleWrite(std::string_view text)
{
    for (char ch : text) {
        if (out.gridKnown && ch != '\n' && onGrid(out.x, out.y)) {
            writeOnGrid(ch);
        } else {
            writeOffGrid(ch);
        }
    }
}

namespace {

// Cleared with a black background whatever the terminal's theme, since the
// whole game is drawn on black.
void clearTerminal()
{
    out.buffer += sgrFor(white);
    out.buffer += "\x1b[2J\x1b[H";
    out.terminalAttribute = white;
    out.shown = grid{};
    out.gridKnown = true;
    out.x = out.y = 0;
    out.terminalX = out.terminalY = 0;
}

}  // namespace

void consoleClear()
{
    terminalWaitForRoom();  // the game screen is only drawn where it fits
    clearTerminal();
}

void terminalMessage(std::string_view text)
{
    consoleFlush();
    // The record first: a signal may end the game as soon as the text is out.
    out.gridKnown = false;
    out.atLineStart = text.empty() || text.back() == '\n';
    out.terminalAttribute = out.terminalX = out.terminalY = unknown;
    writeAll("\x1b[0m\x1b[2J\x1b[H");
    writeAll(text);
}

void consoleFlush()
{
    if (out.gridKnown && onGrid(out.x, out.y)) {
        syncCursor();  // the cursor rests after the last character written
    }
    writeAll(out.buffer);
    out.buffer.clear();
}

void terminalRepaint()
{
    if (!out.gridKnown) {
        return;
    }
    grid wanted = out.shown;
    int x = out.x, y = out.y, attribute = out.attribute;
    out.terminalAttribute = unknown;
    clearTerminal();
    for (out.y = 0; out.y < screenHeight; ++out.y) {
        for (out.x = 0; out.x < screenWidth;) {
            out.attribute = wanted[out.y][out.x].colour;
            writeOnGrid(wanted[out.y][out.x].ch);  // blanks the clear already shows are skipped
        }
    }
    out.x = x;
    out.y = y;
    out.attribute = attribute;
}
