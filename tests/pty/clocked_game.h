#pragma once
// A game in a pseudo-terminal whose clock the driver holds (see
// virtual_clock.cpp): it moves only on tick bytes, so runs are repeatable to
// the byte, and the driver knows when the game has handled what it was sent
// and how much it wrote.

#include <cstdint>
#include <string>
#include <string_view>

#include "harness.h"
#include "virtual_clock.h"

struct clockedGame {
    ptyGame pty;
    int ackFd = -1;  // the virtual clock's answers
};

// The straightforward build of the game, for comparing output with.
std::string naiveBinary();

// Starts `binary` on the virtual clock and waits for the instructions.
bool launchClocked(clockedGame& game, const std::string& binary);
void shutDownClocked(clockedGame& game);

// Sends `bytes`, then waits until the game has handled all of them, waits
// again, and every byte it wrote has been read into the emulator.
bool play(clockedGame& game, std::string_view bytes, int timeoutMs = 10000);

// `count` ticks' worth of clock.
std::string ticks(int count);

// Every cell of the emulator's screen (glyph, foreground, background) and the
// cursor position, in a form that compares and prints.
std::string screenImage(ptyGame& game);
// The first difference between two screen images, for failure messages.
std::string firstDifference(const std::string& a, const std::string& b);
