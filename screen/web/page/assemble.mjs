// Finishes the site that scripts/web.sh copied into DIR: the home-screen
// icons, drawn here; the frame's font (frame_font.mjs), written into
// index.html; and tenfall.html, the page with everything in it (the
// wasm as base64, xterm.js, the game's module, the page's script and the
// CSS), which plays opened from disk where module files cannot load.
//
//     node screen/web/page/assemble.mjs DIR

import { readFileSync, writeFileSync } from 'node:fs';
import { crc32, deflateSync } from 'node:zlib';
import { frameFont, frameGlyphs } from './frame_font.mjs';

const dir = process.argv[2];
const read = (name) => readFileSync(`${dir}/${name}`, 'utf8');

// The icon: the frame in cyan, stacks of grey digits with yellow tops, and
// the green bracket under one, on black, drawn on a 16 x 16 grid.
function icon(size) {
  const cell = size / 16;
  const colour = (x, y) => {
    const [gx, gy] = [Math.floor(x / cell), Math.floor(y / cell)];
    const [fx, fy] = [x / cell - gx, y / cell - gy];
    if ((gx === 2 || gx === 13) && gy >= 2 && gy <= 13 && fx > 0.35 && fx < 0.65) return [0, 205, 205];
    if (gy === 13 && gx >= 6 && gx <= 9 && (fy > 0.35 && fy < 0.65 || (gx === 6 || gx === 9) && fy < 0.65)) return [0, 205, 0];
    const height = [0, 0, 0, 0, 3, 0, 5, 0, 2, 0, 4][gx - 2];
    if (height && gy <= 12 && gy > 12 - height && fx > 0.1 && fy > 0.1) return gy === 13 - height ? [205, 205, 0] : [127, 127, 127];
    return [0, 0, 0];
  };
  const rows = Buffer.alloc(size * (3 * size + 1));
  for (let y = 0; y < size; ++y) {
    for (let x = 0; x < size; ++x) {
      rows.set(colour(x, y), y * (3 * size + 1) + 1 + 3 * x);
    }
  }
  const chunk = (type, data) => {
    const body = Buffer.concat([Buffer.from(type), data]);
    const head = Buffer.alloc(4);
    head.writeUInt32BE(data.length);
    const crc = Buffer.alloc(4);
    crc.writeUInt32BE(crc32(body));
    return Buffer.concat([head, body, crc]);
  };
  const header = Buffer.alloc(13);
  header.writeUInt32BE(size, 0);
  header.writeUInt32BE(size, 4);
  header.set([8, 2, 0, 0, 0], 8);  // 8-bit RGB
  return Buffer.concat([Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]), chunk('IHDR', header),
    chunk('IDAT', deflateSync(rows, { level: 9 })), chunk('IEND', Buffer.alloc(0))]);
}
for (const size of [192, 512]) {
  writeFileSync(`${dir}/icon-${size}.png`, icon(size));
}

const family = 'tenfall frame';  // as page.js names it
const fontFace = `  @font-face { font-family: "${family}"; font-display: block;
    src: url(data:font/ttf;base64,${Buffer.from(frameFont(family)).toString('base64')}) format("truetype");
    unicode-range: ${[...frameGlyphs.keys()].map((code) => `U+${code.toString(16).toUpperCase()}`).join(', ')}; }
`;
writeFileSync(`${dir}/index.html`, read('index.html').replace('<style>\n', () => `<style>\n${fontFace}`));

// Each module in a function of its own, so that their names do not meet; what
// they export is what the function returns.
const xterm = read('xterm.js').replace(/export\s*\{\s*(\w+) as Terminal\s*\};?\s*$/, 'return $1;');
const tenfall = read('tenfall.js').replace(/export default createTenfall;\s*$/, 'return createTenfall;');
const page = read('page.js').replace(/^import .*\n/gm, '');
if (xterm === read('xterm.js') || tenfall === read('tenfall.js')) {
  throw new Error('assemble.mjs: an export it does not know');
}
const wasm = readFileSync(`${dir}/tenfall.wasm`).toString('base64');
// "</script" inside a script would end it. WebKit knows no import.meta in a
// module written into the page.
const script = `globalThis.tenfallWasm = Uint8Array.from(atob('${wasm}'), (c) => c.charCodeAt(0));
const Terminal = (() => { ${xterm}\n})();
const createTenfall = (() => { ${tenfall}\n})();
${page}`.replace(/<\/script/gi, '<\\/script').replaceAll('import.meta.url', 'location.href');
const html = read('index.html')
  .replace(/<link rel="(manifest|icon|apple-touch-icon|modulepreload|preload)"[^>]*>\n/g, '')
  .replace(/<script>[^]*?<\/script>\n/, '')
  .replace('<link rel="stylesheet" href="xterm.css">', () => `<style>\n${read('xterm.css')}</style>`)
  .replace('<script type="module" src="page.js"></script>', () => `<script type="module">\n${script}</script>`);
writeFileSync(`${dir}/tenfall.html`, html);
