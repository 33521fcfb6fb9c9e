#!/usr/bin/env python3
"""Plays tenfall, headless, inside real terminal programs: tmux alone, and
GNU screen inside tmux, once with its stock settings (no back-colour erase)
and once with `defbce on`. Each screen is read with `tmux capture-pane -e`
and checked as a player would see it: the opening screen with its digits,
frame, readouts and colours on black, no cell of the game area on the
terminal's default background, the bracket moving on an arrow, a pick shown
yellow on light red, and Ctrl-C ending the game with status 130. GNU screen
plays once more with `term xterm-256color` (no back-colour erase under a TERM
that has it), and tmux at 80x24, where the instructions must say what the
window needs, and still say it after the key press.

usage: play_in_multiplexers.py TENFALL
"""

import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

# Places on the game screen are numbers here, as a player finds them (the
# C++ code names them in screen/screen.h): stack i in column 3i+10, its
# bracket's foot on row 24, hints and readouts from column 43.
WIDTH, HEIGHT = 70, 25  # the game area
SESSION = "terminals"
DEFAULT = None  # the terminal's own colour
BLACK, GREY, LIGHT_RED, GREEN, YELLOW, CYAN = 0, 7, 9, 10, 11, 14
FRAME, BRACKET_FOOT = "\u2502", "\u2559\u2500\u255c"


def stack_column(i):
    return 3 * i + 10


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def sgr(params, fg, bg):
    """The colours after one SGR sequence, as palette indices 0-15."""
    codes = [int(p) if p else 0 for p in params.split(";")]
    i = 0
    while i < len(codes):
        c = codes[i]
        if c == 0:
            fg = bg = DEFAULT
        elif 30 <= c <= 37 or 90 <= c <= 97:
            fg = c - 30 if c < 90 else c - 90 + 8
        elif 40 <= c <= 47 or 100 <= c <= 107:
            bg = c - 40 if c < 100 else c - 100 + 8
        elif c == 39:
            fg = DEFAULT
        elif c == 49:
            bg = DEFAULT
        elif c in (38, 48) and i + 2 < len(codes) and codes[i + 1] == 5:
            fg, bg = (codes[i + 2], bg) if c == 38 else (fg, codes[i + 2])
            i += 2
        i += 1
    return fg, bg


def parse_capture(text):
    """Rows of (character, foreground, background). The colours carry on from
    one line to the next, as capture-pane writes them. A row ends where the
    capture does: tmux leaves out the cells that were only erased."""
    rows, fg, bg = [], DEFAULT, DEFAULT
    for line in text.split("\n")[:HEIGHT]:
        row = []
        for part in re.split(r"(\x1b\[[0-9;:]*[A-Za-z])", line):
            if part.startswith("\x1b["):
                if part.endswith("m"):
                    fg, bg = sgr(part[2:-1].replace(":", ";"), fg, bg)
            else:
                row += [(ch, fg, bg) for ch in part]
        rows.append(row)
    return rows


class Pane:
    def __init__(self, tmux, target):
        self.tmux, self.target = tmux, target
        self.rows = []

    def read(self):
        self.rows = parse_capture(self.tmux("capture-pane", "-p", "-e", "-N", "-t", self.target))

    def cell(self, x, y):
        row = self.rows[y] if y < len(self.rows) else []
        return row[x] if x < len(row) else (" ", DEFAULT, DEFAULT)

    def text(self, x, y, length):
        return "".join(self.cell(x + i, y)[0] for i in range(length))

    def keys(self, *keys):
        self.tmux("send-keys", "-t", self.target, *keys)

    def wait_for(self, what, done, seconds=10):
        deadline = time.monotonic() + seconds
        while True:
            self.read()
            if done():
                return
            if time.monotonic() > deadline:
                raise Failure("no " + what + "; the screen:\n" + "\n".join(self.text(0, y, 80) for y in range(HEIGHT)))
            time.sleep(0.05)


def check_opening_screen(pane):
    for y in range(HEIGHT):
        for x in (8, 39):
            check(pane.cell(x, y) == (FRAME, CYAN, BLACK), f"light cyan frame on black at {x},{y}")
    check(pane.text(24, 24, 3) == BRACKET_FOOT and pane.cell(24, 24)[1] == GREEN, "green bracket at the fifth stack")
    for x, y, text, colour in ((43, 3, "<-- Left/A   Right/D -->", GREY), (43, 12, "SUM: 0", YELLOW),
                               (43, 13, "Level: 1", YELLOW), (43, 14, "Score: 0/10", YELLOW)):
        check(pane.text(x, y, len(text)) == text, f"'{text}' at {x},{y}")
        check(all(pane.cell(x + i, y)[1:] == (colour, BLACK) for i in range(len(text))), f"'{text}' coloured")
    digits = [pane.cell(stack_column(i), y) for i in range(10) for y in range(HEIGHT - 1)]
    digits = [d for d in digits if d[0] in "123456789"]
    check(digits, "digits on the board")
    check(all(d[1] in (GREY, YELLOW) and d[2] == BLACK for d in digits), "digits grey or yellow on black")


def default_background_cells(pane):
    return sum(1 for y in range(HEIGHT) for x in range(min(WIDTH, len(pane.rows[y]))) if pane.cell(x, y)[2] is DEFAULT)


def top_of(pane, stack):
    """Row of the top digit of a stack, or None when it is empty."""
    rows = [y for y in range(HEIGHT - 1) if pane.cell(stack_column(stack), y)[0] in "123456789"]
    return min(rows) if rows else None


