// screenshot PROGRAM OUTPUT.svg: plays tenfall in an 80 x 25 pseudo-terminal
// up to a selection in a game in progress and writes the screen as SVG.

#include <csignal>
#include <cstdio>
#include <string>

#include <sys/wait.h>

#include "screenshot.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: screenshot PROGRAM OUTPUT.svg\n", stderr);
        return 2;
    }
    ptyGame game;
    launchOptions options;
    options.binary = argv[1];
    options.speedUp = 4;  // the board fills four times sooner; every wait has a deadline
    if (!launch(game, options)) {
        std::perror("screenshot: forkpty");
        return 1;
    }
    bool played = playToSelection(game);
    std::string svg = screenSvg(game);
    int status = stopGame(game);
    if (!played) {
        std::fputs(svg.c_str(), stderr);  // what the screen showed when it went wrong
        return 1;
    }
    // A game sent SIGTERM restores the terminal and then dies by that signal.
    if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGTERM) {
        std::fprintf(stderr, "screenshot: the game did not leave cleanly (wait status %d)\n", status);
        return 1;
    }
    std::FILE* out = std::fopen(argv[2], "w");
    if (out == nullptr || std::fputs(svg.c_str(), out) < 0 || std::fclose(out) != 0) {
        std::perror(argv[2]);
        return 1;
    }
    return 0;
}
