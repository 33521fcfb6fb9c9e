#pragma once
// Every signal the game takes: those that end it or suspend it, which give
// the terminal back first, and those the wait acts on (wait.h). Closing puts
// back the action each had when the game took it.

void signalsOpen();
void signalsClose();
