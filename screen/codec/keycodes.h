#pragma once
// The key codes the game reads, as a Windows console gives them: a character
// key is its character, and an extended key (an arrow, Home, End) is two
// codes, keyExtended and then the key's own code. The key decoder
// (screen/codec/keydecoder.h) produces the same codes from what a terminal sends.

inline constexpr int keyExtended = 0xE0;
// The console's other prefix, for F1 to F10; alone, a key that means nothing.
inline constexpr int keyFunction = 0x00;
// What the key decoder gives, as keyFunction alone, for a key the console has
// no code of its own for here (one with Ctrl, Alt or Shift held): one key press.
inline constexpr int keyOfNoMeaning = 0x00;

// Second codes of the extended keys: the keys' scan codes. They are not told
// apart from character keys: F10's 0x44 is "D", so F10 moves the cursor
// right just as the arrows' 0x4B and 0x4D are "K" and "M".
inline constexpr int keyUp = 0x48;
inline constexpr int keyDown = 0x50;
inline constexpr int keyLeft = 0x4B;
inline constexpr int keyRight = 0x4D;
inline constexpr int keyHome = 0x47;
inline constexpr int keyEnd = 0x4F;
inline constexpr int keyPageUp = 0x49;
inline constexpr int keyPageDown = 0x51;
inline constexpr int keyInsert = 0x52;
inline constexpr int keyDelete = 0x53;
inline constexpr int keyBackTab = 0x0F;  // Shift-Tab, after keyFunction
inline constexpr int keyF1 = 0x3B;       // F2 to F10 follow, after keyFunction
inline constexpr int keyF11 = 0x85;      // F12 follows, after keyExtended

inline constexpr int keyEnter = '\r';
inline constexpr int keySpace = ' ';
inline constexpr int keyEscape = 0x1B;
// Any character outside ASCII, one code for each, whatever the character:
// no game key, no prefix, and without case in any locale (CP437's inverted
// question mark, Latin-1's diaeresis).
inline constexpr int keyNonAscii = 0xA8;
