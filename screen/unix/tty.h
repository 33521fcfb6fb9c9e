#pragma once
// The terminal's modes, and what gives them back: every way out, and every
// suspend, comes through here. Whatever a signal handler does to the
// terminal is in tty.cpp.

#include <atomic>
#include <cstdint>
#include <string_view>

// Who has the terminal's modes. Signal handlers read it to know whether
// there is anything to give back.
enum terminalModesHolder : int {
    modesAsFound,         // its own modes: before open and after close
    modesOfTheGame,       // game mode, taken from the ones it had
    modesLentForSuspend,  // given back for a suspend: a shell may be using it
};
extern std::atomic<int> terminalModes;
static_assert(std::atomic<int>::is_always_lock_free);

// How long a way out waits for a terminal that takes no output (a stopped
// emulator, a stalled link) before it ends the game anyway.
inline constexpr std::int64_t exitWaitMs = 500;

// False, having said why on stderr, when standard input and output are no
// terminal the game can draw on.
bool terminalUsable();
// The modes as they are now become the ones to give back, and game mode is
// built from them. False when they cannot be read.
bool terminalReadModes();
// Game mode, and what the drawing depends on, taken from the modes read.
void terminalTakeGameMode();
// Takes the terminal again after a resume, or after a suspend that no shell
// could carry out: the modes it has now become the ones to give back. Not
// for signal handlers.
void terminalEnterGameMode();

// Whether the game's process group has the terminal (a job in the
// background must not change its modes).
bool terminalInForeground();
// Gives the terminal its modes and colours back and puts the cursor on a
// fresh line, giving up on what it has not taken by `deadlineMs` (negative:
// no limit). Async-signal-safe.
void giveTerminalBack(std::int64_t deadlineMs);
// The terminal went away or its input ended: give it back within the way
// out's bound, and leave.
[[noreturn]] void terminalLost();

// The window's size in character cells, as the window-size ioctl reports
// it; false when it cannot be told. Async-signal-safe.
bool windowSize(int& columns, int& rows);
// The request that gives the window its old size back: kept while the game
// waits for the window to take `columns` x `rows`, the size it asked for;
// settled when the wait ends, kept or not; forgotten when the player
// resizes the window after that (from the SIGWINCH handler). Written on the
// way out, within `deadlineMs`, while the window still has the size asked
// for. All async-signal-safe; giving back does nothing the second time.
void keepSizeToGiveBack(std::string_view request, int columns, int rows);
void settleSizeToGiveBack(bool kept);
void forgetSizeOnResize();
void giveSizeBack(std::int64_t deadlineMs);
