// What an active stage costs in the page against the desktop game, side by side in one run on
// one machine: the desktop build plays a demo in a 1920x1080 Xvfb screen (and again under
// xcompmgr where it is installed), then the page plays the same demo in headless Chromium, and
// a bare canvas animated at the game's size shows the browser's own floor; each one's CPU time
// (every Chromium process counted; the X server and compositor apart) is read from /proc over
// the same window of the demo, in rounds that alternate.
// Usage: node page_cost.mjs WEB_BUILD DESKTOP_GAME DEMO_SCRIPT [ROUNDS]
// BRICKFALL_COST_SETTLE (default 3) and BRICKFALL_COST_SECONDS (default 12) set the window.
import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { startServer } from "../../../web/serve.mjs";
import { launchChromium } from "../../../tests/web/chromium.mjs";
import { cpuShare, ticksPerSecond, treeTicks } from "./cpu_share.mjs";
import { sleep } from "../../../tests/web/page_helpers.mjs";
import { kFieldHeight, kFieldWidth } from "../../../tests/web/field_size.mjs";

const [webBuild, desktopGame, demo, roundsText = "2"] = process.argv.slice(2);
if (!webBuild || !desktopGame || !demo) {
  console.error("usage: node page_cost.mjs WEB_BUILD DESKTOP_GAME DEMO_SCRIPT [ROUNDS]");
  process.exit(2);
}
const settle = Number(process.env.BRICKFALL_COST_SETTLE || 3);
const seconds = Number(process.env.BRICKFALL_COST_SECONDS || 12);

// CPU share of one core over the window, after the settling time.
const measure = (root) => cpuShare(root, settle, seconds);

// The desktop game in a screen of its own; with `compositor`, under that compositing manager,
// as a desktop session draws its windows. Gives the game's share, and its display's (the X
// server with the compositor).
let screens = 0;
async function desktop(compositor) {
  // A display number of its own each time: the last one's server may still hold its lock.
  const display = `:${100 + (process.pid % 50) * 8 + (screens++ % 8)}`;
  const xvfb = spawn("Xvfb", [display, "-screen", "0", "1920x1080x24", "-nolisten", "tcp"],
                     { stdio: "ignore" });
  await sleep(1500);
  const env = { ...process.env, DISPLAY: display, SDL_AUDIODRIVER: "dummy" };
  const helper = compositor ? spawn(compositor, [], { stdio: "ignore", env }) : null;
  await sleep(helper ? 500 : 0);
  const game = spawn(desktopGame, ["--demo", demo], { stdio: "ignore", env });
  const displayTicks = () => treeTicks(xvfb.pid) + (helper ? treeTicks(helper.pid) : 0);
  try {
    await sleep(settle * 1000);
    const before = [treeTicks(game.pid), displayTicks()];
    await sleep(seconds * 1000);
    const after = [treeTicks(game.pid), displayTicks()];
    return { game: (after[0] - before[0]) / ticksPerSecond / seconds,
             display: (after[1] - before[1]) / ticksPerSecond / seconds };
  } finally {
    game.kill("SIGKILL");
    helper?.kill("SIGKILL");
    xvfb.kill("SIGKILL");
  }
}

// The browser's configurations: as Chromium starts headless here (its GPU process drawing on
// SwiftShader), and as a desktop Chromium without a GPU draws (software compositing, no WebGL).
const kBrowsers = {
  "headless default": [],
  "no GPU": ["--disable-gpu", "--disable-gpu-compositing", "--disable-software-rasterizer"],
};

// A bare canvas of the field's size given new pixels every display frame: what any animation at
// the game's size costs this browser, whatever draws it.
const kBareCanvas = `<!doctype html><body style="background:#000"><canvas width="${kFieldWidth}"
  height="${kFieldHeight}"></canvas><script>const context = document.querySelector("canvas").getContext("2d");
  const image = context.createImageData(${kFieldWidth}, ${kFieldHeight});
  const pixels = new Uint32Array(image.data.buffer);
  let frame = 0; function draw() { pixels.fill(0xff000000 | (++frame * 2654435761));
  context.putImageData(image, 0, 0); requestAnimationFrame(draw); } requestAnimationFrame(draw);
  </script>`;

async function page(origin, flags, bare) {
  const browser = await launchChromium(flags);
  try {
    const tab = await browser.newPage();
    await tab.setViewport({ width: 800, height: 600, deviceScaleFactor: 1 });
    if (bare) {
      await tab.setContent(kBareCanvas);
    } else {
      await tab.goto(`${origin}/index.html?demo=scripts/${path.basename(demo)}`);
    }
    return await measure(browser.process().pid);
  } finally {
    await browser.close();
  }
}

const percent = (share) => `${(share * 100).toFixed(1)}%`;
const scripts = fs.mkdtempSync(path.join(os.tmpdir(), "brickfall-cost-"));
fs.copyFileSync(demo, path.join(scripts, path.basename(demo)));
const server = await startServer(webBuild, { routes: { "/scripts/": scripts } });
const origin = `http://127.0.0.1:${server.address().port}`;
console.log(`window: ${seconds} s after ${settle} s of ${path.basename(demo)}; ` +
            `load average before: ${os.loadavg().map((v) => v.toFixed(2)).join(" ")}`);
// A desktop session composites its windows as a browser does its pages: where xcompmgr is
// installed, the desktop is measured under it too.
const compositor = fs.existsSync("/usr/bin/xcompmgr") ? "/usr/bin/xcompmgr" : null;
for (let round = 1; round <= Number(roundsText); ++round) {
  const desktops = [["plain X", await desktop(null)]];
  if (compositor !== null) {
    desktops.push(["composited by xcompmgr", await desktop(compositor)]);
  }
  for (const [name, share] of desktops) {
    console.log(`round ${round}: desktop game, ${name}: ${percent(share.game)} of a core, ` +
                `${percent(share.game + share.display)} with its display`);
  }
  for (const [name, flags] of Object.entries(kBrowsers)) {
    const pageShare = await page(origin, flags, false);
    const bareShare = await page(origin, flags, true);
    const ratios = desktops.map(([desktopName, share]) =>
      `${(pageShare / share.game).toFixed(2)}x the game, ` +
      `${(pageShare / (share.game + share.display)).toFixed(2)}x with its display (${desktopName})`);
    console.log(`  page, ${name}: ${percent(pageShare)} (bare canvas ${percent(bareShare)}): ` +
                ratios.join("; "));
  }
}
server.close();
fs.rmSync(scripts, { recursive: true, force: true });
