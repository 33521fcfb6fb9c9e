#pragma once
// What the game writes before the first game, byte for byte: the unit tests
// read it from the fake console, the end-to-end tests from a real terminal.

inline const char* const instructions =
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
