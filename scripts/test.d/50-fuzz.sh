# The fuzz targets, built with clang's libFuzzer, ASan and UBSan, each run for
# a bounded time (TENFALL_FUZZ_SECONDS, 60 by default) from its seeds:
# - key_fuzzer: arbitrary terminal input through the key decoder and the
#   game's key handling (seeds in fuzz/corpus);
# - render_fuzzer: drawing calls on the real Unix output layer, its output
#   checked against libvterm's screen (seeds in fuzz/corpus-render).
# A crash, a sanitizer report or a broken invariant fails the stage and
# leaves the input that did it in build-fuzz/ (key_fuzzer-crash-*,
# render_fuzzer-crash-*).
set -euo pipefail
. scripts/lib.sh
need_packages cmake clang libclang-rt-14-dev libvterm-dev pkg-config

dir=build-fuzz
cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DTENFALL_FUZZ=ON -DTENFALL_TESTS=OFF \
    -DTENFALL_WERROR=ON >/dev/null
cmake --build "$dir" -j "$(jobs)" --target key_fuzzer render_fuzzer >/dev/null

# New inputs go to scratch corpora; the committed seeds are only read.
# libFuzzer's status lines, thousands a run, go to build-fuzz/TARGET.log;
# the log shows its summary, or on a failure everything but those lines:
# the crash, the report and the input left.
run() {
    local target=$1 seeds=$2 log="$dir/$1.log" status=0
    shift 2
    mkdir -p "$dir/corpus-$target"
    "$dir/fuzz/$target" -max_total_time="${TENFALL_FUZZ_SECONDS:-60}" -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$dir/$target-" "$@" "$dir/corpus-$target" "$seeds" \
        >"$log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        grep -Ev '^#[0-9]+[[:space:]]' "$log" | tail -n 100 >&2
        echo "FAIL: $target, exit status $status; its whole output is in $log" >&2
        return "$status"
    fi
    echo "$target: $(grep -E '^Done ' "$log")"
    grep -E '^stat::(number_of_executed_units|peak_rss_mb|new_units_added)' "$log"
}
run key_fuzzer fuzz/corpus
# A clear and a screen's worth of drawing fit in 128 bytes; longer inputs
# mostly repeat it, and halved the runs a minute.
run render_fuzzer fuzz/corpus-render -max_len=128
