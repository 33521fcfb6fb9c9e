#include "board/board.h"
#include "screen/screen.h"

int toggleTop(cellStack* stacks, int i, int sum)
{
    cell& top = stacks[i].top();
    top.selected = !top.selected;
    sum += top.selected ? top.value : -top.value;
    drawStack(stacks, i, yellow);
    return sum;
}

int resetStacks(cellStack* stacks, bool remove)
{
    int removed = 0;
    for (int i = 0; i < stackCount; ++i) {
        // Unloading onto a second stack and back keeps the survivors in order
        // and lets the column be repainted from the bottom up, one cell at a time.
        cellStack kept;
        while (!stacks[i].empty()) {
            cell c = stacks[i].top();
            stacks[i].pop();
            if (remove && c.selected) {
                ++removed;
                continue;
            }
            c.selected = false;
            kept.push(c);
        }
        if (kept.empty()) {
            drawStack(stacks, i, yellow);  // blanks the whole column
        }
        while (!kept.empty()) {
            stacks[i].push(kept.top());
            kept.pop();
            drawStack(stacks, i, kept.empty() ? yellow : lightGrey);
        }
    }
    return removed;
}
