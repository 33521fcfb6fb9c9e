#pragma once
// Everything the player sees. Each operation repaints only the cells it owns,
// at fixed positions; the rest of the screen keeps what was last written.
//
// Layout (stack i = 0..9): numbers in column 3i+10, rows 23 (bottom) up to 0;
// cursor bracket in columns 3i+9 and 3i+11 with its foot on row 24; frame
// lines in columns 8 and 39; hints and readouts from column 43.

#include <cstdint>
#include <string_view>

#include "board/cell.h"

inline constexpr int screenWidth = 70;
inline constexpr int screenHeight = 25;

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
