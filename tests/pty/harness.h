#pragma once
// Runs the real game in a pseudo-terminal and reads its screen through
// libvterm, a real terminal emulator, the way a player's terminal would.

#include <sys/types.h>
#include <termios.h>

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct VTerm;
struct VTermScreen;

struct ptyGame {
    int master = -1;
    pid_t pid = -1;
    pid_t jobParent = -1;  // under launchOptions.jobControl: the game's parent, which the test reaps
    VTerm* vt = nullptr;
    VTermScreen* screen = nullptr;
    std::string output;  // every byte the game wrote
    bool eraseInDefaultColours = false;  // as launchOptions says
    std::string unfed;                   // the start of an erase, held back until it is whole
    bool exited = false;
    int status = 0;  // as waitpid gives it
};

struct launchOptions {
    int columns = 80;
    int rows = 25;
    // Extra environment, NAME=value; TERM=xterm-256color and LANG=C.UTF-8 are set first.
    std::vector<std::string> environment;
    // Run the game's clock this many times faster (through libfaketime).
    int speedUp = 1;
    // A library to preload into the game, ahead of libfaketime.
    std::string preload;
    // Another build of the game to run instead of gameBinary().
    std::string binary;
    // Signals the game starts with blocked, as a parent's mask is inherited.
    std::vector<int> blockedSignals;
    // Descriptors the game inherits open above standard error, as from a
    // parent that leaks them.
    int openDescriptors = 0;
    // The emulator erases the screen in its default colours, not the current
    // background, as GNU screen does with its stock settings.
    bool eraseInDefaultColours = false;
    // Run the game as a job-control shell would: in a process group of its
    // own, in the foreground, under a parent that takes the terminal back
    // when the game stops and gives it again on resumeInForeground. Without
    // it the game has no job-control shell above it, and the kernel discards
    // a Ctrl-Z.
    bool jobControl = false;
    // The terminal handed over with O_NONBLOCK set, as some launchers do.
    bool nonBlocking = false;
};

// The game binary under test, as CMake built it.
std::string gameBinary();

bool launch(ptyGame& game, const launchOptions& options = {});
// Kills the game if it still runs and frees everything.
void shutDown(ptyGame& game);

void sendKeys(ptyGame& game, std::string_view bytes);

// Reads once what the game has written (waiting for it if nothing is there)
// into `output` and the emulator. False once the game's side is closed.
bool readOutput(ptyGame& game);

// Reads the game's output until `done` holds or the deadline passes.
bool waitUntil(ptyGame& game, const std::function<bool()>& done, int timeoutMs = 5000);
// Reads output for a while and returns whether the screen changed at all.
bool screenChangesWithin(ptyGame& game, int ms);
// Waits for the game to exit; true when it did in time.
bool waitForExit(ptyGame& game, int timeoutMs = 5000);
// How it ended as a shell's $? tells it: 128 + n for signal n.
int shellStatus(const ptyGame& game);
// Continues a stopped game, in the foreground as fg would (SIGCONT alone
// without jobControl). Not `continued`: the terminal only, no SIGCONT, as
// fg of a job whose wrapper still runs.
void resumeInForeground(ptyGame& game, bool continued = true);
// The terminal stops taking the game's output, as a stopped emulator or a
// stalled link does, or takes it again.
bool ptyStallOutput(ptyGame& game, bool stalled);

// The screen, as the emulator shows it.
std::string rowText(ptyGame& game, int row);  // UTF-8, trailing blanks kept
// UTF-8 text of `length` cells from column x of row y.
std::string textAt(ptyGame& game, int x, int y, int length);
std::u32string rowChars(ptyGame& game, int row);
char32_t charAt(ptyGame& game, int x, int y);
// Palette index 0-15 of a cell's colours; -1 for the terminal's default.
int foregroundAt(ptyGame& game, int x, int y);
int backgroundAt(ptyGame& game, int x, int y);
std::pair<int, int> cursorAt(ptyGame& game);  // column, row

// Blanks the emulator's screen on our side only, as if the terminal had lost
// its content; whatever the game draws afterwards shows on the blank. The
// blank is in the default colours where the emulator erases in them. Then
// the emulator takes in `leftBehind`, as if another program had written it
// (a scroll region, say) before what the game writes from now on.
void clearLocalScreen(ptyGame& game, std::string_view leftBehind = "");

// True while the game's process is stopped (Ctrl-Z, SIGSTOP) and, under
// jobControl, its parent has taken the terminal back.
bool processStopped(const ptyGame& game);
// A figure in KiB from the game's /proc/<pid>/status, such as "VmHWM:" (its
// peak resident set) or "RssAnon:"; -1 when there is none.
long statusKiB(const ptyGame& game, std::string_view field);

// The pseudo-terminal's modes as the game left them.
termios ptyModes(ptyGame& game);
bool ptySetSize(ptyGame& game, int columns, int rows);
