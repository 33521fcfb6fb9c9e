// The site played in headless Chromium, Firefox and WebKit: what a player
// sees and does, read off the page's terminal. Run by
// scripts/test.d/55-web.sh on the site that scripts/web.sh builds.

import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { gzipSync } from 'node:zlib';
import { devices, engines, launchBrowser, openGame, readScreen, serveSite, waitForScreen } from './browser.mjs';

// The layout as a player finds it (screen/screen.h). Colours are xterm
// palette digits: 7 grey, 9 light red, a green, b yellow, e cyan, 0 black.
const column = (stack) => 3 * stack + 10;
const [foot, readouts, sumRow, scoreRow] = [24, 43, 12, 14];

let site, browser, desktop, openedAt;
const pages = [];
before(async () => [site, browser] = [await serveSite(), await launchBrowser()]);
after(async () => [await browser?.close(), site?.close()]);
const open = async (options, url = site.url, on = browser) => pages[pages.push(await openGame(on, url, options)) - 1];
const oneFile = new URL('../../build-web/site/tenfall.html', import.meta.url);
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Each stack's digits, bottom first.
const stacksOf = (screen) => [...Array(10).keys()].map((i) => screen.slice(0, foot).map((row) => row.text[column(i)])
  .reverse().join('').match(/^\d*/)[0].split('').map(Number));
const readout = (screen, row) => screen[row].text.slice(readouts).trimEnd();
// What to wait for.
const shows = (text) => (screen) => screen.some((row) => row.text.includes(text));
const sum = (n) => (screen) => new RegExp(`^SUM: ${n}$`).test(readout(screen, sumRow));
const bracket = (i) => (screen) => screen[foot].text.indexOf('╙─╜') === column(i) - 1;

// The opening screen, after the instructions and a key.
async function opening(page) {
  await waitForScreen(page, shows('Press any key to play'));
  await page.keyboard.press(' ');
  return waitForScreen(page, sum(0));
}

// Tops of two or more stacks that add up to ten, as stack numbers.
const tenOf = (stacks) => [...Array(1024).keys()].map((set) => [...Array(10).keys()].filter((i) => set & (1 << i)))
  .find((picks) => picks.length > 1 && picks.reduce((total, i) => total + (stacks[i].at(-1) ?? 99), 0) === 10);

// The least share of lit pixel rows in the frame's columns and those of the
// bracket under `stack`, from a screenshot decoded in the page.
const litRows = async (page, stack = 5) => page.evaluate(async (png, columns) => {
  const image = await createImageBitmap(await (await fetch(`data:image/png;base64,${png}`)).blob());
  const context = Object.assign(document.createElement('canvas'), { width: image.width, height: image.height }).getContext('2d');
  context.drawImage(image, 0, 0);
  const [box, k] = [document.querySelector('.xterm-screen').getBoundingClientRect(), image.width / innerWidth];
  return Math.min(...columns.map((x) => {
    const { data, width, height } = context.getImageData(k * (box.left + (x * box.width) / 80), k * box.top, (k * box.width) / 80, (k * 24 * box.height) / 25);
    const lit = (y) => [...Array(width).keys()].some((x) => Math.max(...data.subarray(4 * (y * width + x), 4 * (y * width + x) + 3)) > 100);
    return [...Array(height).keys()].filter(lit).length / height;
  }));
}, await page.screenshot({ encoding: 'base64' }), [8, column(stack) - 1, column(stack) + 1, 39]);

