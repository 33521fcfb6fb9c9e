#include <vector>

#include <gtest/gtest.h>

#include "test_board.h"

namespace {

std::vector<int> valuesOf(cellStack s)
{
    std::vector<int> values;
    for (; !s.empty(); s.pop()) {
        values.insert(values.begin(), s.top().value);
    }
    return values;
}

bool anySelected(const board& b)
{
    for (cellStack s : b) {
        for (; !s.empty(); s.pop()) {
            if (s.top().selected) {
                return true;
            }
        }
    }
    return false;
}

class Selection : public ::testing::Test {
protected:
    void SetUp() override
    {
        fakeReset();
        placeCells(stacks.data(), 0, {4, 8, 2});
        placeCells(stacks.data(), 3, {7});
        placeCells(stacks.data(), 9, {1, 2, 3, 4, 5});
    }
    board stacks{};
};

TEST_F(Selection, TogglingTwiceRestoresSumAndLook)
{
    int sum = toggleTop(stacks.data(), 0, 3);
    EXPECT_EQ(sum, 5);
    EXPECT_TRUE(stacks[0].top().selected);
    EXPECT_EQ(cellOnScreen(0, 2), (glyph{'2', attribute(yellow, lightRed)}));

    sum = toggleTop(stacks.data(), 0, sum);
    EXPECT_EQ(sum, 3);
    EXPECT_FALSE(stacks[0].top().selected);
    EXPECT_EQ(cellOnScreen(0, 2), (glyph{'2', yellow}));
    EXPECT_TRUE(columnMatches(stacks.data(), 0));
}

TEST_F(Selection, BuriedSelectedCellsAreRemovedAndTheGapsClose)
{
    // Select 2 on stack 0 and 5 on stack 9, then bury them under new numbers.
    int sum = toggleTop(stacks.data(), 0, 0);
    sum = toggleTop(stacks.data(), 9, sum);
    placeCells(stacks.data(), 0, {6, 1});
    placeCells(stacks.data(), 9, {9});
    sum = toggleTop(stacks.data(), 3, sum);  // and the lone 7 on stack 3
    ASSERT_EQ(sum, 14);
    EXPECT_EQ(cellOnScreen(0, 2).colour, attribute(yellow, lightRed)) << "buried, still selected";

    EXPECT_EQ(resetStacks(stacks.data(), true), 3);
    EXPECT_EQ(valuesOf(stacks[0]), (std::vector<int>{4, 8, 6, 1}));
    EXPECT_EQ(valuesOf(stacks[9]), (std::vector<int>{1, 2, 3, 4, 9}));
    EXPECT_TRUE(stacks[3].empty());
    EXPECT_FALSE(anySelected(stacks));
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(columnMatches(stacks.data(), i)) << "stack " << i;
    }
    // The column that lost its only cell is blank from row 0 to row 23, and
    // the one that shrank leaves no stale digit above its new top.
    EXPECT_EQ(fakeColumn(stackColumn(3)).substr(0, 24), std::string(24, ' '));
    EXPECT_EQ(cellOnScreen(0, 4).ch, ' ');
}

TEST_F(Selection, UnselectingKeepsEveryCellInPlace)
{
    int sum = toggleTop(stacks.data(), 9, 0);
    placeCells(stacks.data(), 9, {6});
    toggleTop(stacks.data(), 0, sum);
    EXPECT_EQ(resetStacks(stacks.data(), false), 0);
    EXPECT_EQ(valuesOf(stacks[0]), (std::vector<int>{4, 8, 2}));
    EXPECT_EQ(valuesOf(stacks[9]), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_FALSE(anySelected(stacks));
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(columnMatches(stacks.data(), i)) << "stack " << i;
    }
}

TEST_F(Selection, WholeStackRemovedFromAFullColumn)
{
    board full{};
    fakeReset();
    for (int k = 0; k < 24; ++k) {
        placeCells(full.data(), 5, {k % 9 + 1});
        toggleTop(full.data(), 5, 0);
    }
    EXPECT_EQ(resetStacks(full.data(), true), 24);
    EXPECT_TRUE(full[5].empty());
    EXPECT_EQ(fakeColumn(stackColumn(5)).substr(0, 24), std::string(24, ' '));
}

}  // namespace
