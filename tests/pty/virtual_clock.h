#pragma once
// What the driver and the preloaded virtual clock (virtual_clock.cpp) agree
// on.

// Sent on the terminal: let the game's pending wait run out.
inline constexpr unsigned char clockTickByte = 0xFF;
// Sent on the terminal: report back once every key before it is handled.
inline constexpr unsigned char clockSyncByte = 0xFE;
// What time() says when the game starts: 2026-01-01 00:00:00 UTC.
inline constexpr long long clockStartTime = 1767225600;
