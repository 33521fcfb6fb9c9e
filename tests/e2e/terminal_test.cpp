// Terminals the game cannot use or must make do with, and input that is no key.

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "instructions_text.h"
#include "live_board.h"

namespace {

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// --- Not a terminal -------------------------------------------------------

struct plainRun {
    bool exited = false;
    int status = 0;
    std::string out, err;
};

// Runs the game with stdin from /dev/null or a pseudo-terminal, and stdout
// into a pipe or a pseudo-terminal; stderr always goes into a pipe.
plainRun runPlain(bool terminalIn, bool terminalOut)
{
    int master = -1, slave = -1;
    openpty(&master, &slave, nullptr, nullptr, nullptr);
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        return {};
    }
    std::string binary = gameBinary();
    pid_t pid = fork();
    if (pid == 0) {
        int devNull = open("/dev/null", O_RDONLY);
        dup2(terminalIn ? slave : devNull, STDIN_FILENO);
        dup2(terminalOut ? slave : outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        setenv("TERM", "xterm-256color", 1);
        execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(slave);
    close(outPipe[1]);
    close(errPipe[1]);
    plainRun run;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    pollfd fds[3] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}, {master, POLLIN, 0}};
    std::string* into[3] = {&run.out, &run.err, &run.out};
    while (std::chrono::steady_clock::now() < deadline && !run.exited) {
        if (poll(fds, 3, 20) > 0) {
            for (int i = 0; i < 3; ++i) {
                char buffer[512];
                ssize_t n = (fds[i].revents & POLLIN) ? read(fds[i].fd, buffer, sizeof buffer) : 0;
                if (n > 0) {
                    into[i]->append(buffer, static_cast<size_t>(n));
                } else if (fds[i].revents != 0) {
                    fds[i].fd = -1;  // closed
                }
            }
        }
        run.exited = waitpid(pid, &run.status, WNOHANG) == pid;
    }
    if (!run.exited) {
        kill(pid, SIGKILL);
        waitpid(pid, &run.status, 0);
    }
    for (int fd : {outPipe[0], errPipe[0], master}) {
        close(fd);
    }
    return run;
}

