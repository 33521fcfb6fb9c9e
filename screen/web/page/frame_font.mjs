// A TrueType font of the five line-drawing glyphs the game draws its frame
// and bracket with. A font's own glyphs stop at its ascent and descent, and
// where a browser's rows of the terminal reach past them (Firefox rounds each
// up to a whole pixel; Chromium's rows, at a phone's three pixels a point,
// fall between pixels) the frame has a gap at every row. These reach well
// past any row, which cuts them at its edges, so that the lines meet.
// Their strokes are DejaVu Sans Mono's, on a cell as wide as its cells.

const unitsPerEm = 1000;
const advance = 602;
const [top, bottom] = [1600, -900];
const [ascent, descent] = [928, 236];       // DejaVu's, should a browser ask
const light = [262, 340];                    // a single vertical stroke
const double = [[184, 262], [340, 418]];     // the two strokes of a double one
const middle = [302, 386];                   // the horizontal stroke
const [left, right] = [-10, advance + 10];   // where it runs on into the next cell
const upDouble = double.map(([x0, x1]) => [x0, middle[0], x1, top]);

// Each glyph as rectangles [x0, y0, x1, y1], by its code point.
export const frameGlyphs = new Map([
  [0x2502, [[light[0], bottom, light[1], top]]],                          // │
  [0x2551, double.map(([x0, x1]) => [x0, bottom, x1, top])],             // ║
  [0x2500, [[left, middle[0], right, middle[1]]]],                        // ─
  [0x2559, [...upDouble, [double[0][0], middle[0], right, middle[1]]]],  // ╙
  [0x255C, [...upDouble, [left, middle[0], double[1][1], middle[1]]]],  // ╜
]);

// The search hints of a sorted table of `count` entries of `size` bytes.
const binarySearch = (count, size) => {
  const power = 2 ** Math.floor(Math.log2(count));
  return [size * power, Math.log2(power), size * (count - power)];
};
const u16 = (...values) => values.flatMap((v) => [(v >> 8) & 0xff, v & 0xff]);
const u32 = (...values) => values.flatMap((v) => [...u16(v >>> 16), ...u16(v & 0xffff)]);
const padded = (bytes) => [...bytes, ...Array((4 - (bytes.length % 4)) % 4).fill(0)];
const checksum = (bytes) => padded(bytes).reduce((sum, _, i, all) =>
  (i % 4 ? sum : (sum + ((all[i] << 24) | (all[i + 1] << 16) | (all[i + 2] << 8) | all[i + 3])) >>> 0), 0);

// A simple glyph: one clockwise contour of four on-curve points a rectangle.
function glyph(rectangles) {
  const xs = rectangles.flatMap(([x0, , x1]) => [x0, x1]);
  const ys = rectangles.flatMap(([, y0, , y1]) => [y0, y1]);
  const points = rectangles.flatMap(([x0, y0, x1, y1]) => [[x0, y0], [x0, y1], [x1, y1], [x1, y0]]);
  const deltas = (axis) => points.map((p, i) => p[axis] - (i ? points[i - 1][axis] : 0));
  const bytes = [...u16(rectangles.length, Math.min(...xs), Math.min(...ys), Math.max(...xs), Math.max(...ys)),
    ...u16(...rectangles.map((_, i) => 4 * i + 3)), ...u16(0), ...Array(points.length).fill(1),
    ...u16(...deltas(0)), ...u16(...deltas(1))];
  return bytes.length % 2 ? [...bytes, 0] : bytes;
}

// Windows' English names: family, style, full name and PostScript name.
function name(family) {
  const records = [[1, family], [2, 'Regular'], [4, family], [6, family.replace(/ /g, '')]];
  const strings = records.map(([, text]) => [...text].flatMap((c) => u16(c.charCodeAt(0))));
  const starts = strings.map((_, i) => strings.slice(0, i).flat().length);
  return [...u16(0, records.length, 6 + 12 * records.length),
    ...records.flatMap(([id], i) => u16(3, 1, 0x409, id, strings[i].length, starts[i])), ...strings.flat()];
}

// The font's bytes, with `family` as its name.
export function frameFont(family) {
  const codes = [...frameGlyphs.keys()].sort((a, b) => a - b);
  const glyphs = [[], ...codes.map((code) => glyph(frameGlyphs.get(code)))];  // glyph 0: .notdef, empty
  const offsets = glyphs.reduce((list, g) => [...list, list.at(-1) + g.length], [0]);
  const all = [...frameGlyphs.values()].flat();
  const box = [Math.min(...all.map((r) => r[0])), bottom, Math.max(...all.map((r) => r[2])), top];
  const points = Math.max(...[...frameGlyphs.values()].map((g) => 4 * g.length));
  const contours = Math.max(...[...frameGlyphs.values()].map((g) => g.length));
  const segments = [...codes, 0xffff];  // one code point each, and the end
  const tables = {
    // Regular weight and width, installable; DejaVu's vertical metrics, the
    // glyphs' own extent for Windows, which cuts glyphs at it.
    'OS/2': [...u16(4, advance, 400, 5, 0, 650, 700, 0, 140, 650, 700, 0, 480, 50, 259, 0), ...Array(10).fill(0),
      ...u32(0, 0, 0, 0, 0), ...u16(0x40, codes[0], codes.at(-1), ascent, -descent, 0, top, -bottom),
      ...u32(1, 0), ...u16(500, 700, 0, 0x20, 0)],
    // Windows' Unicode map, format 4: code point to glyph by a delta.
    cmap: [...u16(0, 1, 3, 1), ...u32(12), ...u16(4, 16 + 8 * segments.length, 0, 2 * segments.length,
      ...binarySearch(segments.length, 2)),
      ...u16(...segments, 0, ...segments, ...segments.map((code, i) => (code === 0xffff ? 1 : i + 1 - code)),
        ...segments.map(() => 0))],
    glyf: glyphs.flat(),
    head: [...u32(0x10000, 0x10000, 0, 0x5f0f3cf5), ...u16(1, unitsPerEm), ...u32(0, 0, 0, 0), ...u16(...box, 0, 8, 2, 0, 0)],
    hhea: [...u32(0x10000), ...u16(ascent, -descent, 0, advance, box[0], advance - box[2], box[2], 1, 0, 0, 0, 0, 0, 0, 0,
      glyphs.length)],
    hmtx: glyphs.flatMap((g, i) => u16(advance, i ? (g[2] << 8) | g[3] : 0)),  // each glyph's left edge as its bearing
    loca: u16(...offsets.map((o) => o / 2)),
    maxp: [...u32(0x10000), ...u16(glyphs.length, points, contours, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0)],
    name: name(family),
    post: [...u32(0x30000, 0, 0, 1, 0, 0, 0, 0)],  // monospaced, no glyph names
  };
  const tags = Object.keys(tables).sort();
  const at = {};
  let offset = 12 + 16 * tags.length;
  const directory = tags.flatMap((tag) => {
    at[tag] = offset;
    offset += padded(tables[tag]).length;
    return [...[...tag].map((c) => c.charCodeAt(0)), ...u32(checksum(tables[tag]), at[tag], tables[tag].length)];
  });
  const font = [...u32(0x10000), ...u16(tags.length, ...binarySearch(tags.length, 16)),
    ...directory, ...tags.flatMap((tag) => padded(tables[tag]))];
  // The whole font sums to a magic number, through the head table's adjustment.
  font.splice(at.head + 8, 4, ...u32((0xb1b0afba - checksum(font)) >>> 0));
  return Uint8Array.from(font);
}
