// The end of a game and every way out of the program: game over, the replay
// prompt, a fresh game, N, and Ctrl-C.

#include <csignal>

#include <sys/wait.h>

#include "live_game.h"

namespace {

using Ending = LiveGame;

// Fast enough for a level-1 game to overflow within a second or two.
constexpr int gameOverSpeed = 500;

// The modes a fresh pseudo-terminal has, which the game must hand back.
void expectModesRestored(ptyGame& game)
{
    termios modes = ptyModes(game);
    EXPECT_TRUE(modes.c_lflag & ICANON);
    EXPECT_TRUE(modes.c_lflag & ECHO);
    EXPECT_TRUE(modes.c_lflag & IEXTEN);
    EXPECT_TRUE(modes.c_iflag & ICRNL);
    EXPECT_TRUE(modes.c_iflag & IXON);
}

// The last colour sequence the game wrote: it should give the terminal its
// own colours back.
std::string lastSgr(const std::string& output)
{
    size_t end = output.rfind('m');
    while (end != std::string::npos) {
        size_t start = output.rfind("\x1b[", end);
        if (start != std::string::npos &&
            output.find_first_not_of("0123456789;", start + 2) == end) {
            return output.substr(start, end - start + 1);
        }
        end = end == 0 ? std::string::npos : output.rfind('m', end - 1);
    }
    return "";
}

void expectExit(ptyGame& game, int status)
{
    ASSERT_TRUE(waitForExit(game)) << "the game did not end";
    // Above 128, by signal status - 128 itself.
    EXPECT_EQ(WIFSIGNALED(game.status), status > 128) << shellStatus(game);
    EXPECT_EQ(shellStatus(game), status);
    expectModesRestored(game);
    EXPECT_EQ(lastSgr(game.output), "\x1b[0m") << "the terminal's own colours back";
}

int fullStacks(ptyGame& game)
{
    int full = 0;
    for (const auto& stack : readBoard(game)) {
        full += stack.size() == 24 ? 1 : 0;
    }
    return full;
}

TEST_F(Ending, GameOverMessageAndPrompt)
{
    start(gameOverSpeed);
    ASSERT_TRUE(startPlaying(game));
    ASSERT_TRUE(waitUntil(game, [&] { return atReplayPrompt(game); }, 30000)) << textAt(game, readoutColumn, gameOverRow, 30);
    for (int x = readoutColumn; x < readoutColumn + 23; ++x) {
        EXPECT_EQ(foregroundAt(game, x, 21), palette::white) << x;
        EXPECT_EQ(backgroundAt(game, x, 21), palette::black) << x;
    }
    EXPECT_GE(fullStacks(game), 1) << "a game ends on a number due on a full stack";
    EXPECT_EQ(cursorAt(game), std::make_pair(66, 21)) << "the cursor waits after the prompt";
    termios modes = ptyModes(game);
    EXPECT_FALSE(modes.c_lflag & (ICANON | ECHO)) << "keys at the prompt are read unechoed";
}

TEST_F(Ending, PromptIgnoresOtherKeys)
{
    start(gameOverSpeed);
    ASSERT_TRUE(startPlaying(game));
    ASSERT_TRUE(waitUntil(game, [&] { return atReplayPrompt(game); }, 30000));
    for (const char* keys : {"x", "q", "\r", " ", "\x1b[C", "\x1bOD", "a", "d", "1", "\x9b" "0n", "\xc2\x9b" "0n", "\x1b"}) {
        SCOPED_TRACE(::testing::PrintToString(std::string(keys)));
        sendKeys(game, keys);
        EXPECT_FALSE(screenChangesWithin(game, 100)) << "output for an ignored key";
    }
    sendKeys(game, "xq\r \x1b[C\x1bODad1");
    EXPECT_FALSE(screenChangesWithin(game, 200)) << "output for ignored keys";
    EXPECT_FALSE(game.exited);
    EXPECT_TRUE(atReplayPrompt(game));
    size_t from = game.output.size();
    sendKeys(game, "n");
    expectExit(game, 0);
    EXPECT_EQ(game.output.find("Play again", from), std::string::npos);
}

TEST_F(Ending, YesStartsAFreshGameAndNoEndsIt)
{
    start(gameOverSpeed);
    ASSERT_TRUE(startPlaying(game));
    ASSERT_TRUE(waitUntil(game, [&] { return atReplayPrompt(game); }, 30000));
    size_t from = game.output.size();
    sendKeys(game, "y");
    ASSERT_TRUE(waitForGameScreen(game, from)) << "no new game";
    // Checked as soon as the new game's first screen is read, a few ticks
    // at most after it was drawn.
    std::string after = game.output.substr(from);
    EXPECT_NE(after.find("\x1b[2J"), std::string::npos) << "the screen is cleared";
    // Blanks over blank cells may be skipped, so look for single words.
    for (const char* word : {"How", "gradually", "progressivly", "Press"}) {
        EXPECT_EQ(plainText(after).find(word), std::string::npos) << "instructions only once: " << word;
    }
    EXPECT_EQ(textAt(game, readoutColumn, scoreRow, 12), "Score: 0/10 ");
    EXPECT_EQ(textAt(game, readoutColumn, levelRow, 9), "Level: 1 ");
    EXPECT_EQ(textAt(game, readoutColumn, gameOverRow, 23), std::string(23, ' ')) << "old message gone";
    EXPECT_GE(digitCount(game), 15);
    EXPECT_LT(digitCount(game), 25) << "old board gone";
    EXPECT_TRUE(bracketOnlyAt(game, 5));

    ASSERT_TRUE(waitUntil(game, [&] { return atReplayPrompt(game); }, 30000)) << "second game never ended";
    sendKeys(game, "N");
    expectExit(game, 0);
}

TEST_F(Ending, LowerCaseNoEndsWithStatusZero)
{
    start(gameOverSpeed);
    ASSERT_TRUE(startPlaying(game));
    ASSERT_TRUE(waitUntil(game, [&] { return atReplayPrompt(game); }, 30000));
    sendKeys(game, "n");
    expectExit(game, 0);
}

// Ctrl-C reaches the game as SIGINT, since game mode keeps signals on; it
// leaves with 128 + SIGINT and the terminal as it was found, wherever the
// game stood.
TEST_F(Ending, CtrlCLeavesWithTheTerminalRestored)
{
    struct place {
        const char* name;
        int speedUp;
        std::function<bool(ptyGame&)> reach;
    };
    const place places[] = {
        {"at the instructions", 1,
         [](ptyGame& g) { return waitForInstructions(g); }},
        {"during a game", 1, [](ptyGame& g) { return startPlaying(g); }},
        {"at the replay prompt", gameOverSpeed,
         [](ptyGame& g) { return startPlaying(g) && waitUntil(g, [&] { return atReplayPrompt(g); }, 30000); }},
    };
    for (const place& p : places) {
        SCOPED_TRACE(p.name);
        shutDown(game);
        game = ptyGame{};
        start(p.speedUp);
        ASSERT_TRUE(p.reach(game));
        sendKeys(game, "\x03");
        expectExit(game, 128 + SIGINT);
    }
}

TEST_F(Ending, NoAtThePromptRestoresTheTerminal)
{
    // Game over comes quickly with the clock sped up; the window is one
    // grown for the game.
    ASSERT_TRUE(launchGrown(game, 200));
    ASSERT_TRUE(startPlaying(game));
    ASSERT_TRUE(waitUntil(game, [&] { return atReplayPrompt(game); }, 30000));
    sendKeys(game, "n");
    ASSERT_TRUE(waitForExit(game));
    EXPECT_TRUE(WIFEXITED(game.status));
    EXPECT_EQ(WEXITSTATUS(game.status), 0);
    termios modes = ptyModes(game);
    EXPECT_TRUE(modes.c_lflag & ICANON);
    EXPECT_TRUE(modes.c_lflag & ECHO);
    EXPECT_TRUE(game.output.ends_with("\x1b[8;24;80t")) << "the old size asked back last";
}

}  // namespace
