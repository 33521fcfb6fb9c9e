// Game mode reads keys one at a time with no echo, no mouse and no
// quick-edit selection (a click would freeze the game), but keeps Ctrl-C.
// Every way out (normal, Ctrl-C or Ctrl-Break, closing the window) gives the
// console back its modes and text attribute. The code page is never changed:
// the glyphs go out as UTF-16.

#include <cstdio>

#include <windows.h>
// After windows.h, which it needs.
#include <timeapi.h>

#include "screen/console.h"
#include "screen/screen.h"
#include "screen/windows/console_state.h"

std::atomic<bool> gameScreenShown{false};

namespace {

struct consoleModes {
    DWORD input = 0;
    DWORD output = 0;
    WORD attribute = 0;
};

consoleModes saved;
std::atomic<bool> modesSaved{false};
std::atomic<bool> cursorParked{true};  // the way out has put the cursor on a fresh line

// GetTickCount64 moves in steps of 10 to 16 ms, and a tick read late by a
// step would time the next interval from there.
std::int64_t counterMs()
{
    static const std::int64_t perSecond = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<std::int64_t>(frequency.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    std::int64_t count = now.QuadPart;
    return count / perSecond * 1000 + count % perSecond * 1000 / perSecond;
}

const std::int64_t startMs = counterMs();

// Waits end on the timer interrupt, every 15.6 ms by default: too coarse
// for a tick due at a given millisecond.
constexpr UINT timerPeriodMs = 1;

// Never destroyed: the control handler may hold it while the process ends.
SRWLOCK screenLock = SRWLOCK_INIT;

// Safe to run twice: the cursor goes to its fresh line once. The caller
// holds the screen's lock.
void restoreConsole()
{
    if (!modesSaved) {
        return;
    }
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    SetConsoleMode(in, saved.input);
    SetConsoleMode(out, saved.output);
    SetConsoleTextAttribute(out, saved.attribute);
    if (cursorParked.exchange(true)) {
        return;
    }
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (gameScreenShown) {
        SetConsoleCursorPosition(out, COORD{0, screenHeight - 1});
    } else if (!GetConsoleScreenBufferInfo(out, &info) || info.dwCursorPosition.X == 0) {
        return;
    }
    DWORD written = 0;
    WriteConsoleW(out, L"\n", 1, &written, nullptr);
}

// Runs on a thread of its own while the game's may be drawing: it waits for
// that draw and keeps the lock, so the next draw waits until ExitProcess
// ends the game's thread and the cursor stays where the restore put it.
BOOL WINAPI leaveOnControl(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        lockConsole();
        restoreConsole();
        ExitProcess(STATUS_CONTROL_C_EXIT);
    default:
        return FALSE;
    }
}

}  // namespace

void lockConsole()
{
    AcquireSRWLockExclusive(&screenLock);
}

void unlockConsole()
{
    ReleaseSRWLockExclusive(&screenLock);
}

bool consoleOpen()
{
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleMode(in, &saved.input) || !GetConsoleMode(out, &saved.output) ||
        !GetConsoleScreenBufferInfo(out, &info)) {
        std::fputs("tenfall: needs a console on standard input and output\n", stderr);
        return false;
    }
    saved.attribute = info.wAttributes;
    cursorParked = false;
    modesSaved = true;
    SetConsoleCtrlHandler(leaveOnControl, TRUE);
    SetConsoleMode(in, ENABLE_PROCESSED_INPUT | ENABLE_EXTENDED_FLAGS);
    SetConsoleMode(out, ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT);
    timeBeginPeriod(timerPeriodMs);
    return true;
}

void consoleClose()
{
    if (!modesSaved) {
        return;
    }
    lockConsole();
    restoreConsole();
    unlockConsole();
    SetConsoleCtrlHandler(leaveOnControl, FALSE);
    timeEndPeriod(timerPeriodMs);
    modesSaved = false;
}

void consoleLost()
{
    consoleClose();
    ExitProcess(1);
}

std::int64_t consoleClock()
{
    return counterMs() - startMs;
}
