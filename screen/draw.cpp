#include <string>

#include "screen/screen.h"

namespace {

int stackColumn(int i)
{
    return 3 * i + 10;
}

void writeAt(int x, int y, std::string_view text)
{
    gotoXY(coord{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)});
    writeText(text);
}

}  // namespace

void drawFrame()
{
    gotoXY(coord{43, 3});
    setColor(lightGrey, black);
    writeText("<-- Left/A   Right/D -->");
    writeAt(43, 4, "[Enter] Select top of stack");
    writeAt(43, 5, "[Space] Unselect all");
    setColor(lightCyan, black);
    for (int row = 0; row < screenHeight; ++row) {
        writeAt(8, row, std::string(1, glyphFrame));
        writeAt(39, row, std::string(1, glyphFrame));
    }
}

// Paints only the top cell and blanks everything above it. The cells below
// keep what was drawn when each of them was the top, which is why every
// change to a stack is drawn one push at a time.
void drawStack(const cellStack* stacks, int i, int colour)
{
    const cellStack& s = stacks[i];
    int x = stackColumn(i);
    int y = screenHeight - 1 - static_cast<int>(s.size());
    gotoXY(coord{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)});
    if (!s.empty()) {
        if (s.top().selected) {
            setColor(yellow, lightRed);
        } else {
            setColor(colour, black);
        }
        writeNumber(s.top().value);
    }
    setColor(white, black);
    for (int row = y - 1; row >= 0; --row) {
        writeAt(x, row, " ");
    }
}

void drawCursor(int i, bool erase)
{
    const char foot[] = {glyphBracketLeft, glyphBracketMiddle, glyphBracketRight};
    std::string_view bottom = erase ? std::string_view("   ") : std::string_view(foot, 3);
    std::string side(1, erase ? ' ' : glyphBracketSide);
    int x = stackColumn(i);
    gotoXY(coord{static_cast<std::int16_t>(x - 1), 24});
    setColor(lightGreen, black);
    writeText(bottom);
    for (int row = 0; row < screenHeight - 1; ++row) {
        writeAt(x - 1, row, side);
        writeAt(x + 1, row, side);
    }
}

void showSum(int sum)
{
    setColor(yellow, black);
    writeAt(43, 12, "SUM: ");
    writeNumber(sum);
}

void showLevel(int level)
{
    gotoXY(coord{43, 13});
    setColor(yellow, black);
    writeText("Level: ");
    writeNumber(level);
}

void showScore(int score, int nextLevelScore)
{
    gotoXY(coord{43, 14});
    setColor(yellow, black);
    writeText("Score: ");
    writeNumber(score);
    writeText("/");
    writeNumber(nextLevelScore);
}

void showGameOver()
{
    gotoXY(coord{43, 21});
    setColor(white, black);
    writeText("Game Over! ");
}
