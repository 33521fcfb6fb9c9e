#include "captured_output.h"

#include "screen/ansi/backend.h"
#include "screen/ansi/renderer.h"
#include "screen/console.h"

bool terminalUtf8 = true;

std::string& capturedOutput()
{
    static std::string bytes;
    return bytes;
}

void writeAll(std::string_view bytes)
{
    capturedOutput().append(bytes);
}

void terminalNowShows(terminalShowing) {}

void consoleClear()
{
    ansiClear();
}
