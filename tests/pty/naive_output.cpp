// The straightforward translation of the console calls into escape
// sequences, for the benchmark to measure the real output against: one cursor
// move per move, one colour change per colour, every character as it is
// given, each written at once. It keeps no record of the screen, so it cannot
// repaint one.

#include <string>

#include "screen/console.h"
#include "screen/screen.h"
#include "screen/codec/translate.h"
#include "screen/ansi/backend.h"
#include "screen/ansi/renderer.h"

namespace {

int attribute = lightGrey;  // a console starts light grey on black
bool cleared = false;      // since the first clear, text is drawn on the game screen
bool gameStarted = false;  // a clear has been

}  // namespace

void consoleMove(int x, int y)
{
    writeAll("\x1b[" + std::to_string(y + 1) + ";" + std::to_string(x + 1) + "H");
}

void consoleColor(int newAttribute)
{
    attribute = newAttribute;
    writeAll(sgrFor(attribute));
}

// No colour goes out before the game sets one, with its screen: the
// instructions come in the terminal's own colours.
void consoleWrite(std::string_view text)
{
    for (char ch : text) {
        writeAll(glyphText(ch, terminalUtf8));
        if (!cleared) {
            terminalNowShows(ch == '\n' ? showingTextAtLineStart : showingTextMidLine);
        }
    }
}

void ansiClear()
{
    // Blank on black, then back to the colour the game had set.
    writeAll(sgrFor(white) + "\x1b[2J\x1b[H" + sgrFor(attribute));
    cleared = gameStarted = true;
    terminalNowShows(showingGameScreen);
}

void consoleFlush()
{
}

// Keeps no record to send again; the screen is the game's once more, though.
void terminalRepaint()
{
    if (gameStarted) {
        cleared = true;
        terminalNowShows(showingGameScreen);
    }
}

bool terminalShowsGame()
{
    return cleared;
}

void terminalMessage(std::string_view text)
{
    cleared = false;
    terminalNowShows(text.empty() || text.back() == '\n' ? showingTextAtLineStart : showingTextMidLine);
    writeAll("\x1b[0m\x1b[2J\x1b[H");
    writeAll(text);
}
