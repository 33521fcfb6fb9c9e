#include <algorithm>
#include <memory>

#include "game/game.h"
#include "screen/console.h"
#include "screen/screen.h"

namespace {

// Handles keys as they come until `delay` has passed since the last tick,
// sleeping in between, and returns the clock reading that ended the wait.
// The next interval is measured from that reading, so a key handled late
// does not push the tick back.
std::int64_t waitForTick(game& state)
{
    std::int64_t now = consoleClock();
    do {
        auto left = std::max<std::int64_t>(0, state.lastTick + state.delay - now);
        if (consoleKeyWaiting(static_cast<int>(left))) {
            handleKey(state);  // one key per pass
        }
        now = consoleClock();
    } while (now - state.lastTick < state.delay);
    return now;
}

}  // namespace

void playGame(int initialDrops)
{
    clearScreen();
    drawFrame();
    auto stacks = std::make_unique<board>();
    game state;
    state.stacks = stacks->data();
    showLevel(state.level);
    showScore(state.score, state.nextLevelScore);
    for (int n = 0; n < initialDrops; ++n) {
        dropNumbers(state.stacks, state.level);
    }
    state.lastTick = consoleClock();
    do {
        drawCursor(state.cursor, false);
        showSum(state.sum);
        setColor(black, black);
        state.lastTick = waitForTick(state);
    } while (dropNumbers(state.stacks, state.level));
    showGameOver();
}
