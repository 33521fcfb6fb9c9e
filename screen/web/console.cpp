// The console in a web page: the ANSI renderer writing to an xterm.js
// terminal, which is always there, always large enough, and shows UTF-8.

#include <cmath>

#include "screen/console.h"
#include "screen/ansi/renderer.h"
#include "screen/web/host.h"

// The page's terminal is 80 x 25 and does not change size.
void consoleClear()
{
    ansiClear();
}

namespace {

bool opened = false;
const double startMs = hostClock();

}  // namespace

bool consoleOpen()
{
    opened = true;
    return true;
}

void consoleClose()
{
    if (!opened) {
        return;
    }
    opened = false;
    consoleFlush();
    hostEnded();
}

// Time the page spends hidden does not count, so a game in a tab in the
// background, or on a phone whose screen is off, waits where it was.
std::int64_t consoleClock()
{
    return static_cast<std::int64_t>(std::floor(hostClock() - startMs));
}
