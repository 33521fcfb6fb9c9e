#pragma once
// Everything the player sees. Each operation repaints only the cells it owns,
// at fixed positions; the rest of the screen keeps what was last written.

#include <cstdint>
#include <string_view>

#include "board/cell.h"

inline constexpr int screenWidth = 70;
inline constexpr int screenHeight = 25;

// The layout, for everything that draws or reads the game screen. Stack i
// (0 to 9) has its cells in one column, the bottom cell on row 23 and a full
// stack's top on row 0; the bracket stands on the columns either side, its
// foot on row 24.
constexpr int stackColumn(int i)
{
    return 3 * i + 10;
}
constexpr int bracketLeftColumn(int i)
{
    return stackColumn(i) - 1;
}
constexpr int bracketRightColumn(int i)
{
    return stackColumn(i) + 1;
}
inline constexpr int bracketFootRow = 24;
// The row of a stack's n-th cell, 0 being the bottom one.
constexpr int cellRow(int n)
{
    return bracketFootRow - 1 - n;
}
inline constexpr int frameLeftColumn = 8;
inline constexpr int frameRightColumn = 39;
// The key hints (three rows from hintRow) and the readouts, right of the frame.
inline constexpr int readoutColumn = 43;
inline constexpr int hintRow = 3;
inline constexpr int sumRow = 12;
inline constexpr int levelRow = 13;
inline constexpr int scoreRow = 14;
inline constexpr int gameOverRow = 21;

// A screen position: column and row from the top-left corner.
struct coord {
    std::int16_t x;
    std::int16_t y;
};

// Console colour codes: an attribute is foreground + 16 * background.
enum : int {
    black = 0,
    lightGrey = 7,
    lightGreen = 10,
    lightCyan = 11,
    lightRed = 12,
    yellow = 14,
    white = 15,
};

// Code page 437 bytes of the glyphs the game draws.
inline constexpr char glyphFrame = '\xB3';
inline constexpr char glyphBracketSide = '\xBA';
inline constexpr char glyphBracketLeft = '\xD3';
inline constexpr char glyphBracketMiddle = '\xC4';
inline constexpr char glyphBracketRight = '\xBD';

void gotoXY(coord position);
void setColor(int foreground, int background);
void clearScreen();
void writeText(std::string_view text);
void writeNumber(int number);

void drawFrame();
void drawStack(const cellStack* stacks, int i, int colour);
void drawCursor(int i, bool erase);
void showSum(int sum);
void showLevel(int level);
void showScore(int score, int nextLevelScore);
void showGameOver();
