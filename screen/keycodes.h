#pragma once
// The key codes the game reads, as a Windows console gives them: a
// character key is its character, and an extended key (an arrow, Home, End)
// is two codes, keyExtended and then the key's own code. The Unix key
// decoder produces the same codes from what a terminal sends.

inline constexpr int keyExtended = 0xE0;

// Second codes of the extended keys.
inline constexpr int keyUp = 0x48;
inline constexpr int keyDown = 0x50;
inline constexpr int keyLeft = 0x4B;
inline constexpr int keyRight = 0x4D;
inline constexpr int keyHome = 0x47;
inline constexpr int keyEnd = 0x4F;

inline constexpr int keyEnter = '\r';
inline constexpr int keySpace = ' ';
inline constexpr int keyEscape = 0x1B;