def play(tmux, name, command, status_file, rows):
    pane = Pane(tmux, f"{name}:0")  # a session of its own, of its own size
    tmux("new-session", "-d", "-s", name, "-x", "80", "-y", str(rows), command)
    pane.wait_for("instructions", lambda: any("Press any key" in pane.text(0, y, 80) for y in range(HEIGHT)))
    if rows < HEIGHT:
        need = f"needs at least 70x25, this terminal is 80x{rows}: enlarge it, or press Ctrl-C"
        pane.wait_for("what the window needs, under the instructions", lambda: pane.text(0, 21, len(need)) == need)
        pane.keys("Space")  # the game starts once the window is large enough; until then the text stays
        time.sleep(0.5)
        check(pane.text(0, 21, len(need)) == need and "Press any key" in pane.text(0, 20, 80), "the text kept")
        tmux("resize-window", "-t", name, "-y", str(HEIGHT))
    # At 80x24 a key in the game that has started: it unselects nothing.
    pane.keys("Space")
    # The screen comes in screen order and may be read half drawn: the frame's foot is last.
    pane.wait_for("opening screen", lambda: pane.text(43, 12, 6) == "SUM: 0" and pane.text(24, 24, 3) == BRACKET_FOOT
                  and pane.cell(39, 24)[0] == FRAME)
    check_opening_screen(pane)
    cells = default_background_cells(pane)
    check(cells == 0, f"{cells} cells of the game area on the terminal's default background")

    pane.keys("Right")
    pane.wait_for("bracket at the sixth stack", lambda: pane.text(27, 24, 3) == BRACKET_FOOT)
    check(pane.text(24, 24, 3) == "   ", "the bracket left the fifth stack")

    stack = min((i for i in range(10) if top_of(pane, i) is not None), key=lambda i: abs(i - 6))
    pane.keys(*(["Right"] * (stack - 6) + ["Left"] * (6 - stack) + ["Enter"]))
    # A drop may land on the stack before Enter does, so the pick is
    # looked for anywhere in the stack's column.
    x = stack_column(stack)
    pane.wait_for("the pick shown", lambda: any(pane.cell(x, y)[1:] == (YELLOW, LIGHT_RED) for y in range(HEIGHT - 1)))

    pane.keys("C-c")
    deadline = time.monotonic() + 10
    while not (os.path.exists(status_file) and open(status_file).read().strip()):
        check(time.monotonic() < deadline, "the game did not end on Ctrl-C")
        time.sleep(0.05)
    status = open(status_file).read().strip()
    check(status == "130", f"Ctrl-C ended the game with status {status}, not 130")


def main():
    game = os.path.abspath(sys.argv[1])
    scratch = tempfile.mkdtemp(prefix="tenfall-terminals.")
    screen_dir = os.path.join(scratch, "screen")
    os.mkdir(screen_dir, 0o700)  # GNU screen wants its socket folder private
    with open(os.path.join(scratch, "stock.screenrc"), "w"):
        pass  # nothing beyond the system's own settings, and none of the user's
    with open(os.path.join(scratch, "bce.screenrc"), "w") as rc:
        rc.write("defbce on\n")
    with open(os.path.join(scratch, "xterm.screenrc"), "w") as rc:
        rc.write("term xterm-256color\n")  # a common line; screen keeps `defbce off`
    env = dict(os.environ, LANG="C.UTF-8", SCREENDIR=screen_dir)
    env.pop("LC_ALL", None)
    env.pop("TMUX", None)
    server = f"tenfall-terminals-{os.getpid()}"

    def tmux(*args):
        return subprocess.run(["tmux", "-L", server, "-f", "/dev/null", *args], env=env, check=True,
                              capture_output=True, text=True).stdout

    cases = (("tmux", "", 25), ("tmux-80x24", "", 24),
             ("screen-stock", "screen -c " + shlex.quote(os.path.join(scratch, "stock.screenrc")), 25),
             ("screen-defbce", "screen -c " + shlex.quote(os.path.join(scratch, "bce.screenrc")), 25),
             ("screen-xterm", "screen -c " + shlex.quote(os.path.join(scratch, "xterm.screenrc")), 25))
    failed = 0
    tmux("new-session", "-d", "-s", SESSION, "-x", "80", "-y", "25", "sleep 86400")
    socket = tmux("display-message", "-p", "#{socket_path}").strip()
    try:
        for name, wrapper, rows in cases:
            status_file = os.path.join(scratch, name + ".status")
            # The shell outlives Ctrl-C to note the game's exit status.
            shell = f"trap : INT; {shlex.quote(game)}; echo $? > {shlex.quote(status_file)}"
            command = f"{wrapper} sh -c {shlex.quote(shell)}".strip()
            try:
                play(tmux, name, command, status_file, rows)
                print(f"{name}: ok")
            except Failure as failure:
                failed += 1
                print(f"FAIL: {name}: {failure}")
    finally:
        tmux("kill-server")
        if os.path.exists(socket):
            os.unlink(socket)  # tmux leaves it behind
        # GNU screen detaches when its tmux pane goes: a case that failed
        # would leave it running, with the game in it.
        for session in os.listdir(screen_dir):
            subprocess.run(["screen", "-S", session, "-X", "quit"], env=env, capture_output=True)
        shutil.rmtree(scratch, ignore_errors=True)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
