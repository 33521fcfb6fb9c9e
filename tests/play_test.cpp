#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "game/game.h"
#include "test_board.h"

namespace {

int digitsOnScreen()
{
    int n = 0;
    for (int i = 0; i < 10; ++i) {
        for (char ch : fakeColumn(stackColumn(i))) {
            n += ch >= '1' && ch <= '9';
        }
    }
    return n;
}

int tallestColumn()
{
    int tallest = 0;
    for (int i = 0; i < 10; ++i) {
        std::string column = fakeColumn(stackColumn(i));
        int height = static_cast<int>(column.size() - 1 - column.find_first_not_of(' '));
        tallest = std::max(tallest, column[0] == ' ' && column[23] == ' ' ? 0 : height);
    }
    return tallest;
}

class Play : public ::testing::Test {
protected:
    void SetUp() override { fakeReset(); }
};

TEST_F(Play, OpeningScreen)
{
    std::srand(7);
    // A key at the first poll shows the screen as the game opened it.
    fakeKeys("?");
    playGame(15);
    const std::string& all = fakeTranscript();
    size_t opening = all.find("SUM: 0");
    ASSERT_NE(opening, std::string::npos);
    EXPECT_LT(all.find("Level: 1"), opening);
    EXPECT_LT(all.find("Score: 0/10"), opening);
    EXPECT_EQ(fakeRow(hintRow).substr(readoutColumn, 3), "<--");
    EXPECT_EQ(fakeAt(frameLeftColumn, 0).ch, glyphFrame);
    EXPECT_EQ(fakeAt(bracketLeftColumn(5), bracketFootRow).ch, glyphBracketLeft) << "the bracket stands at stack 5";
    EXPECT_EQ(fakeRow(gameOverRow).substr(readoutColumn, 11), "Game Over! ");
}

// With no key pressed a level-1 game gains one number every 4100 ms after its
// fifteen opening numbers, and ends only when a number is due on a full stack.
TEST_F(Play, OneNumberPerTickUntilAFullStackOverflows)
{
    for (unsigned seed : {1u, 2u, 3u}) {
        fakeReset();
        std::srand(seed);
        playGame(15);
        std::int64_t ticks = fakeNow() / 4100;
        EXPECT_EQ(fakeNow() % 4100, 0) << "ticks come exactly on time";
        EXPECT_EQ(digitsOnScreen(), 15 + ticks - 1) << "the last tick found a full stack";
        EXPECT_EQ(tallestColumn(), 24);
        EXPECT_EQ(fakeRow(gameOverRow).substr(readoutColumn, 11), "Game Over! ");
        EXPECT_EQ(fakeAttribute(), white);
    }
}

TEST_F(Play, KeysDoNotPushTheTickBack)
{
    std::srand(11);
    playGame(15);
    std::int64_t undisturbed = fakeNow();

    fakeReset();
    std::srand(11);
    // Cursor keys draw nothing at random, so the game must end at the same moment.
    for (std::int64_t at : {1, 4000, 4099, 4100, 8000, 8199, 30000}) {
        fakeKeys(at % 2 ? "d" : "a", at);
    }
    playGame(15);
    EXPECT_EQ(fakeNow(), undisturbed);
    EXPECT_FALSE(fakeStarved());
}

TEST_F(Play, ScoringRaisesTheLevelAndSpeedsTheTicks)
{
    // Keep selecting whatever stands under the cursor: a sum of ten comes up
    // sooner or later, and the game must stay consistent through it.
    std::srand(5);
    for (int k = 0; k < 4000; ++k) {
        fakeKeys(k % 7 == 0 ? "d" : (k % 11 == 0 ? "a" : "\r"), 1000 + k * 250);
    }
    playGame(15);
    std::string score = fakeRow(scoreRow).substr(readoutColumn, 20);
    EXPECT_NE(score.substr(0, 9), "Score: 0/") << score;
    EXPECT_NE(fakeRow(levelRow).substr(readoutColumn, 8), "Level: 1");
}

}  // namespace
