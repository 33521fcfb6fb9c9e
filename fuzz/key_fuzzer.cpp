// Arbitrary bytes from the terminal, through the key decoder and handleKey,
// on a seeded board with drop ticks mixed in. After every key and tick the game
// must still be in a state that playing can reach, and the screen must
// still show the board as it is; any break aborts, so libFuzzer keeps it.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <string_view>

#include "board/board.h"
#include "game/game.h"
#include "screen/console.h"
#include "screen/codec/keydecoder.h"
#include "screen/screen.h"
#include "test_board.h"

namespace {

// Two byte values stand for time passing instead of going to the decoder.
// Every other byte, 0xE0 and the rest of the high half included, is fed in.
constexpr unsigned char tickByte = 0xFF;   // a drop tick falls
constexpr unsigned char pauseByte = 0xFE;  // the wait for the rest of an escape sequence runs out

int cellsOnBoard(const cellStack* stacks)
{
    int cells = 0;
    for (int i = 0; i < stackCount; ++i) {
        cells += static_cast<int>(stacks[i].size());
    }
    return cells;
}

int selectedSum(const cellStack* stacks)
{
    int sum = 0;
    for (int i = 0; i < stackCount; ++i) {
        for (const cell& c : cellsOf(stacks[i])) {
            sum += c.selected ? c.value : 0;
        }
    }
    return sum;
}

// "SUM: " and the sum on its readout row, with a blank after a single digit.
bool sumShown(int sum)
{
    const char expected[] = {'S', 'U', 'M', ':', ' ', static_cast<char>('0' + sum), ' '};
    for (int k = 0; k < 7; ++k) {
        if (fakeAt(readoutColumn + k, sumRow).ch != expected[k]) {
            return false;
        }
    }
    return true;
}

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

void checkInvariants(const game& state, int dropped)
{
    require(state.cursor >= 0 && state.cursor < stackCount, "cursor within 0..9");
    require(state.sum == selectedSum(state.stacks), "sum equals the selected cells");
    require(state.sum >= 0 && state.sum <= 9, "sum at most 9");
    require(sumShown(state.sum), "sum shown as it is");
    for (int i = 0; i < stackCount; ++i) {
        require(state.stacks[i].size() <= stackCapacity, "no stack over 24 cells");
        require(columnMatches(state.stacks, i), "the screen's columns match the board");
    }
    require(state.score == dropped - cellsOnBoard(state.stacks), "score equals the cells removed");
    require(fakeAt(bracketLeftColumn(state.cursor), bracketFootRow).ch == glyphBracketLeft, "bracket under the cursor");
    require(!fakeStarved(), "a key came in half");
}

}  // namespace

// Every run builds a board and draws a screen, and AddressSanitizer keeps
// what each run frees out of use for a while to catch a late use of it: by
// default up to 256 MB of it, which a minute of runs fills, so the fuzzer sat
// at over 400 MB. What one run frees is some tens of kilobytes; 16 MB keeps
// it from reuse for hundreds of runs, more than enough to catch a use after
// free inside one, at a flat few tens of megabytes.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=16";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fakeReset(false);  // the checks read the grid alone
    std::srand(size > 0 ? data[0] : 0);  // the first byte also picks the board
    board stacks{};
    game state;
    state.stacks = stacks.data();
    clearScreen();
    drawFrame();
    showLevel(state.level);
    showScore(state.score, state.nextLevelScore);
    for (int n = 0; n < 15; ++n) {
        dropNumbers(state.stacks, state.level);
    }
    int dropped = cellsOnBoard(state.stacks);
    drawCursor(state.cursor, false);
    showSum(state.sum);

    keyDecoder decoder;
    std::deque<int> codes;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == tickByte) {
            int before = cellsOnBoard(state.stacks);
            bool goesOn = dropNumbers(state.stacks, state.level);
            dropped += cellsOnBoard(state.stacks) - before;
            if (!goesOn) {
                return 0;  // game over
            }
            drawCursor(state.cursor, false);  // as the game loop does after each tick
            showSum(state.sum);
            checkInvariants(state, dropped);
        } else if (data[i] == pauseByte) {
            decodeTimeout(decoder, codes);
        } else {
            // A byte inside a sequence never leaks as itself: a letter or a
            // blank of a terminal's answer must not move or pick. A byte
            // that breaks a UTF-8 character begun there is read afresh.
            bool inside = decoderPending(decoder) && decoder.utf8Left == 0;
            decodeByte(decoder, data[i], codes);
            bool gameKey = std::string_view("aAdDKM ").find(static_cast<char>(data[i])) != std::string_view::npos;
            require(!(inside && gameKey && std::find(codes.begin(), codes.end(), data[i]) != codes.end()),
                    "a byte inside a sequence read as a key");
        }
        for (int code : codes) {
            fakeKeys(std::string(1, static_cast<char>(code)));
        }
        codes.clear();
        // A byte that completes no key changes nothing to check.
        while (consoleKeyWaiting(0)) {
            handleKey(state);
            checkInvariants(state, dropped);
        }
    }
    return 0;
}
