# Linux beyond this machine's build: the game cross-built for arm64 with
# Debian's g++-aarch64-linux-gnu, its unit tests under qemu-aarch64 and its
# .deb (lintian-clean, Depends checked against the cross libraries); and the
# static binaries tenfall-<version>-linux-x86_64 and -linux-aarch64 (one
# stripped file each, no dynamic section, with a .sha256), each played in a
# pseudo-terminal by the end-to-end tests of build-test-g++/ (the aarch64 one
# under qemu-aarch64) with LANG naming a locale that is not installed.
set -euo pipefail
. scripts/lib.sh
need_packages cmake g++ g++-aarch64-linux-gnu qemu-user googletest libgtest-dev pkg-config \
    libvterm-dev libfaketime dpkg-dev file lintian

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
version=$(project_version)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
qemu=(qemu-aarch64 -L /usr/aarch64-linux-gnu)
# The toolchain file counts only when a build folder is first configured.
arm64() { [ -f "$1/CMakeCache.txt" ] || echo "--toolchain=cmake/aarch64-linux-gnu.cmake"; }

echo "--- arm64: cross build, unit tests under qemu-aarch64"
dir=build-arm64
cmake -S . -B "$dir" $(arm64 "$dir") -DCMAKE_BUILD_TYPE=Release \
    -DTENFALL_WERROR=ON >/dev/null
cmake --build "$dir" -j "$(jobs)" >/dev/null
ctest --test-dir "$dir" --output-on-failure | tail -n 3
description=$(file -b "$dir/tenfall")
case $description in
    "ELF 64-bit LSB "*"ARM aarch64"*) echo "$dir/tenfall: ARM aarch64: ok" ;;
    *) fail "$dir/tenfall is $description" ;;
esac
status=0
"${qemu[@]}" "$dir/tenfall" </dev/null 2>"$tmp/err" || status=$?
[ "$status" -eq 1 ] && [ "$(cat "$tmp/err")" = "tenfall: needs a terminal on standard input and output" ] ||
    fail "the arm64 game without a terminal: status $status, $(cat "$tmp/err")"

