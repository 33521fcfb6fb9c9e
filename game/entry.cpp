#include <cctype>
#include <cstdlib>
#include <ctime>
#include <string>

#include "game/game.h"
#include "screen/console.h"
#include "screen/screen.h"

namespace {

void showInstructions()
{
    const std::string ten = std::to_string(10);
    writeText("How to play:\n\n");
    writeText("You will have " + ten + " stacks that will gradually fill up with numbers between 1 & 9\n");
    writeText("If any one stack reaches the top of the screen it's game over for you!\n");
    writeText("To prevent this add numbers together to a sum of " + ten + "\n");
    writeText("You can use the left & right arrow keys to select a stack,\n");
    writeText("and enter to select the top-most number in that stack.  Once selected the \n");
    writeText("number will be highlighted in red.  Although you may only select the number at\n");
    writeText("the top of the stack it can remain selected even when more numbers have piled \n");
    writeText("on top of it.\n");
    writeText("The sum of all selected numbers will be shown at the bottom of the screen.\n");
    writeText("When the sum is exactly equal to " + ten + " the selected numbers will \n");
    writeText("be removed and you will be given points. The number of points given is \n");
    writeText("determined by the quantity of numbers you have removed, so it would be better\n");
    writeText("to use multiple small numbers than only a few large ones.\n");
    writeText("If the sum of the numbers is greater than " + ten + " then all selected numbers will\n");
    writeText("be unselected and your sum reset to 0.\n");
    writeText("The game will start out slow and get progressivly faster.\n");
    writeText("I hope you're good at adding!!\n");
}

// Waits for Y or N in either case; every other key is swallowed unseen.
bool askPlayAgain()
{
    writeText("Play again? ");
    for (;;) {
        int answer = std::toupper(consoleReadKey());
        if (answer == 'Y') {
            return true;
        }
        if (answer == 'N') {
            return false;
        }
    }
}

}  // namespace

int runTenfall()
{
    if (!consoleOpen()) {
        return 1;
    }
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    showInstructions();
    writeText("\n -=-{ Press any key to play }-=-\n");
    consoleReadKey();
    do {
        playGame(15);
    } while (askPlayAgain());
    consoleClose();
    return 0;
}
