#pragma once
// The board: how it grows (one tick's drop) and how the player's selection
// is toggled, cleared and removed. Every change is drawn as it happens.

#include "board/cell.h"

// Sum of the top values of the non-empty stacks; selection plays no part.
int sumOfTops(const cellStack* stacks);

// Drops one tick's numbers on up to `level` random stacks. Returns false when
// a number was due on a stack that already holds 24 cells: the game is over.
bool dropNumbers(cellStack* stacks, int level);

// Flips the selection of the top of stack i (which must not be empty) and
// returns `sum` adjusted by its value.
int toggleTop(cellStack* stacks, int i, int sum);

// Unselects every cell, or with `remove` takes every selected cell off the
// board wherever it stands. Returns how many cells were removed.
int resetStacks(cellStack* stacks, bool remove);
