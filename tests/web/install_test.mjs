// The page as an app: installable, starting from its cache after one visit without waiting for
// the network, offering a new version once it is kept whole and moving to it whole on a
// restart, saying which file it could not load, hosted from its zip, and served gzipped within
// its budget. Served on 127.0.0.1 and played in each browser
// engine, as page_test.mjs does.
// Usage: node install_test.mjs WEB_BUILD LINUX_BUILD SOURCE_DIR
// (LINUX_BUILD holds brickfall-sim and the desktop icons, the references.)
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import zlib from "node:zlib";
import { startServer } from "../../web/serve.mjs";
import { runInEngines } from "./engines.mjs";
import { decodePng, sleep, waitFor } from "./page_helpers.mjs";

const [webBuild, linuxBuild, sourceDir] = process.argv.slice(2);
if (!webBuild || !linuxBuild || !sourceDir) {
  console.error("usage: node install_test.mjs WEB_BUILD LINUX_BUILD SOURCE_DIR");
  process.exit(2);
}
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), "brickfall-install-"));
const version = fs.readFileSync(path.join(sourceDir, "CMakeLists.txt"), "utf8")
  .match(/project\(brickfall VERSION ([0-9.]+)/)[1];
const zipName = `brickfall-${version}-web.zip`;
// What a hosting site is allowed to send for the whole page, gzipped.
const kBudget = 350 * 1000;

// --- The zip, read and unpacked with Python's zipfile, which Emscripten needs anyway. --------
function zipEntries(zip) {
  return execFileSync("python3", ["-c", "import sys, zipfile\n" +
    "print('\\n'.join(zipfile.ZipFile(sys.argv[1]).namelist()))", zip], { encoding: "utf8" })
    .split("\n").filter((line) => line !== "");
}
function unzip(zip, folder) {
  execFileSync("python3", ["-m", "zipfile", "-e", zip, folder]);
}

// --- Builds of the page: the real one, and copies made another version. -----------------------
// A copy of the page's files (those the zip holds) with every file the game runs changed, as
// another build would change them, then given its version by the build's own script.
// `afterwards` changes the copy once its version is written.
let copies = 0;
function anotherVersion(newVersion, afterwards = () => {}) {
  const folder = path.join(scratch, `build-${++copies}`);
  fs.mkdirSync(folder);
  for (const name of zipEntries(path.join(webBuild, zipName))) {
    fs.copyFileSync(path.join(webBuild, name), path.join(folder, name));
  }
  fs.appendFileSync(path.join(folder, "brickfall.js"), `\n// build ${newVersion}\n`);
  // A custom section, which WebAssembly ignores: id 0, its size, its name, its bytes.
  const name = Buffer.from("brickfall-build");
  const payload = Buffer.from(newVersion);
  fs.appendFileSync(path.join(folder, "brickfall.wasm"), Buffer.concat([
    Buffer.from([0, 1 + name.length + payload.length, name.length]), name, payload]));
  // The game reads its files from the package at the offsets brickfall.js gives.
  fs.appendFileSync(path.join(folder, "brickfall.data"), payload);
  execFileSync("cmake", [`-DVERSION=${newVersion}`, `-DSOURCE=${path.join(sourceDir, "web")}`,
                         `-DFOLDER=${folder}`, "-P", path.join(sourceDir, "web/page_files.cmake")]);
  afterwards(folder);
  return folder;
}

// --- One origin for every build, as a site that is updated in place. --------------------------
// The server serves a link, turned to the build of the moment; it can be stopped and started
// again on the same port, which takes the page's network away.
const site = path.join(scratch, "site");
let server = null;
let port = 0;
async function serve(folder) {
  fs.rmSync(site, { force: true });
  fs.symlinkSync(path.resolve(folder), site);
  if (server === null) {
    server = await startServer(site, { port });
    port = server.address().port;
  }
}
async function stopServing() {
  server.closeAllConnections();
  await new Promise((resolve) => server.close(resolve));
  server = null;
}
const origin = () => `http://127.0.0.1:${port}`;

// --- The browser of the moment, and visits of the page. ---------------------------------------
let browser = null;
// Whether the browser's driver can do what `means` names (engines.mjs).
const has = (means) => !(means in browser.lacks);

// Each case's browser contexts, closed when it ends: a context is a browser profile of its
// own, its worker and caches included, as a first visit has.
let contexts = [];
async function newContext() {
  contexts.push(await browser.newContext());
  return contexts[contexts.length - 1];
}

// A page of `context`, opened at index.html?trace=-, that keeps its trace lines, its errors and,
// where the driver sees them, every response it had with its bytes. `beforePage` runs in the
// page before its own scripts; `beforeLoad(opened)` prepares the page before it loads.
async function visit(context, { beforePage = null, beforeLoad = async () => {} } = {}) {
  const keepResponses = (opened) => {
    Object.assign(opened, { responses: [], reading: [] });
    if (has("responses")) {
      opened.page.on("response", (response) => {
        const had = { url: new URL(response.url()), fromWorker: response.fromServiceWorker(),
                      bytes: null };
        opened.responses.push(had);
        // A response without a body (a failed load) keeps none.
        opened.reading.push(response.buffer().then((bytes) => { had.bytes = bytes; }, () => {}));
      });
    }
    return beforeLoad(opened);
  };
  return context.open(`${origin()}/index.html?trace=-`, { beforePage, beforeLoad: keepResponses });
}
// The page's responses from its server, not those of what it made itself (its blob: worker).
async function responses(opened) {
  await Promise.all(opened.reading);
  return opened.responses.filter((response) => response.url.origin === origin() &&
                                               response.url.protocol !== "blob:");
}
const pageStatus = (opened) => opened.evaluate(() => document.getElementById("status").textContent);
// The page's version, as index.html names it; and as a build's index.html names it.
const pageVersion = (opened) => opened.evaluate(
  () => new URL(document.querySelector("script[src^='loader.js']").src).searchParams.get("v"));
const buildVersion = (folder) => fs.readFileSync(path.join(folder, "index.html"), "utf8")
  .match(/loader\.js\?v=([^"]+)"/)[1];

// The title, to the pixel, as the native simulator draws it after 240 passes.
const titleReference = path.join(scratch, "title.png");
execFileSync(path.join(linuxBuild, "brickfall-sim"),
             ["--frames", "240", "--snapshot", `240:${titleReference}`], { stdio: "ignore" });
const title = decodePng(fs.readFileSync(titleReference));
async function expectTitle(opened, when) {
  await waitFor(`240 passes ${when}`, () => opened.trace.length >= 240, 30);
  const seen = await opened.picture("#canvas");
  if (!seen.pixels.equals(title.pixels)) {
    throw new Error(`${when}, the canvas is not the title's picture`);
  }
}

// Notes the page's own registration of its worker, for the test to follow an install that fails,
// which leaves the browser no registration to give.
const kNoteRegistration = `(() => {
  const register = ServiceWorkerContainer.prototype.register;
  ServiceWorkerContainer.prototype.register = function (...args) {
    window.workerRegistration = register.apply(this, args);
    return window.workerRegistration;
  };
})();`;
async function pageRegistered(opened) {
  await waitFor("the page registering its worker", () => opened.evaluate(
    () => window.workerRegistration !== undefined), 30);
}

// The page kept by the worker it registered: that worker active alone, with the cache of the
// page's version, and no other.
async function expectKept(opened, when) {
  const kept = "brickfall-" + await pageVersion(opened);
  await waitFor(`${when}: the worker active with its cache ${kept} alone`,
                () => opened.evaluate(async (name) => {
                  const registration = await navigator.serviceWorker.getRegistration();
                  if (registration === undefined) {
                    return false;
                  }
                  const names = await caches.keys();
                  return registration.active !== null && registration.installing === null &&
                         registration.waiting === null && names.length === 1 && names[0] === name;
                }, kept), 30);
}

// The worker the page registered gave its install up: none is active nor waiting, and no
// cache is left.
async function expectNothingKept(opened, when) {
  await pageRegistered(opened);
  await waitFor(`${when}: the worker's install to end`, () => opened.evaluate(
    async () => (await window.workerRegistration).installing === null), 30);
  const left = await opened.evaluate(async () => {
    const registration = await window.workerRegistration;
    return { worker: registration.active !== null || registration.waiting !== null,
             caches: await caches.keys() };
  });
  if (left.worker || left.caches.length > 0) {
    throw new Error(`${when}, a worker was installed, with the caches ${left.caches}`);
  }
}

// The page and the files the game runs differ between the two builds, where both have them.
function expectDifferent(folder, other) {
  for (const name of ["index.html", "brickfall.js", "brickfall.wasm", "brickfall.data"]) {
    if (fs.existsSync(path.join(folder, name)) && fs.readFileSync(path.join(folder, name))
      .equals(fs.readFileSync(path.join(other, name)))) {
      throw new Error(`the two builds have the same ${name}`);
    }
  }
}
// Every response the page had for a file of `folder` is that file, byte for byte; and the page
// had each of those that the game runs.
async function expectAllFrom(opened, folder, when) {
  const seen = new Set();
  for (const response of await responses(opened)) {
    const name = response.url.pathname.slice(1);
    if (response.bytes === null || !fs.existsSync(path.join(folder, name))) {
      continue;
    }
    if (!response.bytes.equals(fs.readFileSync(path.join(folder, name)))) {
      throw new Error(`${when}, the page had another build's ${name}`);
    }
    seen.add(name);
  }
  const unseen = ["index.html", "loader.js", "brickfall.js", "brickfall.wasm", "brickfall.data"]
    .filter((name) => fs.existsSync(path.join(folder, name)) && !seen.has(name));
  if (unseen.length > 0) {
    throw new Error(`${when}, no bytes were seen for ${unseen.join(", ")}`);
  }
}

// --- gzip through the page's server, read raw: the bytes on the wire. --------------------------
function get(address, headers) {
  return new Promise((resolve, reject) => {
    http.get(address, { headers }, (response) => {
      const parts = [];
      response.on("data", (part) => parts.push(part));
      response.on("end", () => resolve({ status: response.statusCode, headers: response.headers,
                                         bytes: Buffer.concat(parts) }));
    }).on("error", reject);
  });
}

const cases = {
  // After one visit the page starts from the worker without waiting for the network: with no
  // server at all, or one that takes requests and never answers, the page and every file it
  // asks for come from the worker.
  async AfterOneVisitTheTitleShowsWithoutWaitingForTheNetwork() {
    const opened = [];
    for (const network of ["off", "never answering"]) {
      await serve(webBuild);
      const context = await newContext();
      const first = await visit(context);
      await expectTitle(first, "online");
      await expectKept(first, "after the first visit");
      await first.close();
      await stopServing();
      const silent = network === "off" ? null : await new Promise((resolve) => {
        const hanging = http.createServer(() => {});
        hanging.listen(port, "127.0.0.1", () => resolve(hanging));
      });
      const again = await visit(context);
      await expectTitle(again, `with the network ${network}`);
      if (!(await again.evaluate(() => navigator.serviceWorker.controller !== null))) {
        throw new Error(`with the network ${network}, the page has no worker`);
      }
      const fromNetwork = (await responses(again)).filter((response) => !response.fromWorker);
      if (has("workerResponses") && fromNetwork.length > 0) {
        throw new Error(`with the network ${network}, these did not come from the worker: ` +
                        fromNetwork.map((response) => response.url.pathname).join(", "));
      }
      if (silent !== null) {
        silent.closeAllConnections();
        await new Promise((resolve) => silent.close(resolve));
      }
      await serve(webBuild);
      opened.push(first, again);
    }
    return opened;
  },

  // Chromium would offer to install the page: its manifest parses, names the page, shows it
  // full screen or standalone, upright, and holds icons it can use. Asked in the browser's own
  // profile, as a browser offers no install in a private window.
  async ChromiumFindsNoInstallabilityErrors() {
    await serve(webBuild);
    const opened = await visit(browser.defaultContext());
    await waitFor("the title", () => opened.trace.length >= 30, 30);
    const protocol = await opened.page.createCDPSession();
    const { installabilityErrors } = await protocol.send("Page.getInstallabilityErrors");
    if (installabilityErrors.length > 0) {
      throw new Error("installability errors: " + JSON.stringify(installabilityErrors));
    }
    const manifest = await protocol.send("Page.getAppManifest");
    const parsed = JSON.parse(manifest.data);
    if (manifest.errors.length > 0 || !["fullscreen", "standalone"].includes(parsed.display) ||
        parsed.orientation !== "portrait") {
      throw new Error(`the manifest: ${JSON.stringify(manifest.errors)} ${manifest.data}`);
    }
    await opened.close();
    return [opened];
  },

  // The manifest's icons (192 and 512 pixels) and the home screen's icon that index.html names
  // for Safari (180) are the desktop icon's art, each pixel of the 32-pixel icon a square of
  // whole pixels, transparency included, as large as fits, centred on a transparent margin.
  async ThePagesIconsAreTheDesktopIconScaledUp() {
    const art = decodePng(fs.readFileSync(path.join(linuxBuild,
                                                    "icons/hicolor/32x32/apps/brickfall.png")));
    const manifest = JSON.parse(fs.readFileSync(path.join(webBuild, "brickfall.webmanifest")));
    const page = fs.readFileSync(path.join(webBuild, "index.html"), "utf8");
    const touchIcon = page.match(/<link rel="apple-touch-icon" href="([^"]+)">/);
    const icons = [
      ...[192, 512].map((size) => [size, manifest.icons.find(
        (icon) => icon.sizes === `${size}x${size}` && icon.type === "image/png")?.src]),
      [180, touchIcon?.[1]]];
    for (const [size, src] of icons) {
      if (src === undefined) {
        throw new Error(`the page names no ${size}-pixel PNG icon`);
      }
      const icon = decodePng(fs.readFileSync(path.join(webBuild, src)));
      if (icon.width !== size || icon.height !== size) {
        throw new Error(`${src} is ${icon.width}x${icon.height}`);
      }
      const factor = Math.floor(size / art.width);
      const margin = (size - factor * art.width) / 2;
      for (let y = 0; y < size; ++y) {
        for (let x = 0; x < size; ++x) {
          const at = y * size + x;
          const [artX, artY] = [x, y].map((at) => Math.floor((at - margin) / factor));
          const inArt = artX >= 0 && artX < art.width && artY >= 0 && artY < art.height;
          const from = artY * art.width + artX;
          if (inArt ? !icon.pixels.subarray(at * 3, at * 3 + 3).equals(
                art.pixels.subarray(from * 3, from * 3 + 3)) || icon.alpha[at] !== art.alpha[from]
                    : icon.alpha[at] !== 0) {
            throw new Error(`${src} differs from the desktop icon at ${x},${y}`);
          }
        }
      }
    }
    return [];
  },

  // A new version put on the server is kept whole in the background while the old one starts
  // from the cache and plays; the page then offers it, and its restart button moves the page
  // to it, every file the new version's, offline after. A new version that cannot be kept
  // whole is never offered, and the old one plays on, offline too.
  async ANewVersionIsOfferedOnceKeptAndTakenWholeOnARestart() {
    const cases = [
      { what: "whole", afterwards: () => {}, whole: true },
      { what: "without its wasm", whole: false,
        afterwards: (folder) => fs.rmSync(path.join(folder, "brickfall.wasm")) },
      { what: "without its data", whole: false,
        afterwards: (folder) => fs.rmSync(path.join(folder, "brickfall.data")) },
    ];
    const offered = (opened) => opened.evaluate(
      () => !document.getElementById("restart").hidden);
    const opened = [];
    for (const c of cases) {
      const old = anotherVersion(`${version}.${copies}`);
      const next = anotherVersion(`${version}.${copies}-next`, c.afterwards);
      expectDifferent(next, old);
      await serve(old);
      const context = await newContext();
      const before = await visit(context);
      await expectTitle(before, "the old version");
      await expectKept(before, "the old version");
      await before.close();
      await serve(next);
      const after = await visit(context, { beforePage: kNoteRegistration });
      opened.push(before, after);
      await expectTitle(after, `the old version, with the new one (${c.what}) on the server`);
      await pageRegistered(after);
      if (c.whole) {
        await waitFor(`the new version (${c.what}) offered`, () => offered(after), 30);
        await expectAllFrom(after, old, `the old version, the new one (${c.what}) offered`);
        await Promise.all([after.page.waitForNavigation(), after.page.click("#restart")]);
        if (await pageVersion(after) !== buildVersion(next)) {
          throw new Error(`the restart gave version ${await pageVersion(after)}`);
        }
        await after.close();
        const taken = await visit(context);
        opened.push(taken);
        await expectTitle(taken, `the new version (${c.what}) after the restart`);
        await expectAllFrom(taken, next, `the new version (${c.what}) after the restart`);
        await expectKept(taken, `the new version (${c.what})`);
      } else {
        // Asked to look for a new version, the worker has one installing until it fails.
        await after.evaluate(async () => (await window.workerRegistration).update());
        await waitFor(`the new version's (${c.what}) install to end`, () => after.evaluate(
          async () => {
            const registration = await window.workerRegistration;
            return registration.installing === null && registration.waiting === null;
          }), 30);
        if (await offered(after)) {
          throw new Error(`the new version (${c.what}) was offered`);
        }
        await expectAllFrom(after, old, `the old version, the new one (${c.what}) on the server`);
        await after.close();
      }
      // Offline, the version the worker kept plays whole: the new one, or else the old one.
      await stopServing();
      const offline = await visit(context);
      opened.push(offline);
      await expectTitle(offline, `offline after the new version (${c.what})`);
      await expectAllFrom(offline, c.whole ? next : old, `offline after the new version (${c.what})`);
      await serve(webBuild);
    }
    return opened;
  },

  // The worker keeps a version only when every file is the one it was built with: a file
  // changed on the server since (a stale copy, a half-finished upload) leaves nothing kept.
  async AStaleFileLeavesNoVersionKept() {
    const cases = [
      { file: "brickfall.data", change: (bytes) => Buffer.concat([bytes, Buffer.from("stale")]) },
      { file: "brickfall-512.png", change: (bytes) => bytes.subarray(0, bytes.length - 1) },
      { file: "index.html", change: (bytes) => Buffer.from(bytes.toString().replace(
        "<title>brickfall</title>", "<title>brickfall, stale</title>")) },
    ];
    const opened = [];
    for (const c of cases) {
      await serve(anotherVersion(`${version}.${copies}-stale`, (folder) => {
        const file = path.join(folder, c.file);
        fs.writeFileSync(file, c.change(fs.readFileSync(file)));
      }));
      const page = await visit(await newContext(), { beforePage: kNoteRegistration });
      opened.push(page);
      await waitFor("the title", () => page.trace.length >= 30, 30);
      await expectNothingKept(page, `with a stale ${c.file}`);
    }
    await serve(webBuild);
    return opened;
  },

  // On a first visit, a file that cannot be loaded is named on the page, and the game does not
  // start without it.
  async AFirstVisitSaysWhichFileCouldNotLoad() {
    const cases = [
      { file: "loader.js", said: "Cannot load loader.js." },
      { file: "brickfall.js", said: "Cannot load brickfall.js (" },
      { file: "brickfall.wasm", said: "Cannot load brickfall.wasm" },
      { file: "brickfall.data", said: "Cannot load brickfall.data" },
    ];
    await serve(webBuild);
    const opened = [];
    for (const c of cases) {
      // The file's requests fail as they do with no network.
      const seen = await visit(await newContext(), { beforeLoad: ({ page }) => {
        page.on("request", (request) => (new URL(request.url()).pathname === `/${c.file}`
          ? request.abort("internetdisconnected") : request.continue()));
        return page.setRequestInterception(true);
      } });
      opened.push(seen);
      await waitFor(`the page saying "${c.said}"`,
                    async () => (await pageStatus(seen)).includes(c.said), 10);
      await sleep(1000);
      if (seen.trace.length > 0) {
        throw new Error(`without ${c.file} the game played`);
      }
      seen.errors = seen.errors.filter((error) => !error.startsWith("Failed to load resource"));
    }
    return opened;
  },

  // The zip is the page: index.html at its root, each file the build's own, and, unpacked and
  // served, a page that plays and is kept with nothing missing.
  async TheZipHoldsIndexAtItsRootAndEveryFileThePageFetches() {
    const zip = path.join(webBuild, zipName);
    const names = zipEntries(zip);
    if (!names.includes("index.html") || names.some((name) => name.includes("/"))) {
      throw new Error(`the zip holds ${names.join(", ")}`);
    }
    const unpacked = path.join(scratch, "unzipped");
    unzip(zip, unpacked);
    const stale = names.filter((name) => !fs.readFileSync(path.join(webBuild, name)).equals(
      fs.readFileSync(path.join(unpacked, name))));
    if (stale.length > 0) {
      throw new Error(`the zip's ${stale.join(", ")} differ from the build's`);
    }
    await serve(unpacked);
    const opened = await visit(await newContext());
    await expectTitle(opened, "from the zip");
    await expectKept(opened, "from the zip");
    // What the worker keeps, and what a browser fetches to install the page.
    const kept = await opened.evaluate(async () => {
      const cache = await caches.open((await caches.keys())[0]);
      return (await cache.keys()).map((request) => new URL(request.url).pathname);
    });
    const forInstall = await opened.evaluate(async () => {
      const link = document.querySelector("link[rel='manifest']").href;
      const manifest = await (await fetch(link)).json();
      return [link, document.querySelector("link[rel='apple-touch-icon']").href,
              ...manifest.icons.map((icon) => new URL(icon.src, link).href)]
        .map((address) => new URL(address).pathname);
    });
    const fetched = (await responses(opened)).map((response) => response.url.pathname);
    const missing = [...new Set([...fetched, ...kept, ...forInstall, "/service-worker.js"])]
      .filter((name) => !names.includes(name.slice(1)));
    if (missing.length > 0) {
      throw new Error(`the page fetched files the zip lacks: ${missing.join(", ")}`);
    }
    await serve(webBuild);
    return [opened];
  },

  // Every file of the page comes gzipped where the browser takes it (but the PNGs, compressed
  // already), with its type, and all of them together within the budget; a browser that
  // takes no gzip gets the files as they are, and one that holds a file is told it is current.
  async ThePageIsServedGzippedWithinItsBudget() {
    await serve(webBuild);
    const types = { ".html": /^text\/html/, ".js": /^text\/javascript/, ".wasm": /^application\/wasm$/,
                    ".data": /^application\/octet-stream$/, ".png": /^image\/png$/,
                    ".webmanifest": /^application\/manifest\+json$/ };
    let total = 0;
    const sizes = [];
    for (const name of zipEntries(path.join(webBuild, zipName))) {
      const bytes = fs.readFileSync(path.join(webBuild, name));
      const address = `${origin()}/${name}`;
      const gzipped = await get(address, { "accept-encoding": "gzip, deflate, br" });
      const plain = await get(address, {});
      const compressed = path.extname(name) !== ".png";
      const type = types[path.extname(name)];
      if (type === undefined || !type.test(gzipped.headers["content-type"]) ||
          (gzipped.headers["content-encoding"] === "gzip") !== compressed ||
          !(compressed ? zlib.gunzipSync(gzipped.bytes) : gzipped.bytes).equals(bytes) ||
          plain.headers["content-encoding"] !== undefined || !plain.bytes.equals(bytes)) {
        throw new Error(`${name} is served as ${JSON.stringify(gzipped.headers)}`);
      }
      const again = await get(address, { "accept-encoding": "gzip",
                                         "if-none-match": gzipped.headers.etag });
      if (again.status !== 304 || again.bytes.length !== 0) {
        throw new Error(`${name}, asked for again, came whole (${again.status})`);
      }
      total += gzipped.bytes.length;
      sizes.push(`${name} ${gzipped.bytes.length}`);
    }
    console.log(`     the page gzipped: ${total} bytes (${sizes.join(", ")})`);
    if (total > kBudget) {
      throw new Error(`the page takes ${total} bytes gzipped, over ${kBudget}`);
    }
    return [];
  },
};

// What a case needs beyond what every engine's adapter does (engines.mjs); null for none of a
// browser's, a case run once.
const needs = {
  ChromiumFindsNoInstallabilityErrors: ["protocol"],
  ThePagesIconsAreTheDesktopIconScaledUp: null,
  ANewVersionIsOfferedOnceKeptAndTakenWholeOnARestart: ["responses"],
  AStaleFileLeavesNoVersionKept: ["preload"],
  AFirstVisitSaysWhichFileCouldNotLoad: ["interception"],
  TheZipHoldsIndexAtItsRootAndEveryFileThePageFetches: ["responses"],
  ThePageIsServedGzippedWithinItsBudget: null,
};
const failed = await runInEngines("Install", cases, needs, async (name, engineBrowser) => {
  browser = engineBrowser;
  try {
    return await cases[name]();
  } catch (error) {
    if (server === null) {
      await serve(webBuild);
    }
    throw error;
  } finally {
    for (const context of contexts) {
      await context.close();
    }
    contexts = [];
  }
}, { chromiumFlags: ["--use-angle=swiftshader", "--enable-unsafe-swiftshader"] });
server?.close();
fs.rmSync(scratch, { recursive: true, force: true });
console.log(failed === 0 ? "all install tests passed" : `${failed} install test(s) failed`);
process.exit(failed === 0 ? 0 : 1);