TEST(NotATerminal, SaysWhatItNeedsAndLeaves)
{
    struct { const char* name; bool terminalIn, terminalOut; } cases[] = {
        {"tenfall < /dev/null", false, true},
        {"tenfall | cat", true, false},
        {"tenfall < /dev/null | cat", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        plainRun run = runPlain(c.terminalIn, c.terminalOut);
        ASSERT_TRUE(run.exited) << "it must not hang";
        EXPECT_TRUE(WIFEXITED(run.status));
        EXPECT_EQ(WEXITSTATUS(run.status), 1);
        EXPECT_EQ(run.out, "") << "no escape sequences, no text";
        EXPECT_EQ(run.err, "tenfall: needs a terminal on standard input and output\n");
    }
}

TEST(NotATerminal, TermThatCannotMoveTheCursorIsRefused)
{
    // "TERM" alone removes the variable.
    for (const char* term : {"TERM=dumb", "TERM=", "TERM"}) {
        SCOPED_TRACE(term);
        ptyGame game;
        launchOptions options;
        options.environment = {term};
        ASSERT_TRUE(launch(game, options));
        ASSERT_TRUE(waitForExit(game));
        EXPECT_EQ(WEXITSTATUS(game.status), 1);
        EXPECT_TRUE(contains(game.output, "tenfall: needs a terminal that can move its cursor"));
        EXPECT_FALSE(contains(game.output, "\x1b")) << "no escape sequences";
        EXPECT_TRUE(ptyModes(game).c_lflag & ICANON);
        shutDown(game);
    }
}

// --- Too small ------------------------------------------------------------

class Small : public ::testing::Test {
protected:
    void TearDown() override { shutDown(game); }

    // Starts at 80 x 24 and presses a key at the instructions.
    void startSmall()
    {
        launchOptions small;
        small.rows = 24;
        small.jobControl = true;  // for Ctrl-Z to stop the game
        ASSERT_TRUE(launch(game, small));
        ASSERT_TRUE(waitUntil(game, [&] { return plainText(game.output) == instructions + tooSmall("80x24") + "\n"; }))
            << "said before the key press, after the instructions";
        sendKeys(game, " ");
        EXPECT_FALSE(screenChangesWithin(game, 300)) << "the instructions and the line stay after the key press";
    }

    static std::string tooSmall(const std::string& size)
    {
        return "needs at least 70x25, this terminal is " + size + ": enlarge it, or press Ctrl-C";
    }

    bool frameShown()
    {
        for (int row = 0; row < 25; ++row) {
            if (charAt(game, frameLeftColumn, row) != U'\u2502' || charAt(game, frameRightColumn, row) != U'\u2502') {
                return false;
            }
        }
        return true;
    }

    ptyGame game;
};

TEST_F(Small, SaysSoAndStartsOnceTheWindowIsLargeEnough)
{
    startSmall();
    EXPECT_FALSE(contains(game.output, "\u2502")) << "nothing of the game screen is drawn";
    sendKeys(game, "d\r");  // keys while waiting are dropped
    ASSERT_TRUE(ptySetSize(game, 69, 30));
    EXPECT_TRUE(waitUntil(game, [&] { return game.output.ends_with(tooSmall("69x30")); }));
    EXPECT_FALSE(contains(game.output, "\u2502"));
    ASSERT_TRUE(ptySetSize(game, 70, 25));
    EXPECT_TRUE(waitUntil(game, [&] { return frameShown() && textAt(game, readoutColumn, sumRow, 6) == "SUM: 0"; }))
        << "the game starts with no key pressed";
    EXPECT_EQ(charAt(game, bracketLeftColumn(5), bracketFootRow), U'\u2559') << "the cursor stands where a game starts";
}

TEST_F(Small, CtrlCLeavesTheWait)
{
    startSmall();
    sendKeys(game, "\x03");
    ASSERT_TRUE(waitForExit(game, 2000));
    EXPECT_EQ(shellStatus(game), 130);
    EXPECT_TRUE(ptyModes(game).c_lflag & ICANON);
    EXPECT_TRUE(game.output.ends_with(tooSmall("80x24") + "\r\n\x1b[0m")) << "nothing cleared, the prompt on a fresh line";
}

TEST_F(Small, CtrlZWhileWaitingComesBackToTheMessage)
{
    startSmall();
    size_t mark = game.output.size();
    sendKeys(game, "\x1a");
    ASSERT_TRUE(waitUntil(game, [&] { return processStopped(game); }));
    ASSERT_TRUE(waitUntil(game, [&] { return game.output.ends_with("\r\n\x1b[0m"); }));
    EXPECT_TRUE(ptyModes(game).c_lflag & ICANON);
    resumeInForeground(game);
    EXPECT_TRUE(waitUntil(game, [&] {
        return game.output.substr(mark).ends_with(tooSmall("80x24")) && !(ptyModes(game).c_lflag & ICANON);
    }));
    ASSERT_TRUE(ptySetSize(game, 80, 25));
    EXPECT_TRUE(waitUntil(game, [&] { return frameShown() && textAt(game, readoutColumn, sumRow, 6) == "SUM: 0"; }));
}

// The game cannot be seen, so it is suspended: at four times the speed two
// level-1 ticks would fall meanwhile, and a key would move the cursor.
TEST_F(Small, ShrinkingDuringAGameSuspendsItAndGrowingRepaints)
{
    launchOptions fast;
    fast.speedUp = 4;
    ASSERT_TRUE(launch(game, fast));
    ASSERT_TRUE(startPlaying(game));
    int seen = digitCount(game);
    ASSERT_TRUE(waitUntil(game, [&] { return digitCount(game) > seen; }, 2000));  // a tick just fell
    int before = digitCount(game);
    size_t mark = game.output.size();
    ASSERT_TRUE(ptySetSize(game, 60, 20));
    ASSERT_TRUE(waitUntil(game, [&] { return game.output.substr(mark).ends_with(tooSmall("60x20")); }));
    sendKeys(game, "d");
    EXPECT_FALSE(screenChangesWithin(game, 2200)) << "no tick, no key while the game is out of sight";
    clearLocalScreen(game);
    ASSERT_TRUE(ptySetSize(game, 80, 25));
    EXPECT_TRUE(waitUntil(game, [&] {
        return frameShown() && charAt(game, bracketLeftColumn(5), bracketFootRow) == U'\u2559' &&
               textAt(game, readoutColumn, hintRow, 24) == "<-- Left/A   Right/D -->" && textAt(game, readoutColumn, sumRow, 6) == "SUM: 0" &&
               textAt(game, readoutColumn, scoreRow, 11) == "Score: 0/10";
    })) << "repainted where it was";
    EXPECT_EQ(digitCount(game), before) << "no number fell meanwhile";
    EXPECT_TRUE(waitUntil(game, [&] { return digitCount(game) > before; }, 2000)) << "and the game goes on";
}

// A key typed before the game looks is waiting, even to a look that cannot wait.
TEST(KeyWaiting, ALookWithoutWaitingReadsTheTerminal)
{
    ptyGame probe;
    launchOptions options;
    options.binary = TENFALL_KEY_WAITING_PROBE;
    ASSERT_TRUE(launch(probe, options));
    ASSERT_TRUE(waitUntil(probe, [&] { return contains(probe.output, "ready"); }));
    sendKeys(probe, "d");
    ASSERT_TRUE(waitForExit(probe));
    EXPECT_EQ(WEXITSTATUS(probe.status), 0);
    shutDown(probe);
}

// --- Asking the window to grow ------------------------------------------------

// Only for what is missing, and only where terminals were seen to honour it.
// A terminal or multiplexer that does not wins over a VTE_VERSION inherited
// from the terminal that started it.
TEST(Grow, AskedForWhatIsMissingOnlyWhereTerminalsHonourIt)
{
    const std::string vte = "VTE_VERSION=7006";
    struct { std::vector<std::string> environment; int columns, rows; std::string request; } cases[] = {
        {{vte}, 80, 24, "\x1b[8;25;80t"}, {{"TERM=rxvt-unicode"}, 69, 30, "\x1b[8;30;70t"},
        {{"TERM=mlterm"}, 60, 20, "\x1b[8;25;70t"}, {{vte}, 80, 25, ""}, {{}, 80, 24, ""},
        {{vte, "XTERM_VERSION=XTerm(379)"}, 80, 24, ""}, {{vte, "KONSOLE_VERSION=221203"}, 80, 24, ""},
        {{vte, "TMUX=/tmp/tmux-1000/default,1,0"}, 80, 24, ""}, {{vte, "STY=1.pts-0.host"}, 80, 24, ""},
        {{vte, "TERM=screen.xterm-256color"}, 80, 24, ""}, {{vte, "TERM=tmux-256color"}, 80, 24, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.environment) + " at " + std::to_string(c.columns) + "x" + std::to_string(c.rows));
        ptyGame game;
        launchOptions options;
        options.columns = c.columns;
        options.rows = c.rows;
        options.environment = c.environment;
        ASSERT_TRUE(launch(game, options));
        ASSERT_TRUE(waitForInstructions(game));
        size_t asked = game.output.find("\x1b[8;");
        EXPECT_EQ(asked == std::string::npos ? "" : game.output.substr(asked, c.request.size()), c.request);
        EXPECT_TRUE(c.request.empty() || asked < game.output.find("How to play")) << "before the instructions";
        EXPECT_EQ(game.output.find("\x1b[8;", asked + 1), std::string::npos) << "once at most";
        shutDown(game);
    }
}

