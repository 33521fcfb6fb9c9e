// The page's figures next to their budgets, in headless Chromium on the site
// scripts/web.sh built: the weight of what it loads, the time to the
// instructions, idle CPU at level 1, tick lateness and key latency. Exits
// non-zero when a budget fails. About 50 s. With --screenshots DIR it also
// saves the opening screen at a phone's size and a desktop's.
//
//     bash scripts/web.sh && node bench/web.mjs [--screenshots DIR]

import { mkdirSync } from 'node:fs';
import { gzipSync } from 'node:zlib';
import { devices, launchBrowser, openGame, serveSite } from '../tests/web/browser.mjs';

const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const interval = 4100;  // a level-1 tick

// In the page before its scripts: when the instructions are first drawn,
// when each tick lands (the stacks hold more digits after a write), and how
// long after its keydown event each key's write was parsed and drawn.
function instrument() {
  Object.assign(window, { benchTicks: [], benchKeys: [], benchDrawn: [], benchInstructions: 0 });
  let digits = 0, keyAt = 0, drawFrom = 0;
  document.addEventListener('keydown', (event) => { keyAt = event.timeStamp; }, true);
  document.addEventListener('DOMContentLoaded', () => {
    const term = window.tenfallTerminal, line = (y) => term.buffer.active.getLine(y).translateToString();
    term.onRender(() => {
      if (!benchInstructions && [...Array(25).keys()].some((y) => line(y).includes('Press any key'))) {
        benchInstructions = performance.now();
      }
      if (drawFrom) {
        benchDrawn.push(performance.now() - drawFrom);
        drawFrom = 0;
      }
    });
    term.onWriteParsed(() => {
      const now = performance.now();
      if (keyAt) {
        benchKeys.push(now - keyAt);
        [drawFrom, keyAt] = [keyAt, 0];
        return;
      }
      let n = 0;
      for (let y = 0; y < 24 && line(0)[8] === '│'; ++y) {
        n += [...Array(10).keys()].filter((i) => /\d/.test(line(y)[3 * i + 10])).length;
      }
      if (n > digits) {
        benchTicks.push(now);
      }
      digits = n;
    });
  });
}

async function openInstrumented(browser, url, options) {
  const page = await browser.newPage();
  await page.setCacheEnabled(false);
  await (options?.device ? page.emulate(options.device) : page.setViewport({ width: 1280, height: 800 }));
  await page.evaluateOnNewDocument(instrument);
  const bytes = [];
  page.on('response', async (response) => {
    bytes.push(response.buffer().then((body) => gzipSync(body, { level: 9 }).length, () => 0));
  });
  await page.goto(url);
  await page.waitForFunction(() => benchInstructions > 0);
  return { page, weight: (await Promise.all(bytes)).reduce((a, b) => a + b, 0) };
}

const rows = [];
function report(figure, value, unit, budget) {
  rows.push([figure, `${value.toFixed(unit === 'KB' ? 1 : 2)} ${unit}`, budget === undefined ? '' : `<= ${budget} ${unit}`,
    budget === undefined ? '' : value <= budget ? 'ok' : 'FAIL']);
}

const site = await serveSite();
const browser = await launchBrowser();
try {
  const loads = [];
  let weight = 0;
  for (let run = 0; run < 5; ++run) {
    const load = await openInstrumented(browser, site.url);
    loads.push(await load.page.evaluate(() => benchInstructions));
    weight = load.weight;
    await load.page.close();
  }
  report('weight of everything the page loads, gzip -9', weight / 1024, 'KB', 150);
  report('navigation to instructions on screen, median of 5', median(loads), 'ms', 300);

  const { page } = await openInstrumented(browser, site.url);
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => benchTicks.length > 0);
  await pause(1000);
  const cdp = await page.createCDPSession();
  await cdp.send('Performance.enable');
  const busy = async () => (await cdp.send('Performance.getMetrics')).metrics.find((m) => m.name === 'TaskDuration').value;
  const [before, start] = [await busy(), Date.now()];
  await pause(10000);
  report('page CPU while idle at level 1, 10 s', (100 * (await busy() - before)) / ((Date.now() - start) / 1000), '% of a core', 1);

  await page.waitForFunction(() => benchTicks.length >= 8, { timeout: 40000 });
  const ticks = await page.evaluate(() => benchTicks);
  const late = ticks.slice(1).map((at, i) => at - ticks[i] - interval);
  report(`tick lateness, median of ${late.length}`, median(late), 'ms', 2);
  report(`tick lateness, worst of ${late.length}`, Math.max(...late), 'ms');

  await page.evaluate(() => [benchKeys, benchDrawn].forEach((list) => list.splice(0)));
  for (let n = 0; n < 40; ++n) {
    await page.keyboard.press(n % 2 ? 'ArrowRight' : 'ArrowLeft');
    await pause(60);
  }
  const [keys, drawn] = await page.evaluate(() => [benchKeys, benchDrawn]);
  report(`key press to screen (parsed by the terminal), median of ${keys.length}`, median(keys), 'ms', 5);
  report(`key press to the next frame drawn, median of ${drawn.length}`, median(drawn), 'ms');

  const shots = process.argv.indexOf('--screenshots');
  if (shots > 0) {
    mkdirSync(process.argv[shots + 1], { recursive: true });
    for (const [name, device] of [['phone-390x844', devices['iPhone 13']], ['desktop-1280x800', undefined]]) {
      const shot = (await openInstrumented(browser, site.url, { device })).page;
      await shot.keyboard.press('Enter');
      await shot.waitForFunction(() => benchTicks.length > 0);
      await shot.screenshot({ path: `${process.argv[shots + 1]}/${name}.png` });
    }
  }
} finally {
  await browser.close();
  site.close();
}

const width = [0, 1, 2].map((c) => Math.max(...rows.map((r) => r[c].length)));
console.log(rows.map((r) => r.map((cell, c) => cell.padEnd(width[c] ?? 0)).join('  ')).join('\n'));
process.exitCode = rows.some((r) => r[3] === 'FAIL') ? 1 : 0;
