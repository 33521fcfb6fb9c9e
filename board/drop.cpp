#include <cstdlib>
#include <set>

#include "board/board.h"
#include "screen/screen.h"

namespace {

// Half the numbers (51 in 100) are chosen to pair up with the current tops:
// 9 minus the last digit of their sum, so the player always has a chance.
int nextValue(const cellStack* stacks)
{
    if (std::rand() % 100 <= 50) {
        int value = 9 - sumOfTops(stacks) % 10;
        return value == 0 ? 1 : value;
    }
    return std::rand() % 9 + 1;
}

}  // namespace

bool dropNumbers(cellStack* stacks, int level)
{
    int count = std::rand() % level + 1;
    std::set<int> chosen;  // repeated draws collapse; visited in ascending order
    for (int n = 0; n < count; ++n) {
        chosen.insert(std::rand() % stackCount);
    }
    for (int i : chosen) {
        if (static_cast<int>(stacks[i].size()) >= stackCapacity) {
            return false;
        }
        int value = nextValue(stacks);
        drawStack(stacks, i, lightGrey);  // the old top is about to be covered
        stacks[i].push(cell{value, false});
        drawStack(stacks, i, yellow);
    }
    return true;
}
