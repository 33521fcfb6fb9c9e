#!/usr/bin/env bash
# Builds tenfall for the browser into build-web/site/ (index.html at its top)
# and packs it as build-web/tenfall-<version>-web.zip. With --serve [PORT],
# serves the site on http://127.0.0.1:PORT/ (8000 by default) until Ctrl-C.
# Installs what it needs when it is missing: emscripten, node and npm from
# Debian, xterm.js (and puppeteer-core, for the tests and the benchmark)
# into build-web/.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

serve=false
port=8000
case ${1:-} in
    --serve) serve=true; port=${2:-8000} ;;
    "") ;;
    *) echo "usage: scripts/web.sh [--serve [PORT]]" >&2; exit 2 ;;
esac

need_packages cmake emscripten nodejs python3
# Some builds of nodejs bring npm with them, and then Debian's npm cannot go in beside.
command -v npm >/dev/null || need_packages npm

base=build-web
xterm_version=6.0.0
puppeteer_version=24.43.1
xterm=$base/node_modules/@xterm/xterm
installed() { [ "$(node -p "require('./$1/package.json').version" 2>/dev/null)" = "$2" ]; }
if ! installed "$xterm" "$xterm_version" || ! installed "$base/node_modules/puppeteer-core" "$puppeteer_version"; then
    npm install --prefix "$base" --no-audit --no-fund --no-save --loglevel=error \
        "@xterm/xterm@$xterm_version" "puppeteer-core@$puppeteer_version" >/dev/null
fi

# emscripten's compiler runs on node and needs Debian's node modules (acorn),
# which a node from elsewhere does not look for.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
mkdir -p "$base"
emcmake cmake -S . -B "$base/cmake" -DCMAKE_BUILD_TYPE=Release -DTENFALL_TESTS=OFF \
    -DTENFALL_WERROR=ON >"$base/configure.log" 2>&1 || { cat "$base/configure.log" >&2; exit 1; }
cmake --build "$base/cmake" -j "$(jobs)" --target tenfall >/dev/null

site=$base/site
rm -rf "$site"
mkdir -p "$site"
cp screen/web/page/index.html screen/web/page/page.js "$base/cmake/tenfall.js" "$base/cmake/tenfall.wasm" \
    "$xterm/css/xterm.css" "$site/"
# As .js, which every server sends as JavaScript (not all know .mjs), and
# without the pointer to a source map that is not shipped.
grep -v '^//# sourceMappingURL=' "$xterm/lib/xterm.mjs" > "$site/xterm.js"
cp LICENSE "$site/LICENSE"
cp "$xterm/LICENSE" "$site/LICENSE.xterm.js"

version=$(project_version)
zip=tenfall-$version-web
rm -rf "${base:?}/$zip" "$base/$zip.zip"
cp -r "$site" "$base/$zip"
(cd "$base" && cmake -E tar cf "$zip.zip" --format=zip "$zip")
rm -rf "${base:?}/$zip"
echo "site: $site/index.html, zip: $base/$zip.zip"

if $serve; then
    echo "serving on http://127.0.0.1:$port/ (Ctrl-C ends)"
    exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
fi