echo "--- arm64 .deb"
rm -f "$dir"/*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb="$dir/tenfall_${version}-1_arm64.deb"
[ -f "$deb" ] || fail "cpack made no $deb"
[ "$(dpkg-deb -f "$deb" Architecture)" = arm64 ] || fail "Architecture is $(dpkg-deb -f "$deb" Architecture)"
# The packages dpkg-shlibdeps finds for the libraries in the cross ones.
names() { tr ',' '\n' | sed 's/(.*)//; s/:arm64//; s/-arm64-cross//; s/ //g' | sort; }
mkdir -p "$tmp/shlibs/debian" && touch "$tmp/shlibs/debian/control"
dpkg-deb -x "$deb" "$tmp/unpacked"
computed=$(cd "$tmp/shlibs" && dpkg-shlibdeps -O -l/usr/aarch64-linux-gnu/lib "$tmp/unpacked/usr/games/tenfall" 2>/dev/null |
    sed -n 's/^shlibs:Depends=//p')
[ "$(dpkg-deb -f "$deb" Depends | names)" = "$(names <<<"$computed")" ] ||
    fail "Depends is $(dpkg-deb -f "$deb" Depends), the cross libraries say $computed (TENFALL_CROSS_DEPENDS)"
tags=$(lintian -I --pedantic --no-tag-display-limit "$deb" 2>/dev/null) || fail "lintian: $tags"
[ -z "$tags" ] || fail "lintian on $deb:"$'\n'"$tags"
echo "$(basename "$deb"): Depends $(dpkg-deb -f "$deb" Depends), lintian -I --pedantic clean"

# Installed as an ARM machine would: arm64 added to dpkg's architectures
# and apt's lists (it needs their libc6, libgcc-s1 and libstdc++6), then all
# of it taken away again, the architecture too unless it was there before.
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
had_arm64=0
dpkg --print-foreign-architectures | grep -qx arm64 && had_arm64=1
arm64_packages() {
    dpkg-query -W -f='${db:Status-Abbrev} ${Package}:${Architecture}\n' | awk '$1 ~ /^.i/ && $2 ~ /:arm64$/ {print $2}' | sort
}
arm64_packages >"$tmp/arm64-before"
take_away() {
    local added
    added=$(arm64_packages | comm -13 "$tmp/arm64-before" -)
    if [ -n "$added" ]; then
        # libc6:arm64 counts as essential, though nothing of this machine runs on it.
        DEBIAN_FRONTEND=noninteractive apt_waiting $sudo apt-get -o DPkg::Lock::Timeout=900 purge -y -q \
            --allow-remove-essential $added || true
    fi
    [ "$had_arm64" -eq 1 ] || $sudo dpkg --remove-architecture arm64 || true
}
trap 'take_away; rm -rf "$tmp"' EXIT
$sudo dpkg --add-architecture arm64
apt_waiting $sudo apt-get -o DPkg::Lock::Timeout=900 update -q
DEBIAN_FRONTEND=noninteractive apt_waiting $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -q \
    --no-install-recommends "./$deb"
case $(file -b /usr/games/tenfall) in *"ARM aarch64"*) ;; *) fail "/usr/games/tenfall is not the arm64 game" ;; esac
status=0
qemu-aarch64 /usr/games/tenfall </dev/null 2>"$tmp/err" || status=$?
[ "$status" -eq 1 ] || fail "the installed arm64 game exited $status without a terminal: $(cat "$tmp/err")"
take_away
trap 'rm -rf "$tmp"' EXIT
echo "$(basename "$deb") installs with dpkg --add-architecture arm64 and runs under qemu-aarch64"

echo "--- static binaries"
for arch in x86_64 aarch64; do
    sdir=build-static-$arch
    toolchain=""
    strip=strip
    if [ "$arch" = aarch64 ]; then
        toolchain=$(arm64 "$sdir")
        strip=aarch64-linux-gnu-strip
    fi
    cmake -S . -B "$sdir" $toolchain -DCMAKE_BUILD_TYPE=Release -DTENFALL_STATIC=ON \
        -DTENFALL_TESTS=OFF -DTENFALL_WERROR=ON >/dev/null
    cmake --build "$sdir" -j "$(jobs)" --target tenfall >/dev/null
    name=tenfall-$version-linux-$arch
    "$strip" -o "$sdir/$name" "$sdir/tenfall"
    (cd "$sdir" && sha256sum "$name" >"$name.sha256" && sha256sum -c --quiet "$name.sha256")
    readelf -d "$sdir/$name" | grep -q "There is no dynamic section" || fail "$name has a dynamic section"
    description=$(file -b "$sdir/$name")
    case $description in
        *"statically linked"*stripped*) ;;
        *) fail "$name is $description" ;;
    esac
    echo "$sdir/$name: $(stat -c %s "$sdir/$name") bytes, $description"
done

echo "--- the static binaries in a pseudo-terminal"
e2e=build-test-g++
cmake -S . -B "$e2e" -DCMAKE_CXX_COMPILER=g++ -DTENFALL_WERROR=ON >/dev/null
cmake --build "$e2e" -j "$(jobs)" --target e2e_game_tests e2e_robust_tests >/dev/null
printf '#!/bin/sh\nexec qemu-aarch64 "%s" "$@"\n' "$PWD/build-static-aarch64/tenfall-$version-linux-aarch64" >"$tmp/aarch64"
chmod +x "$tmp/aarch64"
games=("$PWD/build-static-x86_64/tenfall-$version-linux-x86_64" "$tmp/aarch64")
for game in "${games[@]}"; do
    export TENFALL_GAME_BINARY=$game
    "$e2e/tests/e2e/e2e_game_tests" --gtest_brief=1 \
        --gtest_filter='Instructions.WrittenExactlyAsTextLines:Keys.KeyThatStartsTheGame:Keys.RightArrowMovesTheBracket'
    "$e2e/tests/e2e/e2e_robust_tests" --gtest_brief=1 --gtest_filter='Locale.*'
done
unset TENFALL_GAME_BINARY
# LANG naming a UTF-8 locale that is not installed, as on a distribution
# that has not generated it: the game still draws its box glyphs in UTF-8
# (the frame's │), here and in the dynamic build alike. Ctrl-C in the game
# ends it with status 130 and gives the terminal its modes back (stty, on
# the same terminal, after the game; the shell there catches SIGINT, so the
# game gets it as it comes).
for game in "$PWD/$e2e/tenfall" "${games[@]}"; do
    out=$( (sleep 3; printf ' '; sleep 3; printf '\003'; sleep 2) |
        LANG=xx_NOWHERE.UTF-8 LC_ALL='' TERM=xterm-256color SHELL=/bin/sh timeout 30 \
        script -qfc "trap : INT; $game; echo status \$?; stty -a" /dev/null || true)
    grep -q $'\u2502' <<<"$out" || fail "$game in a locale that is not installed draws no │"
    grep -q "status 130" <<<"$out" || fail "Ctrl-C did not end $game with status 130"
    modes=$(sed -n '/status 130/,$p' <<<"$out" | tr -s ' ;\r\n' '\n')
    grep -qx icanon <<<"$modes" && grep -qx echo <<<"$modes" || fail "$game left the terminal's modes as: $modes"
done
echo "a UTF-8 locale that is not installed: box glyphs in UTF-8; Ctrl-C: status 130, modes back: ok"
echo "static binaries: instructions, a key, a move, Ctrl-C and any locale in a pseudo-terminal: ok"
