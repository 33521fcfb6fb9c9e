# The unit and end-to-end tests once more, built with AddressSanitizer and
# UndefinedBehaviorSanitizer: a memory error or undefined behaviour anywhere
# in the game, the terminal layer or the tests fails the run.
set -euo pipefail
. scripts/lib.sh
need_packages cmake g++ googletest libgtest-dev pkg-config libvterm-dev libfaketime

dir=build-test-sanitize
cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER=g++ -DTENFALL_WERROR=ON -DTENFALL_SANITIZE=ON >/dev/null
cmake --build "$dir" -j "$(jobs)" >/dev/null
# halt_on_error: the first report ends the process, so the test fails.
ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir "$dir" --output-on-failure -j "$(jobs)"
