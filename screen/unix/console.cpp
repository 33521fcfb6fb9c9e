// The Unix terminal as the game's console: opened into game mode, cleared
// only where the game screen fits, given back on N at the prompt.

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <langinfo.h>

#include "screen/ansi/backend.h"
#include "screen/ansi/renderer.h"
#include "screen/console.h"
#include "screen/unix/input.h"
#include "screen/unix/signals.h"
#include "screen/unix/tty.h"
#include "screen/unix/wait.h"
#include "screen/unix/window.h"
#include "screen/unix/write.h"

bool consoleOpen()
{
    if (!terminalUsable()) {
        return false;
    }
    std::setlocale(LC_CTYPE, "");
    terminalUtf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;

    if (!terminalReadModes()) {
        std::fprintf(stderr, "tenfall: cannot read the terminal's modes: %s\n", std::strerror(errno));
        return false;
    }
    writeOpen();
    waitOpen();
    signalsOpen();
    terminalTakeGameMode();
    windowGrow();
    return true;
}

// The signals wait meanwhile, then find the game's handlers gone and end it
// by their own default action.
void consoleClose()
{
    if (terminalModes == modesAsFound) {
        return;
    }
    if (terminalModes == modesOfTheGame) {
        consoleFlush();
    }
    sigset_t all, was;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &was);
    giveTerminalBackForGood(false);
    signalsClose();
    sigprocmask(SIG_SETMASK, &was, nullptr);
}

// The game screen is only drawn where it fits.
void consoleClear()
{
    if (windowWaitForRoom()) {
        dropKeys();
    }
    ansiClear();
}
