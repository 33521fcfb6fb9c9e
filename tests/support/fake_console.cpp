#include "fake_console.h"

#include <deque>
#include <utility>

#include "screen/console.h"

namespace {

struct fakeState {
    grid screen;
    std::string transcript;
    bool keepTranscript = true;
    std::deque<std::pair<std::int64_t, int>> keys;
    std::int64_t now = 0;
    int x = 0, y = 0;
    int attribute = lightGrey;
    bool starved = false;
};

fakeState fake;

}  // namespace

void fakeReset(bool keepTranscript)
{
    fake = fakeState{};
    fake.keepTranscript = keepTranscript;
}

void fakeKeys(std::string_view codes, std::int64_t at)
{
    for (char c : codes) {
        fake.keys.emplace_back(at < 0 ? fake.now : at, static_cast<unsigned char>(c));
    }
}

const glyph& fakeAt(int x, int y)
{
    return fake.screen.at(y).at(x);
}

std::string fakeRow(int y)
{
    std::string row;
    for (const glyph& g : fake.screen.at(y)) {
        row += g.ch;
    }
    return row;
}

std::string fakeColumn(int x)
{
    std::string column;
    for (const auto& row : fake.screen) {
        column += row.at(x).ch;
    }
    return column;
}

const std::string& fakeTranscript()
{
    return fake.transcript;
}

std::int64_t fakeNow()
{
    return fake.now;
}

int fakeAttribute()
{
    return fake.attribute;
}

bool fakeStarved()
{
    return fake.starved;
}

bool consoleOpen()
{
    return true;
}

void consoleClose() {}

void consoleMove(int x, int y)
{
    fake.x = x;
    fake.y = y;
}

void consoleColor(int attribute)
{
    fake.attribute = attribute;
}

void consoleWrite(std::string_view text)
{
    if (fake.keepTranscript) {
        fake.transcript += text;
    }
    for (char ch : text) {
        if (ch == '\n') {
            fake.x = 0;
            ++fake.y;
            continue;
        }
        if (onGrid(fake.x, fake.y)) {
            fake.screen[fake.y][fake.x] = glyph{ch, fake.attribute};
        }
        ++fake.x;
    }
}

void consoleClear()
{
    fake.screen = grid{};
    fake.x = fake.y = 0;
}

void consoleFlush() {}

bool consoleKeyWaiting(int timeoutMs)
{
    if (!fake.keys.empty() && (timeoutMs < 0 || fake.keys.front().first <= fake.now + timeoutMs)) {
        fake.now = std::max(fake.now, fake.keys.front().first);
        return true;
    }
    if (timeoutMs > 0) {
        fake.now += timeoutMs;
    }
    return false;
}

int consoleReadKey()
{
    if (fake.keys.empty()) {
        fake.starved = true;
        return 'N';
    }
    fake.now = std::max(fake.now, fake.keys.front().first);
    int code = fake.keys.front().second;
    fake.keys.pop_front();
    return code;
}

std::int64_t consoleClock()
{
    return fake.now;
}
