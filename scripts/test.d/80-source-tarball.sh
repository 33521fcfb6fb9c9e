# The source tarball: made by cpack from a fresh configure, it must hold
# every file git tracks and nothing git ignores, and it must build and pass
# the unit tests on its own, unpacked in a folder of its own.
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
trap 'rm -rf "$tmp"' EXIT

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
    generated=$(comm -23 <(echo "$packed") <(echo "$tracked") | git check-ignore --no-index --stdin || true)
    [ -z "$generated" ] || fail "files git ignores are in the tarball:"$'\n'"$generated"
fi

echo "--- build the unpacked sources and run the unit tests"
cmake -S "$tmp/$top" -B "$tmp/build" -DTENFALL_WERROR=ON >/dev/null
cmake --build "$tmp/build" -j "$(jobs)" >/dev/null
ctest --test-dir "$tmp/build" -L unit -j "$(jobs)" --output-on-failure >"$tmp/ctest.log" ||
    { cat "$tmp/ctest.log"; fail "unit tests of the unpacked sources"; }
tail -n 3 "$tmp/ctest.log"
echo "$(basename "$tarball"): $(stat -c %s "$tarball") bytes, builds and passes its unit tests"