// One journey in every engine. WebKit's cog has no mouse, so that the page
// takes it for a touch device and leaves the focus alone; and plain WebDriver
// runs no script before the page's, so its clock cannot be sped up for N.
for (const engine of engines) test(`in ${engine}: tenfall.html from disk, the instructions, a key, the opening screen, \
arrows, a pick, a ten, N and a restart`, async () => {
  const on = engine === 'chromium' ? browser : await launchBrowser(engine);
  assert.ok(gzipSync(readFileSync(oneFile), { level: 9 }).length <= 150 * 1024, 'tenfall.html, 150 KB gzipped');
  const file = await open({}, oneFile.href, on);
  await opening(file);
  await file.close();
  desktop = await open({ speedUp: engine !== 'webkit' && 1 }, site.url, on);
  let screen = await waitForScreen(desktop, shows(' -=-{ Press any key to play }-=-'));
  assert.equal(screen[0].text.trimEnd(), 'How to play:');
  const focused = () => desktop.evaluate(() => document.activeElement === tenfallTerminal.textarea);
  assert.ok(engine === 'webkit' || await focused(), 'focus at load');
  await desktop.keyboard.press(' ');
  screen = await waitForScreen(desktop, sum(0));
  for (const [row, text, fg] of [[3, '<-- Left/A   Right/D -->', '7'], [4, '[Enter] Select top of stack', '7'],
    [5, '[Space] Unselect all', '7'], [12, 'SUM: 0', 'b'], [13, 'Level: 1', 'b'], [14, 'Score: 0/10', 'b']]) {
    assert.equal(readout(screen, row), text);
    assert.equal(screen[row].fg.substr(readouts, text.length), fg.repeat(text.length), text);
  }
  screen.forEach(({ text, fg, bg }, row) => {
    assert.equal(text[8] + text[39] + fg[8] + fg[39], '││ee', `frame, row ${row}`);
    assert.equal(bg.slice(0, 70), '0'.repeat(70), `black background, row ${row}`);
    assert.equal(text[24] + text[26] + fg[24] + fg[26], row < foot ? '║║aa' : '╙╜aa', `bracket, row ${row}`);
  });
  const stacks = stacksOf(screen);
  assert.equal(stacks.flat().length, 15);
  stacks.forEach((stack, i) => stack.forEach((_, n) =>
    assert.equal(screen[foot - 1 - n].fg[column(i)], n === stack.length - 1 ? 'b' : '7', `stack ${i} cell ${n}`)));
  const lit = await litRows(desktop);
  assert.ok(lit >= 0.995, `the frame and the bracket lit on ${lit} of their pixel rows`);
  await desktop.keyboard.press('Tab');
  assert.ok(engine === 'webkit' || await focused(), 'Tab kept the focus');

  let cursor = 5, picks;
  for (const [key, to] of [['ArrowLeft', 4], ['a', 3], ['ArrowRight', 4], ['d', 5], ['D', 6], ['A', 5]]) {
    await desktop.keyboard.press(key);
    await waitForScreen(desktop, bracket((cursor = to)));
  }
  for (let tries = 0; !(picks = tenOf(stacksOf((screen = await readScreen(desktop))))); ++tries) {
    assert.ok(tries < 40, 'no tops adding up to ten after 8 s of ticks');
    await pause(200);
  }
  const before = stacksOf(screen);
  for (const [n, stack] of picks.entries()) {
    for (; cursor !== stack; cursor += Math.sign(stack - cursor)) {
      await desktop.keyboard.press(stack < cursor ? 'ArrowLeft' : 'ArrowRight');
    }
    await desktop.keyboard.press('Enter');
    if (n === 0) {
      const top = (await waitForScreen(desktop, sum(before[stack].at(-1))))[foot - before[stack].length];
      assert.equal(top.fg[column(stack)] + top.bg[column(stack)], 'b9', 'picked: yellow on light red');
    }
  }
  screen = await waitForScreen(desktop, sum(0));
  assert.match(readout(screen, scoreRow), new RegExp(`^Score: ${picks.length}/`));
  const now = stacksOf(screen);
  picks.forEach((i) => assert.deepEqual(now[i].slice(0, before[i].length), before[i].slice(0, -1)));
  if (engine !== 'webkit') {
    await desktop.evaluate(() => tenfallSpeed(100));
    await waitForScreen(desktop, shows('Game Over! Play again? '), 60000);
    for (const [key, then] of [['n', shows('The game has ended.')], ['x', shows('Press any key')], ['x', sum(0)]]) {
      await desktop.keyboard.press(key);
      await waitForScreen(desktop, then);
    }
  }
  await (on !== browser && on.close());
});

test('a tick 4.1 s after the opening screen, and none while the page is hidden', async () => {
  desktop = await open();
  await opening(desktop);
  openedAt = Date.now();
  const count = (screen) => stacksOf(screen).flat().length;
  const tick = async (digits) => [await waitForScreen(desktop, (s) => count(s) !== digits, 6000), Date.now()];
  // Timed here by polling, each mark some tens of milliseconds after the
  // game's own; on a loaded machine the opening screen is seen late by more,
  // so the first interval can look a little short.
  const onTime = (ms) => ms > 3700 && ms < 4500;
  const [screen, last] = await tick(count(await readScreen(desktop)));
  assert.ok(onTime(last - openedAt), `first tick after ${last - openedAt} ms`);
  const other = await browser.newPage();
  await other.bringToFront();
  const hidden = Date.now();
  await pause(5000);
  assert.equal(count(await readScreen(desktop)), count(screen), 'no tick while hidden');
  await desktop.bringToFront();
  const hiddenFor = Date.now() - hidden;
  const played = (await tick(count(screen)))[1] - last - hiddenFor;
  assert.ok(onTime(played), `the next tick after ${played} ms of play`);
  await other.close();
});

