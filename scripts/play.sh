#!/usr/bin/env bash
# Builds the game when it needs building, then starts it. A first run says
# that it configures and builds build/ and shows the build's progress; it
# builds the program alone, not the tests or tools. A later run with nothing
# to rebuild prints nothing of the build and starts the game at once.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build

if [ ! -f "$build/CMakeCache.txt" ]; then
    echo "play.sh: configuring a build of tenfall in $build/"
    # CMake's own chatter is left out; its warnings and errors come through.
    # A failed configure leaves a cache and no build system: the cache goes,
    # so that the next run configures again instead of failing to build.
    cmake -S . -B "$build" -DTENFALL_TESTS=OFF >/dev/null || { rm -f "$build/CMakeCache.txt"; exit 1; }
fi

# A build with nothing to do only reports its targets as built: those lines
# are held back until a line shows real work, which then comes under a note
# of what is going on.
show_work() {
    local line started=""
    local held=()
    while IFS= read -r line; do
        if [ -z "$started" ]; then
            case $line in
                *"Built target "* | "ninja: no work to do."*) held+=("$line"); continue ;;
            esac
            echo "play.sh: building tenfall in $build/"
            started=yes
            [ ${#held[@]} -eq 0 ] || printf '%s\n' "${held[@]}"
        fi
        printf '%s\n' "$line"
    done
}
cmake --build "$build" --target tenfall -j "$(nproc 2>/dev/null || echo 2)" 2>&1 | show_work
exec "./$build/tenfall"
