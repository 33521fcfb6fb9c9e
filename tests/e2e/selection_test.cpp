// Selecting tops, removing a set that makes ten, and overshooting it, all
// played on the live screen: the tests read the digits the game drew and
// choose their keys from what they see.

#include <functional>

#include "live_game.h"

namespace {

using Selection = LiveGame;

// Waits, tick after tick, for a board on which `plan` finds something to
// do. The board is read right after a tick was drawn, so the keys chosen
// from it reach the game long before the next tick could change it.
using stackList = std::optional<std::vector<int>>;

stackList waitForPlan(ptyGame& game, const std::function<stackList(const boardView&)>& plan, int timeoutMs)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (auto found = plan(readBoard(game))) {
            return found;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 ||
            !waitForDigitsOtherThan(game, digitCount(game), static_cast<int>(left.count()))) {
            return std::nullopt;
        }
    }
}

// Keys that visit the stacks in turn and press Enter on each; `cursor`
// follows them.
std::string selectKeys(int& cursor, const std::vector<int>& chosen)
{
    std::string keys;
    for (int i : chosen) {
        keys += movesBetween(cursor, i) + "\r";
        cursor = i;
    }
    return keys;
}

std::string scoreText(int score)
{
    int next = score >= 10 ? score + 12 : 10;  // one level up at most
    return "Score: " + std::to_string(score) + "/" + std::to_string(next);
}

int selectedCount(ptyGame& game)
{
    int count = 0;
    for (int i = 0; i < stackCount; ++i) {
        for (int row = 0; row < 24; ++row) {
            count += backgroundAt(game, stackColumn(i), row) == palette::lightRed ? 1 : 0;
        }
    }
    return count;
}

// Every top yellow and every cell below it grey, all on black.
void expectPlainBoard(ptyGame& game)
{
    boardView board = readBoard(game);
    for (int i = 0; i < stackCount; ++i) {
        int height = static_cast<int>(board[static_cast<size_t>(i)].size());
        for (int n = 0; n < height; ++n) {
            int x = stackColumn(i), y = cellRow(n);
            EXPECT_EQ(foregroundAt(game, x, y), n + 1 == height ? palette::yellow : palette::grey)
                << "stack " << i << " cell " << n;
            EXPECT_EQ(backgroundAt(game, x, y), palette::black) << "stack " << i << " cell " << n;
        }
    }
}

std::string sumText(int sum)
{
    return "SUM: " + std::to_string(sum);
}

bool sumShows(ptyGame& game, int sum)
{
    return textAt(game, readoutColumn, sumRow, 6) == sumText(sum);
}

TEST_F(Selection, SelectedTopShowsYellowOnLightRed)
{
    start();
    ASSERT_TRUE(startPlaying(game));
    boardView board = readBoard(game);
    int chosen = -1;
    for (int i : {5, 4, 6, 3, 7, 2, 8, 1, 9, 0}) {
        if (!board[static_cast<size_t>(i)].empty()) {
            chosen = i;
            break;
        }
    }
    ASSERT_GE(chosen, 0);
    int top = static_cast<int>(board[static_cast<size_t>(chosen)].size()) - 1;
    int value = board[static_cast<size_t>(chosen)].back();
    int cursor = 5;

    sendKeys(game, selectKeys(cursor, {chosen}));
    ASSERT_TRUE(waitUntil(game, [&] { return shownSelected(game, chosen, top) && sumShows(game, value); }))
        << "fg " << foregroundAt(game, stackColumn(chosen), cellRow(top)) << " bg "
        << backgroundAt(game, stackColumn(chosen), cellRow(top)) << ", " << textAt(game, readoutColumn, sumRow, 6);
    EXPECT_EQ(selectedCount(game), 1);
    EXPECT_EQ(readBoard(game), board);
    if (top > 0) {
        EXPECT_EQ(foregroundAt(game, stackColumn(chosen), cellRow(top - 1)), palette::grey);
    }

    sendKeys(game, "\r");  // the same top again: unselected
    ASSERT_TRUE(waitUntil(game, [&] { return !shownSelected(game, chosen, top) && sumShows(game, 0); }));
    expectPlainBoard(game);

    sendKeys(game, "\r ");  // selected once more, then Space unselects all
    ASSERT_TRUE(waitUntil(game, [&] { return selectedCount(game) == 0 && sumShows(game, 0); }, 6000));
    expectPlainBoard(game);
    EXPECT_EQ(readBoard(game), board);
}

TEST_F(Selection, TopsMakingTenAreRemovedAndScored)
{
    start(5);
    ASSERT_TRUE(startPlaying(game));
    auto chosen = waitForPlan(game, [](const boardView& b) -> stackList { return topsSummingTo(b, 10); }, 20000);
    ASSERT_TRUE(chosen) << "no set of tops made ten";
    boardView before = readBoard(game);
    int digitsBefore = digitCount(game);
    int removed = static_cast<int>(chosen->size());
    boardView expected = before;
    for (int i : *chosen) {
        expected[static_cast<size_t>(i)].pop_back();
    }

    int cursor = 5;
    sendKeys(game, selectKeys(cursor, *chosen));
    ASSERT_TRUE(waitUntil(game, [&] { return textAt(game, readoutColumn, scoreRow, 11).starts_with(scoreText(removed)); }))
        << textAt(game, readoutColumn, scoreRow, 14) << " after selecting " << ::testing::PrintToString(*chosen);
    EXPECT_EQ(digitCount(game), digitsBefore - removed) << "no tick should have come in between";
    EXPECT_EQ(readBoard(game), expected);
    EXPECT_TRUE(sumShows(game, 0)) << textAt(game, readoutColumn, sumRow, 6);
    EXPECT_EQ(selectedCount(game), 0);
    expectPlainBoard(game);
    for (int i : *chosen) {
        int height = static_cast<int>(expected[static_cast<size_t>(i)].size());
        EXPECT_EQ(charAt(game, stackColumn(i), cellRow(height)), U' ') << "stack " << i;
    }
    EXPECT_TRUE(bracketOnlyAt(game, cursor));
}

