// The straightforward translation of the console calls into escape
// sequences, for the benchmark to measure the real output against: one cursor
// move per move, one colour change per colour, every character as it is
// given, each written at once. It keeps no record of the screen, so it cannot
// repaint one.

#include <string>

#include "screen/console.h"
#include "screen/screen.h"
#include "screen/translate.h"
#include "screen/unix/terminal_state.h"

namespace {

int attribute = lightGrey;  // a console starts light grey on black
bool cleared = false;
bool atLineStart = true;

}  // namespace

std::string_view restoreSequence()
{
    if (cleared) {
        return "\x1b[0m\x1b[25;1H\r\n";
    }
    return atLineStart ? "\x1b[0m" : "\x1b[0m\r\n";
}

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
        atLineStart = ch == '\n';
    }
}

void consoleClear()
{
    terminalWaitForRoom();
    // Blank on black, then back to the colour the game had set.
    writeAll(sgrFor(white) + "\x1b[2J\x1b[H" + sgrFor(attribute));
    cleared = true;
}

void consoleFlush()
{
}

void terminalRepaint()
{
}

bool terminalShowsGame()
{
    return cleared;
}

void terminalMessage(std::string_view text)
{
    cleared = false;
    atLineStart = text.empty() || text.back() == '\n';
    writeAll("\x1b[0m\x1b[2J\x1b[H");
    writeAll(text);
}
