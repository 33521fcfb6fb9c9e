// The page around the game: an 80 x 25 xterm.js terminal, the host the game's
// module talks to (screen/web/host.cpp), the touch pad and taps on the board,
// the offline cache, and a fresh module for every run.

import { Terminal } from './xterm.js';
import createTenfall from './tenfall.js';

// The 16 console colours as an xterm shows them, on true black.
const theme = {
  background: '#000000', foreground: '#e5e5e5', cursor: '#e5e5e5', cursorAccent: '#000000',
  black: '#000000', red: '#cd0000', green: '#00cd00', yellow: '#cdcd00',
  blue: '#0000ee', magenta: '#cd00cd', cyan: '#00cdcd', white: '#e5e5e5',
  brightBlack: '#7f7f7f', brightRed: '#ff0000', brightGreen: '#00ff00', brightYellow: '#ffff00',
  brightBlue: '#5c5cff', brightMagenta: '#ff00ff', brightCyan: '#00ffff', brightWhite: '#ffffff',
};

// A phone or tablet: the terminal's text box never takes the focus there, so
// that no on-screen keyboard comes up over the board.
const touchDevice = matchMedia('(pointer: coarse)').matches;

// The game's code, compiled once for every run: by index.html while this
// script loads, or from the copy the one-file page (tenfall.html) carries
// inline. It is fetched as bytes, not streamed, so that a server sending it
// under another MIME type serves the game as well.
const gameCode = globalThis.tenfallCode ?? WebAssembly.compile(globalThis.tenfallWasm);

// The terminal's font is the largest that shows it above the touch pad, in
// half pixels; below the smallest, the page scrolls.
const [smallestFont, largestFont] = [4, 32];

const term = new Terminal({
  cols: 80, rows: 25, scrollback: 0, theme,
  // The console's cursor: a blinking underline. xterm.js's own blink draws
  // frames all the while, which costs the idle page CPU and keys their
  // latency; a CSS animation blinks it instead (index.html).
  cursorStyle: 'underline', cursorInactiveStyle: 'underline', cursorBlink: false,
  // The game writes "\n" where a terminal driver would send CR LF.
  convertEol: true,
  // The frame's and the bracket's glyphs come from a font of their own,
  // which the site carries inline (frame_font.mjs); loaded now, as the
  // instructions have none of them to load it.
  fontFamily: '"tenfall frame", "DejaVu Sans Mono", Menlo, Consolas, "Liberation Mono", monospace',
});
document.fonts?.load('16px "tenfall frame"', '\u2502');
window.tenfallTerminal = term;
const box = document.getElementById('terminal');
// Opened at the font it will have, so that it is measured and drawn once.
term.options.fontSize = room(80).font;
term.open(box);
if (touchDevice) {
  term.textarea.setAttribute('inputmode', 'none');
}

// What each touch button sends: the bytes of the key a keyboard would.
const padKeys = { left: '\x1b[D', right: '\x1b[C', pick: '\r', unpick: ' ', yes: 'y', no: 'n' };
// Keys the browser acts on itself (scrolling, going back) when the terminal
// does not have them: they go to the game instead.
const browserKeys = {
  ArrowLeft: '\x1b[D', ArrowRight: '\x1b[C', ArrowUp: '\x1b[A', ArrowDown: '\x1b[B',
  Enter: '\r', ' ': ' ', Backspace: '\x7f', Tab: '\t', Escape: '\x1b',
};

const encoder = new TextEncoder();
// Bytes typed are kept up to this many while the game has not read them,
// as in a Unix terminal's input buffer; the rest of a large paste is
// dropped, and with it any key typed before the game has caught up.
const keysKept = 4096;
// A timer's wake goes through a message, not straight from its callback: a
// wait resolved inside a timer makes xterm.js's own next write a nested
// timer, which Chrome holds back by 4 ms. A key wakes the game at once, in
// its own event, where a message may wait for the next frame.
const wakeChannel = new MessageChannel();

