// Output straight to the console API, so every write is on the screen at
// once; text as UTF-16, so the box glyphs show whatever the code page.

#include <string>

#include <windows.h>

#include "screen/console.h"
#include "screen/screen.h"
#include "screen/codec/translate.h"
#include "screen/windows/console_state.h"

namespace {

HANDLE output()
{
    return GetStdHandle(STD_OUTPUT_HANDLE);
}

}  // namespace

// Each call draws under the screen's lock (console_state.h), so that a
// Ctrl-C restores the console between two draws, never beside one.

void consoleMove(int x, int y)
{
    lockConsole();
    SetConsoleCursorPosition(output(), COORD{static_cast<SHORT>(x), static_cast<SHORT>(y)});
    unlockConsole();
}

void consoleColor(int attribute)
{
    lockConsole();
    SetConsoleTextAttribute(output(), static_cast<WORD>(attribute));
    unlockConsole();
}

void consoleWrite(std::string_view text)
{
    std::wstring wide;
    wide.reserve(text.size());
    for (char ch : text) {
        wide += static_cast<wchar_t>(glyphCodePoint(ch));
    }
    DWORD written = 0;
    lockConsole();
    WriteConsoleW(output(), wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    unlockConsole();
}

void consoleClear()
{
    // The console API instead of "cls", which would start a shell each game;
    // blank on black, the attribute for later writes left alone.
    HANDLE out = output();
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(out, &info)) {
        consoleLost();
    }
    DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    COORD home{0, 0};
    DWORD done = 0;
    lockConsole();
    FillConsoleOutputCharacterW(out, L' ', cells, home, &done);
    FillConsoleOutputAttribute(out, white, cells, home, &done);
    SetConsoleCursorPosition(out, home);
    gameScreenShown = true;
    unlockConsole();
}

void consoleFlush()
{
    // Nothing is held back: each write is on the console when it returns.
}
