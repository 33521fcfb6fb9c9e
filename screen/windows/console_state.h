#pragma once
// What the pieces of the Windows console layer tell each other.

#include <atomic>

// Set by the first clear: from then on the game owns the top 25 rows, and the
// way out leaves the cursor on a fresh line below them.
extern std::atomic<bool> gameScreenShown;

// One lock for the console's screen, around each drawing call; the control
// handler leaves with it held, so no draw comes between its restore and the end.
void lockConsole();
void unlockConsole();

// The console went away: give it back as far as it can be and leave.
[[noreturn]] void consoleLost();
