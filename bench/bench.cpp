// The benchmark: runs the real tenfall in a pseudo-terminal and holds what a
// player pays for it to budgets. Output bytes, write calls and memory come
// from a scripted session on a clock the benchmark holds, played once by the
// real game and once by the straightforward build; CPU, tick timing and key
// latency are measured on the real clock. Prints a table, exits 1 when a
// budget fails.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "clocked_game.h"
#include "live_board.h"

namespace {

using clock = std::chrono::steady_clock;

double msSince(clock::time_point start, clock::time_point end = clock::now())
{
    return std::chrono::duration<double, std::milli>(end - start).count();
}

// ---- The table ----

struct row {
    std::string figure, measured, budget;
    int verdict;  // 1 holds, 0 fails, -1 no budget
};

std::vector<row> table;

std::string format(const char* pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

void report(const std::string& figure, const std::string& measured, const std::string& budget = "",
            int verdict = -1)
{
    table.push_back({figure, measured, budget, verdict});
}

void check(const std::string& figure, double value, const char* pattern, double limit,
           const std::string& budget)
{
    report(figure, format(pattern, value), budget, value <= limit ? 1 : 0);
}

bool printTable()
{
    bool allHold = true;
    std::printf("\n%-56s %-28s %-12s %s\n", "figure", "measured", "budget", "");
    for (const row& r : table) {
        const char* verdict = r.verdict < 0 ? "" : r.verdict ? "ok" : "FAILED";
        std::printf("%-56s %-28s %-12s %s\n", r.figure.c_str(), r.measured.c_str(), r.budget.c_str(),
                    verdict);
        allHold = allHold && r.verdict != 0;
    }
    return allHold;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// ---- The scripted session ----

// One step of the session: the bytes sent and what kind of step it is.
struct step {
    std::string kind, bytes;
};

struct tally {
    std::map<std::string, long> bytes, count;
    long total = 0;
};

bool playStep(clockedGame& game, const step& s, tally& t)
{
    size_t before = game.pty.output.size();
    if (!play(game, s.bytes)) {
        std::fprintf(stderr, "bench: the game stopped answering during a %s\n", s.kind.c_str());
        return false;
    }
    long written = static_cast<long>(game.pty.output.size() - before);
    t.bytes[s.kind] += written;
    t.count[s.kind] += 1;
    t.total += written;
    return true;
}

// A player who looks for two tops that make 10, walks to them and picks
// them. Returns the steps of the next tick, ending with the tick itself.
std::vector<step> nextMoves(ptyGame& game)
{
    if (atReplayPrompt(game)) {
        return {{"replay", "y"}};
    }
    int cursor = cursorStack(game);
    struct top {
        int value = 0;  // 0: empty stack
        bool selected = false;
    } tops[stackCount];
    boardView board = readBoard(game);
    for (int i = 0; i < stackCount; ++i) {
        const std::vector<int>& stack = board[static_cast<size_t>(i)];
        if (!stack.empty()) {
            tops[i] = {stack.back(), shownSelected(game, i, static_cast<int>(stack.size()) - 1)};
        }
    }
    int bestI = -1, bestJ = -1, bestWalk = 1000;
    for (int i = 0; i < stackCount; ++i) {
        for (int j = 0; j < stackCount; ++j) {
            if (i == j || tops[i].value == 0 || tops[j].value == 0 || tops[i].selected || tops[j].selected ||
                tops[i].value + tops[j].value != 10) {
                continue;
            }
            int walk = std::abs(cursor - i) + std::abs(i - j);
            if (walk < bestWalk) {
                bestWalk = walk;
                bestI = i;
                bestJ = j;
            }
        }
    }
    std::vector<step> steps;
    auto walkTo = [&](int to) {
        for (; cursor < to; ++cursor) {
            steps.push_back({"move", "d"});
        }
        for (; cursor > to; --cursor) {
            steps.push_back({"move", "a"});
        }
    };
    if (bestI >= 0) {
        walkTo(bestI);
        steps.push_back({"select", "\r"});
        walkTo(bestJ);
        steps.push_back({"removal", "\r"});
    }
    return steps;
}

struct sessionResult {
    bool ok = false;
    tally optimised, naive;
    long optimisedWrites = 0, naiveWrites = 0, passes = 0;
    long peakKiB = -1, naivePeakKiB = -1, anonKiB = -1;
    bool sameScreen = false;
    int ticks = 0;
};

long writeCalls(const ptyGame& game)
{
    std::ifstream io("/proc/" + std::to_string(game.pid) + "/io");
    std::string name;
    long value = 0;
    while (io >> name >> value) {
        if (name == "syscw:") {
            return value;
        }
    }
    return -1;
}

// Plays `sessionTicks` ticks with the player above on the real game,
// recording every step, then the same steps on the straightforward build.
// Then both run out their game and stop at the replay prompt.
sessionResult scriptedSession(int sessionTicks)
{
    sessionResult r;
    clockedGame optimised, naive;
    std::vector<step> script;
    bool ok = launchClocked(optimised, gameBinary()) && launchClocked(naive, naiveBinary());
    ok = ok && playStep(optimised, {"opening", " "}, r.optimised) && playStep(naive, {"opening", " "}, r.naive);
    long writesBefore = writeCalls(optimised.pty), naiveWritesBefore = writeCalls(naive.pty);
    for (int tick = 0; ok && tick < sessionTicks; ++tick) {
        for (int round = 0; ok && round < 2; ++round) {
            for (const step& s : nextMoves(optimised.pty)) {
                ok = ok && playStep(optimised, s, r.optimised);
                script.push_back(s);
            }
        }
        step t{"tick", ticks(1)};
        ok = ok && playStep(optimised, t, r.optimised);
        script.push_back(t);
    }
    for (const step& s : script) {
        ok = ok && playStep(naive, s, r.naive);
    }
    // Each step is one loop pass of the game; the clock answered each with
    // one write of its own.
    r.passes = static_cast<long>(script.size());
    r.optimisedWrites = writeCalls(optimised.pty) - writesBefore - r.passes;
    r.naiveWrites = writeCalls(naive.pty) - naiveWritesBefore - r.passes;
    r.sameScreen = ok && screenImage(optimised.pty) == screenImage(naive.pty);
    r.ticks = static_cast<int>(std::count_if(script.begin(), script.end(), [](const step& s) { return s.kind == "tick"; }));

    // The peak memory of a whole game: run the last one out.
    tally rest;
    for (int n = 0; ok && n < 5000 && !atReplayPrompt(optimised.pty); ++n) {
        ok = playStep(optimised, {"tick", ticks(1)}, rest);
    }
    for (int n = 0; ok && n < 5000 && !atReplayPrompt(naive.pty); ++n) {
        ok = playStep(naive, {"tick", ticks(1)}, rest);
    }
    r.peakKiB = statusKiB(optimised.pty, "VmHWM:");
    r.anonKiB = statusKiB(optimised.pty, "RssAnon:");
    r.naivePeakKiB = statusKiB(naive.pty, "VmHWM:");
    r.ok = ok && atReplayPrompt(optimised.pty);
    shutDownClocked(optimised);
    shutDownClocked(naive);
    return r;
}

// ---- On the real clock ----

// The game's CPU time so far in seconds: the scheduler's nanosecond count,
// or the coarser clock ticks where that is missing.
double cpuSeconds(pid_t pid)
{
    std::ifstream schedstat("/proc/" + std::to_string(pid) + "/schedstat");
    long long ns = 0;
    if (schedstat >> ns) {
        return static_cast<double>(ns) / 1e9;
    }
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    long long user = 0, system = 0;
    for (int i = 1; stat >> field; ++i) {
        if (i == 14) {
            user = std::atoll(field.c_str());
        } else if (i == 15) {
            system = std::atoll(field.c_str());
            break;
        }
    }
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Reads what the game writes within `ms`; returns when the first byte came,
// or the deadline when nothing did.
bool readWithin(ptyGame& game, int ms, clock::time_point& arrived)
{
    pollfd p{game.master, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) {
        return false;
    }
    arrived = clock::now();
    return readOutput(game);
}

struct realTimeResult {
    bool ok = false;
    double idleCpuShare = 0;  // of one core
    std::vector<double> tickLateMs, keyLatencyMs;
    long peakKiB = -1;
};

// The bracket drawn whole at stack `at` and nowhere else, and the cursor
// resting after its last glyph: the redraw for a key is complete.
bool bracketMovedTo(ptyGame& game, int at)
{
    return bracketOnlyAt(game, at) &&
           cursorAt(game) == std::pair<int, int>{bracketRightColumn(at) + 1, bracketFootRow - 1};
}

realTimeResult realTime(int idleSeconds, int tickCount, int keyCount)
{
    realTimeResult r;
    ptyGame game;
    if (!launch(game) || !startPlaying(game)) {
        shutDown(game);
        return r;
    }

    // Idle: no keys, only ticks. The CPU share is taken over the first
    // idleSeconds; tick arrivals over the whole wait.
    std::fprintf(stderr, "bench: %d ticks on the real clock (%d s)...\n", tickCount + 1, (tickCount + 1) * 41 / 10);
    auto start = clock::now();
    double cpuStart = cpuSeconds(game.pid);
    bool cpuTaken = false;
    std::vector<clock::time_point> arrivals;
    clock::time_point last = start;
    while (static_cast<int>(arrivals.size()) <= tickCount && msSince(start) < (tickCount + 3) * 4100.0) {
        double toIdleEnd = idleSeconds * 1000.0 - msSince(start);
        int wait = !cpuTaken && toIdleEnd > 0 ? static_cast<int>(toIdleEnd) + 1 : 1000;
        clock::time_point arrived;
        if (readWithin(game, wait, arrived)) {
            // A tick is one write; anything within a second of it is the rest of it.
            if (arrivals.empty() || msSince(last, arrived) > 1000) {
                arrivals.push_back(arrived);
            }
            last = arrived;
        }
        if (!cpuTaken && msSince(start) >= idleSeconds * 1000.0) {
            r.idleCpuShare = (cpuSeconds(game.pid) - cpuStart) / (msSince(start) / 1000.0);
            cpuTaken = true;
        }
    }
    for (size_t k = 1; k < arrivals.size(); ++k) {
        r.tickLateMs.push_back(msSince(arrivals[k - 1], arrivals[k]) - 4100.0);
    }

    // Keys: right, left, right... each timed from the write until the
    // bracket stands in its new place and the cursor rests after it.
    int at = cursorStack(game);
    for (int k = 0; k < keyCount && at >= 0; ++k) {
        int to = k % 2 == 0 ? at + 1 : at - 1;
        auto sent = clock::now();
        sendKeys(game, to > at ? "\x1b[C" : "\x1b[D");
        clock::time_point arrived = sent;
        while (!bracketMovedTo(game, to) && msSince(sent) < 2000) {
            readWithin(game, 100, arrived);
        }
        if (!bracketMovedTo(game, to)) {
            break;
        }
        r.keyLatencyMs.push_back(msSince(sent, arrived));
        at = to;
        usleep(20000);
    }
    r.peakKiB = statusKiB(game, "VmHWM:");
    r.ok = static_cast<int>(r.tickLateMs.size()) == tickCount && static_cast<int>(r.keyLatencyMs.size()) == keyCount;
    shutDown(game);
    return r;
}

std::string bytesVersus(long real, long naive)
{
    return std::to_string(real) + " (naive " + std::to_string(naive) + ")";
}

long perStep(const tally& t, const std::string& kind)
{
    auto n = t.count.find(kind);
    return n == t.count.end() || n->second == 0 ? 0 : t.bytes.at(kind) / n->second;
}

// The ticks alone, for a game run under `nice`: its waits get a larger
// timer slack, and they must end on time all the same.
int ticksOnly(int tickCount)
{
    realTimeResult t = realTime(0, tickCount, 0);
    if (!t.ok) {
        std::fprintf(stderr, "bench: the real-clock run did not run through\n");
        return 2;
    }
    std::string niced = "niced " + std::to_string(nice(0)) + ": ";
    check(niced + "tick lateness, median of " + std::to_string(t.tickLateMs.size()), median(t.tickLateMs), "%.2f ms", 2,
          "<= 2 ms");
    check(niced + "tick lateness, worst of " + std::to_string(t.tickLateMs.size()),
          *std::max_element(t.tickLateMs.begin(), t.tickLateMs.end()), "%.2f ms", 10, "<= 10 ms");
    double drift = 0;
    for (double late : t.tickLateMs) {
        drift += late;
    }
    report(niced + "tick " + std::to_string(t.tickLateMs.size()) + ", late on first + n * delay",
           format("%.2f ms", drift));
    return printTable() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> options(argv + 1, argv + argc);
    auto given = [&](const char* option) { return std::find(options.begin(), options.end(), option) != options.end(); };
    bool quick = given("--quick");  // shorter real-clock part, for trying it out
    int sessionTicks = 200, idleSeconds = quick ? 5 : 30, tickCount = quick ? 3 : 20, keyCount = 40;
    if (given("--ticks-only")) {
        return ticksOnly(tickCount);
    }

    std::fprintf(stderr, "bench: scripted session of %d ticks, real and naive...\n", sessionTicks);
    sessionResult s = scriptedSession(sessionTicks);
    if (!s.ok) {
        std::fprintf(stderr, "bench: the scripted session did not run through\n");
        return 2;
    }
    realTimeResult t = realTime(idleSeconds, tickCount, keyCount);
    if (!t.ok) {
        std::fprintf(stderr, "bench: the real-clock run did not run through\n");
        return 2;
    }

    check("idle CPU, level 1, no keys, " + std::to_string(idleSeconds) + " s", t.idleCpuShare * 100,
          "%.4f %% of a core", 0.3, "<= 0.3 %");
    check("tick lateness after last tick + delay, median of " + std::to_string(t.tickLateMs.size()), median(t.tickLateMs), "%.2f ms", 2,
          "<= 2 ms");
    check("tick lateness, worst of " + std::to_string(t.tickLateMs.size()),
          *std::max_element(t.tickLateMs.begin(), t.tickLateMs.end()), "%.2f ms", 10, "<= 10 ms");
    double drift = 0;
    for (double late : t.tickLateMs) {
        drift += late;
    }
    report("tick " + std::to_string(t.tickLateMs.size()) + " after the first, late on first + n * delay",
           format("%.2f ms", drift));
    check("key to redraw complete, median of " + std::to_string(t.keyLatencyMs.size()), median(t.keyLatencyMs),
          "%.2f ms", 2, "<= 2 ms");
    report("key to redraw complete, worst", format("%.2f ms", *std::max_element(t.keyLatencyMs.begin(), t.keyLatencyMs.end())));
    report("bytes: opening screen", bytesVersus(s.optimised.bytes["opening"], s.naive.bytes["opening"]));
    report("bytes per tick (session average)", bytesVersus(perStep(s.optimised, "tick"), perStep(s.naive, "tick")));
    report("bytes per cursor move", bytesVersus(perStep(s.optimised, "move"), perStep(s.naive, "move")));
    report("bytes per pick", bytesVersus(perStep(s.optimised, "select"), perStep(s.naive, "select")));
    report("bytes per removal", bytesVersus(perStep(s.optimised, "removal"), perStep(s.naive, "removal")));
    long sessionBytes = s.optimised.total - s.optimised.bytes["opening"];
    long naiveSessionBytes = s.naive.total - s.naive.bytes["opening"];
    report("session: " + std::to_string(s.ticks) + " ticks, " + std::to_string(s.optimised.count["move"]) + " moves, " +
               std::to_string(s.optimised.count["select"] + s.optimised.count["removal"]) + " picks, " +
               std::to_string(s.optimised.count["removal"]) + " removals",
           bytesVersus(sessionBytes, naiveSessionBytes));
    check("session bytes, real / naive", static_cast<double>(sessionBytes) / static_cast<double>(naiveSessionBytes),
          "%.3f", 0.25, "<= 0.25");
    report("session screens, real vs naive", s.sameScreen ? "identical" : "DIFFER", "identical", s.sameScreen ? 1 : 0);
    report("session write calls (" + std::to_string(s.passes) + " loop passes)",
           bytesVersus(s.optimisedWrites, s.naiveWrites));
    check("write calls per loop pass", static_cast<double>(s.optimisedWrites) / static_cast<double>(s.passes), "%.2f", 1,
          "<= 1");
    check("peak RSS, whole game (VmHWM)", static_cast<double>(s.peakKiB) / 1024, "%.2f MiB", 4, "<= 4 MiB");
    report("  of it the game's own memory at the end (RssAnon)", format("%.2f MiB", static_cast<double>(s.anonKiB) / 1024));
    report("peak RSS, real-clock game", format("%.2f MiB", static_cast<double>(t.peakKiB) / 1024));
    return printTable() ? 0 : 1;
}
