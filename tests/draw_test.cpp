#include <gtest/gtest.h>

#include "test_board.h"

namespace {

// Places are written as numbers here, not by the layout's names: these tests
// hold the names in screen/screen.h to the screen a player knows.

class Drawing : public ::testing::Test {
protected:
    void SetUp() override { fakeReset(); }
    board stacks{};
};

TEST_F(Drawing, FrameHasHintsAndTwoCyanLinesOnEveryRow)
{
    drawFrame();
    EXPECT_EQ(fakeRow(3).substr(43, 24), "<-- Left/A   Right/D -->");
    EXPECT_EQ(fakeRow(4).substr(43, 27), "[Enter] Select top of stack");
    EXPECT_EQ(fakeRow(5).substr(43, 20), "[Space] Unselect all");
    EXPECT_EQ(fakeAt(43, 3).colour, lightGrey);
    EXPECT_EQ(fakeAt(62, 5).colour, lightGrey);
    for (int row = 0; row < 25; ++row) {
        EXPECT_EQ(fakeAt(8, row), (glyph{glyphFrame, lightCyan})) << "row " << row;
        EXPECT_EQ(fakeAt(39, row), (glyph{glyphFrame, lightCyan})) << "row " << row;
    }
    EXPECT_EQ(fakeAt(7, 10).ch, ' ');
    EXPECT_EQ(fakeAt(9, 10).ch, ' ');
}

TEST_F(Drawing, ReadoutsAreYellowAtTheirRows)
{
    showSum(7);
    showLevel(3);
    showScore(12, 24);
    showGameOver();
    EXPECT_EQ(fakeRow(12).substr(43, 6), "SUM: 7");
    EXPECT_EQ(fakeRow(13).substr(43, 8), "Level: 3");
    EXPECT_EQ(fakeRow(14).substr(43, 12), "Score: 12/24");
    EXPECT_EQ(fakeRow(21).substr(43, 11), "Game Over! ");
    EXPECT_EQ(fakeAt(43, 12).colour, yellow);
    EXPECT_EQ(fakeAt(54, 14).colour, yellow);
    EXPECT_EQ(fakeAt(43, 21).colour, white);
}

TEST_F(Drawing, LongerScoreIsWrittenOverTheShorterOne)
{
    showScore(9, 10);
    showScore(12, 24);
    EXPECT_EQ(fakeRow(14).substr(43, 13), "Score: 12/24 ");
}

TEST_F(Drawing, CursorBracketAndItsErasure)
{
    drawCursor(5, false);
    int left = 3 * 5 + 9;
    for (int row = 0; row < 24; ++row) {
        EXPECT_EQ(fakeAt(left, row), (glyph{glyphBracketSide, lightGreen})) << row;
        EXPECT_EQ(fakeAt(left + 2, row), (glyph{glyphBracketSide, lightGreen})) << row;
        EXPECT_EQ(fakeAt(left + 1, row).ch, ' ') << "the number column stays untouched";
    }
    EXPECT_EQ(fakeAt(left, 24), (glyph{glyphBracketLeft, lightGreen}));
    EXPECT_EQ(fakeAt(left + 1, 24), (glyph{glyphBracketMiddle, lightGreen}));
    EXPECT_EQ(fakeAt(left + 2, 24), (glyph{glyphBracketRight, lightGreen}));

    drawCursor(5, true);
    for (int row = 0; row < 25; ++row) {
        EXPECT_EQ(fakeAt(left, row), (glyph{' ', lightGreen})) << row;
        EXPECT_EQ(fakeAt(left + 2, row), (glyph{' ', lightGreen})) << row;
    }
}

TEST_F(Drawing, NeighbouringBracketsShareNoColumn)
{
    drawCursor(0, false);
    drawCursor(1, false);
    drawCursor(0, true);
    EXPECT_EQ(fakeAt(12, 5).ch, glyphBracketSide) << "left side of stack 1's bracket survives";
    EXPECT_EQ(fakeAt(8, 5).ch, ' ') << "stack 0's bracket never reaches the frame line";
}

// drawStack at the heights where off-by-one mistakes show: empty, one cell,
// one below full and full.
TEST_F(Drawing, StackTopAndBlanksAtEveryTellingHeight)
{
    for (int height : {1, 23, 24}) {
        fakeReset();
        board b{};
        // Fill the column with marks first, so blanking is visible.
        for (int row = 0; row < 25; ++row) {
            gotoXY(coord{13, static_cast<std::int16_t>(row)});
            writeText("x");
        }
        for (int k = 0; k < height; ++k) {
            b[1].push(cell{(k % 9) + 1, false});
        }
        drawStack(b.data(), 1, yellow);
        int topRow = 24 - height;
        EXPECT_EQ(fakeAt(13, topRow), (glyph{static_cast<char>('0' + b[1].top().value), yellow}))
            << "height " << height;
        for (int row = 0; row < topRow; ++row) {
            EXPECT_EQ(fakeAt(13, row), (glyph{' ', white})) << "height " << height << " row " << row;
        }
        if (topRow + 1 < 24) {
            EXPECT_EQ(fakeAt(13, topRow + 1).ch, 'x') << "cells below the top are not redrawn";
        }
        EXPECT_EQ(fakeAt(13, 24).ch, 'x') << "row 24 belongs to the bracket";
    }
}

TEST_F(Drawing, EmptyStackBlanksRowsZeroToTwentyThree)
{
    for (int row = 0; row < 25; ++row) {
        gotoXY(coord{10, static_cast<std::int16_t>(row)});
        writeText("x");
    }
    drawStack(stacks.data(), 0, yellow);
    EXPECT_EQ(fakeColumn(10), std::string(24, ' ') + "x");
}

TEST_F(Drawing, SelectedTopIsYellowOnLightRedWhateverTheCallerAsks)
{
    stacks[4].push(cell{6, true});
    for (int colour : {lightGrey, yellow}) {
        drawStack(stacks.data(), 4, colour);
        EXPECT_EQ(cellOnScreen(4, 0), (glyph{'6', attribute(yellow, lightRed)})) << colour;
    }
    EXPECT_EQ(fakeAttribute(), white) << "drawStack leaves white on black behind";
}

}  // namespace
