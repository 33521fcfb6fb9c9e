#include "board/board.h"

int sumOfTops(const cellStack* stacks)
{
    int sum = 0;
    for (int i = 0; i < stackCount; ++i) {
        if (!stacks[i].empty()) {
            sum += stacks[i].top().value;
        }
    }
    return sum;
}
