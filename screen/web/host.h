#pragma once
// What the page gives the game (page.js, `tenfallHost`): a terminal to write
// to, the keys typed into it, a clock, and a way to sleep until either a key
// or a deadline comes without blocking the browser.

#include <cstdint>

extern "C" {
// Terminal output (UTF-8 text and escape sequences) for the page's terminal.
void hostWrite(const char* bytes, int size);
// Moves up to `size` key bytes typed so far into `buffer`; returns how many.
int hostTakeKeys(unsigned char* buffer, int size);
// Milliseconds of the page's clock, less the time the page spent hidden.
double hostClock();
// The program is over: the page offers to start it again.
void hostEnded();
}

// Sleeps until a key byte is there, `timeoutMs` have passed (never when
// negative), or the page was shown again after being hidden. The program's
// stack is set aside meanwhile (Asyncify) and the browser runs on.
void hostWait(int timeoutMs);
