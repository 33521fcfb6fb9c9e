#include "captured_output.h"

#include "screen/ansi/backend.h"
#include "screen/ansi/renderer.h"
#include "screen/console.h"

bool terminalUtf8 = true;
bool terminalLinuxConsole = false;

std::string& capturedOutput()
{
    static std::string bytes;
    return bytes;
}

void writeAll(std::string_view bytes)
{
    capturedOutput().append(bytes);
}

namespace {

terminalShowing showing = showingTextAtLineStart;

}  // namespace

void terminalNowShows(terminalShowing what)
{
    showing = what;
}

terminalShowing capturedShowing()
{
    return showing;
}

void consoleClear()
{
    ansiClear();
}
