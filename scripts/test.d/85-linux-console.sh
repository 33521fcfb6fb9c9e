# The game on the Linux kernel's own console (TERM=linux), as a player with
# no desktop meets it: Debian's kernel (linux-image-amd64, unpacked into
# build-qemu/, not installed) boots in QEMU (TCG, no KVM) from a busybox
# initramfs holding the static game of stage 62 (made here if it is not
# there), once in VGA text mode (80x25) and once on the framebuffer console. The game runs on tty1; keys
# come through QEMU's monitor (sendkey), and the guest sends /dev/vcsa1
# back over the serial line. On the instructions, the opening screen, after
# moves and after a pick, every game cell's glyph (code page 437, as the
# console's font has it) and colour must be what the game draws, a light
# background shown as the normal one (the console has no others); a
# screendump must show no white where the game draws none; and after
# Ctrl-C the game has ended with status 130 and tty1 has its modes back.
set -euo pipefail
. scripts/lib.sh
need_packages cmake g++ qemu-system-x86 busybox-static cpio python3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
version=$(project_version)
dir=build-qemu
game=build-static-x86_64/tenfall-$version-linux-x86_64
if [ ! -x "$game" ]; then  # stage 62 makes it; on its own this stage makes it too
    cmake -S . -B build-static-x86_64 -DCMAKE_BUILD_TYPE=Release -DTENFALL_STATIC=ON -DTENFALL_TESTS=OFF \
        -DTENFALL_WERROR=ON >/dev/null
    cmake --build build-static-x86_64 -j "$(jobs)" --target tenfall >/dev/null
    strip -o "$game" build-static-x86_64/tenfall
fi
mkdir -p "$dir"

# Debian's kernel, fetched once.
kernel_package=$(apt-cache depends linux-image-amd64 | sed -n 's/^ *Depends: \(linux-image-[0-9].*-amd64\)$/\1/p' | head -n 1)
[ -n "$kernel_package" ] || fail "no kernel package behind linux-image-amd64"
kernel=$(ls "$dir"/boot/vmlinuz-"${kernel_package#linux-image-}" 2>/dev/null || true)
if [ -z "$kernel" ]; then
    (cd "$dir" && rm -f linux-image-*.deb && apt-get download -q "$kernel_package" >/dev/null 2>&1)
    dpkg-deb --fsys-tarfile "$dir"/"$kernel_package"_*.deb | tar -x -C "$dir" ./boot
    rm -f "$dir"/"$kernel_package"_*.deb
    kernel=$(ls "$dir"/boot/vmlinuz-"${kernel_package#linux-image-}")
fi

# The initramfs: busybox, the game and an init that takes commands on the
# serial line.
root=$dir/initramfs
rm -rf "$root"
mkdir -p "$root"/{bin,dev,proc,sys,tmp}
cp /bin/busybox "$root/bin/busybox"
cp "$game" "$root/tenfall"
cat >"$root/init" <<'INIT'
#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
stty -echo
# Commands in the background, where a shell ignores SIGINT; the game in the
# foreground, where Ctrl-C reaches it.
while read -r command; do
    case $command in
    start) touch /tmp/start ;;
    dump) echo BEGIN; od -An -v -tx1 /dev/vcsa1; echo END ;;
    status) cat /tmp/status 2>/dev/null; stty -a </dev/tty1 | tr ' ;' '\n\n'; echo END ;;
    off) poweroff -f ;;
    esac
done </dev/console &
echo READY
until [ -e /tmp/start ]; do sleep 0.1; done
TERM=linux LANG=C.UTF-8 setsid -c /tenfall <>/dev/tty1 >&0 2>&0
echo "STATUS $?" >/tmp/status
wait
INIT
chmod +x "$root/init"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$dir/initramfs.gz"

for mode in text framebuffer; do
    start=$SECONDS
    python3 - "$kernel" "$dir/initramfs.gz" "$mode" "$dir" <<'PLAY' || fail "the game on the Linux console, $mode"
import os, select, socket, subprocess, sys, time

kernel, initrd, mode, scratch = sys.argv[1:]
monitor_path = os.path.join(scratch, f"monitor-{mode}.sock")
shot = os.path.join(scratch, f"screen-{mode}.ppm")
for path in (monitor_path, shot):
    if os.path.exists(path):
        os.remove(path)
