#include <string>

#include "screen/console.h"
#include "screen/screen.h"

void gotoXY(coord position)
{
    consoleMove(position.x, position.y);
}

void setColor(int foreground, int background)
{
    consoleColor(foreground + 16 * background);
}

void clearScreen()
{
    consoleClear();
}

void writeText(std::string_view text)
{
    consoleWrite(text);
}

void writeNumber(int number)
{
    consoleWrite(std::to_string(number));
}

namespace {

void writeAt(int x, int y, std::string_view text)
{
    gotoXY(coord{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)});
    writeText(text);
}

}  // namespace

void drawFrame()
{
    gotoXY(coord{readoutColumn, hintRow});
    setColor(lightGrey, black);
    writeText("<-- Left/A   Right/D -->");
    writeAt(readoutColumn, hintRow + 1, "[Enter] Select top of stack");
    writeAt(readoutColumn, hintRow + 2, "[Space] Unselect all");
    setColor(lightCyan, black);
    for (int row = 0; row < screenHeight; ++row) {
        writeAt(frameLeftColumn, row, std::string(1, glyphFrame));
        writeAt(frameRightColumn, row, std::string(1, glyphFrame));
    }
}

// Paints only the top cell and blanks everything above it. The cells below
// keep what was drawn when each of them was the top, which is why every
// change to a stack is drawn one push at a time.
void drawStack(const cellStack* stacks, int i, int colour)
{
    const cellStack& s = stacks[i];
    int x = stackColumn(i);
    int y = cellRow(static_cast<int>(s.size()) - 1);  // the top's row; the foot row when empty
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
    gotoXY(coord{static_cast<std::int16_t>(bracketLeftColumn(i)), bracketFootRow});
    setColor(lightGreen, black);
    writeText(bottom);
    for (int row = 0; row < bracketFootRow; ++row) {
        writeAt(bracketLeftColumn(i), row, side);
        writeAt(bracketRightColumn(i), row, side);
    }
}

void showSum(int sum)
{
    setColor(yellow, black);
    writeAt(readoutColumn, sumRow, "SUM: ");
    writeNumber(sum);
}

void showLevel(int level)
{
    gotoXY(coord{readoutColumn, levelRow});
    setColor(yellow, black);
    writeText("Level: ");
    writeNumber(level);
}

void showScore(int score, int nextLevelScore)
{
    gotoXY(coord{readoutColumn, scoreRow});
    setColor(yellow, black);
    writeText("Score: ");
    writeNumber(score);
    writeText("/");
    writeNumber(nextLevelScore);
}

void showGameOver()
{
    gotoXY(coord{readoutColumn, gameOverRow});
    setColor(white, black);
    writeText("Game Over! ");
}
