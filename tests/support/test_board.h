#pragma once
// Building boards for tests, drawn the way falling numbers draw them.

#include <cstddef>
#include <deque>
#include <initializer_list>

#include "board/board.h"
#include "fake_console.h"
#include "screen/screen.h"

// Pushes the values onto stack i, bottom first, each drawn as a drop draws it.
inline void placeCells(cellStack* stacks, int i, std::initializer_list<int> values)
{
    for (int v : values) {
        drawStack(stacks, i, lightGrey);
        stacks[i].push(cell{v, false});
        drawStack(stacks, i, yellow);
    }
}

// The glyph on the screen where the n-th cell (0 = bottom) of stack i stands.
inline const glyph& cellOnScreen(int i, int n)
{
    return fakeAt(stackColumn(i), cellRow(n));
}

inline int attribute(int foreground, int background)
{
    return foreground + 16 * background;
}

// A stack's cells, bottom first, read in place: copying each stack to walk
// it, as the stack's own interface would need, took most of every key
// fuzzer run.
inline const std::deque<cell>& cellsOf(const cellStack& stack)
{
    struct opened : cellStack {
        static const std::deque<cell>& of(const cellStack& s) { return s.*&opened::c; }
    };
    return opened::of(stack);
}

// True when stack i's column shows exactly its cells, bottom to top, with the
// top yellow, the rest grey, selected ones yellow on light red, and blanks above.
inline bool columnMatches(const cellStack* stacks, int i)
{
    const std::deque<cell>& cells = cellsOf(stacks[i]);
    int n = static_cast<int>(cells.size());
    for (int row = 0; row <= cellRow(n); ++row) {
        if (fakeAt(stackColumn(i), row).ch != ' ') {
            return false;
        }
    }
    for (int k = 0; k < n; ++k) {
        const cell& c = cells[static_cast<size_t>(k)];
        int colour = c.selected ? attribute(yellow, lightRed) : (k == n - 1 ? yellow : lightGrey);
        if (cellOnScreen(i, k) != glyph{static_cast<char>('0' + c.value), colour}) {
            return false;
        }
    }
    return true;
}
