#!/usr/bin/env bash
# Builds tenfall and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DTENFALL_TESTS=OFF >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
exec ./build/tenfall
