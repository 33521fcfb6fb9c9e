#pragma once
// The game's clock and the monotonic clock under it. Async-signal-safe.

#include <cstdint>

// Milliseconds on the monotonic clock.
std::int64_t monotonicNowMs();

// The game's clock (consoleClock) leaves out the time the game spent
// suspended: stopped, or with the window too small. They nest and are
// called from the suspend handler too.
void clockStopped();
void clockContinued();
