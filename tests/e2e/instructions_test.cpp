// What the game shows before the first game: the instructions, word for
// word, and then nothing until a key is pressed.

#include <sstream>

#include "live_game.h"
#include "instructions_text.h"

namespace {

using Instructions = LiveGame;

TEST_F(Instructions, WrittenExactlyAsTextLines)
{
    start();
    ASSERT_TRUE(waitForInstructions(game));
    EXPECT_EQ(plainText(game.output), instructions) << "nothing but the text, and no byte lost";
    // The modes reset on entry are no colour: no SGR (ESC [ digits m) but the reset.
    for (size_t at = game.output.find("\x1b["); at != std::string::npos; at = game.output.find("\x1b[", at + 1)) {
        size_t end = game.output.find_first_not_of("0123456789;", at + 2);
        EXPECT_FALSE(end != std::string::npos && game.output[end] == 'm' && game.output.compare(at, end - at, "\x1b[0") != 0)
            << "no colour set before it";
    }
}

TEST_F(Instructions, ShownRowByRowFromTheTopLeft)
{
    start();
    ASSERT_TRUE(waitForInstructions(game));
    std::istringstream lines(instructions);
    std::string line;
    int row = 0;
    while (std::getline(lines, line)) {
        line.resize(80, ' ');
        EXPECT_EQ(rowText(game, row), line) << "row " << row;
        ++row;
    }
    EXPECT_EQ(row, 21);
    for (; row < 25; ++row) {
        EXPECT_EQ(rowText(game, row), std::string(80, ' ')) << "row " << row;
    }
    EXPECT_EQ(cursorAt(game), std::make_pair(0, 21)) << "the cursor rests below the last line";
    // In the terminal's own colours, trailing blanks included: a light
    // theme shows no dark bars behind the lines.
    EXPECT_EQ(std::make_pair(foregroundAt(game, 0, 6), backgroundAt(game, 73, 6)), std::make_pair(-1, -1));
}

TEST_F(Instructions, NothingMoreUntilAKeyComes)
{
    // With the clock twenty times faster, half a second is ten seconds of
    // game time: more than two ticks, had a game started on its own.
    start(20);
    ASSERT_TRUE(waitForInstructions(game));
    sendKeys(game, "\x1b]11;rgb:dddd/dddd/dddd\x1b\\");  // a late answer to someone's colour query
    EXPECT_FALSE(screenChangesWithin(game, 500)) << plainText(game.output);
    termios modes = ptyModes(game);
    EXPECT_FALSE(modes.c_lflag & ICANON) << "a key must not wait for Enter";
    EXPECT_FALSE(modes.c_lflag & ECHO);
    ASSERT_TRUE(startPlaying(game, "x"));
    EXPECT_EQ(textAt(game, readoutColumn, scoreRow, 11), "Score: 0/10");
}

}  // namespace
