#include "clocked_game.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <vterm.h>

#include "live_board.h"

namespace {

using clock = std::chrono::steady_clock;

int msLeft(clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for the clock's answer, reading the game's output meanwhile so that
// the game never blocks on a full terminal.
bool awaitAnswer(clockedGame& game, std::uint64_t& written, clock::time_point deadline)
{
    size_t got = 0;
    auto* into = reinterpret_cast<unsigned char*>(&written);
    bool open = true;
    while (got < sizeof written) {
        pollfd fds[2] = {{game.ackFd, POLLIN, 0}, {open ? game.pty.master : -1, POLLIN, 0}};
        int left = msLeft(deadline);
        if (left == 0 || poll(fds, 2, left) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (fds[1].revents != 0) {
            open = readOutput(game.pty);
        }
        if (fds[0].revents != 0) {
            ssize_t n = read(game.ackFd, into + got, sizeof written - got);
            if (n <= 0) {
                return false;  // the game has ended
            }
            got += static_cast<size_t>(n);
        }
    }
    return true;
}

void appendCell(std::string& image, ptyGame& game, int x, int y)
{
    char cell[64];
    std::snprintf(cell, sizeof cell, "%u/%d/%d ", static_cast<unsigned>(charAt(game, x, y)),
                  foregroundAt(game, x, y), backgroundAt(game, x, y));
    image += cell;
}

}  // namespace

std::string naiveBinary()
{
    return TENFALL_NAIVE_BINARY;
}

bool launchClocked(clockedGame& game, const std::string& binary)
{
    int answers[2];
    if (pipe(answers) != 0) {
        return false;
    }
    fcntl(answers[0], F_SETFD, FD_CLOEXEC);
    launchOptions options;
    options.binary = binary;
    options.environment = {
        std::string("LD_PRELOAD=") + TENFALL_VIRTUAL_CLOCK,
        "TENFALL_CLOCK_ACK_FD=" + std::to_string(answers[1]),
        "ASAN_OPTIONS=verify_asan_link_order=0",
    };
    bool launched = launch(game.pty, options);
    close(answers[1]);  // the game holds the only writing end now
    game.ackFd = answers[0];
    if (!launched) {
        return false;
    }
    // Nothing may be sent before the game takes the terminal into its own
    // mode, or the terminal would echo it.
    return waitForInstructions(game.pty) && play(game, "");
}

void shutDownClocked(clockedGame& game)
{
    shutDown(game.pty);
    if (game.ackFd >= 0) {
        close(game.ackFd);
        game.ackFd = -1;
    }
}

bool play(clockedGame& game, std::string_view bytes, int timeoutMs)
{
    auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs);
    sendKeys(game.pty, bytes);
    sendKeys(game.pty, std::string(1, static_cast<char>(clockSyncByte)));
    std::uint64_t written = 0;
    if (!awaitAnswer(game, written, deadline)) {
        return false;
    }
    while (game.pty.output.size() < written) {
        pollfd p{game.pty.master, POLLIN, 0};
        int left = msLeft(deadline);
        if (left == 0 || (poll(&p, 1, left) > 0 && !readOutput(game.pty))) {
            return false;
        }
    }
    return game.pty.output.size() == written;
}

std::string ticks(int count)
{
    return std::string(static_cast<size_t>(count), static_cast<char>(clockTickByte));
}

std::string screenImage(ptyGame& game)
{
    int rows = 0, columns = 0;
    vterm_get_size(game.vt, &rows, &columns);
    std::string image;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < columns; ++x) {
            appendCell(image, game, x, y);
        }
        image += '\n';
    }
    auto [x, y] = cursorAt(game);
    image += "cursor " + std::to_string(x) + "," + std::to_string(y) + "\n";
    return image;
}

std::string firstDifference(const std::string& a, const std::string& b)
{
    std::istringstream left(a), right(b);
    std::string l, r;
    for (int row = 0; std::getline(left, l) && std::getline(right, r); ++row) {
        if (l != r) {
            return "row " + std::to_string(row) + ":\n  " + l + "\n  " + r;
        }
    }
    return a == b ? "none" : "lengths differ";
}
