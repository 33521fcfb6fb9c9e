// The terminal output skips what the screen already shows; the naive build
// writes every move, colour and character. Played the same long random
// session on the same clock and seed, both must leave the same screen in the
// same emulator: every glyph, every colour, and the cursor.

#include <gtest/gtest.h>

#include <random>

#include "clocked_game.h"
#include "live_board.h"

namespace {

struct pair {
    clockedGame optimised, naive;
    ~pair()
    {
        shutDownClocked(optimised);
        shutDownClocked(naive);
    }
};

// Keys a careless player might press between two ticks: mostly moves and
// picks, now and then Space, a key that means nothing, or Y, which only the
// replay prompt takes.
std::string randomKeys(std::mt19937& random)
{
    static const char keys[] = "aaaadddd\r\r\r\r\r\r ?y";
    std::uniform_int_distribution<int> count(0, 6), key(0, sizeof keys - 2);
    std::string chosen;
    for (int n = count(random); n > 0; --n) {
        chosen += keys[key(random)];
    }
    return chosen;
}

bool playBoth(pair& games, const std::string& bytes)
{
    return play(games.optimised, bytes) && play(games.naive, bytes);
}

::testing::AssertionResult sameScreen(pair& games, const std::string& when)
{
    std::string optimised = screenImage(games.optimised.pty);
    std::string naive = screenImage(games.naive.pty);
    if (optimised == naive) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << when << ": " << firstDifference(optimised, naive);
}

TEST(OutputEquivalence, LongRandomSessionLeavesTheSameScreen)
{
    pair games;
    ASSERT_TRUE(launchClocked(games.optimised, gameBinary()));
    ASSERT_TRUE(launchClocked(games.naive, naiveBinary()));
    ASSERT_TRUE(sameScreen(games, "instructions"));
    ASSERT_TRUE(playBoth(games, " "));
    ASSERT_TRUE(sameScreen(games, "opening screen"));

    std::mt19937 random(20260101);
    int gamesOver = 0;
    bool scored = false;
    for (int tick = 1; tick <= 400; ++tick) {
        ASSERT_TRUE(playBoth(games, randomKeys(random) + ticks(1)));
        ASSERT_TRUE(sameScreen(games, "tick " + std::to_string(tick)));
        gamesOver += atReplayPrompt(games.optimised.pty) ? 1 : 0;
        scored = scored || textAt(games.optimised.pty, readoutColumn, scoreRow, 9) != "Score: 0/";
    }

    // Run the last game out and leave.
    for (int tick = 0; tick < 2000 && !atReplayPrompt(games.optimised.pty); ++tick) {
        ASSERT_TRUE(playBoth(games, ticks(1)));
    }
    ASSERT_TRUE(atReplayPrompt(games.optimised.pty));
    ASSERT_TRUE(sameScreen(games, "game over"));
    sendKeys(games.optimised.pty, "n");
    sendKeys(games.naive.pty, "n");
    ASSERT_TRUE(waitForExit(games.optimised.pty));
    ASSERT_TRUE(waitForExit(games.naive.pty));
    ASSERT_TRUE(sameScreen(games, "after leaving"));

    // The session has to have gone through the paths that draw the most.
    EXPECT_TRUE(scored) << "no removal in the whole session";
    EXPECT_GT(gamesOver, 0) << "no game over and replay in the whole session";
}

}  // namespace

namespace {

// Space with nothing picked redraws all ten stacks, each blanked and built up
// again, and the sum: all of it as it already stands on the screen.
TEST(Output, DrawingWhatTheScreenAlreadyShowsSendsNothing)
{
    clockedGame game;
    ASSERT_TRUE(launchClocked(game, gameBinary()));
    ASSERT_TRUE(play(game, " "));
    ASSERT_TRUE(play(game, ticks(3)));
    size_t before = game.pty.output.size();
    ASSERT_TRUE(play(game, "  "));
    EXPECT_EQ(game.pty.output.substr(before), "");
    shutDownClocked(game);
}

}  // namespace