// --- No back-colour erase ----------------------------------------------------

// Terminals that erase in their own default colours, such as GNU screen as
// it comes, whatever TERM it announces: the whole game area is black after
// the clear and after a repaint all the same.
TEST(NoBackColourErase, GameAreaIsBlackAfterEveryClear)
{
    for (const char* term : {"TERM=xterm-256color", "TERM=screen", "TERM=screen.xterm-256color", "TERM=vt220"}) {
        SCOPED_TRACE(term);
        ptyGame game;
        launchOptions options;
        options.environment = {term};
        options.eraseInDefaultColours = true;
        ASSERT_TRUE(launch(game, options));
        auto defaultBackgrounds = [&] {
            int cells = 0;
            for (int y = 0; y < screenHeight; ++y) {
                for (int x = 0; x < screenWidth; ++x) {
                    cells += backgroundAt(game, x, y) == -1 ? 1 : 0;
                }
            }
            return cells;
        };
        auto sumShown = [&] { return textAt(game, readoutColumn, sumRow, 6) == "SUM: 0"; };
        ASSERT_TRUE(waitForInstructions(game));
        sendKeys(game, " ");
        EXPECT_TRUE(waitUntil(game, [&] { return sumShown() && defaultBackgrounds() == 0; }))
            << defaultBackgrounds() << " cells on the default background after the clear";
        clearLocalScreen(game);
        ASSERT_TRUE(ptySetSize(game, 81, 25));
        EXPECT_TRUE(waitUntil(game, [&] { return sumShown() && defaultBackgrounds() == 0; }))
            << defaultBackgrounds() << " cells on the default background after a repaint";
        shutDown(game);
    }
}

