// The site played in headless Chromium: what a player sees and does, read
// off the page's terminal. Run by scripts/test.d/55-web.sh on the site that
// scripts/web.sh builds.

import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { devices, launchBrowser, openGame, readScreen, serveSite, waitForScreen } from './browser.mjs';

// The layout as a player finds it (screen/screen.h). Colours are xterm
// palette digits: 7 grey, 9 light red, a green, b yellow, e cyan, 0 black.
const column = (stack) => 3 * stack + 10;
const [foot, readouts, sumRow, scoreRow] = [24, 43, 12, 14];

let site, browser, desktop, openedAt;
const pages = [];
before(async () => [site, browser] = [await serveSite(), await launchBrowser()]);
after(async () => [await browser?.close(), site?.close()]);
const open = async (options) => pages[pages.push(await openGame(browser, site.url, options)) - 1];
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Each stack's digits, bottom first.
const stacksOf = (screen) => [...Array(10).keys()].map((i) => screen.slice(0, foot).map((row) => row.text[column(i)])
  .reverse().join('').match(/^\d*/)[0].split('').map(Number));
const readout = (screen, row) => screen[row].text.slice(readouts).trimEnd();
// What to wait for.
const shows = (text) => (screen) => screen.some((row) => row.text.includes(text));
const sum = (n) => (screen) => new RegExp(`^SUM: ${n}$`).test(readout(screen, sumRow));
const bracket = (i) => (screen) => screen[foot].text.indexOf('╙─╜') === column(i) - 1;

// Tops of two or more stacks that add up to ten, as stack numbers.
const tenOf = (stacks) => [...Array(1024).keys()].map((set) => [...Array(10).keys()].filter((i) => set & (1 << i)))
  .find((picks) => picks.length > 1 && picks.reduce((total, i) => total + (stacks[i].at(-1) ?? 99), 0) === 10);

test('the instructions, a key, and the opening screen in its colours', async () => {
  desktop = await open();
  let screen = await waitForScreen(desktop, shows(' -=-{ Press any key to play }-=-'));
  assert.equal(screen[0].text.trimEnd(), 'How to play:');
  assert.ok(await desktop.evaluate(() => document.activeElement === tenfallTerminal.textarea), 'focus at load');
  await desktop.keyboard.press('Space');
  screen = await waitForScreen(desktop, sum(0));
  openedAt = Date.now();
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
  await desktop.keyboard.press('Tab');
  assert.ok(await desktop.evaluate(() => document.activeElement === tenfallTerminal.textarea), 'Tab kept the focus');
});

test('a tick 4.1 s after the opening screen, and none while the page is hidden', async () => {
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

test('arrows and A/D move the bracket, Enter picks, and a ten removes and scores', async () => {
  let cursor = 5, screen, picks;
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
  await desktop.keyboard.sendCharacter('x'.repeat(200000));  // a large paste: no key, and no fault
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

test('no console errors, and nothing loaded from anywhere else', () => {
  for (const page of pages) {
    assert.deepEqual(page.faults, []);
    assert.deepEqual(page.loaded.filter((url) => !url.startsWith(site.url)), []);
  }
});
