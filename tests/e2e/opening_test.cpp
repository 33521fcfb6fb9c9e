// The first screen of a game and the first tick after it.

#include "live_game.h"

namespace {

using OpeningScreen = LiveGame;
using Tick = LiveGame;

TEST_F(OpeningScreen, FrameHintsAndReadouts)
{
    start();
    ASSERT_TRUE(startPlaying(game));
    struct text {
        int x, y;
        const char* shown;
        int colour;
    };
    // The places as numbers, where a player finds them: this test holds the
    // layout's names in screen/screen.h to them.
    const text texts[] = {
        {43, 3, "<-- Left/A   Right/D -->", palette::grey},
        {43, 4, "[Enter] Select top of stack", palette::grey},
        {43, 5, "[Space] Unselect all", palette::grey},
        {43, 12, "SUM: 0", palette::yellow},
        {43, 13, "Level: 1", palette::yellow},
        {43, 14, "Score: 0/10", palette::yellow},
    };
    for (const text& t : texts) {
        int length = static_cast<int>(std::string(t.shown).size());
        EXPECT_EQ(textAt(game, t.x, t.y, length + 1), std::string(t.shown) + " ") << "row " << t.y;
        for (int x = t.x; x < t.x + length; ++x) {
            EXPECT_EQ(foregroundAt(game, x, t.y), t.colour) << x << "," << t.y;
            EXPECT_EQ(backgroundAt(game, x, t.y), palette::black) << x << "," << t.y;
        }
    }
    for (int row = 0; row < 25; ++row) {
        for (int x : {8, 39}) {
            EXPECT_EQ(charAt(game, x, row), U'\u2502') << x << "," << row;
            EXPECT_EQ(foregroundAt(game, x, row), palette::cyan) << x << "," << row;
            EXPECT_EQ(backgroundAt(game, x, row), palette::black) << x << "," << row;
        }
    }
    EXPECT_EQ(textAt(game, readoutColumn, gameOverRow, 11), std::string(11, ' ')) << "no game-over message yet";
    // Cleared to black, whatever the terminal's own background.
    int notBlack = 0;
    for (int row = 0; row < 25; ++row) {
        for (int x = 0; x < 80; ++x) {
            notBlack += backgroundAt(game, x, row) == palette::black ? 0 : 1;
        }
    }
    EXPECT_EQ(notBlack, 0);
}

TEST_F(OpeningScreen, BracketAroundStackFive)
{
    start();
    ASSERT_TRUE(startPlaying(game));
    for (int row = 0; row < 24; ++row) {
        EXPECT_EQ(charAt(game, 24, row), U'\u2551') << row;
        EXPECT_EQ(charAt(game, 26, row), U'\u2551') << row;
    }
    EXPECT_EQ(textAt(game, 24, 24, 3), "\u2559\u2500\u255C");
    for (int x = 24; x <= 26; ++x) {
        EXPECT_EQ(foregroundAt(game, x, 24), palette::green);
        EXPECT_EQ(backgroundAt(game, x, 24), palette::black);
    }
    EXPECT_TRUE(bracketOnlyAt(game, 5));
}

TEST_F(OpeningScreen, FifteenDigitsTopsYellowLowerCellsGrey)
{
    start();
    ASSERT_TRUE(startPlaying(game));
    EXPECT_EQ(digitCount(game), 15);
    boardView board = readBoard(game);
    size_t cells = 0;
    for (int i = 0; i < stackCount; ++i) {
        const std::vector<int>& stack = board[static_cast<size_t>(i)];
        cells += stack.size();
        int x = stackColumn(i);
        for (size_t n = 0; n < stack.size(); ++n) {
            int y = cellRow(static_cast<int>(n));
            bool top = n + 1 == stack.size();
            EXPECT_EQ(foregroundAt(game, x, y), top ? palette::yellow : palette::grey)
                << "stack " << i << " cell " << n;
            EXPECT_EQ(backgroundAt(game, x, y), palette::black) << "stack " << i << " cell " << n;
        }
        for (int y = cellRow(static_cast<int>(stack.size())); y >= 0; --y) {
            EXPECT_EQ(charAt(game, x, y), U' ') << "above stack " << i << ", row " << y;
        }
    }
    EXPECT_EQ(cells, 15u) << "every digit stands on the one below it";
    // Nothing but frame, brackets and digits between the frame lines.
    for (int row = 0; row < 25; ++row) {
        for (int x = 9; x < 39; ++x) {
            char32_t c = charAt(game, x, row);
            bool stackColumnX = (x - 10) % 3 == 0;
            if (!stackColumnX) {
                EXPECT_FALSE(c >= U'0' && c <= U'9') << x << "," << row;
            }
        }
    }
}

TEST_F(OpeningScreen, GameModeWhilePlaying)
{
    start();
    ASSERT_TRUE(startPlaying(game));
    termios modes = ptyModes(game);
    EXPECT_FALSE(modes.c_lflag & ICANON);
    EXPECT_FALSE(modes.c_lflag & ECHO);
    EXPECT_FALSE(modes.c_iflag & ICRNL) << "Enter must arrive as CR";
    EXPECT_TRUE(modes.c_lflag & ISIG) << "Ctrl-C still ends the game";
}

// A level-1 tick comes every 4100 ms of game time: 1025 ms here. In well
// over half of that nothing at all is written; then exactly one digit lands,
// on top of a stack, and the stack's old top turns grey. The same again for
// the next tick, timed from the first.
TEST_F(Tick, OneDigitAfterTheIntervalAndNoneBefore)
{
    const int interval = 1025, quiet = 650, late = interval + 600;
    start(4);
    ASSERT_TRUE(startPlaying(game));
    for (int digits = 15; digits < 17; ++digits) {
        SCOPED_TRACE("tick " + std::to_string(digits - 14));
        ASSERT_EQ(digitCount(game), digits);
        boardView before = readBoard(game);
        auto shown = std::chrono::steady_clock::now();
        EXPECT_FALSE(screenChangesWithin(game, quiet)) << "something was drawn before the tick";
        EXPECT_EQ(digitCount(game), digits);

        int left = late - quiet;
        ASSERT_TRUE(waitForDigitsOtherThan(game, digits, left)) << "no tick in time";
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - shown);
        EXPECT_EQ(digitCount(game), digits + 1) << "after " << ms.count() << " ms";
        boardView after = readBoard(game);
        int grown = -1;
        for (int i = 0; i < stackCount; ++i) {
            const auto& was = before[static_cast<size_t>(i)];
            const auto& is = after[static_cast<size_t>(i)];
            if (is.size() == was.size() + 1 && std::equal(was.begin(), was.end(), is.begin())) {
                grown = i;
            } else {
                EXPECT_EQ(is, was) << "stack " << i;
            }
        }
        ASSERT_GE(grown, 0) << "the new digit is not on top of a stack";
        int height = static_cast<int>(after[static_cast<size_t>(grown)].size());
        EXPECT_EQ(foregroundAt(game, stackColumn(grown), cellRow(height - 1)), palette::yellow);
        if (height > 1) {
            EXPECT_EQ(foregroundAt(game, stackColumn(grown), cellRow(height - 2)), palette::grey);
        }
        EXPECT_EQ(textAt(game, readoutColumn, sumRow, 6), "SUM: 0");
    }
}

