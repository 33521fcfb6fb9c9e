// Arbitrary bytes become drawing calls on the real Unix output layer; after
// every flush the bytes it wrote go through libvterm, a real terminal
// emulator, and the emulated screen must show exactly what was drawn: every
// cell's glyph and colours, and the cursor where the last write ended.
// Before the first clear (the instructions) and after a message of the
// terminal layer's own, text runs on like a teletype in the terminal's own
// colours and is checked as such.
//
// The input's first byte chooses the mode, every later byte starts a call:
// its top four bits say which (drawing calls take more of the sixteen than
// clears and flushes, as in the game), the low four are an argument, and
// some calls take the bytes after them too.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>

#include <vterm.h>

#include "captured_output.h"
#include "erase_in_default_colours.h"
#include "screen/console.h"
#include "screen/codec/grid.h"
#include "screen/screen.h"
#include "screen/codec/translate.h"
#include "screen/ansi/backend.h"
#include "screen/ansi/renderer.h"

namespace {

// Mode bits of the first byte.
constexpr int asciiMode = 1;  // box glyphs as ASCII stand-ins, as without a UTF-8 locale
constexpr int wideMode = 2;   // an 80-column window instead of one exactly as wide as the game
constexpr int noBceMode = 4;  // a terminal without back-colour erase (GNU screen), of which the output knows nothing

constexpr int rows = screenHeight;
constexpr int maxColumns = 80;

enum call {
    moveCall,     // x from the argument and the next byte, y from the byte after; both may be off the grid
    colourCall,   // the next byte is the attribute: all 16 x 16
    textCall,     // argument + 1 glyphs, one per following byte
    columnCall,   // one glyph (next byte) down 2 * argument + 1 rows, as frame and bracket are drawn
    clearCall,
    flushCall,
    repaintCall,  // the terminal lost its content (a suspend, a resize); argument picks what it shows
    messageCall,  // the terminal layer's own message; the next byte sets its length
};

// Flushes (each one checked) and the calls that redraw everything (checked
// everywhere) are rarer than drawing, as in the game, or they would take
// most of a run: the last two slots are shared by argument.
constexpr call calls[16] = {
    moveCall, moveCall, moveCall, moveCall, colourCall, colourCall, textCall, textCall,
    textCall, textCall, textCall, columnCall, columnCall, flushCall, clearCall, repaintCall,
};

call callOf(std::uint8_t byte)
{
    int argument = byte & 15;
    switch (calls[byte >> 4]) {
    case clearCall:
        return argument < 4 ? clearCall : textCall;
    case repaintCall:
        return argument < 4 ? repaintCall : argument < 8 ? messageCall : textCall;
    default:
        return calls[byte >> 4];
    }
}

// Every glyph the game writes: printable ASCII, the box glyphs and newline.
constexpr char boxGlyphs[] = {glyphFrame, glyphBracketSide, glyphBracketLeft, glyphBracketMiddle, glyphBracketRight};
constexpr int boxGlyphCount = static_cast<int>(std::size(boxGlyphs));
constexpr int glyphCount = 95 + boxGlyphCount + 1;

char glyphFor(std::uint8_t byte)
{
    int n = byte % glyphCount;
    return n < 95                   ? static_cast<char>(' ' + n)
           : n < 95 + boxGlyphCount ? boxGlyphs[n - 95]
                                    : '\n';
}

// What a cell must show: a character and palette indices, -1 for the
// terminal's default colour. Colours may be left open where the game never
// chose them (lines scrolled in under text written before the first clear).
struct expected {
    char32_t ch = U' ';
    int foreground = -1, background = -1;
    bool coloursKnown = true;
};

struct model {
    std::array<std::array<expected, maxColumns>, rows> screen{};
    int columns = screenWidth;
    bool gridKnown = false;  // cleared and drawn on as a 70 x 25 grid
    int x = 0, y = 0;        // where the game's next character goes, once the grid is known
    int attribute = lightGrey;
    int ttyX = 0, ttyY = 0;  // the terminal's cursor for text that runs on
    bool pendingWrap = false;
    bool utf8 = true;
    bool erasesInColour = true;
    // The cells to compare at the next check, from..to (exclusive) in each
    // row: those the game drew on and those the emulator changed. The rest
    // matched at the last check and still do; reading only these made the
    // fuzzer several times faster.
    std::array<int, rows> dirtyFrom{}, dirtyTo{};
};

model current;

void touch(int row, int from, int to)
{
    auto y = static_cast<size_t>(row);
    if (current.dirtyFrom[y] >= current.dirtyTo[y]) {
        current.dirtyFrom[y] = from;
        current.dirtyTo[y] = to;
    } else {
        current.dirtyFrom[y] = std::min(current.dirtyFrom[y], from);
        current.dirtyTo[y] = std::max(current.dirtyTo[y], to);
    }
}

void touchAll()
{
    current.dirtyFrom.fill(0);
    current.dirtyTo.fill(maxColumns);
}

void touchRect(VTermRect rect)
{
    for (int y = std::max(rect.start_row, 0); y < rect.end_row && y < rows; ++y) {
        touch(y, std::max(rect.start_col, 0), std::min(rect.end_col, maxColumns));
    }
}

int damaged(VTermRect rect, void*)
{
    touchRect(rect);
    return 1;
}

int moved(VTermRect dest, VTermRect, void*)
{
    touchRect(dest);
    return 0;  // the screen then reports the area as damaged too
}

// The character a glyph shows: its Unicode character, or without UTF-8 the
// one-byte ASCII stand-in.
char32_t shownAs(const model& m, char ch)
{
    return m.utf8 ? glyphCodePoint(ch) : static_cast<unsigned char>(glyphText(ch, false)[0]);
}

expected cellOf(const model& m, char ch, int attribute)
{
    return expected{shownAs(m, ch), paletteIndex(attribute & 15), paletteIndex(attribute >> 4), true};
}

VTerm* terminal()
{
    static VTerm* vt = [] {
        static VTermScreenCallbacks callbacks{};
        callbacks.damage = damaged;
        callbacks.moverect = moved;
        VTerm* created = vterm_new(rows, maxColumns);
        vterm_set_utf8(created, 1);
        vterm_screen_set_callbacks(vterm_obtain_screen(created), &callbacks, nullptr);
        vterm_screen_reset(vterm_obtain_screen(created), 1);
        return created;
    }();
    return vt;
}

// The terminal's own bytes, as a pseudo-terminal passes them on: output
// post-processing stays on in game mode, so a newline arrives as CR LF.
void feed(std::string_view bytes)
{
    static std::string translated;
    translated.clear();
    for (char c : bytes) {
        if (c == '\n') {
            translated += "\r\n";
        } else {
            translated += c;
        }
    }
    if (!current.erasesInColour) {
        eraseInDefaultColours(translated);
    }
    vterm_input_write(terminal(), translated.data(), translated.size());
}

void lineFeed(model& m)
{
    if (m.ttyY < rows - 1) {
        ++m.ttyY;
        return;
    }
    touchAll();
    for (int y = 0; y + 1 < rows; ++y) {
        m.screen[static_cast<size_t>(y)] = m.screen[static_cast<size_t>(y + 1)];
    }
    m.screen[rows - 1].fill(expected{U' ', -1, -1, false});
}

// Text where the terminal's cursor is, wrapping at its right edge.
void runOn(model& m, const expected& cell, bool newline)
{
    if (newline) {
        m.ttyX = 0;
        m.pendingWrap = false;
        lineFeed(m);
        return;
    }
    if (m.pendingWrap) {
        m.ttyX = 0;
        m.pendingWrap = false;
        lineFeed(m);
    }
    m.screen[static_cast<size_t>(m.ttyY)][static_cast<size_t>(m.ttyX)] = cell;
    touch(m.ttyY, m.ttyX, m.ttyX + 1);
    if (m.ttyX == m.columns - 1) {
        m.pendingWrap = true;
    } else {
        ++m.ttyX;
    }
}

void blank(model& m, const expected& cell)
{
    for (auto& row : m.screen) {
        row.fill(cell);
    }
    touchAll();
}

void write(model& m, char ch)
{
    consoleWrite(std::string_view(&ch, 1));
    if (!m.gridKnown) {
        runOn(m, expected{shownAs(m, ch), -1, -1, true}, ch == '\n');  // in the terminal's own colours
    } else if (ch == '\n') {
        m.x = 0;
        ++m.y;
    } else {
        if (onGrid(m.x, m.y)) {
            m.screen[static_cast<size_t>(m.y)][static_cast<size_t>(m.x)] = cellOf(m, ch, m.attribute);
            touch(m.y, m.x, m.x + 1);
        }
        ++m.x;
    }
}

void move(model& m, int x, int y)
{
    consoleMove(x, y);
    m.x = x;
    m.y = y;
}

void clear(model& m)
{
    consoleClear();
    blank(m, cellOf(m, ' ', white));
    m.gridKnown = true;
    m.x = m.y = 0;
}

[[noreturn]] void broken(const char* what, int x, int y)
{
    std::fprintf(stderr, "screen differs from what was drawn: %s at column %d, row %d\n", what, x, y);
    std::abort();
}

int colourIndex(const VTermColor& colour, bool foreground)
{
    if (foreground ? VTERM_COLOR_IS_DEFAULT_FG(&colour) : VTERM_COLOR_IS_DEFAULT_BG(&colour)) {
        return -1;
    }
    return VTERM_COLOR_IS_INDEXED(&colour) ? colour.indexed.idx : -2;
}

void check(model& m)
{
    VTermScreen* screen = vterm_obtain_screen(terminal());
    vterm_screen_flush_damage(screen);
    int width = m.gridKnown ? screenWidth : m.columns;
    for (int y = 0; y < rows; ++y) {
        auto row = static_cast<size_t>(y);
        for (int x = m.dirtyFrom[row]; x < m.dirtyTo[row] && x < width; ++x) {
            VTermScreenCell cell{};
            vterm_screen_get_cell(screen, VTermPos{y, x}, &cell);
            const expected& want = m.screen[static_cast<size_t>(y)][static_cast<size_t>(x)];
            char32_t shown = cell.chars[0] == 0 ? U' ' : static_cast<char32_t>(cell.chars[0]);
            if (shown != want.ch) {
                broken("glyph", x, y);
            }
            if (want.coloursKnown && colourIndex(cell.fg, true) != want.foreground) {
                broken("foreground", x, y);
            }
            if (want.coloursKnown && colourIndex(cell.bg, false) != want.background) {
                broken("background", x, y);
            }
        }
    }
    VTermPos cursor{};
    vterm_state_get_cursorpos(vterm_obtain_state(terminal()), &cursor);
    if (m.gridKnown && onGrid(m.x, m.y) && (cursor.col != m.x || cursor.row != m.y)) {
        broken("cursor", cursor.col, cursor.row);
    }
    if (!m.gridKnown && (cursor.col != m.ttyX || cursor.row != m.ttyY)) {
        broken("cursor after text", cursor.col, cursor.row);
    }
    m.dirtyFrom.fill(0);
    m.dirtyTo.fill(0);
}

void flush(model& m)
{
    consoleFlush();
    feed(capturedOutput());
    capturedOutput().clear();
    check(m);
}

// What a terminal may show when the game gets it back: the game's own way
// out (its colours given back and a fresh line), then a shell's doing.
void loseContent(int how)
{
    feed(restoreSequence(capturedShowing()));
    static const std::string_view shown[] = {
        "$ fg\n",
        "\x1b[1;31mred\x1b[7m reversed\x1b[0m\n",
        "\x1b[2J\x1b[10;20Hsomewhere",
        "\x1b[44m\x1b[2J",
    };
    feed(shown[how % 4]);
}

void message(model& m, int length)
{
    static const std::string_view text =
        "needs at least 70x25, this terminal is 64x20: enlarge it, or press Ctrl-C";
    std::string_view shown = text.substr(0, static_cast<size_t>(length) % (text.size() + 1));
    // Flushed first, as the layer does; what was drawn so far must be out.
    flush(m);
    terminalMessage(shown);
    blank(m, expected{});
    m.gridKnown = false;
    m.ttyX = m.ttyY = 0;
    m.pendingWrap = false;
    for (char c : shown) {
        runOn(m, expected{static_cast<unsigned char>(c), -1, -1, true}, false);
    }
    feed(capturedOutput());
    capturedOutput().clear();
    check(m);
}

// The layer and the emulator as a program starting finds them: a terminal
// showing nothing, the output knowing nothing of it.
void start(model& m, int mode)
{
    consoleFlush();
    terminalMessage("");
    consoleMove(0, 0);
    consoleColor(lightGrey);
    capturedOutput().clear();
    terminalUtf8 = (mode & asciiMode) == 0;
    m = model{};
    touchAll();
    m.utf8 = terminalUtf8;
    m.erasesInColour = (mode & noBceMode) == 0;
    m.columns = (mode & wideMode) != 0 ? maxColumns : screenWidth;
    vterm_set_size(terminal(), rows, m.columns);
    vterm_screen_reset(vterm_obtain_screen(terminal()), 1);
}

}  // namespace

