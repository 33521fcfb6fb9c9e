#pragma once
// How long to let one wait for input (select) sleep when `waitMs` are left
// before a deadline. The kernel may oversleep it by a thousandth of its
// timeout (timer slack, at most 100 ms): 4 ms of a 4.1 s tick. So a long
// wait stops short of its end by more than that, and the rest, a few
// milliseconds with a slack of microseconds, is waited for apart.
inline int waitSlice(int waitMs)
{
    return waitMs > 10 ? waitMs - waitMs / 500 - 2 : waitMs;
}
