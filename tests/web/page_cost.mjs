// What an active stage costs in the page against the desktop game, side by side in one run on
// one machine: the desktop build plays a demo in a 1920x1080 Xvfb screen, then the page plays
// the same demo in headless Chromium; each one's CPU time (every Chromium process counted) is
// read from /proc over the same window of the demo, in rounds that alternate.
// Usage: node page_cost.mjs WEB_BUILD DESKTOP_GAME DEMO_SCRIPT [ROUNDS]
// BRICKFALL_COST_SETTLE (default 3) and BRICKFALL_COST_SECONDS (default 12) set the window.
import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import puppeteer from "puppeteer-core";
import { startServer } from "../../web/serve.mjs";

const [webBuild, desktopGame, demo, roundsText = "2"] = process.argv.slice(2);
if (!webBuild || !desktopGame || !demo) {
  console.error("usage: node page_cost.mjs WEB_BUILD DESKTOP_GAME DEMO_SCRIPT [ROUNDS]");
  process.exit(2);
}
const settle = Number(process.env.BRICKFALL_COST_SETTLE || 3);
const seconds = Number(process.env.BRICKFALL_COST_SECONDS || 12);
const ticksPerSecond = 100;  // Linux's USER_HZ, as /proc counts
const sleep = (milliseconds) => new Promise((resolve) => setTimeout(resolve, milliseconds));

// utime + stime of a process and of every process below it, in clock ticks.
function treeTicks(root) {
  const parents = new Map();
  const ticks = new Map();
  for (const name of fs.readdirSync("/proc")) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${name}/stat`, "utf8");
      const fields = stat.slice(stat.lastIndexOf(")") + 2).split(" ");
      parents.set(Number(name), Number(fields[1]));
      ticks.set(Number(name), Number(fields[11]) + Number(fields[12]));
    } catch {
      // the process ended while being read
    }
  }
  let total = 0;
  for (const [pid, own] of ticks) {
    for (let at = pid; at !== undefined && at > 1; at = parents.get(at)) {
      if (at === root) {
        total += own;
        break;
      }
    }
  }
  return total;
}

// CPU share of one core over the window, after the settling time.
async function measure(root) {
  await sleep(settle * 1000);
  const before = treeTicks(root);
  await sleep(seconds * 1000);
  return (treeTicks(root) - before) / ticksPerSecond / seconds;
}

async function desktop() {
  const display = `:${90 + (process.pid % 9)}`;
  const xvfb = spawn("Xvfb", [display, "-screen", "0", "1920x1080x24", "-nolisten", "tcp"],
                     { stdio: "ignore" });
  await sleep(1500);
  const game = spawn(desktopGame, ["--demo", demo], {
    stdio: "ignore",
    env: { ...process.env, DISPLAY: display, SDL_AUDIODRIVER: "dummy" },
  });
  try {
    await sleep(settle * 1000);
    const before = [treeTicks(game.pid), treeTicks(xvfb.pid)];
    await sleep(seconds * 1000);
    const after = [treeTicks(game.pid), treeTicks(xvfb.pid)];
    return { game: (after[0] - before[0]) / ticksPerSecond / seconds,
             server: (after[1] - before[1]) / ticksPerSecond / seconds };
  } finally {
    game.kill("SIGKILL");
    xvfb.kill("SIGKILL");
  }
}

// The browser's configurations: as Chromium starts headless here (its GPU process drawing on
// SwiftShader), and as a desktop Chromium without a GPU draws (software compositing, no WebGL).
const kBrowsers = {
  "headless default": [],
  "no GPU": ["--disable-gpu", "--disable-gpu-compositing", "--disable-software-rasterizer"],
};

// A bare 240x320 canvas given new pixels every display frame: what any animation at the game's
// size costs this browser, whatever draws it.
const kBareCanvas = `<!doctype html><body style="background:#000"><canvas width="240"
  height="320"></canvas><script>const context = document.querySelector("canvas").getContext("2d");
  const image = context.createImageData(240, 320); const pixels = new Uint32Array(image.data.buffer);
  let frame = 0; function draw() { pixels.fill(0xff000000 | (++frame * 2654435761));
  context.putImageData(image, 0, 0); requestAnimationFrame(draw); } requestAnimationFrame(draw);
  </script>`;

async function page(origin, flags, bare) {
  const browser = await puppeteer.launch({
    executablePath: process.env.BRICKFALL_CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: ["--no-sandbox", "--no-first-run", "--disable-background-networking",
           "--disable-component-update", "--disable-sync", "--disable-quic", ...flags],
  });
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
for (let round = 1; round <= Number(roundsText); ++round) {
  const desktopShare = await desktop();
  const withServer = desktopShare.game + desktopShare.server;
  console.log(`round ${round}: desktop game ${percent(desktopShare.game)} of a core, ` +
              `${percent(withServer)} with its X server`);
  for (const [name, flags] of Object.entries(kBrowsers)) {
    const pageShare = await page(origin, flags, false);
    const bareShare = await page(origin, flags, true);
    console.log(`  page, ${name}: ${percent(pageShare)} (bare canvas ${percent(bareShare)}); ` +
                `page/desktop ${(pageShare / desktopShare.game).toFixed(2)}x, ` +
                `${(pageShare / withServer).toFixed(2)}x with X`);
  }
}
server.close();
fs.rmSync(scripts, { recursive: true, force: true });
