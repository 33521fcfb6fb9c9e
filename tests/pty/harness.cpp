#include "harness.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vterm.h>

#include "erase_in_default_colours.h"

namespace {

using clock = std::chrono::steady_clock;

int msLeft(clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Gives the emulator bytes the terminal receives.
void feed(ptyGame& game, std::string_view received)
{
    if (!game.eraseInDefaultColours) {
        vterm_input_write(game.vt, received.data(), received.size());
        return;
    }
    std::string bytes = game.unfed + std::string(received);
    game.unfed.clear();
    eraseInDefaultColours(bytes);
    // An erase split between two reads is held back until it is whole.
    size_t whole = bytes.size();
    for (size_t keep = eraseWholeScreen.size() - 1; keep > 0; --keep) {
        if (bytes.ends_with(eraseWholeScreen.substr(0, keep))) {
            whole -= keep;
            game.unfed = bytes.substr(whole);
            break;
        }
    }
    vterm_input_write(game.vt, bytes.data(), whole);
}

// Reads what the game has written within `ms` and feeds it to the emulator.
// Returns false once the pseudo-terminal has nothing more to give.
bool pump(ptyGame& game, int ms)
{
    if (game.master < 0) {
        return false;  // the test closed the terminal
    }
    pollfd p{game.master, POLLIN, 0};
    int ready = poll(&p, 1, ms);
    if (ready <= 0) {
        return ready == 0 || errno == EINTR;
    }
    return readOutput(game);
}

void reap(ptyGame& game, bool wait)
{
    pid_t child = game.jobParent > 0 ? game.jobParent : game.pid;
    if (game.exited || child < 0) {
        return;
    }
    int status = 0;
    if (waitpid(child, &status, wait ? 0 : WNOHANG) == child) {
        game.exited = true;
        game.status = status;
    }
}

VTermScreenCell cellAt(ptyGame& game, int x, int y)
{
    VTermScreenCell cell{};
    vterm_screen_get_cell(game.screen, VTermPos{y, x}, &cell);
    return cell;
}

int paletteIndex(const VTermColor& colour, bool foreground)
{
    if (foreground ? VTERM_COLOR_IS_DEFAULT_FG(&colour) : VTERM_COLOR_IS_DEFAULT_BG(&colour)) {
        return -1;
    }
    if (VTERM_COLOR_IS_INDEXED(&colour)) {
        return colour.indexed.idx;
    }
    return -2;  // an RGB colour: the game never sets one
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The pty's session leader as a job-control shell: the game in its own
// process group and in the foreground, the terminal taken back when it
// stops and given again on SIGUSR1 (fg), and the game's end passed on as
// its own, signal and all. Tells the test the game's pid through `report`.
[[noreturn]] void actAsJobParent(int report, const char* binary)
{
    sigset_t waits, before;
    sigemptyset(&waits);
    sigaddset(&waits, SIGCHLD);
    sigaddset(&waits, SIGUSR1);
    sigaddset(&waits, SIGUSR2);
    sigprocmask(SIG_BLOCK, &waits, &before);
    signal(SIGTTOU, SIG_IGN);  // to hand the terminal around from the background
    pid_t game = fork();
    if (game == 0) {
        setpgid(0, 0);
        tcsetpgrp(STDIN_FILENO, getpid());
        signal(SIGTTOU, SIG_DFL);
        sigprocmask(SIG_SETMASK, &before, nullptr);
        execl(binary, binary, static_cast<char*>(nullptr));
        _exit(127);
    }
    [[maybe_unused]] ssize_t told = write(report, &game, sizeof game);
    for (int woken = 0, status = 0;; sigwait(&waits, &woken)) {
        if (woken == SIGUSR1 || woken == SIGUSR2) {
            tcsetpgrp(STDIN_FILENO, game);
            kill(game, woken == SIGUSR1 ? SIGCONT : 0);
        }
        while (waitpid(game, &status, WNOHANG | WUNTRACED) == game) {
            if (WIFSTOPPED(status)) {
                tcsetpgrp(STDIN_FILENO, getpgrp());
            } else if (WIFSIGNALED(status)) {
                signal(WTERMSIG(status), SIG_DFL);
                sigfillset(&waits);
                sigprocmask(SIG_UNBLOCK, &waits, nullptr);
                raise(WTERMSIG(status));
            } else {
                _exit(WEXITSTATUS(status));
            }
        }
    }
}

}  // namespace

// TENFALL_GAME_BINARY plays another build of the game in these tests: a
// static one, or one for another processor under an emulator.
std::string gameBinary()
{
    const char* other = std::getenv("TENFALL_GAME_BINARY");
    return other != nullptr ? other : TENFALL_BINARY;
}

bool launch(ptyGame& game, const launchOptions& options)
{
    winsize size{};
    size.ws_col = static_cast<unsigned short>(options.columns);
    size.ws_row = static_cast<unsigned short>(options.rows);
    std::string binary = options.binary.empty() ? gameBinary() : options.binary;

    int report[2] = {-1, -1};
    if (options.jobControl && pipe(report) != 0) {
        return false;
    }
    pid_t pid = forkpty(&game.master, nullptr, nullptr, &size);
    if (pid < 0) {
        return false;
    }
    if (pid == 0) {
        rlimit noCore{};  // the crash signals' rows would leave a core each
        setrlimit(RLIMIT_CORE, &noCore);
        if (options.nonBlocking) {
            fcntl(STDOUT_FILENO, F_SETFL, fcntl(STDOUT_FILENO, F_GETFL) | O_NONBLOCK);
        }
        setenv("TERM", "xterm-256color", 1);
        setenv("LANG", "C.UTF-8", 1);
        unsetenv("LC_ALL");
        for (const char* name : {"VTE_VERSION", "KONSOLE_VERSION", "XTERM_VERSION", "TMUX", "STY"}) {
            unsetenv(name);  // a terminal of no known family, whatever the tests run in
        }
        std::string preload = options.preload;
        if (options.speedUp > 1) {
            preload += (preload.empty() ? "" : ":") + std::string(TENFALL_FAKETIME_LIBRARY);
            setenv("FAKETIME", ("+0 x" + std::to_string(options.speedUp)).c_str(), 1);
        }
        if (!preload.empty()) {
            setenv("LD_PRELOAD", preload.c_str(), 1);
            setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1);
        }
        sigset_t blocked;
        sigemptyset(&blocked);
        for (int s : options.blockedSignals) {
            sigaddset(&blocked, s);
        }
        sigprocmask(SIG_BLOCK, &blocked, nullptr);
        if (options.openDescriptors > 0) {
            rlimit limit{};
            getrlimit(RLIMIT_NOFILE, &limit);
            limit.rlim_cur = limit.rlim_max;
            setrlimit(RLIMIT_NOFILE, &limit);
            if (options.jobControl) {  // out of the way of the descriptors left open
                report[1] = fcntl(report[1], F_DUPFD, STDERR_FILENO + options.openDescriptors + 1);
            }
            for (int fd = STDERR_FILENO + 1; fd <= STDERR_FILENO + options.openDescriptors; ++fd) {
                dup2(STDERR_FILENO, fd);
            }
        }
        for (const std::string& assignment : options.environment) {
            putenv(const_cast<char*>(assignment.c_str()));
        }
        if (options.jobControl) {
            close(report[0]);
            actAsJobParent(report[1], binary.c_str());
        }
        execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    game.pid = pid;
    if (options.jobControl) {
        close(report[1]);
        game.jobParent = pid;
        bool told = read(report[0], &game.pid, sizeof game.pid) == sizeof game.pid;
        close(report[0]);
        if (!told) {
            return false;
        }
    }
    game.eraseInDefaultColours = options.eraseInDefaultColours;
    game.vt = vterm_new(options.rows, options.columns);
    vterm_set_utf8(game.vt, 1);
    game.screen = vterm_obtain_screen(game.vt);
    vterm_screen_reset(game.screen, 1);
    return true;
}

void shutDown(ptyGame& game)
{
    if (game.pid > 0 && !game.exited) {
        kill(game.pid, SIGKILL);
        if (game.jobParent > 0) {
            kill(game.jobParent, SIGKILL);
        }
        reap(game, true);
    }
    if (game.master >= 0) {
        close(game.master);
        game.master = -1;
    }
    if (game.vt != nullptr) {
        vterm_free(game.vt);
        game.vt = nullptr;
    }
}

void sendKeys(ptyGame& game, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t n = write(game.master, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

bool readOutput(ptyGame& game)
{
    char buffer[8192];
    ssize_t n = read(game.master, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) {
        return true;
    }
    if (n <= 0) {
        return false;  // EIO: the game closed its side
    }
    game.output.append(buffer, static_cast<size_t>(n));
    feed(game, std::string_view(buffer, static_cast<size_t>(n)));
    return true;
}

bool waitUntil(ptyGame& game, const std::function<bool()>& done, int timeoutMs)
{
    auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        int left = msLeft(deadline);
        if (left == 0) {
            return false;
        }
        if (!pump(game, left < 50 ? left : 50)) {
            reap(game, false);
            return done();
        }
    }
    return true;
}

bool screenChangesWithin(ptyGame& game, int ms)
{
    size_t before = game.output.size();
    auto deadline = clock::now() + std::chrono::milliseconds(ms);
    while (msLeft(deadline) > 0 && pump(game, msLeft(deadline))) {
    }
    return game.output.size() != before;
}

bool waitForExit(ptyGame& game, int timeoutMs)
{
    auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        reap(game, false);
        if (game.exited) {
            while (pump(game, 0) && msLeft(deadline) > 0) {
            }
            return true;
        }
        int left = msLeft(deadline);
        if (left == 0) {
            return false;
        }
        if (!pump(game, left < 20 ? left : 20)) {
            usleep(2000);  // its side is closed; the process is about to end
        }
    }
}

int shellStatus(const ptyGame& game)
{
    return WIFSIGNALED(game.status) ? 128 + WTERMSIG(game.status) : WEXITSTATUS(game.status);
}

void resumeInForeground(ptyGame& game, bool continued)
{
    kill(game.jobParent > 0 ? game.jobParent : game.pid, game.jobParent > 0 ? (continued ? SIGUSR1 : SIGUSR2) : SIGCONT);
}

bool ptyStallOutput(ptyGame& game, bool stalled)
{
    int terminal = open(ptsname(game.master), O_RDWR | O_NOCTTY);
    bool done = terminal >= 0 && tcflow(terminal, stalled ? TCOOFF : TCOON) == 0;
    close(terminal);
    return done;
}

std::u32string rowChars(ptyGame& game, int row)
{
    int rows = 0, columns = 0;
    vterm_get_size(game.vt, &rows, &columns);
    std::u32string text;
    for (int x = 0; x < columns; ++x) {
        text += charAt(game, x, row);
    }
    return text;
}

std::string rowText(ptyGame& game, int row)
{
    std::string text;
    for (char32_t c : rowChars(game, row)) {
        appendUtf8(text, c);
    }
    return text;
}

std::string textAt(ptyGame& game, int x, int y, int length)
{
    std::string text;
    for (char32_t c : rowChars(game, y).substr(static_cast<size_t>(x), static_cast<size_t>(length))) {
        appendUtf8(text, c);
    }
    return text;
}

char32_t charAt(ptyGame& game, int x, int y)
{
    VTermScreenCell cell = cellAt(game, x, y);
    return cell.chars[0] == 0 ? U' ' : static_cast<char32_t>(cell.chars[0]);
}

// As the cell shows them: reverse video swaps them.
int foregroundAt(ptyGame& game, int x, int y)
{
    VTermScreenCell cell = cellAt(game, x, y);
    return cell.attrs.reverse ? paletteIndex(cell.bg, false) : paletteIndex(cell.fg, true);
}

int backgroundAt(ptyGame& game, int x, int y)
{
    VTermScreenCell cell = cellAt(game, x, y);
    return cell.attrs.reverse ? paletteIndex(cell.fg, true) : paletteIndex(cell.bg, false);
}

std::pair<int, int> cursorAt(ptyGame& game)
{
    VTermPos pos{};
    vterm_state_get_cursorpos(vterm_obtain_state(game.vt), &pos);
    return {pos.col, pos.row};
}

void clearLocalScreen(ptyGame& game, std::string_view leftBehind)
{
    feed(game, "\x1b[2J" + std::string(leftBehind));
}

bool processStopped(const ptyGame& game)
{
    // The state letter follows the command name, which ends at the last ')'.
    std::ifstream stat("/proc/" + std::to_string(game.pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    auto end = line.rfind(')');
    bool stopped = end != std::string::npos && end + 2 < line.size() && line[end + 2] == 'T';
    // and, under a job-control parent, once it has taken the terminal back
    return stopped && (game.jobParent < 0 || tcgetpgrp(game.master) == game.jobParent);
}

long statusKiB(const ptyGame& game, std::string_view field)
{
    std::ifstream status("/proc/" + std::to_string(game.pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field)) {
            return std::strtol(line.c_str() + field.size(), nullptr, 10);
        }
    }
    return -1;
}

termios ptyModes(ptyGame& game)
{
    termios modes{};
    tcgetattr(game.master, &modes);
    return modes;
}

bool ptySetSize(ptyGame& game, int columns, int rows)
{
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    vterm_set_size(game.vt, rows, columns);
    return ioctl(game.master, TIOCSWINSZ, &size) == 0;
}
