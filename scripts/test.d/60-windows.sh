# The Windows build: cross-compiled with mingw-w64, warnings as errors, and
# tried under wine: the unit tests, the message when there is no console,
# and a short game in wine's console on a pseudo-terminal.
set -euo pipefail
. scripts/lib.sh
need_packages cmake googletest g++-mingw-w64-x86-64-posix wine64 python3 python3-pyte

dir=build-windows
cmake -S . -B "$dir" --toolchain cmake/mingw-w64.cmake -DTENFALL_WERROR=ON >/dev/null
cmake --build "$dir" -j "$(jobs)" >/dev/null

# A prefix of our own, made fresh and thrown away with its wineserver.
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/tenfall-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all
wine=/usr/lib/wine/wine64
cleanup() {
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
"$wine" wineboot --init >/dev/null 2>&1 || true

ctest --test-dir "$dir" --output-on-failure

# The zip a player downloads: made by cpack, it holds the program, the
# Windows README and the licence, both with Windows line ends, and nothing
# else, in a folder named as the zip, and is unpacked in C:\; the checks
# below run the program from there. The README names no file the zip does
# not hold.
version=$(project_version)
zip="$dir/tenfall-$version-win64.zip"
rm -f "$zip"
(cd "$dir" && cpack -G ZIP >/dev/null)
/usr/bin/python3 - "$zip" "tenfall-$version-win64/" <<'CHECK'
import re, sys, zipfile
zip, top = zipfile.ZipFile(sys.argv[1]), sys.argv[2]
names = sorted(n for n in zip.namelist() if n != top)
if names != [top + n for n in ("LICENSE.txt", "README.txt", "tenfall.exe")]:
    sys.exit(f"FAIL: {sys.argv[1]} holds {names}, not three files in {top}")
for text in ("LICENSE.txt", "README.txt"):
    if re.search(rb"(?<!\r)\n", zip.read(top + text)):
        sys.exit(f"FAIL: {text} has a line that does not end in CR LF")
named = set(re.findall(r"[\w.-]+\.(?:txt|md|svg|exe|html)\b", zip.read(top + "README.txt").decode()))
if not {top + n for n in named} <= set(names):
    sys.exit(f"FAIL: README.txt names files the zip does not hold: {sorted(named)}")
CHECK
unpacked="$WINEPREFIX/drive_c/tenfall-$version-win64"
/usr/bin/python3 -m zipfile -e "$zip" "$WINEPREFIX/drive_c"
exe="$unpacked/tenfall.exe"
echo "$(basename "$zip"): tenfall-$version-win64/ with tenfall.exe, README.txt, LICENSE.txt (CR LF); $(stat -c %s "$zip") bytes"

# Without the GoogleTest sources the cross build leaves the tests out with a
# warning, as the native build does, and still makes the game.
nogtest="$dir-without-gtest"
err="$dir/without-gtest.err"
rm -rf "$nogtest"
cmake -S . -B "$nogtest" --toolchain cmake/mingw-w64.cmake -DTENFALL_WERROR=ON \
    -DTENFALL_GTEST_SOURCE="$nogtest/no-such-folder" >/dev/null 2>"$err" ||
    { cat "$err" >&2; echo "FAIL: the cross build stops without GoogleTest" >&2; exit 1; }
grep -q "GoogleTest sources not found" "$err" ||
    { cat "$err" >&2; echo "FAIL: no warning that the tests are left out" >&2; exit 1; }
cmake --build "$nogtest" --target tenfall -j "$(jobs)" >/dev/null
rm -rf "$nogtest" "$err"
echo "cross build without GoogleTest: a warning, and the game is built: ok"

# Output redirected: one line on stderr (a Windows line, ending in CR LF),
# nothing on stdout, exit status 1.
status=0
"$wine" "$exe" </dev/null >"$dir/no-console.out" 2>"$dir/no-console.err" || status=$?
expected="tenfall: needs a console on standard input and output"
if [ "$status" -ne 1 ] || [ -s "$dir/no-console.out" ] || [ "$(tr -d "\r" <"$dir/no-console.err")" != "$expected" ]; then
    echo "FAIL: tenfall.exe without a console: status $status, stderr:" >&2
    cat "$dir/no-console.err" >&2
    exit 1
fi
echo "tenfall.exe without a console: exit 1 with one line on stderr: ok"

/usr/bin/python3 tests/windows/play_under_wine.py "$exe"
