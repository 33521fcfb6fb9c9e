// The bridge to the page. Each call goes to the `tenfallHost` object that
// the page gave the module when it made it (page.js), so that a fresh module
// for the next run shares no state with this one but the page's.

#include <emscripten.h>

#include "screen/ansi/backend.h"
#include "screen/web/host.h"

// xterm.js may keep the data for a while before it parses it, so it gets its
// own copy, not a view of the program's memory.
EM_JS(void, hostWrite, (const char* bytes, int size), {
    Module.tenfallHost.write(HEAPU8.slice(bytes, bytes + size));
});

EM_JS(int, hostTakeKeys, (unsigned char* buffer, int size), {
    const keys = Module.tenfallHost.takeKeys(size);
    HEAPU8.set(keys, buffer);
    return keys.length;
});

// Asyncify imports go by a name of their own, which only this file sees.
EM_ASYNC_JS(void, hostWaitAsync, (int timeoutMs), {
    await Module.tenfallHost.wait(timeoutMs);
});

void hostWait(int timeoutMs)
{
    hostWaitAsync(timeoutMs);
}

EM_JS(double, hostClock, (), {
    return Module.tenfallHost.clock();
});

EM_JS(void, hostEnded, (), {
    Module.tenfallHost.ended();
});

// The renderer's backend: the page's terminal shows UTF-8, and has no shell
// to give it back to, so what the screen shows on the way out does not matter.
bool terminalUtf8 = true;
bool terminalLinuxConsole = false;

void writeAll(std::string_view bytes)
{
    if (!bytes.empty()) {
        hostWrite(bytes.data(), static_cast<int>(bytes.size()));
    }
}

void terminalNowShows(terminalShowing) {}
