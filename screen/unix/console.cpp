// The Unix terminal as the game's console: opened into game mode, cleared
// only where the game screen fits, given back on N at the prompt.

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

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

namespace {

// Whether the terminal takes UTF-8. A locale that is named but not installed
// (a static build on another distribution, a locale never generated) leaves
// the C one, whose ASCII would hide the box glyphs for nothing: its name
// then says what the terminal takes.
bool localeIsUtf8()
{
    if (std::setlocale(LC_CTYPE, "") != nullptr) {
        return std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    }
    const char* name = nullptr;
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        name = std::getenv(variable);
        if (name != nullptr && *name != '\0') {
            break;
        }
    }
    const char* codeset = name != nullptr ? std::strchr(name, '.') : nullptr;
    if (codeset == nullptr) {
        return false;
    }
    std::string_view named(codeset + 1, std::strcspn(codeset + 1, "@"));
    return named == "UTF-8" || named == "utf-8" || named == "UTF8" || named == "utf8";
}

}  // namespace

bool consoleOpen()
{
    if (!terminalUsable()) {
        return false;
    }
    terminalUtf8 = localeIsUtf8();
    terminalLinuxConsole = std::strcmp(std::getenv("TERM"), "linux") == 0;

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