// AddressSanitizer's quarantine of freed memory, as in the key fuzzer: kept
// to 16 MB, the memory stays flat instead of filling 256 MB in a minute.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=16";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    model& m = current;
    start(m, size > 0 ? data[0] : 0);
    std::size_t i = 1;
    auto next = [&]() -> std::uint8_t { return i < size ? data[i++] : 0; };
    while (i < size) {
        std::uint8_t byte = data[i++];
        int argument = byte & 15;
        switch (callOf(byte)) {
        case moveCall: {
            int x = (argument * 256 + next()) % (screenWidth + 4) - 2;
            move(m, x, next() % (screenHeight + 6) - 3);
            break;
        }
        case colourCall:
            m.attribute = next();
            consoleColor(m.attribute);
            break;
        case textCall:
            for (int n = argument + 1; n > 0 && i < size; --n) {
                write(m, glyphFor(next()));
            }
            break;
        case columnCall: {
            char ch = glyphFor(next());
            int x = m.x, y = m.y;
            for (int n = 0; n <= 2 * argument; ++n) {
                move(m, x, y + n);
                write(m, ch);
            }
            break;
        }
        case clearCall:
            clear(m);
            break;
        case flushCall:
            flush(m);
            break;
        case repaintCall:
            flush(m);
            if (m.gridKnown) {
                loseContent(argument);
                terminalRepaint();
            }
            break;
        case messageCall:
            message(m, next());
            break;
        }
    }
    flush(m);
    return 0;
}
