#include "live_board.h"

#include <algorithm>
#include <cstddef>

namespace {

const char32_t bracketSide = glyphCodePoint(glyphBracketSide);
const char32_t bracketFootLeft = glyphCodePoint(glyphBracketLeft);
const char32_t bracketFootMiddle = glyphCodePoint(glyphBracketMiddle);
const char32_t bracketFootRight = glyphCodePoint(glyphBracketRight);

bool isDigit(char32_t c)
{
    return c >= U'1' && c <= U'9';
}

bool isBracketGlyph(char32_t c)
{
    return c == bracketSide || c == bracketFootLeft || c == bracketFootMiddle || c == bracketFootRight;
}

bool footAt(ptyGame& game, int i)
{
    return charAt(game, bracketLeftColumn(i), bracketFootRow) == bracketFootLeft &&
           charAt(game, stackColumn(i), bracketFootRow) == bracketFootMiddle &&
           charAt(game, bracketRightColumn(i), bracketFootRow) == bracketFootRight;
}

}  // namespace

boardView readBoard(ptyGame& game)
{
    boardView board;
    for (int i = 0; i < stackCount; ++i) {
        for (int n = 0; n < stackCapacity; ++n) {
            char32_t c = charAt(game, stackColumn(i), cellRow(n));
            if (!isDigit(c)) {
                break;
            }
            board[static_cast<size_t>(i)].push_back(static_cast<int>(c - U'0'));
        }
    }
    return board;
}

int digitCount(ptyGame& game)
{
    int count = 0;
    for (int i = 0; i < stackCount; ++i) {
        for (int row = 0; row < screenHeight; ++row) {
            count += isDigit(charAt(game, stackColumn(i), row)) ? 1 : 0;
        }
    }
    return count;
}

std::vector<int> bracketFeet(ptyGame& game)
{
    std::vector<int> feet;
    for (int i = 0; i < stackCount; ++i) {
        if (footAt(game, i)) {
            feet.push_back(i);
        }
    }
    return feet;
}

int cursorStack(ptyGame& game)
{
    for (int i = 0; i < stackCount; ++i) {
        if (footAt(game, i)) {
            return i;
        }
    }
    return -1;
}

bool bracketOnlyAt(ptyGame& game, int i)
{
    int left = bracketLeftColumn(i), right = bracketRightColumn(i);
    for (int x = frameLeftColumn + 1; x < frameRightColumn; ++x) {
        for (int row = 0; row < bracketFootRow; ++row) {
            bool side = x == left || x == right;
            if ((charAt(game, x, row) == bracketSide) != side) {
                return false;
            }
            if (side && foregroundAt(game, x, row) != palette::green) {
                return false;
            }
        }
        bool foot = x >= left && x <= right;
        if (isBracketGlyph(charAt(game, x, bracketFootRow)) != foot) {
            return false;
        }
    }
    return footAt(game, i) && foregroundAt(game, left, bracketFootRow) == palette::green;
}

bool shownSelected(ptyGame& game, int i, int n)
{
    return foregroundAt(game, stackColumn(i), cellRow(n)) == palette::yellow &&
           backgroundAt(game, stackColumn(i), cellRow(n)) == palette::lightRed;
}

std::string movesBetween(int from, int to)
{
    return from < to ? std::string(static_cast<size_t>(to - from), 'd')
                     : std::string(static_cast<size_t>(from - to), 'a');
}

std::optional<std::vector<int>> topsSummingTo(const boardView& board, int target,
                                              const std::vector<int>& excluded)
{
    std::vector<int> candidates;
    for (int i = 0; i < stackCount; ++i) {
        if (!board[static_cast<size_t>(i)].empty() &&
            std::find(excluded.begin(), excluded.end(), i) == excluded.end()) {
            candidates.push_back(i);
        }
    }
    // Every subset of at most ten tops: small enough to try them all.
    for (unsigned mask = 1; mask < (1u << candidates.size()); ++mask) {
        std::vector<int> chosen;
        int sum = 0;
        for (size_t b = 0; b < candidates.size(); ++b) {
            if (mask & (1u << b)) {
                chosen.push_back(candidates[b]);
                sum += board[static_cast<size_t>(candidates[b])].back();
            }
        }
        if (sum == target) {
            return chosen;
        }
    }
    return std::nullopt;
}

bool waitForOutput(ptyGame& game, const std::string& text, size_t from, int timeoutMs)
{
    return waitUntil(
        game, [&] { return game.output.size() > from && game.output.find(text, from) != std::string::npos; },
        timeoutMs);
}

bool waitForInstructions(ptyGame& game, int timeoutMs)
{
    return waitForOutput(game, "Press any key to play }-=-\r\n", 0, timeoutMs);
}

bool launchGrown(ptyGame& game, int speedUp)
{
    launchOptions options;
    options.rows = screenHeight - 1;
    options.environment = {"VTE_VERSION=7006"};
    options.speedUp = speedUp;
    return launch(game, options) && waitForOutput(game, "\x1b[8;25;80t") && ptySetSize(game, 80, screenHeight);
}

bool startPlaying(ptyGame& game, const std::string& key, int timeoutMs)
{
    if (!waitForInstructions(game, timeoutMs)) {
        return false;
    }
    size_t from = game.output.size();
    sendKeys(game, key);
    return waitForGameScreen(game, from, timeoutMs);
}

bool waitForGameScreen(ptyGame& game, size_t from, int timeoutMs)
{
    // The screen goes out in one write but in screen order, blanks and all,
    // and may come in more than one read: it is whole once its last row is.
    return waitForOutput(game, "SUM: 0", from, timeoutMs) && waitUntil(game, [&] {
        return textAt(game, readoutColumn, sumRow, 6) == "SUM: 0" && charAt(game, frameRightColumn, screenHeight - 1) != U' ';
    }, timeoutMs);
}

bool atReplayPrompt(ptyGame& game)
{
    return textAt(game, readoutColumn, gameOverRow, 23) == "Game Over! Play again? ";
}

bool waitForDigitsOtherThan(ptyGame& game, int count, int timeoutMs)
{
    return waitUntil(game, [&] { return digitCount(game) != count; }, timeoutMs);
}

std::string plainText(const std::string& output)
{
    std::string text;
    for (size_t at = 0; at < output.size(); ++at) {
        char c = output[at];
        if (c == '\x1b' && at + 1 < output.size() && output[at + 1] == '[') {
            at += 2;
            while (at < output.size() && !(output[at] >= 0x40 && output[at] <= 0x7E)) {
                ++at;
            }
            continue;
        }
        if (c == '\x1b' && at + 1 < output.size()) {
            at += output[at + 1] == '(' || output[at + 1] == ')' ? 2 : 1;  // ESC 7, ESC 8, ESC D; ESC ( B
            continue;
        }
        if (c == '\x0f') {
            continue;  // SI
        }
        if (c == '\r' && at + 1 < output.size() && output[at + 1] == '\n') {
            continue;
        }
        text += c;
    }
    return text;
}
