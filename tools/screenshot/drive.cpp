// Plays the game by reading its screen: where the stacks' tops are, where
// the cursor stands, what the readouts say. Every key is followed by a wait
// for the screen to show its effect, so the drive keeps pace with the game
// however loaded the machine is.

#include <cstdio>
#include <vector>

#include "live_board.h"
#include "screenshot.h"

namespace {

constexpr int startMs = 10000;
constexpr int keyMs = 5000;
constexpr int tickMs = 15000;  // a level-1 tick comes every 4.1 s
constexpr int boardBeforeRemoval = 26;

// The top number of each stack, 0 for an empty one.
std::vector<int> tops(ptyGame& game)
{
    std::vector<int> values;
    for (const std::vector<int>& stack : readBoard(game)) {
        values.push_back(stack.empty() ? 0 : stack.back());
    }
    return values;
}

// The number after `label` on a readout row, -1 when it is not there.
int readout(ptyGame& game, int row, std::string_view label)
{
    std::string text = textAt(game, readoutColumn, row, screenColumns - readoutColumn);
    if (text.compare(0, label.size(), label) != 0) {
        return -1;
    }
    int value = -1;
    for (size_t i = label.size(); i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = (value < 0 ? 0 : value * 10) + (text[i] - '0');
    }
    return value;
}

int sumShown(ptyGame& game)
{
    return readout(game, sumRow, "SUM: ");
}

int scoreShown(ptyGame& game)
{
    return readout(game, scoreRow, "Score: ");
}

bool moveTo(ptyGame& game, int target)
{
    int at = cursorStack(game);
    if (at < 0) {
        return false;
    }
    std::string keys;
    for (; at < target; ++at) {
        keys += "\x1b[C";
    }
    for (; at > target; --at) {
        keys += "\x1b[D";
    }
    sendKeys(game, keys);
    return waitUntil(game, [&] { return cursorStack(game) == target; }, keyMs);
}

// Picks the tops of the given stacks, left to right, checking the sum after
// each. A drop landing on a stack just before its pick shows as a wrong sum;
// the picks are then dropped with Space and false tells the caller to look
// again.
bool pickTops(ptyGame& game, const std::vector<int>& stacks)
{
    int sum = 0;
    int score = scoreShown(game);
    for (int i : stacks) {
        int expected = sum + tops(game)[static_cast<size_t>(i)];
        if (!moveTo(game, i)) {
            return false;
        }
        sendKeys(game, "\r");
        bool removed = expected == 10;
        bool shown = waitUntil(game, [&] {
            return removed ? scoreShown(game) > score && sumShown(game) == 0
                           : sumShown(game) == expected;
        }, keyMs);
        if (!shown) {
            sendKeys(game, " ");
            waitUntil(game, [&] { return sumShown(game) == 0; }, keyMs);
            return false;
        }
        sum = removed ? 0 : expected;
    }
    return true;
}

// The biggest set of tops that make exactly 10; empty when none do.
std::vector<int> removal(const std::vector<int>& values)
{
    std::vector<int> best;
    for (unsigned mask = 1; mask < (1u << stackCount); ++mask) {
        std::vector<int> chosen;
        int sum = 0;
        for (int i = 0; i < stackCount; ++i) {
            if ((mask >> i) & 1u && values[i] > 0) {
                chosen.push_back(i);
                sum += values[i];
            }
        }
        if (sum == 10 && chosen.size() > best.size()) {
            best = chosen;
        }
    }
    return best;
}

// Two tops whose sum is as high as it gets below 10, so the picture shows a
// selection still short of a removal.
std::vector<int> selection(const std::vector<int>& values)
{
    std::vector<int> best;
    int bestSum = 0;
    for (int a = 0; a < stackCount; ++a) {
        for (int b = a + 1; b < stackCount; ++b) {
            int sum = values[a] + values[b];
            if (values[a] > 0 && values[b] > 0 && sum < 10 && sum > bestSum) {
                best = {a, b};
                bestSum = sum;
            }
        }
    }
    return best;
}

bool fail(const char* what)
{
    std::fprintf(stderr, "screenshot: %s\n", what);
    return false;
}

}  // namespace

bool playToSelection(ptyGame& game)
{
    if (!startPlaying(game, " ", startMs)) {
        return fail("the game never started");
    }
    // Some ticks, so the board has grown well past its 15 opening numbers.
    if (!waitUntil(game, [&] { return digitCount(game) >= boardBeforeRemoval; }, 10 * tickMs)) {
        return fail("no numbers fell");
    }
    bool scored = false;
    for (int attempt = 0; attempt < 10 && !scored; ++attempt) {
        std::vector<int> stacks = removal(tops(game));
        if (stacks.empty()) {
            int now = digitCount(game);
            waitUntil(game, [&] { return digitCount(game) != now; }, tickMs);
            continue;
        }
        scored = pickTops(game, stacks);
    }
    if (!scored) {
        return fail("found no numbers to remove");
    }
    // One more tick after the removal, so the board shows the game moving on.
    int now = digitCount(game);
    waitUntil(game, [&] { return digitCount(game) > now; }, tickMs);
    for (int attempt = 0; attempt < 10; ++attempt) {
        std::vector<int> stacks = selection(tops(game));
        if (!stacks.empty() && pickTops(game, stacks)) {
            return true;
        }
    }
    return fail("could not make a selection");
}