const host = {
  keys: new Uint8Array(0),  // bytes typed that the game has not read
  wake: null,     // ends the game's wait in progress
  timer: 0,
  running: false,
  hiddenFor: 0,   // milliseconds the page spent hidden, which the game's clock leaves out
  hiddenSince: document.hidden ? performance.now() : null,

  write(bytes) { term.write(bytes); },
  takeKeys(most) {
    const taken = this.keys.subarray(0, most);
    this.keys = this.keys.slice(most);
    return taken;
  },
  clock() {
    const now = performance.now();
    return now - this.hiddenFor - (this.hiddenSince === null ? 0 : now - this.hiddenSince);
  },
  wait(timeoutMs) {
    return new Promise((resolve) => {
      this.wake = resolve;
      if (this.keys.length > 0) {
        this.wakeUp();
      } else if (timeoutMs >= 0 && this.hiddenSince === null) {
        this.timer = setTimeout(() => this.wakeUp(), timeoutMs);
      }
    });
  },
  wakeUp() {
    clearTimeout(this.timer);
    if (this.wake) {
      wakeChannel.port1.postMessage(0);
    }
  },
  resume() {
    clearTimeout(this.timer);
    const wake = this.wake;
    this.wake = null;
    wake?.();
  },
  ended() {
    this.running = false;
    term.write('\x1b[0m\x1b[23;44HThe game has ended.\x1b[24;44HAny key starts it again.');
  },
};
wakeChannel.port2.onmessage = () => host.resume();

// A hidden page is a game stopped: no timer runs and the clock stands, and on
// being shown the game's wait looks at the clock again and goes on. Safari
// may leave out visibilitychange when a page goes away; pagehide it keeps.
function setHidden(hidden) {
  const now = performance.now();
  if (hidden && host.hiddenSince === null) {
    host.hiddenSince = now;
    clearTimeout(host.timer);
  } else if (!hidden && host.hiddenSince !== null) {
    host.hiddenFor += now - host.hiddenSince;
    host.hiddenSince = null;
    host.wakeUp();
  }
}
document.addEventListener('visibilitychange', () => setHidden(document.hidden));
window.addEventListener('pagehide', () => setHidden(true));
window.addEventListener('pageshow', () => setHidden(document.hidden));

function instantiateWasm(imports, done) {
  gameCode.then((code) => WebAssembly.instantiate(code, imports))
    .then((instance) => done(instance))
    .catch((error) => showFault(error));
  return {};
}

function showFault(what) {
  host.running = false;
  console.error('tenfall stopped:', what);
  term.write(`\x1b[0m\r\ntenfall stopped: ${what}\r\n`);
}

function start() {
  host.running = true;
  host.keys = new Uint8Array(0);
  term.reset();
  createTenfall({ tenfallHost: host, instantiateWasm, onAbort: showFault });
}

function send(text) {
  if (!host.running) {
    start();  // the key that starts a run is not one of its keys
    return;
  }
  const bytes = encoder.encode(text).subarray(0, keysKept - host.keys.length);
  const keys = new Uint8Array(host.keys.length + bytes.length);
  keys.set(host.keys);
  keys.set(bytes, host.keys.length);
  host.keys = keys;
  host.resume();
}

term.onData(send);

document.addEventListener('keydown', (event) => {
  if (event.target === term.textarea || event.ctrlKey || event.metaKey || event.altKey) {
    return;
  }
  const text = browserKeys[event.key] ?? (event.key.length === 1 ? event.key : null);
  if (text !== null) {
    event.preventDefault();
    send(text);
  }
  if (!touchDevice) {
    term.focus();
  }
});
// A click or tap anywhere but the terminal leaves the focus with it.
document.addEventListener('mousedown', (event) => {
  if (!term.element.contains(event.target)) {
    event.preventDefault();
  }
});

for (const button of document.querySelectorAll('#pad button')) {
  button.addEventListener('click', () => send(padKeys[button.dataset.key]));
}
document.addEventListener('touchstart', () => {
  if (!document.body.classList.contains('touched')) {
    document.body.classList.add('touched');
    fit();
  }
}, { passive: true });

