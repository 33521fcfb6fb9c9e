#!/usr/bin/env bash
# Builds tenfall for the browser into build-web/site/ (index.html at its top,
# with its offline cache and home-screen manifest, and tenfall.html, the
# whole game in one file) and packs it as build-web/tenfall-<version>-web.zip.
# Installs what building needs when it is missing: emscripten, node and npm
# from Debian, xterm.js into build-web/.
#
#     scripts/web.sh [--drivers] [--serve [PORT] [--lan]]
#
# --drivers also installs what the tests and the benchmark drive the page
# with: puppeteer-core into build-web/, and Chromium, Firefox ESR and WPE
# WebKit's cog and WebDriver from Debian.
# --serve serves the site on http://127.0.0.1:PORT/ (8000 by default) until
# Ctrl-C; with --lan on every network interface, for a phone or tablet on the
# same network, and prints the addresses to open there.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

serve=false
lan=false
drivers=false
port=8000
usage() { echo "usage: scripts/web.sh [--drivers] [--serve [PORT] [--lan]]" >&2; exit 2; }
while [ $# -gt 0 ]; do
    case $1 in
        --serve) serve=true; if [[ ${2:-} =~ ^[0-9]+$ ]]; then port=$2; shift; fi ;;
        --lan) lan=true ;;
        --drivers) drivers=true ;;
        *) usage ;;
    esac
    shift
done
$lan && ! $serve && usage
say() { echo "web.sh: $*"; }

need_packages cmake emscripten nodejs python3
# Some builds of nodejs bring npm with them, and then Debian's npm cannot go in beside.
command -v npm >/dev/null || need_packages npm

base=build-web
mkdir -p "$base"
xterm_version=6.0.0
puppeteer_version=24.43.1
xterm=$base/node_modules/@xterm/xterm
installed() { [ "$(node -p "require('./$1/package.json').version" 2>/dev/null)" = "$2" ]; }
# In one install: npm drops from build-web/ what an install does not name.
$drivers && need_packages chromium firefox-esr cog wpewebkit-driver fonts-dejavu-core
wanted=("@xterm/xterm@$xterm_version")
if $drivers || [ -d "$base/node_modules/puppeteer-core" ]; then
    wanted+=("puppeteer-core@$puppeteer_version")
fi
for package in "${wanted[@]}"; do
    if ! installed "$base/node_modules/${package%@*}" "${package##*@}"; then
        say "installing ${wanted[*]} into $base/ (npm)"
        npm install --prefix "$base" --no-audit --no-fund --no-save --loglevel=error "${wanted[@]}" >/dev/null
        break
    fi
done

# emscripten's compiler runs on node and needs Debian's node modules (acorn),
# which a node from elsewhere does not look for.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
say "configuring $base/cmake/ (emcmake)"
emcmake cmake -S . -B "$base/cmake" -DCMAKE_BUILD_TYPE=Release -DTENFALL_TESTS=OFF \
    -DTENFALL_WERROR=ON >"$base/configure.log" 2>&1 || { cat "$base/configure.log" >&2; exit 1; }
say "compiling the game to WebAssembly (the first time takes a minute or so)"
cmake --build "$base/cmake" -j "$(jobs)" --target tenfall >/dev/null

say "assembling $base/site/"
site=$base/site
page=screen/web/page
rm -rf "$site"
mkdir -p "$site"
cp $page/index.html $page/page.js $page/manifest.webmanifest "$base/cmake/tenfall.js" "$base/cmake/tenfall.wasm" \
    "$xterm/css/xterm.css" "$site/"
# As .js, which every server sends as JavaScript (not all know .mjs), and
# without the pointer to a source map that is not shipped.
grep -v '^//# sourceMappingURL=' "$xterm/lib/xterm.mjs" > "$site/xterm.js"
cp LICENSE "$site/LICENSE"
cp "$xterm/LICENSE" "$site/LICENSE.xterm.js"
node $page/assemble.mjs "$site"
# The offline cache is named after this build's files, so that a new build
# replaces what a visit cached before.
version=$(project_version)
build=$version-$(cat "$site"/* | cksum | cut -d' ' -f1)
sed "s/tenfall-BUILD/tenfall-$build/" $page/sw.js > "$site/sw.js"

zip=tenfall-$version-web
say "packing $base/$zip.zip"
rm -rf "${base:?}/$zip" "$base/$zip.zip"
cp -r "$site" "$base/$zip"
cp $page/README.txt "$base/$zip/README.txt"
(cd "$base" && cmake -E tar cf "$zip.zip" --format=zip "$zip")
rm -rf "${base:?}/$zip"
say "site: $site/index.html, one file: $site/tenfall.html, zip: $base/$zip.zip"

if $serve; then
    if $lan; then
        say "serving on every interface, port $port (Ctrl-C ends). On a phone or tablet on this network, open:"
        # Linux names its addresses with hostname -I; macOS and the BSDs with ifconfig.
        { hostname -I 2>/dev/null || ifconfig 2>/dev/null | awk '$1 == "inet" { print $2 }'; } | tr ' ' '\n' |
            grep -E '^[0-9]+(\.[0-9]+){3}$' | grep -v '^127\.' | sed "s|.*|    http://&:$port/|"
        echo "    (and here, http://127.0.0.1:$port/, where it can also be installed and played offline)"
        exec python3 -m http.server "$port" --bind 0.0.0.0 --directory "$site"
    fi
    say "serving on http://127.0.0.1:$port/ (Ctrl-C ends)"
    exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
fi