video = "vga=normal nomodeset" if mode == "text" else "vga=0x317"  # 1024x768 VESA: fbcon
qemu = subprocess.Popen(
    ["qemu-system-x86_64", "-accel", "tcg", "-m", "256", "-no-reboot", "-kernel", kernel, "-initrd", initrd,
     "-append", f"console=ttyS0 quiet loglevel=1 panic=-1 {video}", "-vga", "std", "-display", "none",
     "-serial", "stdio", "-monitor", f"unix:{monitor_path},server=on,wait=off"],
    stdin=subprocess.PIPE, stdout=subprocess.PIPE)
pending = b""


def fail(what):
    qemu.kill()
    sys.exit(f"FAIL ({mode}): {what}")


def lines_until(marker, seconds=60):
    """Serial lines up to the one that is `marker`."""
    global pending
    deadline, got = time.monotonic() + seconds, []
    while True:
        while b"\n" in pending:
            line, pending = pending.split(b"\n", 1)
            line = line.decode(errors="replace").strip()
            if line == marker:
                return got
            got.append(line)
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([qemu.stdout], [], [], left)[0]:
            fail(f"no {marker} from the guest; it said: {got[-5:]}")
        chunk = os.read(qemu.stdout.fileno(), 65536)
        if not chunk:
            fail(f"QEMU ended before {marker}")
        pending += chunk


def tell(command):
    qemu.stdin.write(command.encode() + b"\n")
    qemu.stdin.flush()


lines_until("READY", 90)
monitor = socket.socket(socket.AF_UNIX)
monitor.connect(monitor_path)
monitor.settimeout(0.2)


def ask(command):
    monitor.sendall(command.encode() + b"\n")
    time.sleep(0.1)
    try:
        while monitor.recv(65536):
            pass
    except socket.timeout:
        pass


def screen():
    """(glyph byte, attribute) by row and column, read twice the same."""
    last = None
    while True:
        tell("dump")
        data = bytes(int(h, 16) for line in lines_until("END") if line != "BEGIN" for h in line.split())
        rows, columns = data[0], data[1]
        cells = [[(data[4 + 2 * (y * columns + x)], data[5 + 2 * (y * columns + x)]) for x in range(columns)]
                 for y in range(rows)]
        if cells == last:
            return cells
        last = cells
        time.sleep(0.2)


def text(cells, x, y, n):
    return "".join(chr(g) for g, _ in cells[y][x:x + n])


def wait_for(what, done, seconds=30):
    deadline = time.monotonic() + seconds
    while True:
        cells = screen()
        if done(cells):
            return cells
        if time.monotonic() > deadline:
            fail(f"no {what}; the screen:\n" + "\n".join(text(cells, 0, y, 70) for y in range(25)))
        time.sleep(0.3)


GREY, GREEN, CYAN, YELLOW, RED, LIGHT_RED = 7, 10, 11, 14, 4, 12
FRAME, SIDE, FOOT = 0xB3, 0xBA, (0xD3, 0xC4, 0xBD)


def check_game(cells, cursor, picked=None):
    """Every cell of the 70x25 game screen as the game draws it: glyph,
    foreground (None: a blank, whose foreground does not show) and background."""
    want = [[(0x20, None, 0) for _ in range(70)] for _ in range(25)]
    for y in range(25):
        want[y][8] = want[y][39] = (FRAME, CYAN, 0)
    for y, line in ((3, "<-- Left/A   Right/D -->"), (4, "[Enter] Select top of stack"), (5, "[Space] Unselect all")):
        for i, c in enumerate(line):
            want[y][43 + i] = (ord(c), GREY, 0)
    total = 0
    for i in range(10):
        x = 3 * i + 10
        rows = [y for y in range(24) if chr(cells[y][x][0]) in "123456789"]
        for y in rows:
            mine = picked == (i, y)
            want[y][x] = (cells[y][x][0], YELLOW if mine or y == min(rows) else GREY, RED if mine else 0)
            total += cells[y][x][0] - 48 if mine else 0
    for y, line in ((12, f"SUM: {total}"), (13, "Level: 1"), (14, "Score: 0/10")):
        for i, c in enumerate(line):
            want[y][43 + i] = (ord(c), YELLOW, 0)
    for y in range(24):
        want[y][3 * cursor + 9] = want[y][3 * cursor + 11] = (SIDE, GREEN, 0)
    for i, g in enumerate(FOOT):
        want[24][3 * cursor + 9 + i] = (g, GREEN, 0)
    wrong = []
    for y in range(25):
        for x in range(70):
            g, fg, bg = want[y][x]
            shown = cells[y][x]
            if shown[0] != g or (shown[1] >> 4) != bg or (fg is not None and shown[1] & 15 != fg):
                wrong.append(f"{x},{y}: {shown[0]:#x} in {shown[1]:#04x}, not {g:#x} in {fg}/{bg}")
    if wrong:
        fail(f"{len(wrong)} cells wrong: " + "; ".join(wrong[:10]))
    return sum(1 for y in range(25) for x in range(70) if cells[y][x][0] != 0x20)


