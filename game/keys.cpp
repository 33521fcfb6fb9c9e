#include <algorithm>

#include "game/game.h"
#include "screen/console.h"
#include "screen/codec/keycodes.h"
#include "screen/screen.h"

namespace {

constexpr int targetSum = 10;

void moveCursor(game& state, int step)
{
    drawCursor(state.cursor, true);
    state.cursor = std::clamp(state.cursor + step, 0, stackCount - 1);
    drawCursor(state.cursor, false);
}

void unselectAll(game& state)
{
    resetStacks(state.stacks, false);
    state.sum = 0;
    showSum(state.sum);  // at once: the old sum would otherwise stand until the next tick
}

void selectTop(game& state)
{
    if (!state.stacks[state.cursor].empty()) {
        state.sum = toggleTop(state.stacks, state.cursor, state.sum);
    }
    if (state.sum > targetSum) {
        resetStacks(state.stacks, false);
        state.sum = 0;
    } else if (state.sum == targetSum) {
        state.score += resetStacks(state.stacks, true);
        state.sum = 0;
        if (state.score >= state.nextLevelScore) {
            levelUp(state);
        }
        showScore(state.score, state.nextLevelScore);
    }
    showSum(state.sum);
}

}  // namespace

void levelUp(game& state)
{
    int old = state.level;
    state.nextLevelScore = static_cast<int>(state.score + old * 10 * 1.25);
    state.level = old + 1;
    state.delay = std::max(250, 4100 - 100 * state.level);
    showLevel(state.level);
}

void handleKey(game& state)
{
    // The second code is not told apart from a character key: "K" and "M"
    // are the arrows' second codes, so they move the cursor too.
    int code = consoleReadKey();
    if (code == keyExtended) {
        code = consoleReadKey();
    }
    switch (code) {
    case keyLeft:
    case 'a':
    case 'A':
        moveCursor(state, -1);
        break;
    case keyRight:
    case 'd':
    case 'D':
        moveCursor(state, +1);
        break;
    case keySpace:
        unselectAll(state);
        break;
    case keyEnter:
        selectTop(state);
        break;
    default:
        break;  // keys that mean nothing are ignored without a sound
    }
}
