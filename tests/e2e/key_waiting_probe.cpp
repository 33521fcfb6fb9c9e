// The terminal layer alone, for what the game cannot show: once the terminal
// has a key, a look at it that may not wait must still find it. Exits 0 when
// it does.

#include <poll.h>
#include <unistd.h>

#include "screen/console.h"

int main()
{
    if (!consoleOpen()) {
        return 2;
    }
    consoleWrite("ready");
    consoleFlush();
    pollfd in{STDIN_FILENO, POLLIN, 0};
    poll(&in, 1, 5000);
    bool waiting = consoleKeyWaiting(0);
    consoleClose();
    return waiting ? 0 : 1;
}
