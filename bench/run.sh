#!/usr/bin/env bash
# Builds the benchmark (Release, in build-bench/) and runs it: the real game
# in a pseudo-terminal, its figures next to their budgets; then the ticks
# once more with the game niced, as `nice -n 10 tenfall`. Exits non-zero
# when a budget fails. Takes about three and a half minutes, most of it
# ticks on the real clock; run it on an idle machine.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
need_packages cmake g++ pkg-config libvterm-dev libfaketime

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTENFALL_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(jobs)" --target tenfall_bench >/dev/null
echo "machine load before the run:$(uptime | sed 's/.*load average://')"
status=0
./build-bench/bench/tenfall_bench "$@" || status=$?
nice -n 10 ./build-bench/bench/tenfall_bench --ticks-only "$@" || status=$?
exit "$status"
