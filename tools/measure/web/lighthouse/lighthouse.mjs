// Lighthouse's mobile audit of the page, as the field measures pages: its four category scores
// and its metrics, for each web build given, served by web/serve.mjs (gzipped, as a hosting
// site sends it) and audited one after the other in one run on Debian's Chromium. Lighthouse
// 12.2.3, pinned by this folder's lockfile: later versions want a newer node than Debian's.
// A measurement, not a test. Set up once with `npm ci` in this folder.
// Usage: node lighthouse.mjs WEB_BUILD... [--runs N]   (default 1 run each)
import fs from "node:fs";
import lighthouse from "lighthouse";
import * as chromeLauncher from "chrome-launcher";
import { startServer } from "../../../../web/serve.mjs";
import { kChromiumFlags } from "../../../../tests/web/chromium_flags.mjs";

const args = process.argv.slice(2);
const runsAt = args.indexOf("--runs");
const runs = runsAt >= 0 ? Number(args.splice(runsAt, 2)[1]) : 1;
if (args.length === 0 || args.some((build) => !fs.existsSync(`${build}/index.html`))) {
  console.error("usage: node lighthouse.mjs WEB_BUILD... [--runs N]");
  process.exit(2);
}

// Chromium headless, as the page's tests run it.
const chrome = await chromeLauncher.launch({
  chromePath: process.env.BRICKFALL_CHROMIUM || "/usr/bin/chromium",
  chromeFlags: ["--headless", ...kChromiumFlags, "--use-angle=swiftshader",
                "--enable-unsafe-swiftshader"],
});
const kCategories = ["performance", "accessibility", "best-practices", "seo"];
const kMetrics = ["first-contentful-paint", "largest-contentful-paint", "speed-index",
                  "total-blocking-time", "cumulative-layout-shift", "interactive"];
try {
  for (const build of args) {
    const server = await startServer(build);
    const url = `http://127.0.0.1:${server.address().port}/index.html`;
    for (let run = 1; run <= runs; ++run) {
      // Lighthouse's defaults: a phone, simulated Slow 4G and 4 times slower CPU, storage cleared.
      const { lhr } = await lighthouse(url, { port: chrome.port, output: "json",
                                              onlyCategories: kCategories, logLevel: "error" });
      const scores = kCategories.map((name) => Math.round(lhr.categories[name].score * 100));
      const metrics = kMetrics.map((name) => `${name} ${lhr.audits[name].displayValue}`);
      const failing = kCategories.slice(1).flatMap((name) => lhr.categories[name].auditRefs
        .filter((ref) => ref.weight > 0 && lhr.audits[ref.id].score !== null &&
                         lhr.audits[ref.id].score < 1).map((ref) => ref.id));
      // The page's longest tasks as Lighthouse simulates them; BRICKFALL_LIGHTHOUSE_JSON names a
      // file for the whole report.
      if (process.env.BRICKFALL_LIGHTHOUSE_JSON) {
        fs.writeFileSync(process.env.BRICKFALL_LIGHTHOUSE_JSON, JSON.stringify(lhr));
      }
      const tasks = (lhr.audits["long-tasks"].details?.items ?? []).slice(0, 6)
        .map((task) => `${String(task.url).split("/").pop()} ${Math.round(task.duration)} ms`);
      console.log(`${build} run ${run}: performance/accessibility/best practices/SEO ` +
                  `${scores.join(" / ")}\n  ${metrics.join(", ")}` +
                  `\n  long tasks: ${tasks.join(", ")}` +
                  (failing.length > 0 ? `\n  failing: ${failing.join(", ")}` : ""));
    }
    server.close();
  }
} finally {
  await chrome.kill();
}
