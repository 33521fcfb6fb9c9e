#pragma once
// What the pieces of the Unix terminal layer tell each other.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "screen/ansi/backend.h"
#include "screen/ansi/renderer.h"

// Who has the terminal's modes. Signal handlers read it to know whether
// there is anything to give back.
enum terminalHolder : int {
    terminalAsFound,     // its own modes: before open and after close
    terminalInGameMode,  // the game's modes, taken from the ones it had
    terminalStopped,     // given back for a suspend: a shell may be using it
};
extern std::atomic<int> terminalHeld;
static_assert(std::atomic<int>::is_always_lock_free);


// The bytes that give the terminal back its colours and leave the cursor at
// the start of a fresh line. Built from what terminalNowShows was last told,
// without allocating, so that a signal handler can write them.
std::string_view restoreSequence();

// The same, but gives up at `deadlineMs` on the monotonic clock (see
// monotonicNowMs) when the terminal takes nothing. Async-signal-safe.
bool writeAllBy(std::string_view bytes, std::int64_t deadlineMs);
// Opens what writeAllBy writes through; on open, not for signal handlers.
void writeOpen();
// Milliseconds on the monotonic clock. Async-signal-safe.
std::int64_t monotonicNowMs();

// Gives the terminal its modes and colours back and puts the cursor on a
// fresh line: every way out, and every suspend, comes through here. Gives
// up on what the terminal has not taken by `deadlineMs` (negative: no
// limit). Async-signal-safe.
void giveTerminalBack(std::int64_t deadlineMs);
// How long a way out waits for a terminal that takes no output (a stopped
// emulator, a stalled link) before it ends the game anyway.
inline constexpr std::int64_t exitWaitMs = 500;
// Whether the game's process group has the terminal (a job in the
// background must not change its modes). Async-signal-safe.
bool terminalInForeground();

// The signals that end the game or suspend it; see signals.cpp.
void exitSignalsOpen();
void exitSignalsClose();


// The terminal went away or input ended: give it back and leave.
[[noreturn]] void terminalLost();

// Takes the terminal again after a resume, or after a suspend that no shell
// could carry out: the modes it has now become the ones to give back, game
// mode is built from them, and what the drawing depends on is reset. Not
// for signal handlers.
void terminalEnterGameMode();

// Whether the window holds the whole game screen; true when its size cannot be told.
bool terminalHasRoom();
// After a resume (game mode again) or a resize: the game screen repainted,
// once the window holds it; until then the game is suspended, the message
// of the wait for room showing and the clock standing still.
void terminalRecover(bool resumed);
// Forgets every key read or half read and not yet taken.
void dropKeys();

// Signals that the wait (wait.h) acts on. Their handlers only take note and
// write a byte to a pipe that the wait watches next to the keyboard.
void eventsOpen();
void eventsClose();

// The clock leaves out the time the game spent suspended: stopped, or with
// the window too small. They nest, are called from the suspend handler and
// are async-signal-safe.
void clockStopped();
void clockContinued();

// The window's size in character cells, as the window-size ioctl reports
// it; false when it cannot be told. Async-signal-safe.
bool windowSize(int& columns, int& rows);
// On open, where the terminal is known to honour it, asks the window to
// grow to the game's size and waits a moment for it. On the way out, asks
// for the old size back if the grow was honoured and kept and no resize
// came since (windowResized, from the SIGWINCH handler), giving up at
// `deadlineMs` as writeAllBy does; async-signal-safe, and does nothing the
// second time.
void windowGrow();
void windowResized();
void windowGiveBack(std::int64_t deadlineMs);
// The first wait for a key, at the instructions: while the window is too
// small for the game screen, one line after them says so.
void windowTellBeforeFirstKey();
// What the game says while the window is too small for its screen.
std::string windowTooSmall(int columns, int rows);
