#pragma once
// The platform seam, with one implementation in each executable: the Unix
// terminal (screen/unix/), the Windows console (screen/windows/), the web
// page's terminal (screen/web/), or the tests' fake. They are object
// libraries, so linking two of them fails with duplicate symbols.
//
// Four calls may wait: consoleOpen (on Unix, up to half a second for a
// window asked to grow), consoleClear, consoleKeyWaiting and consoleReadKey.
// The game's clock goes on meanwhile, so a caller keeping time reads
// consoleClock again after any of them. The others never wait for the
// player or the window; a write waits only while the terminal takes it in.

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
// The whole screen blank on black, cursor at 0,0. On Unix it first waits, as
// long as it takes, while the window is smaller than the game screen, saying
// so in the window; keys pressed meanwhile are dropped.
void consoleClear();
void consoleFlush();  // everything written so far is on the screen

// True when a key code can be read, waiting at most timeoutMs for one
// (forever when negative); with 0 it still takes what the console already
// has. Output is flushed before any wait. On Unix a resume or a resize met
// meanwhile repaints the screen, and a window too small for the game
// suspends it, clock included, until it is large enough.
bool consoleKeyWaiting(int timeoutMs);
// One key code, 0 to 255, waiting for it if need be. Extended keys arrive as
// two codes: keyExtended and then the key's own (screen/codec/keycodes.h).
int consoleReadKey();

// Milliseconds since the program started, less the time it was suspended.
std::int64_t consoleClock();
