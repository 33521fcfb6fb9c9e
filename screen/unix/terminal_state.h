#pragma once
// What the pieces of the Unix terminal layer tell each other.

#include <atomic>
#include <cstdint>
#include <string_view>

// Whether box glyphs go out as UTF-8 or as ASCII stand-ins; set on open.
extern bool terminalUtf8;
// Whether the terminal fills erased cells with the current background
// (back-colour erase); set on open. Without it a cleared screen shows the
// terminal's own background, so the output sends every blank itself.
extern bool terminalErasesInColour;

// Who has the terminal's modes. Signal handlers read it to know whether
// there is anything to give back.
enum terminalHolder : int {
    terminalAsFound,     // its own modes: before open and after close
    terminalInGameMode,  // the game's modes, taken from the ones it had
    terminalStopped,     // given back for a suspend: a shell may be using it
};
extern std::atomic<int> terminalHeld;
static_assert(std::atomic<int>::is_always_lock_free);

// What the screen shows, for the way out to leave the cursor on a line of
// its own: the game screen, or running text (the instructions, a message of
// the terminal layer's own) that stands at the start of a line or in it.
enum terminalShowing : int { showingGameScreen, showingTextAtLineStart, showingTextMidLine };
// Told by the output whenever that changes; cheap enough for every character.
void terminalNowShows(terminalShowing what);
// Told by the terminal layer to the output: the screen shows something of
// the layer's own, so the record of the game screen and of the cursor and
// colour is void until the next clear.
void outputForgetScreen();

// The bytes that give the terminal back its colours and leave the cursor at
// the start of a fresh line. Built from what terminalNowShows was last told,
// without allocating, so that a signal handler can write them.
std::string_view restoreSequence();

// Writes all of `bytes` to the terminal, retrying short and interrupted
// writes, and waiting for room when the terminal is non-blocking and full.
// Async-signal-safe.
void writeAll(std::string_view bytes);
// The same, but gives up at `deadlineMs` on the monotonic clock (see
// monotonicNowMs) when the terminal takes nothing. Async-signal-safe.
bool writeAllBy(std::string_view bytes, std::int64_t deadlineMs);
// Milliseconds on the monotonic clock. Async-signal-safe.
std::int64_t monotonicNowMs();

// Gives the terminal its modes and colours back and puts the cursor on a
// fresh line: every way out, and every suspend, comes through here. Gives
// up on what the terminal has not taken by `deadlineMs` (negative: no
// limit). Async-signal-safe.
void giveTerminalBack(std::int64_t deadlineMs);
// Whether the game's process group has the terminal (a job in the
// background must not change its modes). Async-signal-safe.
bool terminalInForeground();

// The signals that end the game or suspend it; see signals.cpp.
void exitSignalsOpen();
void exitSignalsClose();

// Has the next flush draw the whole game screen again from the record of
// what it shows, for when the terminal's content was lost (after a suspend,
// or a resize). Not for signal handlers.
void terminalRepaint();

// Clears the screen and shows a message of the terminal layer's own in the
// terminal's default colours. The game screen is gone until the next clear.
void terminalMessage(std::string_view text);

// The terminal went away or input ended: give it back and leave.
[[noreturn]] void terminalLost();

// Takes the terminal again after a resume, or after a suspend that no shell
// could carry out: the modes it has now become the ones to give back, game
// mode is built from them, and what the drawing depends on is reset. Not
// for signal handlers.
void terminalEnterGameMode();

// Whether the window holds the whole game screen; true when its size cannot be told.
bool terminalHasRoom();
// Before the game screen is drawn: while the window is too small, says so and
// waits for it to grow. Keys pressed meanwhile are dropped.
void terminalWaitForRoom();

// Signals that the wait for keys acts on. Their handlers only take note and
// write a byte to a pipe that the wait watches next to the keyboard.
void eventsOpen();
void eventsClose();
int eventFd();  // readable once something happened; -1 if the pipe could not be made
// Acts on what happened since the last call: game mode again after a
// resume, and a repaint whenever the window has room. False when nothing did.
bool handleTerminalEvents();

// The clock leaves out the time the game spent stopped. Both are called from
// the suspend handler and are async-signal-safe.
void clockStopped();
void clockContinued();
