// The site in headless browsers, for the page's tests and the benchmark: a
// static server on a free port; Debian's chromium and firefox-esr driven by
// puppeteer-core from build-web/ (CDP and WebDriver BiDi), WPE WebKit's cog
// by WPEWebDriver over plain WebDriver; and the screen read off xterm.js's
// buffer through window.tenfallTerminal.

import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import { once } from 'node:events';
import { createServer } from 'node:net';

const webDir = new URL(`../../${process.env.TENFALL_WEB_DIR ?? 'build-web'}/`, import.meta.url);
const puppeteer = createRequire(webDir)('puppeteer-core');
export const devices = puppeteer.KnownDevices;

// Python's plain file server: no headers of ours, as any host would serve it.
export async function serveSite() {
  const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory',
    new URL('site/', webDir).pathname], { stdio: ['ignore', 'pipe', 'ignore'] });
  let said = '';
  while (!/port (\d+)/.test(said)) {
    said += (await once(server.stdout, 'data'))[0];
  }
  return { url: `http://127.0.0.1:${said.match(/port (\d+)/)[1]}/`, close: () => server.kill() };
}

export const engines = ['chromium', 'firefox', 'webkit'];
export const launchBrowser = (engine = 'chromium') => ({
  chromium: () => puppeteer.launch({ executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium', args: ['--no-sandbox'] }),
  firefox: () => puppeteer.launch({ browser: 'firefox', protocol: 'webDriverBiDi', executablePath: '/usr/bin/firefox-esr' }),
  webkit: launchWebKit,
})[engine]();

// cog in one WebDriver session, as a browser with one page that has what the
// tests use of puppeteer's. Its window stays 800 x 600, and plain WebDriver
// hears no console, so `faults` and `loaded` stay empty there.
async function launchWebKit() {
  const port = await new Promise((resolve) => { const s = createServer().listen(0, () => { const { port } = s.address(); s.close(() => resolve(port)); }); });
  const driver = spawn('WPEWebDriver', [`--port=${port}`], { stdio: 'ignore' });
  const call = async (method, path, body) => {
    for (let tries = 0; ; ++tries) {
      try {
        const { value } = await (await fetch(`http://127.0.0.1:${port}${path}`, { method, body: JSON.stringify(body) })).json();
        if (value?.error) throw new Error(`WebDriver ${path}: ${value.message}`);
        return value;
      } catch (error) {
        if (tries > 50 || error.cause?.code !== 'ECONNREFUSED') throw error;
        await new Promise((resolve) => setTimeout(resolve, 100));
      }
    }
  };
  const { sessionId } = await call('POST', '/session', { capabilities: { alwaysMatch: {
    'wpe:browserOptions': { binary: 'cog', args: ['--automation', '--platform=headless', 'about:blank'] } } } });
  const session = (method, path, body) => call(method, `/session/${sessionId}${path}`, body);
  const keys = { ArrowLeft: '\uE012', ArrowRight: '\uE014', Enter: '\uE007', ' ': '\uE00D', Tab: '\uE004' };
  const page = {
    on() {}, setViewport: async () => {}, close: async () => {},
    goto: (url) => session('POST', '/url', { url }),
    enterFrame: (index) => session('POST', '/frame', { id: index }),
    evaluate: (f, ...args) => session('POST', '/execute/async', { args, script: `const done = arguments[arguments.length - 1];
      Promise.resolve((${f})(...[...arguments].slice(0, -1))).then(done, (e) => done({ error: String(e) }));` }),
    keyboard: { press: (key) => session('POST', '/actions', { actions: [{ type: 'key', id: 'keys',
      actions: ['keyDown', 'keyUp'].map((type) => ({ type, value: keys[key] ?? key })) }] }) },
    screenshot: async ({ path, encoding } = {}) => {
      const png = await session('GET', '/screenshot');
      return path ? (await import('node:fs')).writeFileSync(path, Buffer.from(png, 'base64')) : encoding ? png : Buffer.from(png, 'base64');
    },
  };
  return { newPage: async () => page, close: async () => [await session('DELETE', ''), driver.kill()] };
}

// The page's clock and timers made `factor` times faster, as libfaketime
// speeds up the Unix game in the end-to-end tests; `tenfallSpeed(factor)`
// changes the factor from then on.
function speedUpClock(factor) {
  const [now, timeout] = [performance.now.bind(performance), setTimeout];
  let [base, from] = [0, 0];
  performance.now = () => base + (now() - from) * factor;
  window.setTimeout = (f, ms, ...rest) => timeout(f, (ms ?? 0) / factor, ...rest);
  window.tenfallSpeed = (faster) => [base, from, factor] = [performance.now(), now(), faster];
}

// A page of the game; its console errors and page errors collect in
// `page.faults`, the addresses it loads in `page.loaded`.
export async function openGame(browser, url, { device, speedUp } = {}) {
  const page = await browser.newPage();
  Object.assign(page, { faults: [], loaded: [] });
  page.on('console', (message) => message.type() === 'error' && page.faults.push(message.text()));
  page.on('pageerror', (error) => page.faults.push(String(error)));
  page.on('request', (request) => page.loaded.push(request.url()));
  await (device ? page.emulate(device) : page.setViewport({ width: 1280, height: 800 }));
  await (speedUp && page.evaluateOnNewDocument(speedUpClock, speedUp));
  await page.goto(url);
  return page;
}

// Each of the 25 rows: its text, and its cells' colours as one hex digit
// each (the palette index; "-" for the terminal's default).
export const readScreen = (page) => page.evaluate(() => [...Array(25).keys()].map((y) => {
  const line = tenfallTerminal.buffer.active.getLine(y);
  const cells = [...Array(80).keys()].map((x) => line.getCell(x));
  const colours = (isDefault, colour) => cells.map((c) => (c[isDefault]() ? '-' : c[colour]().toString(16))).join('');
  return { text: line.translateToString(), fg: colours('isFgDefault', 'getFgColor'), bg: colours('isBgDefault', 'getBgColor') };
}));

// The first screen that passes `test`, waited for at most `timeoutMs`; a
// page still loading (WebDriver may answer before its scripts ran) has none.
export async function waitForScreen(page, test, timeoutMs = 5000) {
  for (const deadline = Date.now() + timeoutMs; ;) {
    const screen = await readScreen(page).catch((error) => [{ text: String(error) }]);
    if (screen.length === 25 && test(screen)) {
      return screen;
    }
    if (Date.now() > deadline) {
      throw new Error(`waited ${timeoutMs} ms for ${test}; the screen:\n${screen.map((row) => row.text).join('\n')}`);
    }
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
}
