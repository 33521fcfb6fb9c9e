// The Unix output layer on its own, its writes captured instead of sent.

#include <gtest/gtest.h>

#include "captured_output.h"
#include "screen/console.h"
#include "screen/screen.h"

namespace {

// A terminal may be no larger than the game, and holds the cursor at its
// edge: text beyond the grid would land on the game's cells, and a newline
// on the last row would scroll the whole screen.
TEST(UnixOutput, TextOffTheGameScreenSendsNothing)
{
    consoleClear();
    consoleFlush();
    capturedOutput().clear();
    for (coord at : {coord{screenWidth, 3}, coord{-1, 0}, coord{5, screenHeight}, coord{0, -1}}) {
        consoleMove(at.x, at.y);
        consoleWrite("x");
    }
    consoleMove(0, screenHeight - 1);
    consoleWrite("\n");
    consoleFlush();
    EXPECT_EQ(capturedOutput(), "");

    consoleMove(3, 4);
    consoleWrite("ab\ncd");  // the newline only takes the writing to the next row
    consoleFlush();
    EXPECT_EQ(capturedOutput().find('\n'), std::string::npos);
    EXPECT_EQ(capturedOutput().substr(capturedOutput().size() - 2), "cd");
}

}  // namespace
