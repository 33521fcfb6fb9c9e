// The page around the game: an 80 x 25 xterm.js terminal, the host the game's
// module talks to (screen/web/host.cpp), the touch pad, and a fresh module
// for every run.

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

const term = new Terminal({
  cols: 80, rows: 25, scrollback: 0, theme, cursorBlink: false,
  // The game writes "\n" where a terminal driver would send CR LF.
  convertEol: true,
  fontFamily: '"DejaVu Sans Mono", Menlo, Consolas, "Liberation Mono", monospace',
});
window.tenfallTerminal = term;
term.open(document.getElementById('terminal'));

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
// being shown the game's wait looks at the clock again and goes on.
document.addEventListener('visibilitychange', () => {
  const now = performance.now();
  if (document.hidden && host.hiddenSince === null) {
    host.hiddenSince = now;
    clearTimeout(host.timer);
  } else if (!document.hidden && host.hiddenSince !== null) {
    host.hiddenFor += now - host.hiddenSince;
    host.hiddenSince = null;
    host.wakeUp();
  }
});

// The wasm is fetched and compiled by the page itself, so that a server
// sending it under another MIME type serves the game as well.
function instantiateWasm(imports, done) {
  fetch(new URL('tenfall.wasm', import.meta.url))
    .then((response) => response.arrayBuffer())
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
  term.focus();
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

// The largest font that shows all 80 x 25 cells above the touch pad, in
// half pixels.
const [smallestFont, largestFont] = [4, 32];
function fit() {
  const screen = term.element.querySelector('.xterm-screen');
  const pad = document.getElementById('pad');
  const padHeight = pad.offsetHeight;  // 0 while it is not shown
  document.body.style.paddingBottom = `${padHeight}px`;
  const width = window.innerWidth - 8;
  const height = window.innerHeight - 8 - padHeight;
  let size = term.options.fontSize;
  size *= Math.min(width / screen.offsetWidth, height / screen.offsetHeight);
  size = Math.min(largestFont, Math.max(smallestFont, size));
  for (size = Math.floor(size * 2) / 2; size > smallestFont; size -= 0.5) {
    term.options.fontSize = size;
    if (screen.offsetWidth <= width && screen.offsetHeight <= height) {
      break;
    }
  }
}
window.addEventListener('resize', fit);
fit();
term.focus();
start();
