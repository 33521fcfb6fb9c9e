#pragma once
// The terminal's modes, and what gives them back: every way out and every
// suspend comes through here, and whatever a signal handler does to the
// terminal is in tty.cpp.

#include <atomic>
#include <cstdint>
#include <string_view>

// Who has the terminal's modes, for the signal handlers to know whether
// there is anything to give back.
enum terminalModesHolder : int {
    modesAsFound,         // its own modes: before open and after close
    modesOfTheGame,       // game mode, taken from the ones it had
    modesLentForSuspend,  // given back for a suspend: a shell may be using it
};
extern std::atomic<int> terminalModes;
static_assert(std::atomic<int>::is_always_lock_free);

// False, having said why on stderr, when standard input and output are no
// terminal the game can draw on.
bool terminalUsable();
// The modes as they are now become the ones to give back, and game mode is
// built from them. False when they cannot be read.
bool terminalReadModes();
void terminalTakeGameMode();
// After a resume, or a suspend that no shell carried out: the modes the
// terminal has now become the ones to give back. Not for signal handlers.
void terminalEnterGameMode();

// Whether the game's process group has the terminal: one in the background
// must not change its modes.
bool terminalInForeground();
// The modes and colours back and the cursor on a fresh line, giving up on
// what the terminal has not taken by `deadlineMs` (none when negative).
void giveTerminalBack(std::int64_t deadlineMs);
// Every way out: the terminal given back, and the window's old size, within
// half a second, so that a stopped emulator or a stalled link cannot hold
// the game; what the terminal has not taken is dropped first if asked.
void giveTerminalBackForGood(bool dropUnsent);
// The terminal went away or its input ended: give it back and leave.
[[noreturn]] void terminalLost();

// The window's size in cells, from the window-size ioctl; false when it
// cannot be told.
bool windowSize(int& columns, int& rows);
// The request for the window's old size: kept while the game waits for the
// `columns` x `rows` it asked for, settled when the wait ends, forgotten
// when the player resizes after that. Written on the way out while the
// window has the size asked for, once.
void keepSizeToGiveBack(std::string_view request, int columns, int rows);
void settleSizeToGiveBack(bool kept);
void forgetSizeOnResize();
void giveSizeBack(std::int64_t deadlineMs);
