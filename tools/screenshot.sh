#!/usr/bin/env bash
# Makes the README's picture from a real game: builds tenfall and the
# screenshot tool, plays in an 80 x 25 pseudo-terminal up to a selection, and
# writes the screen as SVG to doc/screen.svg, or to the file named.
set -euo pipefail
out=$(realpath -m "${1:-$(dirname "$0")/../doc/screen.svg}")
cd "$(dirname "$0")/.."
. scripts/lib.sh
need_packages cmake g++ pkg-config libvterm-dev libfaketime
pkg-config --exists vterm || { echo "screenshot: libvterm is not installed" >&2; exit 1; }

dir=build-screenshot
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DTENFALL_TESTS=OFF >/dev/null
cmake --build "$dir" -j "$(jobs)" --target tenfall screenshot >/dev/null
"$dir/tools/screenshot/screenshot" "$dir/tenfall" "$out"
echo "wrote $out"
