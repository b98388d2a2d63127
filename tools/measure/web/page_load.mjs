// How soon the page shows the title on a phone: on a first visit, and on a repeat visit that
// its service worker serves. Chromium's phone emulation (puppeteer's "Pixel 5": 393x851 CSS
// pixels at 3 device pixels each, mobile, touch), its "Slow 4G" network (puppeteer's
// PredefinedNetworkConditions, DevTools' own figures: 562.5 ms of latency, 180,000 bytes a
// second down, 84,375 up) on the page and on its worker, its CPU slowed 4 times, and the files
// gzipped by web/serve.mjs, as a hosting site sends them.
// The title's first picture: the first frame the game hands the canvas with a pixel that is
// not black (it draws in software here, through the 2D canvas's putImageData, as wherever the
// browser's WebGL is SwiftShader), timed from the start of the page's navigation.
// Each visit also gives its first contentful paint, and when the page itself and the last of
// the game's files had arrived. Several builds, comma-separated, are measured side by side,
// each round visiting each in turn.
// Usage: node page_load.mjs WEB_BUILD[,WEB_BUILD...] [ROUNDS] [CPU_SLOWDOWN]
//        (default 3 rounds, 4 times)
import fs from "node:fs";
import { startServer } from "../../../web/serve.mjs";
import { KnownDevices, launchChromium, PredefinedNetworkConditions } from "../../../tests/web/chromium.mjs";
import { waitFor } from "../../../tests/web/page_helpers.mjs";

const [buildsText = "", roundsText = "3", slowdownText = "4"] = process.argv.slice(2);
const webBuilds = buildsText.split(",").filter((build) => build !== "");
if (webBuilds.length === 0 || webBuilds.some((build) => !fs.existsSync(`${build}/index.html`))) {
  console.error("usage: node page_load.mjs WEB_BUILD[,WEB_BUILD...] [ROUNDS] [CPU_SLOWDOWN]");
  process.exit(2);
}
const kPhone = KnownDevices["Pixel 5"];
const kNetwork = PredefinedNetworkConditions["Slow 4G"];
const kCpuSlowdown = Number(slowdownText);

// Runs in the page before its own scripts: notes when the first picture that is not all black
// reaches the game's canvas.
const kFirstPicture = `(() => {
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (image, ...rest) {
    if (window.firstPicture === undefined && this.canvas.id === "canvas") {
      const pixels = new Uint32Array(image.data.buffer);
      if (pixels.some((pixel) => (pixel & 0xffffff) !== 0)) {
        window.firstPicture = performance.now();
      }
    }
    return put.call(this, image, ...rest);
  };
})();`;

async function throttle(session) {
  await session.send("Network.enable");
  await session.send("Network.emulateNetworkConditions", {
    offline: false, latency: kNetwork.latency, downloadThroughput: kNetwork.download,
    uploadThroughput: kNetwork.upload });
}

// The page's service worker, slowed as the page is: the page's network conditions are not its.
async function throttleWorker(browser) {
  const target = await browser.waitForTarget((each) => each.type() === "service_worker",
                                             { timeout: 30000 });
  await throttle(await target.createCDPSession());
}

// One visit on a phone: the time to the title's first picture, and the bytes the page's
// requests took on the network (the worker's own, filling its cache, apart).
async function visit(context, origin) {
  const page = await context.newPage();
  await page.emulate(kPhone);
  await page.evaluateOnNewDocument(kFirstPicture);
  const session = await page.createCDPSession();
  await throttle(session);
  await session.send("Emulation.setCPUThrottlingRate", { rate: kCpuSlowdown });
  let bytes = 0;
  session.on("Network.loadingFinished", (event) => { bytes += event.encodedDataLength; });
  await page.goto(`${origin}/index.html`);
  await waitFor("the title's first picture", () => page.evaluate(
    () => window.firstPicture !== undefined), 60);
  const times = await page.evaluate(() => [
    window.firstPicture, performance.getEntriesByType("navigation")[0].responseEnd,
    Math.max(...performance.getEntriesByType("resource").map((entry) => entry.responseEnd)),
    performance.getEntriesByName("first-contentful-paint")[0].startTime]);
  const [seconds, pageIn, filesIn, painted] = times.map((milliseconds) => milliseconds / 1000);
  return { page, seconds, pageIn, filesIn, painted, bytes };
}
const described = (visit) => `${visit.seconds.toFixed(2)} s (first contentful paint ` +
  `${visit.painted.toFixed(2)} s, the page in at ` +
  `${visit.pageIn.toFixed(2)} s, the game's files at ${visit.filesIn.toFixed(2)} s; ` +
  `the page's requests took ${visit.bytes} bytes on the network)`;

const servers = await Promise.all(webBuilds.map((build) => startServer(build)));
const browser = await launchChromium(["--use-angle=swiftshader", "--enable-unsafe-swiftshader"]);
console.log(`phone: ${kPhone.name}, ${kPhone.viewport.width}x${kPhone.viewport.height} at ` +
            `${kPhone.viewport.deviceScaleFactor}x; network: latency ${kNetwork.latency} ms, ` +
            `${kNetwork.download} B/s down, ${kNetwork.upload} B/s up; ` +
            (kCpuSlowdown === 1 ? "CPU at full speed" : `CPU ${kCpuSlowdown} times slower`));
for (let round = 1; round <= Number(roundsText); ++round) {
  for (const [index, server] of servers.entries()) {
    const origin = `http://127.0.0.1:${server.address().port}`;
    // A browser profile of its own: nothing kept from an earlier round.
    const context = await browser.createBrowserContext();
    const first = await visit(context, origin);
    await throttleWorker(browser);
    const kept = await first.page.evaluate(async () => {
      await navigator.serviceWorker.ready;
      const version = new URL(document.querySelector("script[src^='loader.js']").src)
        .searchParams.get("v");
      return "brickfall-" + version;
    });
    await waitFor("the worker's cache", () => first.page.evaluate(
      async (name) => (await caches.keys()).includes(name), kept), 60);
    await first.page.close();
    const repeat = await visit(context, origin);
    const fromWorker = await repeat.page.evaluate(
      () => navigator.serviceWorker.controller !== null);
    console.log(`round ${round}, ${webBuilds[index]}: first visit ${described(first)}\n` +
                `         repeat visit ${described(repeat)}` +
                (fromWorker ? "" : ", BUT NOT SERVED BY THE WORKER"));
    await context.close();
  }
}
await browser.close();
for (const server of servers) {
  server.close();
}
