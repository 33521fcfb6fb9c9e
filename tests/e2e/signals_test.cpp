// Ways out and back in: signals, Ctrl-Z and fg, a terminal that goes away.

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "live_board.h"

namespace {

// As the terminal receives it: the line discipline turns the game's "\n" into "\r\n".
const std::string restoreAfterGame = "\x1b[0m\x1b[25;1H\r\r\n";

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The terminal's modes as a shell wants them: lines, echo, CR to NL, flow control.
bool shellModes(const termios& modes)
{
    return (modes.c_lflag & ICANON) && (modes.c_lflag & ECHO) && (modes.c_lflag & IEXTEN) &&
           (modes.c_iflag & ICRNL) && (modes.c_iflag & IXON);
}

bool stopped(ptyGame& game)
{
    return waitUntil(game, [&] { return processStopped(game); });
}

struct cellLook {
    char32_t ch;
    int foreground, background;
    bool operator==(const cellLook&) const = default;
};

std::vector<cellLook> gameScreen(ptyGame& game)
{
    std::vector<cellLook> cells;
    for (int y = 0; y < 25; ++y) {
        for (int x = 0; x < 70; ++x) {
            cells.push_back({charAt(game, x, y), foregroundAt(game, x, y), backgroundAt(game, x, y)});
        }
    }
    return cells;
}

// CPU time of the children reaped so far: this test's one game.
double childCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST(Signals, EveryWayOutGivesTheTerminalBack)
{
    // The game dies by the signal itself, so that a shell loop stops on
    // Ctrl-C and a crash leaves its core. One case starts the game with so
    // many descriptors open that its own would be past what select can
    // watch; in another the terminal takes no output, so the colours and
    // the fresh line cannot reach it, but the game ends all the same; one is
    // `kill %1` on a job stopped with Ctrl-Z, which must end without
    // touching the terminal, now the shell's, or writing to it again. A
    // window grown for the game is asked for its old size back after the
    // rest, unless the player has resized it since.
    enum how { plain, stalled, stoppedFirst, grownByHand };
    struct { const char* name; int signal; std::string viaTerminal; int leaked = 0; how when = plain; bool grown = false, resized = false; } cases[] = {
        {"Ctrl-C", SIGINT, "\x03"},
        {"SIGTERM", SIGTERM, ""},
        {"SIGHUP", SIGHUP, ""},
        {"SIGQUIT", SIGQUIT, ""},
        {"Ctrl-C, started with 1100 descriptors open", SIGINT, "\x03", 1100},
        {"Ctrl-C, in a window grown for the game", SIGINT, "\x03", 0, plain, true},
        {"SIGHUP, in a window grown for the game", SIGHUP, "", 0, plain, true},
        {"Ctrl-C, in a window grown for the game and resized since, then back", SIGINT, "\x03", 0, plain, true, true},
        {"Ctrl-C, the grow ignored and the window grown to 80x25 by hand", SIGINT, "\x03", 0, grownByHand},
        {"SIGPIPE", SIGPIPE, ""}, {"SIGALRM", SIGALRM, ""}, {"SIGUSR1", SIGUSR1, ""},
        {"SIGUSR2", SIGUSR2, ""}, {"SIGVTALRM", SIGVTALRM, ""}, {"SIGPROF", SIGPROF, ""},
        {"SIGXCPU", SIGXCPU, ""}, {"SIGXFSZ", SIGXFSZ, ""}, {"SIGPOLL", SIGPOLL, ""},
        {"SIGPWR", SIGPWR, ""}, {"SIGSYS", SIGSYS, ""}, {"SIGABRT", SIGABRT, ""},
        {"SIGSEGV", SIGSEGV, ""}, {"SIGBUS", SIGBUS, ""}, {"SIGFPE", SIGFPE, ""},
        {"SIGILL", SIGILL, ""}, {"SIGTRAP", SIGTRAP, ""},
        {"SIGTERM while the terminal takes no output", SIGTERM, "", 0, stalled},
        {"SIGTERM and SIGCONT to a stopped job", SIGTERM, "", 0, stoppedFirst},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ptyGame game;
        launchOptions options;
        options.openDescriptors = c.leaked;
        options.jobControl = c.when == stoppedFirst;
        if (c.when == grownByHand) {
            options.rows = 24;
            options.environment = {"VTE_VERSION=7006"};
        }
        ASSERT_TRUE(c.grown ? launchGrown(game) : launch(game, options));
        ASSERT_TRUE(c.when != grownByHand || (waitForInstructions(game) && ptySetSize(game, 80, 25)));
        ASSERT_TRUE(startPlaying(game));
        ASSERT_TRUE(!c.resized || (ptySetSize(game, 81, 25) && ptySetSize(game, 80, 25)));
        if (c.when == stoppedFirst) {
            sendKeys(game, "\x1a");
            ASSERT_TRUE(stopped(game));
        }
        ASSERT_TRUE(c.when != stalled || ptyStallOutput(game, true));
        if (c.viaTerminal.empty()) {
            kill(game.pid, c.signal);
        } else {
            sendKeys(game, c.viaTerminal);
        }
        if (c.when == stoppedFirst) {
            kill(game.pid, SIGCONT);
        }
        ASSERT_TRUE(waitForExit(game, 2000));
        EXPECT_TRUE(WIFSIGNALED(game.status) && WTERMSIG(game.status) == c.signal) << shellStatus(game);
        EXPECT_TRUE(shellModes(ptyModes(game)));
        if (c.when != stalled) {
            EXPECT_TRUE(endsWith(game.output, restoreAfterGame + (c.grown && !c.resized ? "\x1b[8;24;80t" : "")))
                << "colours reset, then a fresh line";
            EXPECT_EQ(cursorAt(game), std::make_pair(0, 24));
            EXPECT_EQ(rowText(game, 24).find_first_not_of(' '), std::string::npos);
        }
        shutDown(game);
    }
}

TEST(Signals, CtrlCAtTheInstructionsLeavesTheTextStanding)
{
    ptyGame game;
    ASSERT_TRUE(launch(game));
    ASSERT_TRUE(waitForInstructions(game));
    sendKeys(game, "\x03");
    ASSERT_TRUE(waitForExit(game, 2000));
    EXPECT_EQ(shellStatus(game), 130);
    EXPECT_TRUE(shellModes(ptyModes(game)));
    EXPECT_TRUE(endsWith(game.output, "-=-{ Press any key to play }-=-\r\n\x1b[0m"));
    EXPECT_EQ(cursorAt(game).first, 0);
    shutDown(game);
}

// Under a job-control parent, which stops the game on Ctrl-Z.
class Suspend : public ::testing::Test {
protected:
    void TearDown() override { shutDown(game); }
    ptyGame game;
    launchOptions underShell = [] { launchOptions o; o.jobControl = true; return o; }();
};

TEST_F(Suspend, CtrlZGivesTheTerminalBackAndFgRepaintsEverything)
{
    // The second starts the game with so many descriptors open that its wake
    // pipe would be past what select can watch.
    for (int leaked : {0, 1100}) {
        SCOPED_TRACE(leaked);
        shutDown(game);
        game = ptyGame{};
        // Taller than the game, so that the fresh line below it scrolls nothing away.
        launchOptions tall = underShell;
        tall.rows = 30;
        tall.openDescriptors = leaked;
        ASSERT_TRUE(launch(game, tall));
        ASSERT_TRUE(startPlaying(game));
        sendKeys(game, "\x1a");
        ASSERT_TRUE(stopped(game));
        ASSERT_TRUE(waitUntil(game, [&] { return endsWith(game.output, restoreAfterGame); }));
        EXPECT_TRUE(shellModes(ptyModes(game)));
        EXPECT_EQ(cursorAt(game), std::make_pair(0, 25));

        // Meanwhile stty changes the interrupt key, and a program leaves a
        // scroll region and insert mode behind.
        termios changed = ptyModes(game);
        changed.c_cc[VINTR] = '\x18';
        tcsetattr(game.master, TCSANOW, &changed);
        std::vector<cellLook> before = gameScreen(game);
        clearLocalScreen(game, "\x1b[1;20r\x1b[4h");
        resumeInForeground(game);
        EXPECT_TRUE(waitUntil(game, [&] { return gameScreen(game) == before; }))
            << "every column, the bracket, the readouts and the frame come back";
        EXPECT_FALSE(ptyModes(game).c_lflag & ICANON);
        EXPECT_FALSE(ptyModes(game).c_lflag & ECHO);

        sendKeys(game, "\x1b[C");
        EXPECT_TRUE(waitUntil(game, [&] { return charAt(game, bracketLeftColumn(6), bracketFootRow) == U'\u2559'; })) << "and the game plays on";
        sendKeys(game, "\x18");
        ASSERT_TRUE(waitForExit(game, 2000)) << "the new interrupt key ends the game";
        EXPECT_EQ(ptyModes(game).c_cc[VINTR], '\x18') << "and the modes of the resume are given back";
        EXPECT_TRUE(shellModes(ptyModes(game)));
    }
}

TEST_F(Suspend, CtrlZWhereNoShellCanContinueTheGamePlaysOn)
{
    ASSERT_TRUE(launch(game));  // straight in the terminal, as from xterm -e
    ASSERT_TRUE(startPlaying(game));
    size_t mark = game.output.size();
    sendKeys(game, "\x1a");
    ASSERT_TRUE(waitUntil(game, [&] { return game.output.find(restoreAfterGame, mark) != std::string::npos; }));
    ASSERT_TRUE(waitUntil(game, [&] { return !(ptyModes(game).c_lflag & ICANON); })) << "game mode again";
    sendKeys(game, "\x1b[C");
    EXPECT_TRUE(waitUntil(game, [&] { return charAt(game, bracketLeftColumn(6), bracketFootRow) == U'\u2559'; }));
    EXPECT_FALSE(processStopped(game));
}

// Where no shell can continue the game, a Ctrl-Z may land at any moment of
// the resume that the last one started: thousands, a byte a write, then Ctrl-C.
TEST_F(Suspend, CtrlZFloodWhereNoShellCanContinueThenCtrlCGivesTheModesBack)
{
    for (int run = 0; run < 10; ++run) {
        SCOPED_TRACE(run);
        shutDown(game);
        game = ptyGame{};
        ASSERT_TRUE(launch(game));
        ASSERT_TRUE(startPlaying(game));
        pid_t flood = fork();  // spread over half a second, while the game's repaints are read here
        if (flood == 0) {
            for (int i = 0; i < 2500; ++i) {
                sendKeys(game, "\x1a");
                usleep(200);
            }
            _exit(0);
        }
        while (waitpid(flood, nullptr, WNOHANG) == 0) {
            screenChangesWithin(game, 5);
        }
        sendKeys(game, "\x03");
        ASSERT_TRUE(waitForExit(game, 5000));
        EXPECT_TRUE(shellModes(ptyModes(game)));
    }
}

// As in `( tenfall; stty -g )` and `sh -c 'tenfall; echo done'`: continued
// from outside twice while the shell's line editor has the terminal raw, the
// game waits in the background and leaves it alone; brought to the front
// with no SIGCONT it plays, and gives back the modes the shell had.
TEST_F(Suspend, ContinuedInTheBackgroundWaitsForTheForeground)
{
    ASSERT_TRUE(launch(game, underShell));
    ASSERT_TRUE(startPlaying(game));
    sendKeys(game, "\x1a");
    ASSERT_TRUE(stopped(game) && waitUntil(game, [&] { return endsWith(game.output, restoreAfterGame); }));
    termios shell = ptyModes(game), raw = shell;
    raw.c_lflag &= ~(ICANON | ECHO);
    raw.c_iflag &= ~ICRNL;
    tcsetattr(game.master, TCSANOW, &raw);
    for (int i = 0; i < 2; ++i) {
        kill(game.pid, SIGCONT);
        EXPECT_FALSE(screenChangesWithin(game, 200));
    }
    EXPECT_EQ(ptyModes(game).c_lflag, raw.c_lflag);
    tcsetattr(game.master, TCSANOW, &shell);
    resumeInForeground(game, false);
    sendKeys(game, "\x1b[C");
    EXPECT_TRUE(waitUntil(game, [&] { return bracketOnlyAt(game, 6); }));
    kill(game.pid, SIGTERM);
    ASSERT_TRUE(waitForExit(game, 2000));
    termios after = ptyModes(game);
    EXPECT_TRUE(after.c_iflag == shell.c_iflag && after.c_oflag == shell.c_oflag && after.c_lflag == shell.c_lflag);
}

TEST_F(Suspend, TicksDueWhileStoppedDoNotFallOnResume)
{
    ASSERT_TRUE(launch(game, underShell));
    ASSERT_TRUE(startPlaying(game));
    auto started = std::chrono::steady_clock::now();
    sendKeys(game, "\x1a");
    ASSERT_TRUE(stopped(game));
    int before = digitCount(game);

    // Stay stopped past the 4.1 s tick interval of level 1.
    auto resumeAt = started + std::chrono::milliseconds(5000);
    waitUntil(game, [&] { return std::chrono::steady_clock::now() >= resumeAt; }, 6000);
    clearLocalScreen(game);
    resumeInForeground(game);
    ASSERT_TRUE(waitUntil(game, [&] { return textAt(game, readoutColumn, sumRow, 6) == "SUM: 0"; }));

    EXPECT_FALSE(waitUntil(game, [&] { return digitCount(game) > before; }, 1000))
        << "the interval goes on from where it stood when the game stopped";
    EXPECT_TRUE(waitUntil(game, [&] { return digitCount(game) > before; }, 6000));
}

TEST_F(Suspend, RepaintsFromTheInstructionsWithoutDrawingTheGame)
{
    ASSERT_TRUE(launch(game, underShell));
    ASSERT_TRUE(waitForInstructions(game));
    sendKeys(game, "\x1a");
    ASSERT_TRUE(stopped(game));
    EXPECT_TRUE(shellModes(ptyModes(game)));
    resumeInForeground(game);
    EXPECT_TRUE(waitUntil(game, [&] { return !(ptyModes(game).c_lflag & ICANON); }));
    sendKeys(game, " ");
    EXPECT_TRUE(waitUntil(game, [&] { return textAt(game, readoutColumn, sumRow, 6) == "SUM: 0"; }));
}

TEST(HangUp, ClosingTheTerminalEndsTheGameAtOnce)
{
    struct { const char* name; std::vector<int> blocked; } cases[] = {
        {"by its hang-up signal", {}},
        {"by the hang-up on its input, with the signal blocked", {SIGHUP}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        double cpuBefore = childCpuSeconds();
        ptyGame game;
        launchOptions options;
        options.blockedSignals = c.blocked;
        ASSERT_TRUE(launch(game, options));
        ASSERT_TRUE(startPlaying(game));
        close(game.master);
        game.master = -1;
        EXPECT_TRUE(waitForExit(game, 1000));
        EXPECT_EQ(shellStatus(game), 128 + SIGHUP);
        EXPECT_LT(childCpuSeconds() - cpuBefore, 0.3) << "no spinning on a dead terminal";
        shutDown(game);
    }
}

// macOS's poll answers POLLNVAL for a terminal at once. Under a poll that
// does so, the game must still wait for keys and ticks, asleep, and leave
// cleanly; at four times the speed, a level-1 tick comes every 1025 ms.
TEST(ApplePoll, GamePlaysAndSleepsWhenPollCannotWaitOnTheTerminal)
{
    const int interval = 1025;
    double cpuBefore = childCpuSeconds();
    ptyGame game;
    launchOptions options;
    options.preload = TENFALL_TTY_POLL_NVAL;
    options.speedUp = 4;
    ASSERT_TRUE(launch(game, options));
    ASSERT_TRUE(startPlaying(game));
    sendKeys(game, "\x1b[C");
    EXPECT_TRUE(waitUntil(game, [&] { return charAt(game, bracketLeftColumn(6), bracketFootRow) == U'\u2559'; }))
        << "the bracket moves right";

    // Two ticks seen the same way, so that how late this test notices each
    // one does not count.
    std::chrono::steady_clock::time_point seen[2];
    for (auto& when : seen) {
        int before = digitCount(game);
        ASSERT_TRUE(waitUntil(game, [&] { return digitCount(game) > before; }, interval + 600)) << "no tick in time";
        when = std::chrono::steady_clock::now();
    }
    EXPECT_GE(seen[1] - seen[0], std::chrono::milliseconds(interval - 50)) << "the tick came early";
    EXPECT_FALSE(screenChangesWithin(game, interval / 2)) << "nothing but ticks is drawn";

    sendKeys(game, "\x03");
    ASSERT_TRUE(waitForExit(game, 2000));
    EXPECT_EQ(shellStatus(game), 128 + SIGINT);
    EXPECT_TRUE(shellModes(ptyModes(game)));
    EXPECT_TRUE(endsWith(game.output, restoreAfterGame));
    EXPECT_LT(childCpuSeconds() - cpuBefore, 0.3) << "no spinning while waiting";
    shutDown(game);
}

}  // namespace
