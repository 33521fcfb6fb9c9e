#pragma once
// The Unix output layer (screen/unix/output.cpp) linked without the rest of
// the terminal layer: the few pieces of it that the output calls are
// replaced here, so that what would go to the terminal is kept in a string,
// the glyphs go out as UTF-8 or as ASCII stand-ins as the caller sets
// terminalUtf8 (screen/unix/terminal_state.h), and the window always has
// room.

#include <string>

// Every byte the output layer has written since this was last cleared.
std::string& capturedOutput();