// The same opening screen as above, seen at the glyphs and colours a player
// notices first.
TEST_F(OpeningScreen, ColoursAndGlyphs)
{
    start();
    ASSERT_TRUE(startPlaying(game));
    EXPECT_EQ(textAt(game, readoutColumn, hintRow, 24), "<-- Left/A   Right/D -->");
    EXPECT_EQ(foregroundAt(game, readoutColumn, hintRow), palette::grey);
    for (int row = 0; row < screenHeight; ++row) {
        EXPECT_EQ(charAt(game, frameLeftColumn, row), U'\u2502') << row;
        EXPECT_EQ(foregroundAt(game, frameRightColumn, row), palette::cyan) << row;
        EXPECT_EQ(backgroundAt(game, frameRightColumn, row), palette::black) << row;
    }
    const int cursor = 5;    // the stack a game starts on
    const int sideRow = 10;  // any row of the bracket's sides above its foot
    EXPECT_EQ(charAt(game, bracketLeftColumn(cursor), sideRow), U'\u2551');
    EXPECT_EQ(charAt(game, bracketLeftColumn(cursor), bracketFootRow), U'\u2559');
    EXPECT_EQ(charAt(game, stackColumn(cursor), bracketFootRow), U'\u2500');
    EXPECT_EQ(charAt(game, bracketRightColumn(cursor), bracketFootRow), U'\u255C');
    EXPECT_EQ(foregroundAt(game, bracketRightColumn(cursor), bracketFootRow), palette::green);
    EXPECT_EQ(foregroundAt(game, readoutColumn, sumRow), palette::yellow);
    EXPECT_EQ(backgroundAt(game, 60, 20), palette::black) << "cleared to black, not the terminal's default";
}

}  // namespace
