#pragma once
// The ANSI renderer: console.h's drawing calls for any terminal that reads
// escape sequences, on the backend of backend.h. Each backend defines
// consoleClear, to do what it must before the game screen is drawn (wait
// for the window to be large enough), and then calls ansiClear.

#include <string_view>

// The whole screen blank on black, cursor at 0,0.
void ansiClear();
// Has the next flush draw the whole game screen again, for when the
// terminal lost it (a suspend, a resize, a message). Nothing before the
// first clear.
void terminalRepaint();
// Whether the terminal shows the game screen: not before the first clear,
// nor while a message stands.
bool terminalShowsGame();
// Clears the screen for a message of the terminal layer's own, in the
// terminal's own colours, until the next clear or repaint.
void terminalMessage(std::string_view text);
