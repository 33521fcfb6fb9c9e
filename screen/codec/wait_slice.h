#pragma once
// How long to let one wait for input (select on Unix, a wait on the console
// handle on Windows) sleep when `waitMs` are left before a deadline. The
// kernel may oversleep it by its timer slack: a thousandth of the timeout,
// a two-hundredth for a niced process (20 ms of a 4.1 s tick), at most
// 100 ms; wine's server waits on the same Linux timers. Lowering the
// process's own slack does not help, since it only sets the least a wait may
// get. So a long wait stops short of its end by more than the slack, and the
// rest, a few milliseconds with a slack of microseconds, is waited for apart.
inline int waitSlice(int waitMs)
{
    return waitMs > 10 ? waitMs - waitMs / 200 - 2 : waitMs;
}
