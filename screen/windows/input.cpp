// Keys through the runtime's _kbhit and _getch. Waiting is a wait on the
// console input handle, which every input event signals, so events that give
// no key (releases, modifiers alone, focus, mouse, size) are read off and
// dropped: they neither count as keys nor keep the wait from sleeping.

#include <conio.h>
#include <windows.h>

#include "screen/console.h"
#include "screen/codec/wait_slice.h"
#include "screen/windows/console_state.h"

namespace {

// A key press that _getch turns into a code. Others (Shift, Ctrl, media
// keys) it passes over, so they must not end a wait; and _kbhit alone sees
// only the character keys in some runtimes.
bool givesKeyCode(const INPUT_RECORD& record)
{
    if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) {
        return false;
    }
    if (record.Event.KeyEvent.uChar.AsciiChar != 0) {
        return true;
    }
    WORD key = record.Event.KeyEvent.wVirtualKeyCode;
    return (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_INSERT || key == VK_DELETE ||
           (key >= VK_F1 && key <= VK_F12);
}

// Reads off the events that come before the first key press. True when a
// key press is next in the input.
bool keyPressNext(HANDLE in)
{
    INPUT_RECORD records[64];
    for (;;) {
        DWORD seen = 0;
        if (!PeekConsoleInputA(in, records, 64, &seen)) {
            consoleLost();
        }
        DWORD skip = 0;
        while (skip < seen && !givesKeyCode(records[skip])) {
            ++skip;
        }
        DWORD dropped = 0;
        if (skip > 0 && !ReadConsoleInputA(in, records, skip, &dropped)) {
            consoleLost();
        }
        if (skip < seen) {
            return true;
        }
        if (seen < 64) {
            return false;
        }
    }
}

}  // namespace

bool consoleKeyWaiting(int timeoutMs)
{
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    std::int64_t deadline = consoleClock() + timeoutMs;
    for (;;) {
        // _kbhit also knows of the second code of an extended key, which
        // the runtime holds once _getch has given the prefix.
        if (_kbhit() || keyPressNext(in)) {
            return true;
        }
        DWORD wait = INFINITE;
        if (timeoutMs >= 0) {
            std::int64_t left = deadline - consoleClock();
            if (left <= 0) {
                return false;
            }
            // Short of the deadline, then the rest: the tick comes on time
            // however much the system lets a long wait oversleep.
            wait = static_cast<DWORD>(waitSlice(static_cast<int>(left)));
        }
        if (WaitForSingleObject(in, wait) == WAIT_FAILED) {
            consoleLost();
        }
    }
}

int consoleReadKey()
{
    while (!consoleKeyWaiting(-1)) {
    }
    return _getch();
}
