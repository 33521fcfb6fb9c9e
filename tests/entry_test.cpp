#include <string>

#include <gtest/gtest.h>

#include "game/game.h"
#include "test_board.h"
#include "instructions_text.h"

namespace {

// A game at level 1 is over long before this many milliseconds.
constexpr std::int64_t later = 100'000'000;

size_t count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

TEST(Entry, InstructionsGamesAndTheReplayPrompt)
{
    fakeReset();
    fakeKeys(" ");
    fakeKeys("xq\r\x1b" "y", later);  // other keys at the prompt are swallowed
    fakeKeys("Z" "n", 2 * later);
    EXPECT_EQ(runTenfall(), 0);
    EXPECT_FALSE(fakeStarved());

    const std::string& out = fakeTranscript();
    EXPECT_EQ(out.substr(0, std::string(instructions).size()), instructions);
    EXPECT_EQ(count(out, "How to play:"), 1u) << "instructions only once";
    EXPECT_EQ(count(out, "Game Over! Play again? "), 2u) << "the prompt follows the message";
    EXPECT_EQ(count(out, "Score: 0/10"), 2u) << "each game starts from scratch";
    size_t prompt = out.find("Play again? ");
    EXPECT_EQ(out.find("Score: 0/10", prompt) > prompt, true);
    EXPECT_TRUE(out.ends_with("Play again? ")) << "nothing echoed after the last prompt";
    EXPECT_EQ(fakeRow(gameOverRow).substr(readoutColumn, 23), "Game Over! Play again? ");
}

TEST(Entry, LowerCaseYesAndUpperCaseNo)
{
    fakeReset();
    fakeKeys("k");
    fakeKeys("Y", later);
    fakeKeys("N", 2 * later);
    EXPECT_EQ(runTenfall(), 0);
    EXPECT_EQ(count(fakeTranscript(), "Play again? "), 2u);
}

TEST(Entry, ArrowPressedToStartLeavesItsSecondCodeForTheGame)
{
    fakeReset();
    fakeKeys(extendedKey(keyRight));
    fakeKeys("n", later);
    EXPECT_EQ(runTenfall(), 0);
    EXPECT_EQ(fakeAt(bracketLeftColumn(6), bracketFootRow).ch, glyphBracketLeft) << "the cursor moved from 5 to 6";
    EXPECT_EQ(fakeAt(bracketLeftColumn(5), bracketFootRow).ch, ' ');
}

}  // namespace
