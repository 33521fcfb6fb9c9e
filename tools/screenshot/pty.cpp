// The pseudo-terminal side: start the game, feed its output to libvterm,
// type keys, read cells back.

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "screenshot.h"

namespace {

std::int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Reads whatever the game has written within timeoutMs into the screen.
// False once the game has closed its side.
bool pump(ptyGame& game, int timeoutMs)
{
    pollfd output{game.fd, POLLIN, 0};
    if (poll(&output, 1, timeoutMs) <= 0) {
        return true;
    }
    char bytes[4096];
    ssize_t n = read(game.fd, bytes, sizeof bytes);
    if (n <= 0) {
        return n < 0 && errno == EINTR;
    }
    vterm_input_write(game.vt, bytes, static_cast<size_t>(n));
    return true;
}

// The palette index of a colour. The game only sets the 16 ANSI colours, so
// indexed colours are the rule; the defaults are the terminal's grey on black.
int paletteIndex(VTermColor colour, int fallback)
{
    if (VTERM_COLOR_IS_DEFAULT_FG(&colour) || VTERM_COLOR_IS_DEFAULT_BG(&colour)) {
        return fallback;
    }
    if (VTERM_COLOR_IS_INDEXED(&colour) && colour.indexed.idx < 16) {
        return colour.indexed.idx;
    }
    return fallback;
}

}  // namespace

bool startGame(ptyGame& game, const char* program)
{
    winsize size{};
    size.ws_col = static_cast<unsigned short>(game.columns);
    size.ws_row = static_cast<unsigned short>(game.rows);
    game.pid = forkpty(&game.fd, nullptr, nullptr, &size);
    if (game.pid < 0) {
        return false;
    }
    if (game.pid == 0) {
        setenv("TERM", "xterm-256color", 1);
        setenv("LANG", "C.UTF-8", 1);
        unsetenv("LC_ALL");
        unsetenv("LC_CTYPE");
        execl(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    game.vt = vterm_new(game.rows, game.columns);
    vterm_set_utf8(game.vt, 1);
    game.screen = vterm_obtain_screen(game.vt);
    vterm_screen_reset(game.screen, 1);
    return true;
}

bool waitFor(ptyGame& game, const std::function<bool()>& ready, int timeoutMs)
{
    std::int64_t deadline = nowMs() + timeoutMs;
    while (!ready()) {
        std::int64_t left = deadline - nowMs();
        if (left <= 0 || !pump(game, static_cast<int>(left < 50 ? left : 50))) {
            return ready();
        }
    }
    return true;
}

void sendKeys(ptyGame& game, std::string_view keys)
{
    while (!keys.empty()) {
        ssize_t n = write(game.fd, keys.data(), keys.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        keys.remove_prefix(static_cast<size_t>(n));
    }
}

int stopGame(ptyGame& game)
{
    int status = 0;
    kill(game.pid, SIGTERM);
    // Drain the output meanwhile, so the game is never stuck writing.
    while (waitpid(game.pid, &status, WNOHANG) == 0) {
        pump(game, 50);
    }
    close(game.fd);
    vterm_free(game.vt);
    return status;
}

cellLook cellAt(const ptyGame& game, int x, int y)
{
    VTermScreenCell cell{};
    VTermPos pos{y, x};
    cellLook look;
    if (vterm_screen_get_cell(game.screen, pos, &cell) == 0) {
        return look;
    }
    look.ch = cell.chars[0] == 0 ? U' ' : static_cast<char32_t>(cell.chars[0]);
    look.foreground = paletteIndex(cell.fg, 7);
    look.background = paletteIndex(cell.bg, 0);
    if (cell.attrs.reverse) {
        std::swap(look.foreground, look.background);
    }
    return look;
}

std::string rowText(const ptyGame& game, int y)
{
    std::string text;
    for (int x = 0; x < game.columns; ++x) {
        char32_t ch = cellAt(game, x, y).ch;
        text += ch < 0x80 ? static_cast<char>(ch) : '#';
    }
    return text;
}
