# The game and its tests, built with g++ and clang, warnings as errors.
set -euo pipefail
. scripts/lib.sh
need_packages cmake g++ clang googletest libgtest-dev pkg-config libvterm-dev libfaketime

for compiler in g++ clang++; do
    dir=build-test-$compiler
    cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER="$compiler" -DTENFALL_WERROR=ON >/dev/null
    cmake --build "$dir" -j "$(jobs)" >/dev/null  # warnings and errors still show: they go to stderr
done
ctest --test-dir build-test-g++ --output-on-failure -j "$(jobs)"
ctest --test-dir build-test-clang++ --output-on-failure -j "$(jobs)" -L unit