// A tap on the board. At the instructions, or once the game has ended, it is
// the key that goes on; at "Play again?" it is Yes. In a game, a tap on a
// stack moves the bracket there with the game's own arrow keys, and a tap on
// the stack under the bracket picks its top. The bracket's place is read off
// the terminal, as a player sees it.
const line = (row) => term.buffer.active.getLine(row)?.translateToString() ?? '';
function tapAt(x) {
  const bracket = line(24).indexOf('╙─╜');
  if ([...Array(25).keys()].some((row) => line(row).includes('Play again? '))) {
    send('y');
  } else if (!host.running || bracket < 0) {
    send(' ');
  } else {
    const screen = term.element.querySelector('.xterm-screen').getBoundingClientRect();
    const column = Math.floor(((x - screen.left) * 80) / screen.width);
    const [stack, cursor] = [Math.round((column - 10) / 3), (bracket - 9) / 3];
    if (column >= 8 && column <= 40) {
      send(stack === cursor ? '\r' : (stack < cursor ? '\x1b[D' : '\x1b[C').repeat(Math.abs(stack - cursor)));
    }
  }
}
let touchFrom = null;
box.addEventListener('touchstart', (event) => {
  touchFrom = event.touches.length === 1 ? [event.touches[0].clientX, event.touches[0].clientY] : null;
}, { passive: true });
box.addEventListener('touchend', (event) => {
  const touch = event.changedTouches[0];
  // A finger that moved was scrolling, not tapping.
  if (touchFrom && Math.hypot(touch.clientX - touchFrom[0], touch.clientY - touchFrom[1]) < 10) {
    event.preventDefault();  // no mouse events follow, so the text box takes no focus
    term.blur();
    tapAt(touch.clientX);
  }
  touchFrom = null;
});

// In a game, a portrait screen shows only the 70 columns the game draws in,
// for a larger font.
const playing = () => line(0)[8] === '\u2502';
const portrait = () => document.documentElement.clientHeight > document.documentElement.clientWidth;
let cropped = false;
term.onWriteParsed(() => {
  if (playing() !== cropped && portrait()) {
    fit();
  }
});

// The room the terminal has, and the font that should fill it, from the
// font's own metrics as xterm.js measures a cell. The layout viewport's:
// a phone's browser may zoom out to a page wider than the screen, and then
// innerWidth is the page's width.
function room(columns) {
  const padHeight = document.getElementById('pad').offsetHeight;  // 0 while it is not shown
  const [width, height] = [document.documentElement.clientWidth - 8, document.documentElement.clientHeight - 8 - padHeight];
  const [cellWidth, cellHeight] = cellOfFont();
  const size = Math.min((100 * width) / (columns * cellWidth), (100 * height) / (25 * cellHeight));
  const font = Math.min(largestFont, Math.max(smallestFont, Math.floor(size * 2) / 2));
  return { width, height, padHeight, font, cell: [cellWidth, cellHeight].join() };
}
// A cell of a 100 px font; where the browser gives no font box, its height
// is DejaVu Sans Mono's.
function cellOfFont() {
  const context = document.createElement('canvas').getContext('2d');
  context.font = `100px ${term.options.fontFamily}`;
  const metrics = context.measureText('W');
  return [metrics.width, metrics.fontBoundingBoxAscent + metrics.fontBoundingBoxDescent || 116.4];
}
let fittedCell = '';
// The font the metrics give, made smaller while the terminal does not fit.
function fit() {
  const screen = term.element.querySelector('.xterm-screen');
  cropped = playing() && portrait();
  const columns = cropped ? 70 : 80;
  const { width, height, padHeight, font, cell } = room(columns);
  document.body.style.paddingBottom = `${padHeight}px`;
  const shown = () => [(screen.getBoundingClientRect().width * columns) / 80, screen.getBoundingClientRect().height];
  let shownWidth, shownHeight;
  for (let size = font; ; size -= 0.5) {
    term.options.fontSize = size;
    [shownWidth, shownHeight] = shown();
    if (size <= smallestFont || (shownWidth <= width && shownHeight <= height)) {
      break;
    }
  }
  box.style.width = cropped ? `${Math.ceil(shownWidth)}px` : '';
  fittedCell = cell;
}
window.addEventListener('resize', fit);
fit();
// A font that arrives late has other cells: measured again once all are in.
document.fonts?.ready.then(() => {
  if (cellOfFont().join() !== fittedCell) {
    term.options.fontSize += 0.5;
    fit();
  }
});
if (!touchDevice) {
  term.focus();
}
// Installed to a home screen or visited once, the site plays offline (sw.js).
// Registered once the page has loaded, so that its fetches wait for the game's.
if ('serviceWorker' in navigator && location.protocol !== 'file:') {
  window.addEventListener('load', () => navigator.serviceWorker.register('sw.js').catch(() => {}));
}
start();
