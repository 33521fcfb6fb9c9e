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
bool attributeShown = false;
bool cleared = false;  // since the first clear, text is drawn on the game screen

// The colour the console starts with has to reach the terminal once, before
// the first text, since the terminal's own may differ.
void showStartingColour()
{
    if (!attributeShown) {
        writeAll(sgrFor(attribute));
        attributeShown = true;
    }
}

}  // namespace

void consoleMove(int x, int y)
{
    writeAll("\x1b[" + std::to_string(y + 1) + ";" + std::to_string(x + 1) + "H");
}

void consoleColor(int newAttribute)
{
    attribute = newAttribute;
    attributeShown = true;
    writeAll(sgrFor(attribute));
}

void consoleWrite(std::string_view text)
{
    showStartingColour();
    for (char ch : text) {
        writeAll(glyphText(ch, terminalUtf8));
        if (!cleared) {
            terminalNowShows(ch == '\n' ? showingTextAtLineStart : showingTextMidLine);
        }
    }
}

void consoleClear()
{
    terminalWaitForRoom();
    // Blank on black, then back to the colour the game had set.
    writeAll(sgrFor(white) + "\x1b[2J\x1b[H" + sgrFor(attribute));
    attributeShown = true;
    cleared = true;
    terminalNowShows(showingGameScreen);
}

void consoleFlush()
{
}

void terminalRepaint()
{
}

void outputForgetScreen()
{
    cleared = false;
    attributeShown = false;
}
