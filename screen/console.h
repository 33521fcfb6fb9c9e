#pragma once
// The platform seam. Exactly one implementation is linked into each
// executable: the Unix terminal, the Windows console, or the tests' fake that
// records what is drawn. They are object libraries, so linking two of them
// fails with duplicate symbols instead of one silently winning.

#include <cstdint>
#include <string_view>

// Takes the console into game mode: keys unechoed and unbuffered. Returns
// false, having said why on stderr, when the game cannot run here.
bool consoleOpen();
// Gives the console back as it was found. Safe to call more than once.
void consoleClose();

void consoleMove(int x, int y);
void consoleColor(int attribute);  // foreground + 16 * background
void consoleWrite(std::string_view text);  // code page 437 bytes
void consoleClear();  // whole screen blank on black, cursor at 0,0
void consoleFlush();  // everything written so far is on the screen

// True when a key code can be read, waiting at most timeoutMs for one
// (forever when negative). Output is flushed before any wait.
bool consoleKeyWaiting(int timeoutMs);
// One key code, 0 to 255, waiting for it if need be. Extended keys arrive as
// two codes: keyExtended and then the key's own (screen/keycodes.h).
int consoleReadKey();

// Milliseconds of wall time since the program started.
std::int64_t consoleClock();

// The console's size in character cells; false when it cannot be told.
bool consoleSize(int& columns, int& rows);