// At a hundred times the speed, so that the game is over in seconds.
test('the touch buttons on a 360 px phone; No ends the game and a key starts it afresh', async () => {
  let phone;
  for (const device of [devices['Galaxy S5 landscape'], devices['Galaxy S5']]) {
    phone = await open({ device, speedUp: 100 });
    await waitForScreen(phone, shows('Press any key to play'));
    const [[, terminal], ...boxes] = await phone.evaluate(() => [...document.querySelectorAll('.xterm-screen, #pad button')]
      .map((e) => [e.getAttribute('aria-label') ?? e.textContent, e.getBoundingClientRect().toJSON()]));
    const { width, height } = device.viewport;
    assert.ok(terminal.right <= width, `the terminal is ${terminal.width} px wide in ${width}`);
    assert.deepEqual(boxes.map(([name]) => name).sort(), ['Left', 'No', 'Pick', 'Right', 'Unpick', 'Yes']);
    for (const [name, box] of boxes) {
      assert.ok(box.height >= 44 && box.width >= 44 && box.bottom <= height && box.top >= terminal.bottom,
        `${name} is a thumb's size, on screen, below the terminal, at ${width}x${height}`);
    }
  }
  const tap = (name) => () => phone.tap(`#pad button[aria-label=${name}], #pad button[data-key=${name.toLowerCase()}]`);
  for (const [act, then, timeoutMs] of [[tap('Yes'), sum(0)], [tap('Left'), bracket(4)],
    [tap('Right'), (s) => bracket(5)(s) && stacksOf(s)[5].length > 0], [tap('Pick'), sum('[1-9]')],
    [tap('Unpick'), sum(0)], [() => 0, shows('Game Over! Play again? '), 60000], [tap('No'), shows('The game has ended.')],
    [() => phone.keyboard.press('x'), (s) => s[0].text.startsWith('How to play:') && shows('Press any key')(s)],
    [tap('Pick'), (s) => readout(s, scoreRow) === 'Score: 0/10']]) {
    await act();
    await waitForScreen(phone, then, timeoutMs);
  }
});

test('a 390 px phone: taps on the board start, move and pick, with no keyboard, a 9 px font and unbroken lines; a long paste', async () => {
  const phone = await open({ device: devices['iPhone 13'] });
  const tap = async (stack) => {
    const box = await phone.evaluate(() => document.querySelector('.xterm-screen').getBoundingClientRect().toJSON());
    await phone.touchscreen.tap(box.left + ((column(stack) + 0.5) * box.width) / 80, box.top + box.height / 2);
  };
  await waitForScreen(phone, shows('Press any key'));
  await tap(3);
  const stack = stacksOf(await waitForScreen(phone, sum(0))).findIndex((digits, i) => i !== 5 && digits.length);
  for (const [at, then] of [[stack, bracket(stack)], [stack, sum('[1-9]')]]) {
    await tap(at);
    await waitForScreen(phone, then);
  }
  assert.deepEqual(await phone.evaluate(() => [document.activeElement === tenfallTerminal.textarea, tenfallTerminal.textarea.inputMode,
    tenfallTerminal.options.fontSize >= 9, document.getElementById('terminal').getBoundingClientRect().right <= 390]),
  [false, 'none', true, true], 'no focus, no keyboard, a 9 px font, the 70 columns on screen');
  const lit = await litRows(phone, stack);
  assert.ok(lit >= 0.995, `the frame and the bracket lit on ${lit} of their pixel rows`);
  await phone.evaluate(() => tenfallTerminal.paste('d'.repeat(300000)));
  await waitForScreen(phone, bracket(9));
});

test('installable, and a reload with the server gone plays', async () => {
  const [gone, page] = [await serveSite(), await browser.newPage()];
  await page.goto(gone.url);
  await page.evaluate(() => navigator.serviceWorker.ready);
  assert.deepEqual((await (await page.createCDPSession()).send('Page.getInstallabilityErrors')).installabilityErrors, []);
  gone.close();
  await page.reload();
  await opening(page);
  await page.close();
});

test('no console errors, and nothing loaded from anywhere else', () => {
  for (const page of pages) {
    assert.deepEqual(page.faults, []);
    assert.deepEqual(page.loaded.filter((url) => !url.startsWith(site.url) && url !== oneFile.href && !url.startsWith('data:')), []);
  }
});
