// The site in headless Chromium, for the page's tests and the benchmark: a
// static server on a free port, Debian's chromium driven by puppeteer-core
// from build-web/, and the screen read off xterm.js's buffer through
// window.tenfallTerminal.

import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import { once } from 'node:events';

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

export const launchBrowser = () =>
  puppeteer.launch({ executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium', args: ['--no-sandbox'] });

// The page's clock and timers made `factor` times faster, as libfaketime
// speeds up the Unix game in the end-to-end tests.
function speedUpClock(factor) {
  const [now, timeout] = [performance.now.bind(performance), setTimeout];
  performance.now = () => now() * factor;
  window.setTimeout = (f, ms, ...rest) => timeout(f, (ms ?? 0) / factor, ...rest);
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

// The first screen that passes `test`, waited for at most `timeoutMs`.
export async function waitForScreen(page, test, timeoutMs = 5000) {
  for (const deadline = Date.now() + timeoutMs; ;) {
    const screen = await readScreen(page);
    if (test(screen)) {
      return screen;
    }
    if (Date.now() > deadline) {
      throw new Error(`waited ${timeoutMs} ms for ${test}; the screen:\n${screen.map((row) => row.text).join('\n')}`);
    }
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
}
