# The browser build: scripts/web.sh builds the site (installing emscripten,
# node, npm and xterm.js where they are missing) and, with --drivers, what
# plays it: puppeteer-core, Chromium, Firefox ESR and WPE WebKit. Node's test
# runner then plays one journey in each (tests/web/).
set -euo pipefail
. scripts/lib.sh
need_packages python3

bash scripts/web.sh --drivers
node --test tests/web/page_test.mjs