tell("start")
cells = wait_for("instructions", lambda c: any("Press any key" in text(c, 0, y, 80) for y in range(len(c))))
marked = [(x, y) for y in range(25) for x in range(len(cells[0])) if cells[y][x][0] != 0x20 and cells[y][x][1] != 0x07]
if marked:
    fail(f"instructions not in the console's own colours at {marked[:5]}")
ask("sendkey spc")
cells = wait_for("opening screen", lambda c: text(c, 43, 12, 6) == "SUM: 0" and c[24][24][0] == FOOT[0])
shown = check_game(cells, 5)
ask("sendkey right")
ask("sendkey right")
cells = wait_for("the bracket at the seventh stack", lambda c: c[24][30][0] == FOOT[0])
check_game(cells, 7)
# The pick: the top of the nearest stack that has one, its row noted.
tops = {i: min(y for y in range(24) if chr(cells[y][3 * i + 10][0]) in "123456789")
        for i in range(10) if any(chr(cells[y][3 * i + 10][0]) in "123456789" for y in range(24))}
stack = min(tops, key=lambda i: abs(i - 7))
for _ in range(abs(stack - 7)):
    ask("sendkey " + ("right" if stack > 7 else "left"))
ask("sendkey ret")
cells = wait_for("the pick", lambda c: c[tops[stack]][3 * stack + 10][1] >> 4 == RED)
check_game(cells, stack, (stack, tops[stack]))
ask(f"screendump {shot}")
time.sleep(0.5)
with open(shot, "rb") as f:
    header = [f.readline() for _ in range(3)]
    pixels = f.read()
colours = {}
for i in range(0, len(pixels), 3):
    colours[pixels[i:i + 3]] = colours.get(pixels[i:i + 3], 0) + 1
# The palette's levels: 0, about 0x55, about 0xaa (0xa8 from a 6-bit DAC), 0xff.
level = lambda v: 0 if v < 0x30 else 1 if v < 0x80 else 2 if v < 0xe0 else 3
count = lambda rgb: sum(n for c, n in colours.items() if tuple(map(level, c)) == rgb)
# The cursor may rest on a blank drawn white: a few pixels.
white, grey, red = count((3, 3, 3)), count((2, 2, 2)), count((2, 0, 0))
if white > 40 or not grey or not red:
    fail(f"the screendump shows {white} white pixels, {grey} grey, {red} red")
ask("sendkey ctrl-c")
for _ in range(20):
    time.sleep(0.5)
    tell("status")
    said = lines_until("END")
    if any(line.startswith("STATUS") for line in said):
        break
else:
    fail("the game still runs after Ctrl-C; the screen:\n" + "\n".join(text(screen(), 0, y, 70) for y in range(25)))
if "STATUS 130" not in said or "icanon" not in said or "echo" not in said:
    fail(f"after Ctrl-C: {said}")
tell("off")
qemu.wait(30)
print(f"{mode}: {len(cells[0])}x{len(cells)} console, game cells right on the opening ({shown} drawn), after moves and a pick; "
      f"screendump {header[1].decode().strip()} with {white} white pixels; Ctrl-C: status 130, modes back")
PLAY
    echo "$mode console: $((SECONDS - start)) s"
done
