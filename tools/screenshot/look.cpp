// The screenshot's view of a cell: the harness's palette indices, with the
// terminal's default colours taken as xterm's light grey on black.

#include <csignal>

#include "screenshot.h"

cellLook cellAt(ptyGame& game, int x, int y)
{
    int foreground = foregroundAt(game, x, y);
    int background = backgroundAt(game, x, y);
    return cellLook{charAt(game, x, y), foreground < 0 ? 7 : foreground, background < 0 ? 0 : background};
}

int stopGame(ptyGame& game)
{
    kill(game.pid, SIGTERM);
    waitForExit(game);
    int status = game.status;
    shutDown(game);
    return status;
}
