#pragma once
// How long to let one wait for input sleep when `waitMs` are left before a
// deadline. The kernel may oversleep it by its timer slack: a thousandth of
// the timeout, a two-hundredth for a niced process (20 ms of a 4.1 s tick);
// wine's server waits on the same timers. So a long wait stops short by
// more than the slack, and the rest is waited for apart.
inline int waitSlice(int waitMs)
{
    return waitMs > 10 ? waitMs - waitMs / 200 - 2 : waitMs;
}
