#pragma once
// A stub backend for the ANSI renderer (screen/ansi/): what would go to the
// terminal is kept in a string, the glyphs go out as UTF-8 or as ASCII
// stand-ins as the caller sets terminalUtf8 (screen/ansi/backend.h), and the
// window always has room.

#include <string>

#include "screen/ansi/backend.h"

// Every byte the output layer has written since this was last cleared.
std::string& capturedOutput();
// What the renderer last said the screen shows.
terminalShowing capturedShowing();
