#!/usr/bin/env bash
# Shows that the renderer fuzzer bites: plants one known kind of fault in the
# Unix output layer of a scratch copy of the tree, builds the fuzzer there and
# runs it from the seeds until it reports the fault (or the time runs out).
# Nothing in this tree is changed.
#
#   fuzz/plant-fault.sh FAULT [SECONDS] [--no-seeds]
#
# With --no-seeds it starts from nothing, to see how soon the fuzzer finds
# the fault on its own rather than through the seeds.
#
# FAULT is one of:
#   relative-move    cursor-forward moves one column short
#   index-last-row   ESC D for every move onto the last row, so it scrolls from there
#   rewrite-colour   moving right by rewriting cells ignores their colour
#   last-column      the terminal's cursor taken to be past the last column after writing it
#   no-bce           a clear counted on to blacken the screen, which a terminal without back-colour erase does not
set -euo pipefail
cd "$(dirname "$0")/.."

fault=${1:?"usage: $0 relative-move|index-last-row|rewrite-colour|last-column|no-bce [seconds] [--no-seeds]"}
seconds=${2:-600}
seeds=fuzz/corpus-render
[ "${3:-}" = --no-seeds ] && seeds=
case "$fault" in
relative-move) from='number(n) + "C"' to='number(n - 1) + "C"' ;;
index-last-row) from='down == 1  ?' to='down == 1 || y == screenHeight - 1 ?' ;;
rewrite-colour) from='cell.colour != out.terminalAttribute || ' to='' ;;
last-column) from='x + 1 < screenWidth ? x + 1 : unknown' to='x + 1' ;;
no-bce) from="row.fill(glyph{'\\0', unknown});" to='row.fill(glyph{});' ;;
*) echo "unknown fault: $fault" >&2; exit 2 ;;
esac

scratch=$(mktemp -d /tmp/tenfall-fault.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
tar --exclude='./build*' --exclude=./.git -cf - . | tar -xf - -C "$scratch"
python3 - "$scratch/screen/ansi/renderer.cpp" "$from" "$to" <<'PY'
import sys
path, old, new = sys.argv[1:]
text = open(path).read()
if text.count(old) != 1:
    sys.exit("the code to plant the fault in has changed: " + old)
open(path, "w").write(text.replace(old, new))
PY

cmake -S "$scratch" -B "$scratch/build" -DCMAKE_CXX_COMPILER=clang++ -DTENFALL_FUZZ=ON \
    -DTENFALL_TESTS=OFF >/dev/null
cmake --build "$scratch/build" -j 2 --target render_fuzzer >/dev/null
mkdir -p "$scratch/corpus"
start=$(date +%s.%N)
status=0
"$scratch/build/fuzz/render_fuzzer" -max_total_time="$seconds" -max_len=128 -print_final_stats=1 \
    -artifact_prefix="$scratch/" "$scratch/corpus" $seeds >"$scratch/log" 2>&1 || status=$?
end=$(date +%s.%N)
grep -E 'screen differs|stat::number_of_executed_units' "$scratch/log" || true
if [ "$status" -eq 0 ]; then
    echo "$fault: not found in ${seconds} s"
    exit 1
fi
echo "$fault: found after $(python3 -c "print(f'{$end - $start:.1f}')") s"
