// What the page's tests and measurements share: reading the PNGs that Chromium and the game's
// tools write, and waiting for the page.
import zlib from "node:zlib";

// --- PNG, as Chromium and the game's tools write it: 8-bit RGB or RGBA, not interlaced. -----
// The pixels come as RGB; `alpha` holds each pixel's opacity, 255 throughout for RGB.
export function decodePng(bytes) {
  let offset = 8;
  let width = 0;
  let height = 0;
  let channels = 0;
  const data = [];
  while (offset < bytes.length) {
    const length = bytes.readUInt32BE(offset);
    const type = bytes.toString("latin1", offset + 4, offset + 8);
    const body = bytes.subarray(offset + 8, offset + 8 + length);
    if (type === "IHDR") {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0 || (body[9] !== 2 && body[9] !== 6)) {
        throw new Error("unexpected PNG format");
      }
      channels = body[9] === 6 ? 4 : 3;
    } else if (type === "IDAT") {
      data.push(body);
    }
    offset += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const pixels = Buffer.alloc(width * height * 3);
  const alpha = Buffer.alloc(width * height, 255);
  let previous = Buffer.alloc(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; ++i) {
      const left = i >= channels ? line[i - channels] : 0;
      const up = previous[i];
      const upLeft = i >= channels ? previous[i - channels] : 0;
      let predicted = 0;
      if (filter === 1) predicted = left;
      else if (filter === 2) predicted = up;
      else if (filter === 3) predicted = (left + up) >> 1;
      else if (filter === 4) {
        const p = left + up - upLeft;
        const pa = Math.abs(p - left);
        const pb = Math.abs(p - up);
        const pc = Math.abs(p - upLeft);
        predicted = pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
      }
      line[i] = (line[i] + predicted) & 0xff;
    }
    for (let x = 0; x < width; ++x) {
      line.copy(pixels, (y * width + x) * 3, x * channels, x * channels + 3);
      if (channels === 4) {
        alpha[y * width + x] = line[x * channels + 3];
      }
    }
    previous = line;
  }
  return { width, height, pixels, alpha };
}

export const sleep = (milliseconds) => new Promise((resolve) => setTimeout(resolve, milliseconds));
export async function waitFor(what, condition, seconds) {
  for (const end = Date.now() + seconds * 1000; Date.now() < end; await sleep(50)) {
    if (await condition()) {
      return;
    }
  }
  throw new Error(`${what}: not within ${seconds} s`);
}
