#pragma once
// Reading the game from the emulated screen the way a player reads it: the
// digits of each stack, where the bracket stands, what the readouts say.
// The end-to-end tests, the benchmark and the screenshot tool know nothing
// of the game's insides but its layout; all they read comes through these.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "harness.h"
#include "screen/screen.h"
#include "screen/codec/translate.h"

// Palette indices the terminal shows for the game's console colours.
namespace palette {
inline constexpr int black = paletteIndex(::black);
inline constexpr int grey = paletteIndex(lightGrey);
inline constexpr int lightRed = paletteIndex(::lightRed);
inline constexpr int green = paletteIndex(lightGreen);
inline constexpr int yellow = paletteIndex(::yellow);
inline constexpr int cyan = paletteIndex(lightCyan);
inline constexpr int white = paletteIndex(::white);
}  // namespace palette

// The digits of each stack as the screen shows them, bottom first. A stack
// is read from row 23 upwards up to the first cell that holds no digit.
using boardView = std::array<std::vector<int>, stackCount>;
boardView readBoard(ptyGame& game);

// Digits anywhere in the ten stack columns, rows 0 to 24.
int digitCount(ptyGame& game);

// Stacks whose bracket foot (the three glyphs on row 24) is drawn.
std::vector<int> bracketFeet(ptyGame& game);
// The stack the cursor bracket stands at (the first whose foot is drawn), or -1.
int cursorStack(ptyGame& game);
// True when the bracket of stack i is drawn whole and no other bracket glyph
// stands anywhere in the stack area.
bool bracketOnlyAt(ptyGame& game, int i);

bool shownSelected(ptyGame& game, int i, int n);  // yellow on light red

// Keys that move the cursor from one stack to another with D and A.
std::string movesBetween(int from, int to);

// Stacks whose tops add up to `target`, or nothing when no set does. Only
// non-empty stacks not in `excluded` take part.
std::optional<std::vector<int>> topsSummingTo(const boardView& board, int target,
                                              const std::vector<int>& excluded = {});

// Waits until `text` appears in what the game wrote after byte `from`.
bool waitForOutput(ptyGame& game, const std::string& text, size_t from = 0, int timeoutMs = 5000);

// Waits until the instructions have been written whole, up to their last line.
bool waitForInstructions(ptyGame& game, int timeoutMs = 5000);

// Starts the game at 80 x 24 in a VTE terminal and grows the window to
// 80 x 25 when the game asks, as such a terminal does.
bool launchGrown(ptyGame& game, int speedUp = 1);

// Waits for the instructions, presses `key` and waits for the game's first
// screen to be drawn whole.
bool startPlaying(ptyGame& game, const std::string& key = " ", int timeoutMs = 5000);
// Waits for a game's first screen, drawn after byte `from`, to be read whole.
bool waitForGameScreen(ptyGame& game, size_t from, int timeoutMs = 5000);

// True while the game-over message and the replay prompt stand.
bool atReplayPrompt(ptyGame& game);

// Waits until the number of digits on the screen differs from `count`:
// a tick has dropped a number (or something removed some).
bool waitForDigitsOtherThan(ptyGame& game, int count, int timeoutMs);

// The game's output with every escape sequence taken out and each CR LF
// read as LF: the text a player would read, in order.
std::string plainText(const std::string& output);
