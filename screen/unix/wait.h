#pragma once
// The one wait of the Unix terminal layer: for the terminal's bytes, a due
// time, or a signal that changes what the terminal shows.

#include <cstdint>

struct terminalWait {
    enum { keys, timedOut, resumed, resized, hungUp } what;
    int count = 0;  // bytes read, for keys
};

// Waits until the terminal has bytes (into `into`), consoleClock() reaches
// `dueMs` (never when negative), or the game was resumed or its window
// resized. Looks at the terminal once even when the due time has passed. A
// hang-up is the terminal gone or its input at an end.
terminalWait waitForTerminal(std::int64_t dueMs, unsigned char* into, int size);

// Opens the pipe that wakes the wait, which sleeps in short slices without.
void waitOpen();
// A resume or a resize for the wait to report. Async-signal-safe.
void waitNote(decltype(terminalWait::what) event);
