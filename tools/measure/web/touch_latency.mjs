// The time from a touch to its picture in the page, on an emulated phone: on the still title, a
// finger on Down or Up moves the menu's cursor, and the page watches its canvas at every display
// frame until the pixels change. The time runs from the touch's own event to the start of the
// display frame that first shows the new picture. Keys are measured the same way beside it.
// Each time is split where the page and the browser hand over: from the event's own time to
// the page's first handler of it (the browser delivering the input), from there to the game's
// drawing of the new picture (the page: its handlers and the game's pass; the game draws in
// software here, through putImageData), and from there to the display frame that shows it (the
// browser).
// Usage: node touch_latency.mjs WEB_BUILD [PRESSES]
import { startServer } from "../../../web/serve.mjs";
import { launchChromium } from "../../../tests/web/chromium.mjs";
import { sleep } from "../../../tests/web/page_helpers.mjs";
import { kFieldWidth } from "../../../tests/web/field_size.mjs";

const [webBuild, pressesText = "40"] = process.argv.slice(2);
if (!webBuild) {
  console.error("usage: node touch_latency.mjs WEB_BUILD [PRESSES]");
  process.exit(2);
}
const presses = Number(pressesText);

// In the page: from the next finger's first event or keydown, the time until a display frame
// shows canvas pixels other than those it shows now.
const kWatch = `window.watchNextPicture = (fieldWidth) => new Promise((resolve) => {
  // The canvas read at the field's size, pixel for pixel where it is a whole scale of it:
  // reading a phone's whole canvas would take longer than the frames it watches.
  const canvas = document.getElementById("canvas");
  const copy = document.createElement("canvas");
  const scale = Math.max(1, Math.floor(canvas.width / fieldWidth));
  copy.width = canvas.width / scale;
  copy.height = canvas.height / scale;
  const context = copy.getContext("2d", { willReadFrequently: true });
  context.imageSmoothingEnabled = false;
  const pixels = () => {
    context.drawImage(canvas, 0, 0, copy.width, copy.height);
    return new Uint32Array(context.getImageData(0, 0, copy.width, copy.height).data.buffer);
  };
  const differ = (a, b) => a.length !== b.length || a.some((value, index) => value !== b[index]);
  const before = pixels();
  let start = null;
  let handled = null;
  let drawn = null;
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (...rest) {
    if (handled !== null && drawn === null && this.canvas === canvas) {
      drawn = performance.now();
    }
    return put.apply(this, rest);
  };
  const started = (event) => {
    if (start === null) {
      start = event.timeStamp;
      handled = performance.now();
    }
  };
  // A finger's first event is pointerover, whose pointerenter the page's button answers.
  for (const first of ["pointerover", "pointerdown", "keydown"]) {
    window.addEventListener(first, started, { capture: true, once: true });
  }
  const look = (now) => {
    if (start !== null && differ(pixels(), before)) {
      CanvasRenderingContext2D.prototype.putImageData = put;
      drawn = drawn ?? now;
      resolve({ total: now - start, input: handled - start, page: drawn - handled,
                frame: now - drawn });
    } else {
      requestAnimationFrame(look);
    }
  };
  requestAnimationFrame(look);
});`;

const server = await startServer(webBuild);
// Software WebGL, so the game draws into a canvas whose pixels can be read back.
const browser = await launchChromium(["--use-angle=swiftshader", "--enable-unsafe-swiftshader"]);
const page = await browser.newPage();
await page.setViewport({ width: 412, height: 915, deviceScaleFactor: 2.625, isMobile: true,
                         hasTouch: true });
await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
await page.waitForFunction(() => window.Module && window.Module.calledRun, { timeout: 30000 });
await sleep(1000);
await page.evaluate(kWatch);
const protocol = await page.createCDPSession();

async function centre(name) {
  const box = await (await page.$(`.pad button[aria-label="${name}"]`)).boundingBox();
  return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
}
const byTouch = async (name) => {
  const point = await centre(name);
  await protocol.send("Input.dispatchTouchEvent", { type: "touchStart", touchPoints: [point] });
  await sleep(60);
  await protocol.send("Input.dispatchTouchEvent", { type: "touchEnd", touchPoints: [] });
};
const byKey = async (name) => {
  await page.keyboard.down(name === "Down" ? "ArrowDown" : "ArrowUp");
  await sleep(60);
  await page.keyboard.up(name === "Down" ? "ArrowDown" : "ArrowUp");
};

function percentiles(times) {
  const sorted = [...times].sort((a, b) => a - b);
  const at = (share) => sorted[Math.min(sorted.length - 1, Math.floor(share * sorted.length))];
  return { p50: at(0.5), p90: at(0.9), max: sorted[sorted.length - 1] };
}
function summary(parts) {
  const { p50, p90, max } = percentiles(parts.map((part) => part.total));
  const split = ["input", "page", "frame"].map((name) =>
    `${name} ${percentiles(parts.map((part) => part[name])).p50.toFixed(1)}`).join(", ");
  return `p50 ${p50.toFixed(1)} ms, p90 ${p90.toFixed(1)} ms, max ${max.toFixed(1)} ms ` +
         `(p50 of each part: ${split} ms)`;
}

const times = { touch: [], key: [] };
// Touches first, then keys: the first key hides the controls, and the canvas takes their room.
for (const [way, act] of [["touch", byTouch], ["key", byKey]]) {
  if (way === "key") {
    await page.keyboard.press("Shift");
  }
  for (let press = 0; press < presses; ++press) {
    // Each press on a still page, whose passes run from the timer.
    await sleep(400);
    const seen = page.evaluate((width) => window.watchNextPicture(width), kFieldWidth);
    await sleep(50);
    await act(press % 2 === 0 ? "Down" : "Up");
    times[way].push(await seen);
  }
}
console.log(`touch to picture, ${presses} presses: ${summary(times.touch)}`);
console.log(`key to picture, ${presses} presses: ${summary(times.key)}`);
await browser.close();
server.close();
