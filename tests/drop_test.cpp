#include <cstdlib>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "test_board.h"

namespace {

int totalCells(const board& b)
{
    int n = 0;
    for (const cellStack& s : b) {
        n += static_cast<int>(s.size());
    }
    return n;
}

// What one drop at `level` will draw from a generator seeded with `seed`:
// the count, then the stack indices (the values come after).
std::vector<int> drawnStacks(unsigned seed, int level)
{
    std::srand(seed);
    int count = std::rand() % level + 1;
    std::vector<int> stacks;
    for (int n = 0; n < count; ++n) {
        stacks.push_back(std::rand() % 10);
    }
    return stacks;
}

class Drop : public ::testing::Test {
protected:
    void SetUp() override { fakeReset(); }
    board stacks{};
};

TEST_F(Drop, HowManyNumbersOneTickDrops)
{
    struct { int level; int fewest; int most; } cases[] = {{1, 1, 1}, {2, 1, 2}, {15, 1, 10}};
    for (const auto& c : cases) {
        std::set<int> seen;
        for (unsigned seed = 1; seed <= 300; ++seed) {
            board b{};
            std::srand(seed);
            ASSERT_TRUE(dropNumbers(b.data(), c.level));
            int dropped = totalCells(b);
            EXPECT_GE(dropped, c.fewest);
            EXPECT_LE(dropped, c.most) << "level " << c.level << " seed " << seed;
            for (const cellStack& s : b) {
                EXPECT_LE(s.size(), 1u) << "a stack gets at most one number a tick";
            }
            seen.insert(dropped);
        }
        EXPECT_TRUE(seen.count(c.fewest) && seen.count(c.most)) << "level " << c.level;
    }
}

TEST_F(Drop, EachChosenStackGetsOneNumberInAscendingOrder)
{
    // Level 6 from one seed: the stacks drawn, repeats collapsed, must be
    // exactly the ones that grew, and the values must follow the draws in
    // ascending stack order.
    const unsigned seed = 12345;
    std::vector<int> drawn = drawnStacks(seed, 6);
    std::set<int> chosen(drawn.begin(), drawn.end());

    // Replay the value draws in ascending order.
    std::srand(seed);
    for (size_t n = 0; n < drawn.size() + 1; ++n) {
        std::rand();
    }
    std::vector<int> expected(10, 0);
    int tops = 0;
    for (int i : chosen) {
        int r = std::rand() % 100;
        int value = r <= 50 ? 9 - tops % 10 : std::rand() % 9 + 1;
        if (value == 0) {
            value = 1;
        }
        expected[i] = value;
        tops += value;
    }

    std::srand(seed);
    ASSERT_TRUE(dropNumbers(stacks.data(), 6));
    for (int i = 0; i < 10; ++i) {
        if (chosen.count(i)) {
            ASSERT_EQ(stacks[i].size(), 1u) << i;
            EXPECT_EQ(stacks[i].top().value, expected[i]) << i;
            EXPECT_FALSE(stacks[i].top().selected);
            EXPECT_EQ(cellOnScreen(i, 0), (glyph{static_cast<char>('0' + expected[i]), yellow}));
        } else {
            EXPECT_TRUE(stacks[i].empty()) << i;
        }
    }
}

// Finds a seed whose level-1 drop takes the complement branch (r <= 50).
unsigned seedTakingComplement()
{
    for (unsigned seed = 1;; ++seed) {
        std::srand(seed);
        std::rand();  // count
        std::rand();  // stack
        if (std::rand() % 100 <= 50) {
            return seed;
        }
    }
}

TEST_F(Drop, ComplementRuleAtItsEdges)
{
    unsigned seed = seedTakingComplement();
    struct { std::initializer_list<int> tops; int value; } cases[] = {
        {{}, 9},             // empty board: 9 - 0
        {{9, 9, 1}, 1},      // tops sum to 19: 9 - 9 = 0, raised to 1
        {{4, 3}, 2},         // 9 - 7
        {{5, 5, 5, 6}, 8},   // 21: 9 - 1
    };
    for (const auto& c : cases) {
        board b{};
        int i = 0;
        for (int top : c.tops) {
            b[i++].push(cell{top, false});
        }
        std::srand(seed);
        int target = drawnStacks(seed, 1)[0];
        std::srand(seed);
        ASSERT_TRUE(dropNumbers(b.data(), 1));
        EXPECT_EQ(b[target].top().value, c.value) << "tops sum " << sumOfTops(b.data()) - c.value;
    }
}

TEST_F(Drop, SumOfTopsIgnoresEmptyStacksAndSelection)
{
    EXPECT_EQ(sumOfTops(stacks.data()), 0);
    stacks[0].push(cell{9, false});
    stacks[0].push(cell{2, true});
    stacks[9].push(cell{7, false});
    EXPECT_EQ(sumOfTops(stacks.data()), 9);
}

TEST_F(Drop, FullStackEndsTheGameAfterTheStacksBeforeIt)
{
    // A seed whose level-10 drop picks a stack below 7, stack 7 and one above.
    unsigned seed = 1;
    std::set<int> chosen;
    for (;; ++seed) {
        std::vector<int> d = drawnStacks(seed, 10);
        chosen = std::set<int>(d.begin(), d.end());
        if (chosen.count(7) && *chosen.begin() < 7 && *chosen.rbegin() > 7) {
            break;
        }
    }
    for (int k = 0; k < 24; ++k) {
        stacks[7].push(cell{1, false});
    }
    std::srand(seed);
    EXPECT_FALSE(dropNumbers(stacks.data(), 10));
    for (int i = 0; i < 10; ++i) {
        size_t expected = i == 7 ? 24 : (chosen.count(i) && i < 7 ? 1 : 0);
        EXPECT_EQ(stacks[i].size(), expected) << "stack " << i;
    }
}

TEST_F(Drop, FullStackMayStandWhileNoDropFallsOnIt)
{
    for (int k = 0; k < 24; ++k) {
        stacks[0].push(cell{1, false});
    }
    // Find a seed that drops elsewhere.
    unsigned seed = 1;
    while (drawnStacks(seed, 1)[0] == 0) {
        ++seed;
    }
    std::srand(seed);
    EXPECT_TRUE(dropNumbers(stacks.data(), 1));
}

TEST_F(Drop, CoveredTopTurnsGreyAndTheNewTopIsYellow)
{
    unsigned seed = 1;
    while (drawnStacks(seed, 1)[0] != 2) {
        ++seed;
    }
    placeCells(stacks.data(), 2, {5});
    std::srand(seed);
    ASSERT_TRUE(dropNumbers(stacks.data(), 1));
    EXPECT_EQ(cellOnScreen(2, 0), (glyph{'5', lightGrey}));
    EXPECT_EQ(cellOnScreen(2, 1).colour, yellow);
    EXPECT_TRUE(columnMatches(stacks.data(), 2));
}

}  // namespace
