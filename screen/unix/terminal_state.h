#pragma once
// What the pieces of the Unix terminal layer tell each other.

#include <string>
#include <string_view>

// Whether box glyphs go out as UTF-8 or as ASCII stand-ins; set on open.
extern bool terminalUtf8;

// The bytes that give the terminal back its colours and leave the cursor at
// the start of a fresh line. Kept current by the output side, so that a
// signal handler can write them without building anything.
std::string_view restoreSequence();

// Writes all of `bytes` to the terminal, retrying short and interrupted
// writes. Async-signal-safe.
void writeAll(std::string_view bytes);

// Has the next flush draw the whole game screen again from the record of
// what it shows, for when the terminal's content was lost (after a suspend,
// a resize, or a message over the game). Nothing before the first clear.
// Not for signal handlers.
void terminalRepaint();
// Whether the terminal shows the game screen: false before the first clear
// and while a message of the terminal layer's own stands.
bool terminalShowsGame();

// Clears the screen and shows a message of the terminal layer's own in the
// terminal's default colours. The game screen is gone until the next clear
// or repaint.
void terminalMessage(std::string_view text);

// The terminal went away or input ended: give it back and leave.
[[noreturn]] void terminalLost();

// Game mode again, after the shell had the terminal while the game was stopped.
void terminalEnterGameMode();

// Whether the window holds the whole game screen; true when its size cannot be told.
bool terminalHasRoom();
// Before the game screen is drawn: while the window is too small, says so and
// waits for it to grow. Keys pressed meanwhile are dropped.
void terminalWaitForRoom();
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
// On open, where the terminal is known to
// honour it, asks the window to grow to the game's size and waits a moment
// for it. On the way out, asks for the old size back if the window still has
// the size asked for; async-signal-safe, and does nothing the second time.
void windowGrow();
void windowGiveBack();
// The first wait for a key, at the instructions: while the window is too
// small for the game screen, one line after them says so.
void windowTellBeforeFirstKey();
// What the game says while the window is too small for its screen.
std::string windowTooSmall(int columns, int rows);
