// The game's waits for its next tick must end on time although the kernel
// may let a wait oversleep by a thousandth of its timeout, a two-hundredth
// for a niced process (at most 100 ms).

#include <gtest/gtest.h>

#include <algorithm>

#include "screen/codec/wait_slice.h"

namespace {

// The latest a wait of `timeoutMs` may end, in ms after it began, run as
// `nice -n 10 tenfall`. Below 50 us, the timer slack of a task is what counts.
double latestEnd(int timeoutMs)
{
    return timeoutMs + std::max(0.05, std::min(timeoutMs / 200.0, 100.0));
}

TEST(WaitSlice, NeverSleepsPastTheDeadlineButBarelyAfterIt)
{
    for (int wait = 1; wait <= 200000; ++wait) {
        int slice = waitSlice(wait);
        ASSERT_GE(slice, 1) << wait << " ms left: a zero wait would spin";
        ASSERT_LE(slice, wait) << wait;
        if (wait > 10) {
            ASSERT_LT(latestEnd(slice), wait) << wait << " ms left: the slack runs past the deadline";
        } else {
            ASSERT_EQ(slice, wait) << wait << " ms left: short enough to wait for whole";
        }
    }
}

TEST(WaitSlice, ATickIsReachedInAFewWaits)
{
    for (int wait : {250, 1000, 3000, 4100, 60000}) {
        double left = wait;
        int waits = 0;
        while (left > 0.06 && waits < 10) {
            int slice = waitSlice(static_cast<int>(left));
            left -= slice == static_cast<int>(left) ? left + 0.05 : latestEnd(slice);
            ++waits;
        }
        EXPECT_LE(waits, 3) << wait;
        EXPECT_GE(left, -0.06) << wait;
    }
}

}  // namespace
