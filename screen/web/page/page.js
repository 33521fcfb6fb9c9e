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

const term = new Terminal({
  cols: 80, rows: 25, scrollback: 0, theme,
  // The console's cursor: a blinking underline. xterm.js's own blink draws
  // frames all the while, which costs the idle page CPU and keys their
  // latency; a CSS animation blinks it instead (index.html).
  cursorStyle: 'underline', cursorInactiveStyle: 'underline', cursorBlink: false,
  // The game writes "\n" where a terminal driver would send CR LF.
  convertEol: true,
  fontFamily: '"DejaVu Sans Mono", Menlo, Consolas, "Liberation Mono", monospace',
});
window.tenfallTerminal = term;
const box = document.getElementById('terminal');
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
// Wakes go through a message, not straight from a timer callback: a wait
// resolved inside a timer makes xterm.js's own next write a nested timer,
// which Chrome holds back by 4 ms.
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
  ended() {
    this.running = false;
    term.write('\x1b[0m\x1b[23;44HThe game has ended.\x1b[24;44HAny key starts it again.');
  },
};
wakeChannel.port2.onmessage = () => {
  const wake = host.wake;
  host.wake = null;
  if (wake) {
    wake();
  }
};

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

// The wasm is fetched and compiled by the page itself, so that a server
// sending it under another MIME type serves the game as well. The one-file
// page (tenfall.html) carries it inline as `tenfallWasm`.
function instantiateWasm(imports, done) {
  (globalThis.tenfallWasm ? Promise.resolve(globalThis.tenfallWasm)
    : fetch(new URL('tenfall.wasm', import.meta.url)).then((response) => response.arrayBuffer()))
    .then((bytes) => WebAssembly.instantiate(bytes, imports))
    .then((result) => done(result.instance))
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
  host.wakeUp();
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

// Where the font's line-drawing glyphs are shorter than the terminal's rows
// (Firefox rounds the font's ascent and descent up, each to a whole pixel),
// every row is stretched by the little it takes for the frame to meet.
const rowFill = document.head.appendChild(document.createElement('style'));
function fillRows() {
  const font = `${term.options.fontSize}px ${term.options.fontFamily}`;
  const rowHeight = term.element.querySelector('.xterm-screen').getBoundingClientRect().height / 25;
  const probe = document.body.appendChild(document.createElement('div'));
  probe.style.cssText = `position: absolute; visibility: hidden; font: ${font}`;
  probe.innerHTML = '<span>\u2502</span><span style="display: inline-block"></span>';
  const [glyph, base] = [...probe.children].map((e) => e.getBoundingClientRect());
  probe.remove();
  // The glyph's ink, measured large: Firefox rounds it to whole pixels.
  const context = document.createElement('canvas').getContext('2d');
  context.font = `1000px ${term.options.fontFamily}`;
  const ink = context.measureText('\u2502');
  const scale = term.options.fontSize / 1000;
  // Where the ink lies in a row, whose line box centres the font.
  const baseline = (rowHeight - glyph.height) / 2 + (base.bottom - glyph.top);
  const [top, bottom] = [baseline - scale * ink.actualBoundingBoxAscent, baseline + scale * ink.actualBoundingBoxDescent];
  if (!(bottom > top) || (top <= 0.25 && bottom >= rowHeight - 0.25)) {
    rowFill.textContent = '';
    return;
  }
  const middle = (top + bottom) / 2;
  rowFill.textContent = `.xterm-rows > div { transform-origin: 0 ${middle}px;
    transform: translateY(${rowHeight / 2 - middle}px) scaleY(${Math.max(1, (rowHeight + 0.5) / (bottom - top))}); }`;
}

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

// The largest font that shows the terminal above the touch pad, in half
// pixels; below the smallest, the page scrolls.
const [smallestFont, largestFont] = [4, 32];
function fit() {
  const screen = term.element.querySelector('.xterm-screen');
  const pad = document.getElementById('pad');
  const padHeight = pad.offsetHeight;  // 0 while it is not shown
  document.body.style.paddingBottom = `${padHeight}px`;
  cropped = playing() && portrait();
  const columns = cropped ? 70 : 80;
  const shown = () => [(screen.getBoundingClientRect().width * columns) / 80, screen.getBoundingClientRect().height];
  // The layout viewport's: a phone's browser may zoom out to a page wider
  // than the screen, and then innerWidth is the page's width.
  const [width, height] = [document.documentElement.clientWidth - 8, document.documentElement.clientHeight - 8 - padHeight];
  let [shownWidth, shownHeight] = shown();
  let size = term.options.fontSize * Math.min(width / shownWidth, height / shownHeight);
  size = Math.min(largestFont, Math.max(smallestFont, Math.floor(size * 2) / 2));
  for (; ; size -= 0.5) {
    term.options.fontSize = size;
    [shownWidth, shownHeight] = shown();
    if (size <= smallestFont || (shownWidth <= width && shownHeight <= height)) {
      break;
    }
  }
  box.style.width = cropped ? `${Math.ceil(shownWidth)}px` : '';
  fillRows();
}
window.addEventListener('resize', fit);
fit();
// A font that arrives late has other cells: measured again once all are in.
document.fonts?.ready.then(() => {
  term.options.fontSize += 0.5;
  fit();
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
