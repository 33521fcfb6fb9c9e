# The README's picture generator: plays a real game in a pseudo-terminal up
# to a selection and renders it. The SVG must be well formed and show the
# frame, the bracket, the readouts with points scored, and a selected number.
set -euo pipefail
. scripts/lib.sh
need_packages libxml2-utils

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
svg="$tmp/screen.svg"
bash tools/screenshot.sh "$svg"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
xmllint --noout "$svg" || fail "the SVG is not well formed"
grep -q '<path stroke="#00ffff"' "$svg" || fail "no light cyan frame lines"
grep -q '<path stroke="#00ff00"' "$svg" || fail "no light green cursor bracket"
grep -q '<rect [^>]*fill="#ff0000"' "$svg" || fail "no selected number (light red background)"
grep -q 'fill="#ffff00">SUM:</text>' "$svg" || fail "no yellow sum readout"
grep -q 'fill="#ffff00">Level:</text>' "$svg" || fail "no yellow level readout"
grep -Eq '>[1-9][0-9]*/[0-9]+</text>' "$svg" || fail "no points scored in the score readout"
grep -q 'fill="#e5e5e5">\[Enter\]</text>' "$svg" || fail "no light grey key hints"
echo "screenshot shows a game in progress with a selection"
