# The key fuzzer: arbitrary terminal input through the key decoder and the
# game's key handling, built with clang's libFuzzer, ASan and UBSan, run for
# a bounded time from the seed corpus in fuzz/corpus. A crash, a sanitizer
# report or a broken invariant fails the stage and leaves the input that did
# it in build-fuzz/ (crash-*).
set -euo pipefail
. scripts/lib.sh
need_packages cmake clang libclang-rt-14-dev

dir=build-fuzz
cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DTENFALL_FUZZ=ON -DTENFALL_TESTS=OFF \
    -DTENFALL_WERROR=ON >/dev/null
cmake --build "$dir" -j "$(jobs)" --target key_fuzzer

# New inputs go to a scratch corpus; the committed seeds are only read.
mkdir -p "$dir/corpus"
"$dir/fuzz/key_fuzzer" -max_total_time="${TENFALL_FUZZ_SECONDS:-60}" -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$dir/" "$dir/corpus" fuzz/corpus
