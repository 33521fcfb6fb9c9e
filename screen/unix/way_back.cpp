// What the terminal is left showing on the way out: the terminal's own
// colours, and the cursor at the start of a line of its own, below the game
// screen when that is drawn.

#include <array>
#include <csignal>

#include "screen/console.h"
#include "screen/screen.h"
#include "screen/unix/terminal_state.h"

namespace {

volatile sig_atomic_t showing = showingTextAtLineStart;  // a program starts on a fresh line

constexpr std::string_view ownColours = "\x1b[0m";

// Colours back, then a fresh line under the game screen's last row. Built
// once at compile time: a signal handler may not build anything.
struct builtText {
    std::array<char, 32> bytes{};
    size_t size = 0;
    constexpr void add(std::string_view text)
    {
        for (char c : text) {
            bytes[size++] = c;
        }
    }
    constexpr void add(int n)
    {
        if (n >= 10) {
            add(n / 10);
        }
        bytes[size++] = static_cast<char>('0' + n % 10);
    }
    constexpr std::string_view view() const { return {bytes.data(), size}; }
};

constexpr builtText belowTheGame = [] {
    builtText text;
    text.add(ownColours);
    text.add("\x1b[");
    text.add(screenHeight);
    text.add(";1H\r\n");
    return text;
}();

constexpr builtText onAFreshLine = [] {
    builtText text;
    text.add(ownColours);
    text.add("\r\n");
    return text;
}();

}  // namespace

void terminalNowShows(terminalShowing what)
{
    showing = what;
}

std::string_view restoreSequence()
{
    switch (showing) {
    case showingGameScreen:
        return belowTheGame.view();
    case showingTextMidLine:
        return onAFreshLine.view();
    default:
        return ownColours;
    }
}
