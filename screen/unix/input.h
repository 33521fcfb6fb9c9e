#pragma once
// Keys from the terminal (consoleKeyWaiting, consoleReadKey).

// Forgets every key read or half read and not yet taken.
void dropKeys();