// --- What others leave behind ----------------------------------------------

// Modes an interrupted program may leave on, each of which would shift
// what the game draws: the board must stand in its place and move there.
// Then the terminal handed over non-blocking and not taking output for a
// while: what the game wrote meanwhile must reach it afterwards all the same.
TEST(LeftBehind, TheBoardStandsAndMovesInPlace)
{
    struct { const char* name; std::string bytes; bool nonBlocking = false, whileStopped = false; } cases[] = {
        {"a scroll region", "\x1b[1;24r"},
        {"insert mode", "\x1b[4h"},
        {"origin mode in a scroll region", "\x1b[3;20r\x1b[?6h"},
        {"O_NONBLOCK, with the output held up", "", true},
        {"stty ocrnl istrip, attributes, reverse-screen, a shifted line-drawing set, mouse modes, while stopped",
         "\x1b[7;4;3;9m\x1b[?5h\x1b)0\x0e\x1b[?1000h\x1b[?1006h", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ptyGame game;
        launchOptions options;
        options.nonBlocking = c.nonBlocking;
        options.jobControl = c.whileStopped;
        ASSERT_TRUE(launch(game, options));
        if (c.whileStopped) {
            ASSERT_TRUE(waitForInstructions(game));
            sendKeys(game, "\x1a");
            ASSERT_TRUE(waitUntil(game, [&] { return processStopped(game); }));
            termios modes = ptyModes(game);
            modes.c_iflag |= ISTRIP;
            modes.c_oflag |= OCRNL;
            tcsetattr(game.master, TCSANOW, &modes);
        }
        clearLocalScreen(game, c.bytes);
        if (c.whileStopped) {
            resumeInForeground(game);
            ASSERT_TRUE(waitUntil(game, [&] { return !(ptyModes(game).c_lflag & ICANON); }));
        }
        ASSERT_TRUE(startPlaying(game));
        ASSERT_TRUE(!c.nonBlocking || ptyStallOutput(game, true));
        sendKeys(game, "\u0107\x1b[C");  // with the eighth bit stripped, \u0107 would be D, a move right
        if (c.nonBlocking) {
            EXPECT_FALSE(screenChangesWithin(game, 300));
            ptyStallOutput(game, false);
        }
        EXPECT_TRUE(waitUntil(game, [&] { return bracketOnlyAt(game, 6) && textAt(game, readoutColumn, sumRow, 6) == "SUM: 0"; }));
        EXPECT_EQ(charAt(game, frameRightColumn, 0), U'\u2502');
        EXPECT_EQ(charAt(game, frameLeftColumn, 24), U'\u2502');
        EXPECT_EQ(textAt(game, readoutColumn, hintRow, 24), "<-- Left/A   Right/D -->");
        EXPECT_EQ(backgroundAt(game, frameLeftColumn + 1, 1), palette::black) << "no attribute left on";
        shutDown(game);
    }
}

// --- Locale ---------------------------------------------------------------

TEST(Locale, PlainAsciiOutsideUtf8)
{
    for (const char* locale : {"LC_ALL=C", "LC_ALL=POSIX", "LANG=C"}) {
        SCOPED_TRACE(locale);
        ptyGame game;
        launchOptions options;
        options.environment = {locale};
        ASSERT_TRUE(launch(game, options));
        ASSERT_TRUE(startPlaying(game));
        for (int row = 0; row < 25; ++row) {
            EXPECT_EQ(charAt(game, frameLeftColumn, row), U'|') << row;
            EXPECT_EQ(charAt(game, frameRightColumn, row), U'|') << row;
        }
        EXPECT_EQ(charAt(game, bracketLeftColumn(5), 10), U'#');
        EXPECT_EQ(charAt(game, bracketRightColumn(5), 10), U'#');
        EXPECT_EQ(textAt(game, bracketLeftColumn(5), bracketFootRow, 3), "#=#");
        for (char c : game.output) {
            ASSERT_LT(static_cast<unsigned char>(c), 0x80) << "only ASCII goes out";
        }
        shutDown(game);
    }
}

// --- Garbage input ----------------------------------------------------------

TEST(Garbage, BytesThatAreNoKeyLeaveTheGameInStep)
{
    ptyGame game;
    ASSERT_TRUE(launch(game));
    ASSERT_TRUE(startPlaying(game));
    const std::vector<std::string> garbage = {
        "\x1b",                                      // a lone ESC
        "\x1b\x01",                                  // ESC, then a control byte
        "\x1b[12;" "\x02",                           // an unfinished sequence
        "\x1b[" + std::string(300, '1') + "C",       // a very long CSI, all "1"s like an arrow's
        "\x1b[1;5C\x1b[15~\x1bOP\x1b" "d",            // ctrl-right, F5, F1, Alt-d
        "\xc3\x8d\xe0\xa4\xb7\xf0\x9f\x98\x80\xe0",  // UTF-8 characters, and half of one
        "Hello,Tom!1234567890\tXYZ\n",               // pasted text with no key of the game
        std::string("\0\0\0", 3),                    // NUL bytes
    };
    for (const std::string& bytes : garbage) {
        sendKeys(game, bytes);
    }
    sendKeys(game, "\x1b[C");
    ASSERT_TRUE(waitUntil(game, [&] { return charAt(game, bracketLeftColumn(6), bracketFootRow) == U'\u2559'; }));
    EXPECT_EQ(charAt(game, bracketLeftColumn(5), bracketFootRow), U' ');
    EXPECT_EQ(charAt(game, bracketLeftColumn(7), bracketFootRow), U' ') << "exactly one step, for the one arrow";
    EXPECT_EQ(textAt(game, readoutColumn, sumRow, 6), "SUM: 0") << "nothing picked";
    for (int i = 0; i < 10; ++i) {
        for (int row = 0; row < 24; ++row) {
            EXPECT_NE(backgroundAt(game, stackColumn(i), row), palette::lightRed) << "no cell selected";
        }
    }
    shutDown(game);
}

}  // namespace
