#!/usr/bin/env bash
# Builds tenfall and runs every test, installing what the tests need first.
# Each stage in scripts/test.d runs in order; the first failure stops the run.
set -euo pipefail
cd "$(dirname "$0")/.."
for stage in scripts/test.d/*.sh; do
    echo "=== ${stage##*/}"
    bash "$stage"
done
echo "=== all stages passed"
