// What a page that stands still costs against its active stage, side by side in one run: a blank
// page, the title, the video page and a paused stage left still, and a stage in play (a demo),
// for each build given, in rounds that alternate. Each figure is every Chromium process's CPU
// time over the window, as a share of one core.
// Usage: node still_cost.mjs DEMO_SCRIPT WEB_BUILD [WEB_BUILD ...]
// BRICKFALL_COST_ROUNDS (default 2), BRICKFALL_COST_SETTLE (default 3) and
// BRICKFALL_COST_SECONDS (default 10) set the rounds and the window.
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { startServer } from "../../../web/serve.mjs";
import { launchChromium } from "../../../tests/web/chromium.mjs";
import { cpuShare } from "./cpu_share.mjs";
import { sleep } from "../../../tests/web/page_helpers.mjs";

const [demo, ...builds] = process.argv.slice(2);
if (!demo || builds.length === 0) {
  console.error("usage: node still_cost.mjs DEMO_SCRIPT WEB_BUILD [WEB_BUILD ...]");
  process.exit(2);
}
const rounds = Number(process.env.BRICKFALL_COST_ROUNDS || 2);
const settle = Number(process.env.BRICKFALL_COST_SETTLE || 3);
const seconds = Number(process.env.BRICKFALL_COST_SECONDS || 10);

async function keys(tab, names) {
  for (const name of names) {
    await tab.keyboard.down(name);
    await sleep(60);
    await tab.keyboard.up(name);
    await sleep(150);
  }
}

// Each state: the page's address and the keys that reach it once the title shows.
const kStates = {
  "blank page": { blank: "" },
  // The browser polls for controllers, whatever the page does, once it listens for them.
  "blank page listening for controllers": {
    blank: "<script>addEventListener(\"gamepadconnected\", () => {});</script>" },
  "title": { query: "", keys: [] },
  "video page": { query: "", keys: ["ArrowDown", "Enter", "Enter"] },
  "paused stage": { query: "", keys: ["Enter", "Backspace"] },
  "active stage": { query: `?demo=scripts/${path.basename(demo)}`, keys: [] },
};

async function cost(origin, state) {
  const browser = await launchChromium();
  try {
    const tab = await browser.newPage();
    await tab.setViewport({ width: 800, height: 600, deviceScaleFactor: 1 });
    if (state.blank !== undefined) {
      await tab.setContent(`<!doctype html><body style="background:#000">${state.blank}</body>`);
    } else {
      await tab.goto(`${origin}/index.html${state.query}`);
      // Polled by hand: puppeteer's waitForFunction leaves the page costing more afterwards.
      while (!(await tab.evaluate(() => Boolean(window.Module && window.Module.calledRun)))) {
        await sleep(100);
      }
      await sleep(500);
      await keys(tab, state.keys);
    }
    return await cpuShare(browser.process().pid, settle, seconds);
  } finally {
    await browser.close();
  }
}

const scripts = fs.mkdtempSync(path.join(os.tmpdir(), "brickfall-still-"));
fs.copyFileSync(demo, path.join(scripts, path.basename(demo)));
const servers = [];
for (const build of builds) {
  servers.push(await startServer(build, { routes: { "/scripts/": scripts } }));
}
const percent = (share) => `${(share * 100).toFixed(1)}%`;
console.log(`window: ${seconds} s after ${settle} s; load average before: ` +
            os.loadavg().map((v) => v.toFixed(2)).join(" "));
for (let round = 1; round <= rounds; ++round) {
  for (const [index, build] of builds.entries()) {
    const origin = `http://127.0.0.1:${servers[index].address().port}`;
    const shares = {};
    for (const [name, state] of Object.entries(kStates)) {
      shares[name] = await cost(origin, state);
    }
    const active = shares["active stage"];
    console.log(`round ${round}, ${build}: ` + Object.entries(shares).map(([name, share]) =>
      `${name} ${percent(share)} (${(share / active).toFixed(3)}x)`).join(", "));
  }
}
for (const server of servers) {
  server.close();
}
fs.rmSync(scripts, { recursive: true, force: true });
