// The game's drawing goes into a record of what the screen should show;
// only when the game is about to wait is it compared with a record of what
// the terminal shows, and the difference sent in one write. What was drawn
// and drawn over before then costs nothing, cells go in screen order, and
// the cursor gets there by the shortest sequence that does it.

#include <array>
#include <string>

#include "screen/console.h"
#include "screen/codec/grid.h"
#include "screen/codec/translate.h"
#include "screen/ansi/backend.h"
#include "screen/ansi/renderer.h"

namespace {

constexpr int unknown = -1;

struct terminalOutput {
    std::string buffer;
    grid wanted;             // what the game has drawn
    grid shown;              // what the terminal shows, once `buffer` is written
    // Rows where `wanted` may differ from `shown`: a flush looks at those only.
    std::array<bool, screenHeight> rowChanged{};
    bool gridKnown = false;  // since the first clear, `shown` is what the screen shows
    bool gameDrawn = false;  // a clear has been, so `wanted` holds a game screen
    int x = 0, y = 0;        // where the game's next character goes
    int attribute = lightGrey;
    int terminalX = unknown, terminalY = unknown;  // where the terminal's cursor is
    int terminalAttribute = unknown;
};

terminalOutput out;

using std::to_string;

// From the terminal's cursor to column x of its own row, or "" when it is
// there. Going right may mean writing again the cells in between, when they
// already show what they should in the current colour and that is shorter.
std::string alongRow(int from, int to, int row)
{
    if (to == from) {
        return "";
    }
    if (to < from) {
        int n = from - to;
        return n <= 3 ? std::string(static_cast<size_t>(n), '\b') : "\x1b[" + to_string(n) + "D";
    }
    int n = to - from;
    std::string skip = n == 1 ? "\x1b[C" : "\x1b[" + to_string(n) + "C";
    std::string again;
    for (int x = from; x < to && again.size() < skip.size(); ++x) {
        const glyph& cell = out.shown[row][x];
        if (cell.colour != out.terminalAttribute || cell != out.wanted[row][x]) {
            return skip;
        }
        again += glyphText(cell.ch, terminalUtf8);
    }
    return again.size() < skip.size() ? again : skip;
}

std::string shortest(std::string a, std::string b)
{
    return b.size() < a.size() ? b : a;
}

void moveTo(int x, int y)
{
    if (out.terminalX == x && out.terminalY == y) {
        return;
    }
    std::string move = x == 0 ? "\x1b[" + to_string(y + 1) + "H" : "\x1b[" + to_string(y + 1) + ";" + to_string(x + 1) + "H";
    if (out.terminalY != unknown) {
        int down = y - out.terminalY;
        // Index (ESC D) keeps the column; it scrolls only from the window's
        // last row, below the game, as the scroll region is the whole window.
        std::string vertical = down == 0 ? ""
                               : down == 1  ? "\x1b" "D"
                               : down > 0   ? "\x1b[" + to_string(down) + "B"
                               : down == -1 ? "\x1b[A"
                                            : "\x1b[" + to_string(-down) + "A";
        if (out.terminalX != unknown) {
            move = shortest(move, vertical + alongRow(out.terminalX, x, y));
        }
        move = shortest(move, vertical + "\r" + alongRow(0, x, y));
    }
    out.buffer += move;
    out.terminalX = x;
    out.terminalY = y;
}

void syncColour(int attribute)
{
    if (out.terminalAttribute != attribute) {
        out.buffer += sgrFor(attribute, out.terminalAttribute, terminalLinuxConsole);
        out.terminalAttribute = attribute;
    }
}

void sendChanges()
{
    if (!out.gridKnown) {
        return;
    }
    for (int y = 0; y < screenHeight; ++y) {
        if (!out.rowChanged[y]) {
            continue;
        }
        out.rowChanged[y] = false;
        for (int x = 0; x < screenWidth; ++x) {
            const glyph& cell = out.wanted[y][x];
            if (cell == out.shown[y][x]) {
                continue;
            }
            moveTo(x, y);
            syncColour(cell.colour);
            out.buffer += glyphText(cell.ch, terminalUtf8);
            out.shown[y][x] = cell;
            // Past the last column a terminal may hold the cursor in place.
            out.terminalX = x + 1 < screenWidth ? x + 1 : unknown;
        }
    }
}

// Text before the first clear (the instructions) or after a message runs on
// from the terminal's cursor, in the terminal's own colours, so that it
// reads on a light theme as on a dark one.
void writeRunningText(char ch)
{
    out.buffer += glyphText(ch, terminalUtf8);
    terminalNowShows(ch == '\n' ? showingTextAtLineStart : showingTextMidLine);
}

}  // namespace

void consoleMove(int x, int y)
{
    out.x = x;
    out.y = y;
}

void consoleColor(int attribute)
{
    out.attribute = attribute;
}

// Once the game screen is drawn, text outside its cells is dropped and a
// newline only moves to the next row: in a window no larger than the game,
// such text would land on the game's cells, and a newline scroll them.
void consoleWrite(std::string_view text)
{
    for (char ch : text) {
        if (!out.gridKnown) {
            writeRunningText(ch);
        } else if (ch == '\n') {
            out.x = 0;
            ++out.y;
        } else {
            if (onGrid(out.x, out.y)) {
                out.wanted[out.y][out.x] = glyph{ch, out.attribute};
                out.rowChanged[out.y] = true;
            }
            ++out.x;
        }
    }
}

namespace {

// Cleared on black. Not every terminal erases in the current background (GNU
// screen as it comes does not, whatever TERM says), so the next flush sends
// every cleared cell, blanks as black spaces too.
void clearTerminal()
{
    syncColour(white);
    // Origin mode off first, so that cursor moves count from the window's
    // top left: setting it homes the cursor, which the clear does anyway.
    out.buffer += "\x1b[?6l\x1b[2J\x1b[H";
    for (auto& row : out.shown) {
        row.fill(glyph{'\0', unknown});
    }
    out.rowChanged.fill(true);
    out.terminalX = out.terminalY = 0;
}

}  // namespace

void ansiClear()
{
    clearTerminal();
    out.wanted = grid{};  // what was drawn and not yet sent is cleared away with the rest
    out.gridKnown = true;
    out.gameDrawn = true;
    terminalNowShows(showingGameScreen);
    out.x = out.y = 0;
}

void consoleFlush()
{
    sendChanges();
    if (out.gridKnown && onGrid(out.x, out.y)) {
        moveTo(out.x, out.y);  // the cursor rests after the last character written
    }
    writeAll(out.buffer);
    out.buffer.clear();
}

bool terminalShowsGame()
{
    return out.gridKnown;
}

void terminalRepaint()
{
    if (!out.gameDrawn) {
        return;
    }
    out.gridKnown = true;
    terminalNowShows(showingGameScreen);
    out.terminalAttribute = unknown;
    clearTerminal();
}

void terminalMessage(std::string_view text)
{
    consoleFlush();
    // The record first: a signal may end the game as soon as the text is out.
    out.gridKnown = false;
    out.terminalAttribute = out.terminalX = out.terminalY = unknown;
    terminalNowShows(text.empty() || text.back() == '\n' ? showingTextAtLineStart : showingTextMidLine);
    writeAll("\x1b[0m\x1b[2J\x1b[H");
    writeAll(text);
}
