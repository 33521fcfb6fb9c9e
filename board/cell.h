#pragma once
// The board's data: plain records and standard containers, shared by the
// board operations and the drawing code (which only reads them).

#include <array>
#include <deque>
#include <stack>

struct cell {
    int value = 1;  // 1 to 9
    bool selected = false;
};

// Last in, first out: the top is the cell pushed last and is drawn highest.
using cellStack = std::stack<cell, std::deque<cell>>;

// Ten stacks, 0 to 9 from left to right. Operations receive a pointer to the
// first stack and index it with an int.
using board = std::array<cellStack, 10>;

inline constexpr int stackCount = 10;
inline constexpr int stackCapacity = 24;
