// What the game shows before the first game: the instructions, word for
// word, and then nothing until a key is pressed.

#include <sstream>

#include "live_game.h"

namespace {

const char* const instructions =
    "How to play:\n\n"
    "You will have 10 stacks that will gradually fill up with numbers between 1 & 9\n"
    "If any one stack reaches the top of the screen it's game over for you!\n"
    "To prevent this add numbers together to a sum of 10\n"
    "You can use the left & right arrow keys to select a stack,\n"
    "and enter to select the top-most number in that stack.  Once selected the \n"
    "number will be highlighted in red.  Although you may only select the number at\n"
    "the top of the stack it can remain selected even when more numbers have piled \n"
    "on top of it.\n"
    "The sum of all selected numbers will be shown at the bottom of the screen.\n"
    "When the sum is exactly equal to 10 the selected numbers will \n"
    "be removed and you will be given points. The number of points given is \n"
    "determined by the quantity of numbers you have removed, so it would be better\n"
    "to use multiple small numbers than only a few large ones.\n"
    "If the sum of the numbers is greater than 10 then all selected numbers will\n"
    "be unselected and your sum reset to 0.\n"
    "The game will start out slow and get progressivly faster.\n"
    "I hope you're good at adding!!\n"
    "\n -=-{ Press any key to play }-=-\n";

using Instructions = LiveGame;

TEST_F(Instructions, WrittenExactlyAsTextLines)
{
    start();
    ASSERT_TRUE(waitForOutput(game, "Press any key to play }-=-\r\n"));
    EXPECT_EQ(plainText(game.output), instructions) << "nothing but the text, and no byte lost";
}

TEST_F(Instructions, ShownRowByRowFromTheTopLeft)
{
    start();
    ASSERT_TRUE(waitForOutput(game, "Press any key to play }-=-\r\n"));
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
    // Written spaces, not cells left alone: the trailing blank of a line is
    // part of the text.
    EXPECT_EQ(backgroundAt(game, 73, 6), palette::black);
    EXPECT_EQ(backgroundAt(game, 74, 6), -1);
}

TEST_F(Instructions, NothingMoreUntilAKeyComes)
{
    // With the clock twenty times faster, half a second is ten seconds of
    // game time: more than two ticks, had a game started on its own.
    start(20);
    ASSERT_TRUE(waitForOutput(game, "Press any key to play }-=-\r\n"));
    EXPECT_FALSE(screenChangesWithin(game, 500)) << plainText(game.output);
    termios modes = ptyModes(game);
    EXPECT_FALSE(modes.c_lflag & ICANON) << "a key must not wait for Enter";
    EXPECT_FALSE(modes.c_lflag & ECHO);
    ASSERT_TRUE(startPlaying(game, "x"));
    EXPECT_EQ(textAt(game, 43, 14, 11), "Score: 0/10");
}

}  // namespace
