// Writes an 8-bit RGBA PNG again as a palette PNG, its rows unfiltered and deflated at zlib's
// best: the title's picture as the simulator writes it (stb's own deflate) is four times larger,
// and the page carries it in its own bytes. Images of more than 256 colours are refused.
// Usage: node palette_png.mjs IN.png OUT.png
import fs from "node:fs";
import zlib from "node:zlib";

const [input, output] = process.argv.slice(2);
const bytes = fs.readFileSync(input);

const chunks = [];
for (let at = 8; at < bytes.length; at += 12 + bytes.readUInt32BE(at)) {
  const length = bytes.readUInt32BE(at);
  chunks.push({ type: bytes.toString("latin1", at + 4, at + 8),
                data: bytes.subarray(at + 8, at + 8 + length) });
}
const header = chunks.find((chunk) => chunk.type === "IHDR").data;
const [width, height] = [header.readUInt32BE(0), header.readUInt32BE(4)];
if (header[8] !== 8 || header[9] !== 6 || header[12] !== 0) {
  throw new Error(`${input} is not an 8-bit RGBA PNG without interlacing`);
}
const filtered = zlib.inflateSync(Buffer.concat(
  chunks.filter((chunk) => chunk.type === "IDAT").map((chunk) => chunk.data)));

// PNG's five row filters undone, four bytes a pixel.
const stride = width * 4;
const pixels = Buffer.alloc(stride * height);
for (let y = 0; y < height; ++y) {
  const type = filtered[y * (stride + 1)];
  const row = filtered.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
  for (let x = 0; x < stride; ++x) {
    const left = x >= 4 ? pixels[y * stride + x - 4] : 0;
    const up = y > 0 ? pixels[(y - 1) * stride + x] : 0;
    const corner = x >= 4 && y > 0 ? pixels[(y - 1) * stride + x - 4] : 0;
    const guess = left + up - corner;
    const nearest = [left, up, corner].reduce((best, each) =>
      (Math.abs(guess - each) < Math.abs(guess - best) ? each : best));
    const predicted = [0, left, up, (left + up) >> 1, nearest][type];
    pixels[y * stride + x] = (row[x] + predicted) & 0xff;
  }
}

const palette = new Map();
const indices = Buffer.alloc((width + 1) * height);
for (let y = 0; y < height; ++y) {
  for (let x = 0; x < width; ++x) {
    const colour = pixels.readUInt32BE(y * stride + x * 4);
    if (!palette.has(colour)) {
      palette.set(colour, palette.size);
    }
    indices[y * (width + 1) + 1 + x] = palette.get(colour);
  }
}
if (palette.size > 256) {
  throw new Error(`${input} has ${palette.size} colours`);
}

const kCrcTable = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; ++k) {
    c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  }
  return c >>> 0;
});
function chunk(type, data) {
  const body = Buffer.concat([Buffer.from(type, "latin1"), data]);
  let crc = 0xffffffff;
  for (const byte of body) {
    crc = kCrcTable[(crc ^ byte) & 0xff] ^ (crc >>> 8);
  }
  const out = Buffer.alloc(body.length + 8);
  out.writeUInt32BE(data.length, 0);
  body.copy(out, 4);
  out.writeUInt32BE((crc ^ 0xffffffff) >>> 0, body.length + 4);
  return out;
}
const colours = [...palette.keys()];
const ihdr = Buffer.alloc(13);
ihdr.writeUInt32BE(width, 0);
ihdr.writeUInt32BE(height, 4);
ihdr[8] = 8;  // bits a palette index
ihdr[9] = 3;  // palette
const rgb = colours.flatMap((c) => [c >>> 24, (c >>> 16) & 0xff, (c >>> 8) & 0xff]);
const png = [bytes.subarray(0, 8), chunk("IHDR", ihdr), chunk("PLTE", Buffer.from(rgb))];
if (colours.some((c) => (c & 0xff) !== 0xff)) {
  png.push(chunk("tRNS", Buffer.from(colours.map((c) => c & 0xff))));
}
png.push(chunk("IDAT", zlib.deflateSync(indices, { level: 9 })), chunk("IEND", Buffer.alloc(0)));
fs.writeFileSync(output, Buffer.concat(png));
