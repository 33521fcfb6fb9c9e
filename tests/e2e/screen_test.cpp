#include <gtest/gtest.h>

#include "live_board.h"

namespace {

class Game : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(launch(game)); }
    void TearDown() override { shutDown(game); }

    ptyGame game;
};

TEST_F(Game, OpeningScreenColoursAndGlyphs)
{
    ASSERT_TRUE(startPlaying(game));
    EXPECT_EQ(textAt(game, readoutColumn, hintRow, 24), "<-- Left/A   Right/D -->");
    EXPECT_EQ(foregroundAt(game, readoutColumn, hintRow), palette::grey);
    for (int row = 0; row < 25; ++row) {
        EXPECT_EQ(charAt(game, 8, row), U'\u2502') << row;
        EXPECT_EQ(foregroundAt(game, 39, row), palette::cyan) << row;
        EXPECT_EQ(backgroundAt(game, 39, row), palette::black) << row;
    }
    EXPECT_EQ(charAt(game, 24, 10), U'\u2551');
    EXPECT_EQ(charAt(game, 24, 24), U'\u2559');
    EXPECT_EQ(charAt(game, 25, 24), U'\u2500');
    EXPECT_EQ(charAt(game, 26, 24), U'\u255C');
    EXPECT_EQ(foregroundAt(game, 26, 24), palette::green);
    EXPECT_EQ(foregroundAt(game, readoutColumn, sumRow), palette::yellow);
    EXPECT_EQ(backgroundAt(game, 60, 20), palette::black) << "cleared to black, not the terminal's default";
}

// Terminals that erase in their own default colours, such as GNU screen as
// it comes, or one the game cannot name: the whole game area is black after
// the clear and after a repaint all the same.
TEST(NoBackColourErase, GameAreaIsBlackAfterEveryClear)
{
    for (const char* term : {"TERM=screen", "TERM=screen.xterm-256color", "TERM=vt220"}) {
        SCOPED_TRACE(term);
        ptyGame game;
        launchOptions options;
        options.environment = {term};
        options.eraseInDefaultColours = true;
        ASSERT_TRUE(launch(game, options));
        auto defaultBackgrounds = [&] {
            int cells = 0;
            for (int y = 0; y < 25; ++y) {
                for (int x = 0; x < 70; ++x) {
                    cells += backgroundAt(game, x, y) == -1 ? 1 : 0;
                }
            }
            return cells;
        };
        ASSERT_TRUE(waitUntil(game, [&] { return game.output.find("Press any key") != std::string::npos; }));
        sendKeys(game, " ");
        EXPECT_TRUE(waitUntil(game, [&] { return textAt(game, 43, 12, 6) == "SUM: 0" && defaultBackgrounds() == 0; }))
            << defaultBackgrounds() << " cells on the default background after the clear";
        clearLocalScreen(game);
        ASSERT_TRUE(ptySetSize(game, 81, 25));
        EXPECT_TRUE(waitUntil(game, [&] { return textAt(game, 43, 12, 6) == "SUM: 0" && defaultBackgrounds() == 0; }))
            << defaultBackgrounds() << " cells on the default background after a repaint";
        shutDown(game);
    }
}

TEST_F(Game, RightArrowMovesTheBracket)
{
    ASSERT_TRUE(startPlaying(game));
    sendKeys(game, "\x1b[C");
    EXPECT_TRUE(waitUntil(game, [&] { return charAt(game, 27, 24) == U'\u2559'; }));
    EXPECT_EQ(charAt(game, 24, 24), U' ');
}

TEST_F(Game, NoAtThePromptRestoresTheTerminal)
{
    // Game over comes quickly with the clock sped up.
    shutDown(game);
    game = ptyGame{};
    launchOptions fast;
    fast.speedUp = 200;
    ASSERT_TRUE(launch(game, fast));
    ASSERT_TRUE(startPlaying(game));
    ASSERT_TRUE(waitUntil(game, [&] { return atReplayPrompt(game); }, 30000));
    sendKeys(game, "n");
    ASSERT_TRUE(waitForExit(game));
    EXPECT_TRUE(WIFEXITED(game.status));
    EXPECT_EQ(WEXITSTATUS(game.status), 0);
    termios modes = ptyModes(game);
    EXPECT_TRUE(modes.c_lflag & ICANON);
    EXPECT_TRUE(modes.c_lflag & ECHO);
}

}  // namespace
