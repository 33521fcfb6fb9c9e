// The page's figures next to their budgets, in headless Chromium on the site
// scripts/web.sh built: the weight of what it loads, the time to the
// instructions, idle CPU at level 1, tick lateness and key latency; then the
// same figures, where the engine's driver gives them, in Firefox ESR and WPE
// WebKit. Exits non-zero when a budget fails in Chromium. About 3 minutes.
// With --screenshots DIR it also saves the game's opening screen in each
// engine at a phone's size and a desktop's.
//
//     bash scripts/web.sh --drivers && node bench/web.mjs [--only ENGINE] [--screenshots DIR]

import { mkdirSync, readFileSync } from 'node:fs';
import { gzipSync } from 'node:zlib';
import { devices, engines, launchBrowser, readScreen, serveSite } from '../tests/web/browser.mjs';

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
  // WebDriver runs it only after the page has loaded.
  const hook = window.tenfallTerminal ? (f) => f() : (f) => document.addEventListener('DOMContentLoaded', f);
  hook(() => {
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

// Chromium and Firefox run `instrument` before the page's scripts; WebKit's
// plain WebDriver only after it loaded, so there the instructions are
// polled for.
async function openInstrumented(browser, engine, url, { device, weigh, framed } = {}) {
  const page = await browser.newPage();
  const bytes = [];
  if (engine === 'chromium') {
    await page.setCacheEnabled(false);
  }
  if (weigh) {
    page.on('response', async (response) => {
      bytes.push(response.buffer().then((body) => gzipSync(body, { level: 9 }).length, () => 0));
    });
  }
  await (engine === 'chromium' && device ? page.emulate(device)
    : page.setViewport(device?.viewport ?? { width: 1280, height: 800 }));
  await (engine !== 'webkit' && page.evaluateOnNewDocument(instrument));
  const start = Date.now();
  await page.goto(url);
  await (framed && page.enterFrame(0));
  if (engine === 'webkit') {
    while (!(await readScreen(page).catch(() => [])).some((row) => row.text.includes('Press any key'))) {
      await pause(5);
    }
    const polled = Date.now() - start;
    await page.evaluate(instrument);
    await page.evaluate((ms) => { benchInstructions = ms; }, polled);
  }
  await page.waitForFunction?.(() => benchInstructions > 0);
  return { page, weight: (await Promise.all(bytes)).reduce((a, b) => a + b, 0) };
}

const rows = [];
function report(figure, value, unit, budget) {
  rows.push([figure, value === undefined ? 'n/a' : `${value.toFixed(unit === 'KB' ? 1 : 2)} ${unit}`,
    budget === undefined ? '' : `<= ${budget} ${unit}`,
    budget === undefined || value === undefined ? '' : value <= budget ? 'ok' : 'FAIL']);
}
const waitFor = async (page, f, ms = 45000) => {
  for (const deadline = Date.now() + ms; !(await page.evaluate(f)); await pause(50)) {
    if (Date.now() > deadline) throw new Error(`waited for ${f}`);
  }
};

const site = await serveSite();
// --only ENGINE: that engine's figures alone.
const only = process.argv.includes('--only') && process.argv[process.argv.indexOf('--only') + 1];
const shots = process.argv.indexOf('--screenshots') > 0 && process.argv[process.argv.indexOf('--screenshots') + 1];
try {
  for (const engine of only ? [only] : engines) {
    const chromium = engine === 'chromium';
    const budget = (b) => (chromium ? b : undefined);
    const browser = await launchBrowser(engine);
    try {
      // The first load weighs what the page loads, and warms up the browser,
      // whose own first start is not the page's; reading the bodies back
      // through the driver would slow the loads that are timed.
      const first = await openInstrumented(browser, engine, site.url, { weigh: chromium });
      const weight = first.weight;
      await first.page.close();
      const loads = [];
      for (let run = 0; run < 5; ++run) {
        const load = await openInstrumented(browser, engine, site.url);
        loads.push(await load.page.evaluate(() => benchInstructions));
        await load.page.close();
      }
      if (chromium) {
        report('chromium: weight of everything the page loads, gzip -9', weight / 1024, 'KB', 150);
        const file = new URL('../build-web/site/tenfall.html', import.meta.url);
        report('tenfall.html, gzip -9', gzipSync(readFileSync(file), { level: 9 }).length / 1024, 'KB', 150);
      }
      report(`${engine}: navigation to instructions on screen, median of 5${engine === 'webkit' ? ' (polled)' : ''}`,
        median(loads), 'ms', budget(300));

      const { page } = await openInstrumented(browser, engine, site.url);
      await page.keyboard.press('Enter');
      await waitFor(page, () => benchTicks.length > 0);
      await pause(1000);
      if (chromium) {
        const cdp = await page.createCDPSession();
        await cdp.send('Performance.enable');
        const busy = async () => (await cdp.send('Performance.getMetrics')).metrics.find((m) => m.name === 'TaskDuration').value;
        const [before, start] = [await busy(), Date.now()];
        await pause(10000);
        report('chromium: page CPU while idle at level 1, 10 s', (100 * (await busy() - before)) / ((Date.now() - start) / 1000), '% of a core', 1);
      } else {
        report(`${engine}: page CPU while idle (no driver reports it)`, undefined, '% of a core');
      }

      await waitFor(page, () => benchTicks.length >= 8);
      const ticks = await page.evaluate(() => benchTicks);
      const late = ticks.slice(1).map((at, i) => at - ticks[i] - interval);
      report(`${engine}: tick lateness, median of ${late.length}`, median(late), 'ms', budget(2));
      report(`${engine}: tick lateness, worst of ${late.length}`, Math.max(...late), 'ms');

      await page.evaluate(() => [benchKeys, benchDrawn].forEach((list) => list.splice(0)));
      for (let n = 0; n < 40; ++n) {
        await page.keyboard.press(n % 2 ? 'ArrowRight' : 'ArrowLeft');
        await pause(60);
      }
      const [keys, drawn] = await page.evaluate(() => [benchKeys, benchDrawn]);
      report(`${engine}: key press to screen (parsed by the terminal), median of ${keys.length}`, median(keys), 'ms', budget(5));
      report(`${engine}: key press to the next frame drawn, median of ${drawn.length}`, median(drawn), 'ms');
      await page.close();

      if (shots) {
        mkdirSync(shots, { recursive: true });
        // WebKit's headless window is always 800 x 600: a phone's page is
        // shown there in a frame of the phone's size, scaled down to fit.
        const desktop = engine === 'webkit' ? '800x600' : '1280x800';
        for (const [name, device] of [['phone-390x844', devices['iPhone 13']], [`desktop-${desktop}`, undefined]]) {
          const framed = engine === 'webkit' && device;
          const url = framed ? `data:text/html,<body style="margin:0; background:#000"><iframe src="${site.url}" width="390" height="844"
            style="border:0; transform: scale(${600 / 844}); transform-origin: 0 0"></iframe>` : site.url;
          const shot = (await openInstrumented(browser, engine, url, { device, framed })).page;
          await shot.evaluate(() => tenfallTerminal.paste('\r'));
          await waitFor(shot, () => benchTicks.length > 0);
          await shot.screenshot({ path: `${shots}/${engine}-${name}.png` });
          await shot.close();
        }
      }
    } finally {
      await browser.close();
    }
  }
} finally {
  site.close();
}

const width = [0, 1, 2].map((c) => Math.max(...rows.map((r) => r[c].length)));
console.log(rows.map((r) => r.map((cell, c) => cell.padEnd(width[c] ?? 0)).join('  ')).join('\n'));
process.exitCode = rows.some((r) => r[3] === 'FAIL') ? 1 : 0;
