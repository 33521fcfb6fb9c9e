#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/game.h"
#include "screen/console.h"
#include "test_board.h"

namespace {

class Keys : public ::testing::Test {
protected:
    void SetUp() override
    {
        fakeReset();
        state.stacks = stacks.data();
    }

    // Hands every scripted code to handleKey, one call per key as the loop does.
    void press(std::string_view codes)
    {
        fakeKeys(codes);
        while (consoleKeyWaiting(0)) {
            handleKey(state);
        }
    }

    std::string readout(int row) { return fakeRow(row).substr(readoutColumn, scoreRow); }

    board stacks{};
    game state;
};

TEST_F(Keys, CursorMovesAndStopsAtBothEnds)
{
    struct { int from; std::string keys; int to; } cases[] = {
        {5, extendedKey(keyLeft), 4},  {5, extendedKey(keyRight), 6}, {5, "a", 4}, {5, "A", 4},
        {5, "d", 6},         {5, "D", 6},        {5, "K", 4}, {5, "M", 6},
        {0, extendedKey(keyLeft), 0},  {0, "a", 0},        {9, extendedKey(keyRight), 9}, {9, "d", 9},
        {5, std::string("\0M", 2), 6},  // a 0x00 prefix is a key of its own; the code after it acts
        {5, extendedKey(keyUp), 5}, {5, extendedKey(keyDown), 5}, {5, "\x1bwsx", 5}, {5, extendedKey(keySpace), 5},
    };
    for (const auto& c : cases) {
        fakeReset();
        state.cursor = c.from;
        drawCursor(c.from, false);
        press(c.keys);
        EXPECT_EQ(state.cursor, c.to) << "keys " << ::testing::PrintToString(c.keys);
        int left = bracketLeftColumn(c.to);
        EXPECT_EQ(fakeAt(left, 10).ch, glyphBracketSide) << "bracket drawn where the cursor is";
        EXPECT_EQ(fakeAt(left + 1, 24).ch, glyphBracketMiddle);
        if (c.to != c.from) {
            EXPECT_EQ(fakeAt(bracketLeftColumn(c.from), 10), (glyph{' ', lightGreen})) << "old bracket erased";
        }
    }
}

TEST_F(Keys, EnterSelectsAndUnselectsTheTop)
{
    placeCells(stacks.data(), 5, {2, 6});
    press("\r");
    EXPECT_EQ(state.sum, 6);
    EXPECT_EQ(readout(12).substr(0, 6), "SUM: 6");
    EXPECT_EQ(cellOnScreen(5, 1), (glyph{'6', attribute(yellow, lightRed)}));
    press("\r");
    EXPECT_EQ(state.sum, 0);
    EXPECT_FALSE(stacks[5].top().selected);
    EXPECT_EQ(cellOnScreen(5, 1), (glyph{'6', yellow}));
}

// Selections that reach, miss or overshoot ten, each from a fresh board.
TEST_F(Keys, ScoringTable)
{
    struct placement { int stack; int value; };
    struct {
        const char* name;
        std::vector<placement> cells;
        std::string keys;  // the cursor starts at stack 5
        int score;
        int cellsLeft;
        bool anySelected;
    } cases[] = {
        {"4+3+3 scores three", {{5, 4}, {1, 3}, {0, 3}, {7, 5}}, "\raaaa\ra\r", 3, 1, false},
        {"9+1 scores two", {{5, 9}, {6, 1}}, "\rd\r", 2, 0, false},
        {"6+7 overshoots", {{5, 6}, {6, 7}}, "\rd\r", 0, 2, false},
        {"4+3 waits for more", {{5, 4}, {6, 3}}, "\rd\r", 0, 2, true},
        {"space unselects", {{5, 4}, {6, 3}}, "\rd\r ", 0, 2, false},
        {"enter on an empty stack", {{4, 5}}, "\r", 0, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fakeReset();
        board b{};
        state = game{};
        state.stacks = b.data();
        for (placement p : c.cells) {
            placeCells(b.data(), p.stack, {p.value});
        }
        press(c.keys);
        int left = 0, selectedSum = 0;
        bool selected = false;
        for (int i = 0; i < 10; ++i) {
            for (cellStack s = b[i]; !s.empty(); s.pop()) {
                ++left;
                if (s.top().selected) {
                    selected = true;
                    selectedSum += s.top().value;
                }
            }
            EXPECT_TRUE(columnMatches(b.data(), i)) << "stack " << i;
        }
        EXPECT_EQ(state.score, c.score);
        EXPECT_EQ(left, c.cellsLeft);
        EXPECT_EQ(selected, c.anySelected);
        EXPECT_EQ(state.sum, selectedSum) << "the sum is the total of the selected cells";
        EXPECT_EQ(readout(12).substr(0, 6), "SUM: " + std::to_string(state.sum))
            << "the readout shows the sum at once";
        if (c.score > 0) {
            EXPECT_EQ(readout(14).substr(0, 11), "Score: " + std::to_string(c.score) + "/10");
        }
    }
}

TEST_F(Keys, BuriedSelectedCellStillCountsAndIsRemoved)
{
    placeCells(stacks.data(), 5, {4});
    press("\r");
    placeCells(stacks.data(), 5, {8, 9});  // numbers fall on the selected 4
    EXPECT_EQ(cellOnScreen(5, 0), (glyph{'4', attribute(yellow, lightRed)}));
    placeCells(stacks.data(), 6, {6});
    press("d\r");
    EXPECT_EQ(state.score, 2);
    EXPECT_EQ(state.sum, 0);
    EXPECT_EQ(stacks[5].size(), 2u);
    EXPECT_EQ(stacks[5].top().value, 9);
    EXPECT_TRUE(stacks[6].empty());
    EXPECT_TRUE(columnMatches(stacks.data(), 5));
    EXPECT_TRUE(columnMatches(stacks.data(), 6));
}

TEST_F(Keys, SpaceShowsTheClearedSumAtOnce)
{
    placeCells(stacks.data(), 5, {7});
    press("\r");
    ASSERT_EQ(readout(12).substr(0, 6), "SUM: 7");
    press(" ");
    EXPECT_EQ(state.sum, 0);
    EXPECT_EQ(readout(12).substr(0, 6), "SUM: 0");
    EXPECT_EQ(cellOnScreen(5, 0), (glyph{'7', yellow}));
}

TEST_F(Keys, WorkedLevelUpExample)
{
    state.score = 8;
    for (int i = 2; i <= 5; ++i) {
        placeCells(stacks.data(), i, {i - 1});  // 1, 2, 3, 4 on stacks 2 to 5
    }
    press("\ra\ra\ra\r");
    EXPECT_EQ(state.score, 12);
    EXPECT_EQ(state.level, 2);
    EXPECT_EQ(state.nextLevelScore, 24);
    EXPECT_EQ(state.delay, 3900);
    EXPECT_EQ(readout(13).substr(0, 8), "Level: 2");
    EXPECT_EQ(readout(14).substr(0, 12), "Score: 12/24");
}

TEST_F(Keys, LevelFormulaTruncatesAndDelayStopsAt250)
{
    struct { int level; int score; int nextLevelScore; int delay; } cases[] = {
        {1, 12, 24, 3900},   // 12 + 12.5, the half dropped
        {2, 30, 55, 3800},   // 30 + 25
        {3, 60, 97, 3700},   // 60 + 37.5
        {37, 900, 1362, 300},
        {38, 1400, 1875, 250},  // 4100 - 3900 would be 200
        {60, 5000, 5750, 250},
    };
    for (const auto& c : cases) {
        state = game{};
        state.stacks = stacks.data();
        state.level = c.level;
        state.score = c.score;
        levelUp(state);
        EXPECT_EQ(state.level, c.level + 1);
        EXPECT_EQ(state.nextLevelScore, c.nextLevelScore) << "from level " << c.level;
        EXPECT_EQ(state.delay, c.delay) << "from level " << c.level;
        EXPECT_GT(state.nextLevelScore, state.score) << "one removal raises one level at most";
    }
}

}  // namespace
