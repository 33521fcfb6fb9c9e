// Keys through the runtime's _kbhit and _getch, which give the game its key
// codes with the 0xE0 and 0x00 prefixes of extended keys. Waiting is a wait
// on the console input handle, not a busy loop. That handle is signalled by
// every input event, so events that give no key (key releases, modifier keys
// alone, focus, mouse, window size) are read off and dropped: they neither
// count as keys nor keep the wait from sleeping.

#include <conio.h>
#include <windows.h>

#include "screen/console.h"
#include "screen/windows/console_state.h"

namespace {

void dropEvents(HANDLE in, DWORD count)
{
    INPUT_RECORD records[64];
    while (count > 0) {
        DWORD read = 0;
        DWORD chunk = count < 64 ? count : 64;
        if (!ReadConsoleInputW(in, records, chunk, &read) || read == 0) {
            consoleLost();
        }
        count -= read;
    }
}

}  // namespace

bool consoleKeyWaiting(int timeoutMs)
{
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    std::int64_t deadline = consoleClock() + timeoutMs;
    for (;;) {
        DWORD pending = 0;
        if (!GetNumberOfConsoleInputEvents(in, &pending)) {
            consoleLost();
        }
        if (_kbhit()) {
            return true;
        }
        // _kbhit looked at every one of these events and found no key in
        // them; events that came since are left for the next look.
        dropEvents(in, pending);
        DWORD wait = INFINITE;
        if (timeoutMs >= 0) {
            std::int64_t left = deadline - consoleClock();
            if (left <= 0) {
                return false;
            }
            wait = static_cast<DWORD>(left);
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
