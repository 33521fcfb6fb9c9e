#pragma once
// Game flow: the program entry with its instructions and replay prompt, the
// loop of one game with its timed ticks, and what each key does.

#include <cstdint>

#include "board/board.h"

// The state of one game. It lives in playGame's locals and is passed to
// handleKey explicitly; nothing of it outlives the game.
struct game {
    cellStack* stacks = nullptr;  // the board: ten stacks
    int cursor = 5;               // stack the player points at, 0 to 9
    int sum = 0;                  // total of the selected cells
    int level = 1;                // also the most numbers one tick drops
    int score = 0;                // one point per removed cell
    int nextLevelScore = 10;
    int delay = 4100;             // milliseconds between two ticks
    std::int64_t lastTick = 0;    // clock reading of the last tick
};

// Instructions, then games and replay prompts until the player declines.
// Returns the exit status.
int runTenfall();

// One whole game, from a cleared screen to "Game Over! ".
void playGame(int initialDrops);

// Reads one waiting key and acts on it, drawing what it changes.
void handleKey(game& state);

// Raises the level by one after a removal reached nextLevelScore.
void levelUp(game& state);
