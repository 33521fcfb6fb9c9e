# The browser build: scripts/web.sh builds the site (installing emscripten,
# node, npm, xterm.js and puppeteer-core where they are missing), then node's
# test runner plays it in Debian's headless Chromium (tests/web/).
set -euo pipefail
. scripts/lib.sh
need_packages chromium fonts-dejavu-core python3

bash scripts/web.sh
node --test tests/web/page_test.mjs