// A selected cell stays selected when a number lands on it, and is taken
// out of the middle of its stack when the sum reaches ten: the cells above
// it move down.
TEST_F(Selection, BuriedSelectedCellIsRemovedAndTheColumnClosesUp)
{
    start(20);
    ASSERT_TRUE(startPlaying(game));
    boardView board = readBoard(game);
    int buried = -1;
    for (int i = 0; i < stackCount; ++i) {
        const auto& s = board[static_cast<size_t>(i)];
        if (!s.empty() && (buried < 0 || s.back() < board[static_cast<size_t>(buried)].back())) {
            buried = i;
        }
    }
    ASSERT_GE(buried, 0);
    auto& stack = board[static_cast<size_t>(buried)];
    int at = static_cast<int>(stack.size()) - 1;
    int value = stack.back();
    int cursor = 5;
    sendKeys(game, selectKeys(cursor, {buried}));
    ASSERT_TRUE(waitUntil(game, [&] { return shownSelected(game, buried, at) && sumShows(game, value); }));

    auto chosen = waitForPlan(
        game,
        [&](const boardView& b) -> stackList {
            if (static_cast<int>(b[static_cast<size_t>(buried)].size()) <= at + 1) {
                return std::nullopt;  // nothing has landed on the selected cell yet
            }
            return topsSummingTo(b, 10 - value);
        },
        25000);
    ASSERT_TRUE(chosen) << "nothing landed on stack " << buried << ", or no tops made " << 10 - value;

    boardView before = readBoard(game);
    int digitsBefore = digitCount(game);
    EXPECT_TRUE(shownSelected(game, buried, at)) << "still selected under the new numbers";
    int height = static_cast<int>(before[static_cast<size_t>(buried)].size());
    EXPECT_EQ(foregroundAt(game, stackColumn(buried), cellRow(height - 1)), palette::yellow);
    EXPECT_EQ(backgroundAt(game, stackColumn(buried), cellRow(height - 1)), palette::black);
    EXPECT_TRUE(sumShows(game, value));

    boardView expected = before;
    for (int i : *chosen) {
        expected[static_cast<size_t>(i)].pop_back();
    }
    auto& column = expected[static_cast<size_t>(buried)];
    column.erase(column.begin() + at);
    int removed = 1 + static_cast<int>(chosen->size());

    sendKeys(game, selectKeys(cursor, *chosen));
    ASSERT_TRUE(waitUntil(game, [&] { return textAt(game, readoutColumn, scoreRow, 11).starts_with(scoreText(removed)); }))
        << textAt(game, readoutColumn, scoreRow, 14);
    EXPECT_EQ(digitCount(game), digitsBefore - removed) << "no tick should have come in between";
    EXPECT_EQ(readBoard(game), expected) << "stack " << buried << " closed up";
    EXPECT_TRUE(sumShows(game, 0));
    EXPECT_EQ(selectedCount(game), 0);
    expectPlainBoard(game);
}

// Two tops over ten: nothing is scored, every cell is unselected and the
// sum shows 0 at once, before any tick could have redrawn it.
TEST_F(Selection, OvershootUnselectsEverything)
{
    start(5);
    ASSERT_TRUE(startPlaying(game));
    auto pair = waitForPlan(
        game,
        [](const boardView& b) -> stackList {
            for (int i = 0; i < stackCount; ++i) {
                for (int j = i + 1; j < stackCount; ++j) {
                    const auto &a = b[static_cast<size_t>(i)], &c = b[static_cast<size_t>(j)];
                    if (!a.empty() && !c.empty() && a.back() + c.back() > 10) {
                        return std::vector<int>{i, j};
                    }
                }
            }
            return std::nullopt;
        },
        20000);
    ASSERT_TRUE(pair) << "no two tops over ten";
    boardView before = readBoard(game);
    int digitsBefore = digitCount(game);
    int first = (*pair)[0], second = (*pair)[1];
    int firstTop = static_cast<int>(before[static_cast<size_t>(first)].size()) - 1;
    int firstValue = before[static_cast<size_t>(first)].back();

    int cursor = 5;
    sendKeys(game, selectKeys(cursor, {first}));
    ASSERT_TRUE(waitUntil(game, [&] { return shownSelected(game, first, firstTop) && sumShows(game, firstValue); }));
    sendKeys(game, selectKeys(cursor, {second}));
    ASSERT_TRUE(waitUntil(game, [&] { return sumShows(game, 0); }, 3000)) << textAt(game, readoutColumn, sumRow, 6);
    EXPECT_EQ(digitCount(game), digitsBefore) << "the sum was redrawn by a tick, not at once";
    EXPECT_EQ(selectedCount(game), 0);
    EXPECT_EQ(readBoard(game), before) << "nothing removed";
    expectPlainBoard(game);
    EXPECT_EQ(textAt(game, readoutColumn, scoreRow, 12), "Score: 0/10 ");
}

}  // namespace
