# The source tarball: made by cpack from a fresh configure, it must hold
# exactly the files git tracks, with an untracked note and a stray object
# file lying in the tree, and it must build and pass the unit tests on its
# own, unpacked in a folder of its own. There scripts/play.sh shows that it
# builds the game alone, saying so, and that a second run builds nothing.
set -euo pipefail
. scripts/lib.sh
need_packages cmake g++ googletest libgtest-dev

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
version=$(project_version)
dir=build-source
tmp=$(mktemp -d)
strays=()
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    strays=("untracked-notes-$$.txt" "board/stray-$$.o")
fi
trap 'rm -rf "$tmp" "${strays[@]}"' EXIT
for stray in "${strays[@]}"; do echo "not for the tarball" >"$stray"; done

cmake -S . -B "$dir" -DTENFALL_TESTS=OFF >/dev/null
rm -f "$dir"/*.tar.gz
(cd "$dir" && cpack --config CPackSourceConfig.cmake >/dev/null)
tarball="$dir/tenfall-$version.tar.gz"
[ -f "$tarball" ] || fail "cpack made no $tarball"
top="tenfall-$version"
tar -xzf "$tarball" -C "$tmp"
[ "$(ls "$tmp")" = "$top" ] || fail "the tarball does not unpack into one folder $top: $(ls "$tmp")"

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    packed=$(cd "$tmp/$top" && find . -type f -o -type l | sed 's|^\./||' | sort)
    tracked=$(git ls-files | sort)
    missing=$(comm -13 <(echo "$packed") <(echo "$tracked"))
    [ -z "$missing" ] || fail "tracked files missing from the tarball:"$'\n'"$missing"
    untracked=$(comm -23 <(echo "$packed") <(echo "$tracked"))
    [ -z "$untracked" ] || fail "files git does not track are in the tarball:"$'\n'"$untracked"
fi

echo "--- scripts/play.sh in the unpacked sources, twice"
# Without a terminal the game refuses to start, which ends each run.
play() { (cd "$tmp/$top" && bash scripts/play.sh </dev/null 2>&1) || true; }
first=$(play)
refusal="tenfall: needs a terminal on standard input and output"
grep -q "^play.sh: building tenfall in build/" <<<"$first" || fail "play.sh did not say it builds:"$'\n'"$first"
grep -q "Linking CXX executable" <<<"$first" || fail "play.sh showed no progress:"$'\n'"$first"
[ "$(tail -n 1 <<<"$first")" = "$refusal" ] || fail "play.sh did not start the game:"$'\n'"$first"
[ ! -e "$tmp/$top/build/bench/tenfall_bench" ] || fail "play.sh built more than the game"
second=$(play)
[ "$second" = "$refusal" ] || fail "play.sh's second run was not silent:"$'\n'"$second"
echo "play.sh: builds the game alone, then starts it at once"

echo "--- build the unpacked sources and run the unit tests"
cmake -S "$tmp/$top" -B "$tmp/build" -DTENFALL_WERROR=ON >/dev/null
cmake --build "$tmp/build" -j "$(jobs)" >/dev/null
ctest --test-dir "$tmp/build" -L unit -j "$(jobs)" --output-on-failure >"$tmp/ctest.log" ||
    { cat "$tmp/ctest.log"; fail "unit tests of the unpacked sources"; }
tail -n 3 "$tmp/ctest.log"
echo "$(basename "$tarball"): $(stat -c %s "$tarball") bytes, builds and passes its unit tests"
