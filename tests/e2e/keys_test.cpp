// Keys as a keyboard sends them through a terminal: arrows in both of the
// terminal's cursor modes, letters, the bounds of the cursor, and keys and
// sequences that must do nothing.

#include <thread>

#include "live_game.h"

namespace {

using Keys = LiveGame;

std::string repeated(const std::string& keys, int times)
{
    std::string all;
    for (int n = 0; n < times; ++n) {
        all += keys;
    }
    return all;
}

// Keys sent one after another to the same game; after each, the bracket
// stands at `stack`. When `moves` is false the keys must change nothing at
// all: no byte is written for them (the next step then shows that the game
// still listens, and that the keys were not taken for something else).
struct keyStep {
    const char* name;
    std::string keys;
    int stack;
    bool moves = true;
    int pauseMs = 0;  // waited afterwards: past the decoder's patience, a lone ESC is a key
};

void playSteps(ptyGame& game, const std::vector<keyStep>& steps)
{
    for (const keyStep& step : steps) {
        SCOPED_TRACE(step.name);
        sendKeys(game, step.keys);
        if (step.moves) {
            EXPECT_TRUE(waitUntil(game, [&] { return bracketOnlyAt(game, step.stack); }, 3000))
                << "bracket feet at: " << ::testing::PrintToString(bracketFeet(game));
        } else {
            // A lone ESC waits longer than this: steps that end in one
            // pause past it afterwards.
            EXPECT_FALSE(screenChangesWithin(game, 200));
            EXPECT_TRUE(bracketOnlyAt(game, step.stack));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(step.pauseMs));
    }
}

TEST_F(Keys, ArrowsInNormalCursorMode)
{
    start();
    ASSERT_TRUE(startPlaying(game));
    playSteps(game, {
                        {"right", "\x1b[C", 6},
                        {"right", "\x1b[C", 7},
                        {"left", "\x1b[D", 6},
                        {"left twice in one read", "\x1b[D\x1b[D", 4},
                    });
}

TEST_F(Keys, ArrowsInApplicationCursorMode)
{
    start();
    ASSERT_TRUE(startPlaying(game));
    playSteps(game, {
                        {"right", "\x1bOC", 6},
                        {"left", "\x1bOD", 5},
                        {"left", "\x1bOD", 4},
                        {"both modes mixed", "\x1bOD\x1b[D\x1bOC", 3},
                    });
}

TEST_F(Keys, LettersMoveTheCursor)
{
    start();
    ASSERT_TRUE(startPlaying(game));
    playSteps(game, {
                        {"d", "d", 6},
                        {"D", "D", 7},
                        {"a", "a", 6},
                        {"A", "A", 5},
                        // The arrows' second codes, read as plain characters.
                        {"M", "M", 6},
                        {"K", "K", 5},
                    });
}

TEST_F(Keys, CursorStopsAtTheEnds)
{
    start();
    ASSERT_TRUE(startPlaying(game));
    playSteps(game, {
                        {"seven lefts from 5", "aaaaaaa", 0},
                        {"left arrow at 0", "\x1b[D", 0},
                        {"one right from 0", "d", 1},
                        {"twelve right arrows", repeated("\x1b[C", 12), 9},
                        {"D at 9", "D", 9},
                        {"one left from 9", "a", 8},
                    });
}

TEST_F(Keys, KeysThatDoNothing)
{
    start();
    ASSERT_TRUE(startPlaying(game));
    playSteps(game, {
                        {"up and down, normal mode", "\x1b[A\x1b[B", 5, false},
                        {"up and down, application mode", "\x1bOA\x1bOB", 5, false},
                        {"home, end, ctrl-left", "\x1b[H\x1b[F\x1b[1;5D\x1b[1;5C", 5, false},
                        {"F1, F5, PgUp, Insert, é", "\x1bOP\x1b[15~\x1b[5~\x1b[2~\xc3\xa9", 5, false},
                        {"mouse reports, X10 and SGR", "\x1b[M d!\x1b[<0;12;5M", 5, false},
                        {"unknown letters and digits", "xyz19", 5, false},
                        {"OSC replies, ST and BEL", "\x1b]11;rgb:dddd/dddd/dddd\x1b\\\x1b]10;rgb:dddd/dddd/dddd\x07", 5, false},
                        {"a DCS reply", "\x1bP>|xterm(dd)\x1b\\", 5, false},
                        {"1005 mouse report at column 100", "\x1b[M \xc2\x84" "d", 5, false},
                        {"8-bit CSI, raw and UTF-8", "\x9b" "D\xc2\x9b" "D", 5, false},
                        {"Alt-Enter", "\x1b\r", 5, false},
                        {"a lone ESC", "\x1b", 5, false, 1100},
                        {"a key after the lone ESC", "d", 6},
                        {"a lone ESC then left", "\x1b", 6, false, 1100},
                        {"left after it", "\x1b[D", 5},
                    });
}

// A sequence that reaches the game in two reads is still one key: a few
// milliseconds apart, or longer, as over a slow link, the lone ESC
// included. Without a sped-up clock: the pause is real time.
TEST_F(Keys, SequenceSplitAcrossTwoWrites)
{
    start();
    ASSERT_TRUE(startPlaying(game));
    struct split {
        const char* first;
        const char* second;
        int stack;
        int pauseMs = 5;
    };
    for (split s : {split{"\x1b[", "C", 6}, split{"\x1b", "[C", 7}, split{"\x1b", "OD", 6}, split{"\x1b[", "D", 5, 300},
                    split{"\x1bO", "C", 6, 300}, split{"\x1b", "[D", 5, 150}}) {
        SCOPED_TRACE(::testing::PrintToString(std::string(s.first) + "|" + s.second));
        sendKeys(game, s.first);
        std::this_thread::sleep_for(std::chrono::milliseconds(s.pauseMs));
        sendKeys(game, s.second);
        EXPECT_TRUE(waitUntil(game, [&] { return bracketOnlyAt(game, s.stack); }, 3000))
            << ::testing::PrintToString(bracketFeet(game));
    }
}

// The key that starts the game is read as the game reads keys: an arrow's
// second code stays queued and moves the cursor at once.
TEST_F(Keys, KeyThatStartsTheGame)
{
    struct startKey {
        const char* name;
        std::string key;
        int stack;
    };
    const startKey keys[] = {
        {"space", " ", 5},
        {"Enter", "\r", 5},
        {"a letter", "q", 5},
        {"the letter D", "D", 5},
        {"right arrow", "\x1b[C", 6},
        {"left arrow, application mode", "\x1bOD", 4},
        {"F1", "\x1bOP", 5},
        {"Esc in the kitty protocol", "\x1b[27u", 5},
        {"PgUp", "\x1b[5~", 5},
        {"a letter outside ASCII", "\xc3\xa9", 5},
    };
    for (const startKey& k : keys) {
        SCOPED_TRACE(k.name);
        shutDown(game);
        game = ptyGame{};
        start();
        ASSERT_TRUE(startPlaying(game, k.key));
        EXPECT_TRUE(waitUntil(game, [&] { return bracketOnlyAt(game, k.stack); }, 3000))
            << ::testing::PrintToString(bracketFeet(game));
        EXPECT_EQ(digitCount(game), 15);
    }
}

TEST_F(Keys, RightArrowMovesTheBracket)
{
    start();
    ASSERT_TRUE(startPlaying(game));
    sendKeys(game, "\x1b[C");
    EXPECT_TRUE(waitUntil(game, [&] { return charAt(game, bracketLeftColumn(6), bracketFootRow) == U'\u2559'; }));
    EXPECT_EQ(charAt(game, bracketLeftColumn(5), bracketFootRow), U' ');
}

}  // namespace
