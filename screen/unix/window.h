#pragma once
// The window around the game screen: its size, the request to grow, and the
// wait while it is too small.

#include <string>

// On open, where the terminal is known to honour it, asks the window to
// grow to the game's size and waits up to half a second for it.
void windowGrow();
// Whether the window holds the whole game screen; true when its size cannot be told.
bool windowHasRoom();
// While the window is too small, says so and waits for it to grow. True
// when it waited: keys pressed meanwhile are to be dropped.
bool windowWaitForRoom();
// The first wait for a key, at the instructions: while the window is too
// small for the game screen, one line after them says so.
void windowTellBeforeFirstKey();
// What the game says while the window is too small for its screen.
std::string windowTooSmall(int columns, int rows);
