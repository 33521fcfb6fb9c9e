#pragma once
// What the pieces of the Unix terminal layer tell each other.

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
// or a resize). Not for signal handlers.
void terminalRepaint();

// The terminal went away or input ended: give it back and leave.
[[noreturn]] void terminalLost();
