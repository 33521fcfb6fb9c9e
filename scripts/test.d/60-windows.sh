# The Windows build: cross-compiled with mingw-w64, warnings as errors, and
# tried under wine: the unit tests, the message when there is no console,
# and a short game in wine's console on a pseudo-terminal.
set -euo pipefail
. scripts/lib.sh
need_packages cmake googletest g++-mingw-w64-x86-64-posix wine64 python3 python3-pyte

dir=build-windows
cmake -S . -B "$dir" --toolchain cmake/mingw-w64.cmake -DTENFALL_WERROR=ON >/dev/null
cmake --build "$dir" -j "$(jobs)"

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
# README and the licence and nothing else, and is unpacked to C:\tenfall;
# the checks below run the program from there.
version=$(project_version)
zip="$dir/tenfall-$version-win64.zip"
rm -f "$zip"
(cd "$dir" && cpack -G ZIP >/dev/null)
contents=$(/usr/bin/python3 -c 'import sys, zipfile; print("\n".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$zip")
if [ "$contents" != $'LICENSE\nREADME.md\ntenfall.exe' ]; then
    echo "FAIL: $zip holds:"$'\n'"$contents" >&2
    exit 1
fi
unpacked="$WINEPREFIX/drive_c/tenfall"
/usr/bin/python3 -m zipfile -e "$zip" "$unpacked"
exe="$unpacked/tenfall.exe"
echo "$(basename "$zip"): tenfall.exe, README.md, LICENSE; $(stat -c %s "$zip") bytes"

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
