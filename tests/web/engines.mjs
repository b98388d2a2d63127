// The browser engines the page is tested in, each behind one adapter with the same means: open a
// page in a profile of its own, hold keys, read its console's trace lines and errors, take a
// picture of an element (decoded, as page_helpers.mjs decodes a PNG), run a script in it, and
// put its tab out of sight. Chromium and Firefox ESR are driven by puppeteer-core (Chromium's
// DevTools protocol, Firefox's WebDriver BiDi); WebKitGTK by selenium-webdriver, through
// WebKitWebDriver and its MiniBrowser, under Xvfb.
// Whatever an engine's driver cannot do is one of its `lacks`, with the reason, and the cases
// that need it are skipped there, saying so: "preload", a script run before the page's own;
// "phone", an emulated touch screen; "protocol", Chromium's DevTools; "responses", the address
// and bytes of every response; "workerResponses", which of them the service worker gave;
// "interception", a request failed as with no network; "scriptOnServedPage", a script run
// before the page's own on a page its service worker serves.
import { execFileSync, spawn } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import net from "node:net";
import { fileURLToPath } from "node:url";
import puppeteer from "puppeteer-core";
import { Builder } from "selenium-webdriver";
import { launchChromium } from "./chromium.mjs";
import { decodePng, sleep, waitFor } from "./page_helpers.mjs";

// Keys by their names on a PC keyboard (a character is its own name); WebDriver's own codes
// where a driver takes them, since its "Enter" (\uE007) is the keypad's, which the game leaves
// unbound, and Return is \uE006.
const kWebDriverKeys = { Return: "\uE006", Backspace: "\uE003", Shift: "\uE008",
                         ArrowLeft: "\uE012", ArrowUp: "\uE013", ArrowRight: "\uE014",
                         ArrowDown: "\uE015" };
const kPuppeteerKeys = { ...Object.fromEntries(Object.keys(kWebDriverKeys).map((k) => [k, k])),
                         Return: "Enter" };

// --- Chromium and Firefox, through puppeteer. -------------------------------------------------
// The page's size unless a case asks for another: the window the game's field fits once.
const kViewport = { width: 800, height: 600 };

// Chromium's scripts run as the page's own do, not as a user's gesture, which puppeteer's would
// be: the page would count as used, and its sound could start before any key.
async function withoutGesture(session, script, args) {
  const { result, exceptionDetails } = await session.send("Runtime.evaluate", {
    expression: typeof script === "function" ? `(${script})(...${JSON.stringify(args)})` : script,
    awaitPromise: true, returnByValue: true });
  if (exceptionDetails) {
    throw new Error(exceptionDetails.exception?.description ?? exceptionDetails.text);
  }
  return result.value;
}

// A page that keeps its console's trace lines (those that start with "{") and its errors.
// `beforePage` runs in it before its own scripts; `beforeLoad(opened)` before it is loaded.
// Firefox's BiDi scripts count as the user's gesture, which no case's outcome depends on.
async function puppeteerPage(context, { keys, devTools }, address,
                             { beforePage, viewport = kViewport, beforeLoad }) {
  const page = await context.newPage();
  const session = devTools ? await page.createCDPSession() : null;
  if (beforePage) {
    await page.evaluateOnNewDocument(beforePage);
  }
  await page.setViewport({ deviceScaleFactor: 1, ...viewport });
  const opened = {
    page, trace: [], errors: [],
    keyDown: (key) => page.keyboard.down(keys[key] ?? key),
    keyUp: (key) => page.keyboard.up(keys[key] ?? key),
    evaluate: (script, ...args) => (session !== null ? withoutGesture(session, script, args)
                                                     : page.evaluate(script, ...args)),
    picture: async (selector) => decodePng(Buffer.from(await (await page.$(selector))
      .screenshot())),
    // Another tab brought to the front; what it returns closes that tab and brings this back.
    async hide() {
      const other = await context.newPage();
      await other.bringToFront();
      return async () => {
        await other.close();
        await page.bringToFront();
      };
    },
    close: () => page.close(),
  };
  page.on("console", (message) => {
    const text = message.text();
    if (text.startsWith("{")) {
      opened.trace.push(text);
    } else if (message.type() === "error") {
      opened.errors.push(text);
    }
  });
  page.on("pageerror", (error) => opened.errors.push(error.message));
  if (beforeLoad) {
    await beforeLoad(opened);
  }
  await page.goto(address);
  return opened;
}

// A context closed once, however often a case asks.
function closedOnce(close) {
  let closing = null;
  return () => (closing ||= close());
}

function puppeteerEngine(browser, driver) {
  const wrap = (context) => ({
    open: (address, options = {}) => puppeteerPage(context, driver, address, options),
    close: closedOnce(() => context.close()),
  });
  return {
    newContext: async () => wrap(await browser.createBrowserContext()),
    // The browser's own profile, where an app can be offered for install.
    defaultContext: () => ({ ...wrap(browser.defaultBrowserContext()), close: async () => {} }),
    close: () => browser.close(),
  };
}

// --- WebKitGTK, through WebDriver classic. ----------------------------------------------------
// The part of a decoded picture (page_helpers.mjs) at x, y of width by height.
function cropPicture(picture, x, y, width, height) {
  const crop = { width, height, pixels: Buffer.alloc(width * height * 3),
                 alpha: Buffer.alloc(width * height, 255) };
  for (let row = 0; row < height; ++row) {
    const from = ((y + row) * picture.width + x);
    picture.pixels.copy(crop.pixels, row * width * 3, from * 3, (from + width) * 3);
    picture.alpha.copy(crop.alpha, row * width, from, from + width);
  }
  return crop;
}

const kMiniBrowser = process.env.BRICKFALL_MINIBROWSER ||
                     "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser";

// Classic WebDriver runs no script before the page's own and hands over no console. So
// MiniBrowser goes through a proxy of the test's that puts a script at the head of each page it
// navigates to: the case's own, if any, then one that keeps the console's lines for the test to
// drain. A page its worker gives (offline) gets no such script: its console is kept from when
// the test finds it loading, too late for a whole trace, which the cases that compare one see.
const keepConsole = (token) => `(() => {
  const kept = window.keptConsole = { token: ${token}, trace: [], errors: [] };
  for (const level of ["log", "info", "warn", "error"]) {
    const write = console[level];
    console[level] = function (...args) {
      const text = args.join(" ");
      if (text.startsWith("{")) kept.trace.push(text);
      else if (level === "error") kept.errors.push(text);
      return write.apply(this, args);
    };
  }
  window.addEventListener("error", (event) => kept.errors.push(String(event.message)));
  window.addEventListener("unhandledrejection", (event) => kept.errors.push(String(event.reason)));
})();`;
// The lines kept since the last drain, by the page of `token`.
const kDrain = `((token) => {
  const kept = window.keptConsole;
  return kept && kept.token === token
    ? { trace: kept.trace.splice(0), errors: kept.errors.splice(0) } : null;
})`;

// The proxy, on 127.0.0.1; `headScript` is what the next page gets. With the server gone, the
// browser sees the network fail, not the proxy's answer.
async function startHeadProxy() {
  const proxy = { headScript: "" };
  const server = http.createServer((request, response) => {
    const navigation = request.headers["sec-fetch-mode"] === "navigate";
    const headers = { ...request.headers };
    if (navigation) {
      delete headers["accept-encoding"];
    }
    const upstream = http.request(request.url, { method: request.method, headers }, (answer) => {
      if (!navigation || answer.statusCode !== 200 ||
          !/^text\/html/.test(answer.headers["content-type"] || "")) {
        response.writeHead(answer.statusCode, answer.headers);
        answer.pipe(response);
        return;
      }
      const parts = [];
      answer.on("data", (part) => parts.push(part));
      answer.on("end", () => {
        const page = Buffer.concat(parts).toString("utf8")
          .replace(/<head>/i, `$&<script>${proxy.headScript}</script>`);
        // Another length, and no tag to revalidate the page by: the next visit asks anew.
        const sent = { ...answer.headers };
        delete sent["content-length"];
        delete sent.etag;
        response.writeHead(200, sent);
        response.end(page);
      });
    });
    upstream.on("error", () => response.socket.destroy());
    request.pipe(upstream);
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  proxy.address = `http://127.0.0.1:${server.address().port}`;
  proxy.close = () => {
    server.closeAllConnections();
    server.close();
  };
  return proxy;
}

async function freePort() {
  const server = net.createServer().listen(0, "127.0.0.1");
  await new Promise((resolve) => server.once("listening", resolve));
  const { port } = server.address();
  await new Promise((resolve) => server.close(resolve));
  return port;
}

// What WebKit leaves running, killed however the test ends.
const kLeftRunning = new Set();
process.once("exit", () => kLeftRunning.forEach((kill) => kill()));

// An X server of its own, with room for a 1920x1200 page and MiniBrowser's toolbar; its
// number as Xvfb chose it.
async function startXvfb() {
  const xvfb = spawn("Xvfb", ["-displayfd", "3", "-screen", "0", "1920x1320x24", "-nolisten",
                              "tcp", "-noreset"], { stdio: ["ignore", "ignore", "ignore", "pipe"] });
  const display = await new Promise((resolve, reject) => {
    xvfb.once("error", reject);
    xvfb.once("exit", () => reject(new Error("Xvfb did not start")));
    xvfb.stdio[3].on("data", (data) => resolve(`:${String(data).trim()}`));
  });
  const stop = () => xvfb.kill("SIGKILL");
  kLeftRunning.add(stop);
  return { display, stop };
}

// Each profile is one WebKitWebDriver with one MiniBrowser, in a process group of its own so
// that a stuck browser goes with its driver. Pages open in its one window, one after another.
// `chrome` is MiniBrowser's share of its window, [width, height], learnt by the first profile.
async function webkitContext(display, chrome) {
  const proxy = await startHeadProxy();
  const port = await freePort();
  const driverProcess = spawn("WebKitWebDriver", [`--port=${port}`], {
    env: { ...process.env, DISPLAY: display }, stdio: "ignore", detached: true });
  const kill = () => {
    kLeftRunning.delete(kill);
    proxy.close();
    try {
      process.kill(-driverProcess.pid, "SIGKILL");
    } catch {
      // Gone already.
    }
  };
  kLeftRunning.add(kill);
  let driver;
  try {
    await waitFor("WebKitWebDriver", () => fetch(`http://127.0.0.1:${port}/status`)
      .then((response) => response.ok, () => false), 10);
    driver = await new Builder().usingServer(`http://127.0.0.1:${port}`).withCapabilities({
      browserName: "MiniBrowser", pageLoadStrategy: "none",
      "webkitgtk:browserOptions": { binary: kMiniBrowser,
                                    args: ["--automation", `--proxy=${proxy.address}`] },
    }).build();
  } catch (error) {
    kill();
    throw error;
  }
  // The window's inner size, set through its outer size: the toolbar's share is measured, and
  // measured again until the page has the size asked for.
  const window = driver.manage().window();
  const innerSize = () => driver.executeScript("return innerWidth + 'x' + innerHeight");
  async function setInnerSize({ width, height }) {
    for (let tries = 0; tries < 4; ++tries) {
      await window.setRect({ x: 0, y: 0, width: width + chrome[0], height: height + chrome[1] });
      // The window takes its size a moment later: until then the page's size stays the old one.
      let inner = await innerSize();
      for (let waited = 0; waited < 1000 && inner !== `${width}x${height}`; waited += 50) {
        await sleep(50);
        inner = await innerSize();
      }
      const [innerWidth, innerHeight] = inner.split("x").map(Number);
      if (innerWidth === width && innerHeight === height) {
        return;
      }
      chrome[0] += width - innerWidth;
      chrome[1] += height - innerHeight;
    }
    throw new Error(`MiniBrowser's page is not ${width}x${height}`);
  }
  let pages = 0;
  let current = null;
  let queue = Promise.resolve();
  return {
    async open(address, { beforePage = null, viewport = kViewport, beforeLoad } = {}) {
      if (current !== null) {
        current.closed = true;
      }
      await setInnerSize(viewport);
      const token = ++pages;
      // One command at a time, so that the lines drained come in the page's order.
      const command = (task) => {
        const done = queue.then(task);
        queue = done.catch(() => {});
        return done;
      };
      const take = (drained) => {
        if (drained !== null && !opened.closed) {
          opened.trace.push(...drained.trace);
          opened.errors.push(...drained.errors);
        }
      };
      const opened = current = {
        trace: [], errors: [], closed: false,
        keyDown: (key) => command(() => driver.actions().keyDown(kWebDriverKeys[key] ?? key)
          .perform()),
        keyUp: (key) => command(() => driver.actions().keyUp(kWebDriverKeys[key] ?? key)
          .perform()),
        // A function run in the page with its arguments; the console is drained with it, so
        // that what the page wrote before it is in the trace once it returns, as with puppeteer.
        async evaluate(script, ...args) {
          const [result, drained] = await command(() => driver.executeScript(
            `return Promise.resolve((${script}).apply(null, [...arguments].slice(1)))
               .then((result) => [result, ${kDrain}(arguments[0])]);`, token, ...args));
          take(drained);
          return result;
        },
        // Cut from the window's picture: WebKit's picture of a canvas alone leaves rows out.
        async picture(selector) {
          const box = await opened.evaluate((selector) => {
            const { x, y, width, height } = document.querySelector(selector)
              .getBoundingClientRect();
            return [x, y, width, height].map((n) => Math.round(n * devicePixelRatio));
          }, selector);
          const shot = await command(() => driver.takeScreenshot());
          return cropPicture(decodePng(Buffer.from(shot, "base64")), ...box);
        },
        // The window minimised, as WebKit hides no tab behind another; set back to its size.
        async hide() {
          await command(() => window.minimize());
          return () => command(() => setInnerSize(viewport));
        },
        close: async () => {
          opened.closed = true;
        },
      };
      if (beforeLoad) {
        await beforeLoad(opened);
      }
      proxy.headScript = (beforePage === null ? "" : `${beforePage}\n`) + keepConsole(token);
      const target = new URL(address).href;
      await command(() => driver.get(target));
      // This page's console kept from its head, or else kept once its head is parsed; the page
      // before it, of another token, is not this one, even at the same address.
      let found = "another";
      await waitFor(`the page at ${target}`, async () => {
        found = await command(() => driver.executeScript(
          `const kept = window.keptConsole;
           if (kept) return kept.token === arguments[0] ? "from its head" : "another";
           if (location.href !== arguments[1]) return "another";
           // Its head not yet parsed: the script put there may still come.
           if (document.readyState === "loading") return "another";
           ${keepConsole("arguments[0]")}
           return "late";`, token, target)).catch(() => "another");
        return found !== "another";
      }, 10);
      if (found === "late" && beforePage !== null) {
        throw new Error("the page came from its worker, past the script meant to run first");
      }
      (async () => {
        while (!opened.closed) {
          take(await command(() => driver.executeScript(`return ${kDrain}(arguments[0]);`,
                                                        token)).catch(() => null));
          await sleep(50);
        }
      })();
      // Loaded, as puppeteer's pages are once open.
      await waitFor("the page loaded", () => opened.evaluate(
        () => document.readyState === "complete"), 30);
      return opened;
    },
    close: closedOnce(async () => {
      if (current !== null) {
        current.closed = true;
      }
      await Promise.race([driver.quit().catch(() => {}), sleep(5000)]);
      kill();
    }),
  };
}

// --- The engines. -----------------------------------------------------------------------------
const kNoProtocol = "no DevTools protocol: Chromium's";
export const kEngines = {
  chromium: {
    title: "Chromium",
    async launch({ chromiumFlags = [] }) {
      const browser = await launchChromium(chromiumFlags);
      return { ...puppeteerEngine(browser, { keys: kPuppeteerKeys, devTools: true }),
               version: (await browser.version()).split("/").pop() };
    },
    lacks: {},
  },
  firefox: {
    title: "Firefox ESR",
    async launch() {
      // Its headless screen as large as the largest page a case asks for, as the game's window
      // keeps within the screen.
      const browser = await puppeteer.launch({
        browser: "firefox", executablePath: process.env.BRICKFALL_FIREFOX || "/usr/bin/firefox-esr",
        headless: true, protocolTimeout: 60000,
        env: { ...process.env, MOZ_HEADLESS_WIDTH: "1920", MOZ_HEADLESS_HEIGHT: "1200" } });
      return { ...puppeteerEngine(browser, { keys: { ...kPuppeteerKeys,
                                                     Return: kWebDriverKeys.Return } }),
               version: (await browser.version()).split("/").pop() };
    },
    lacks: {
      phone: "WebDriver BiDi emulates no touch screen in Firefox",
      protocol: kNoProtocol,
      workerResponses: "puppeteer's BiDi responses do not say which the service worker gave",
    },
  },
  webkit: {
    title: "WebKitGTK",
    async launch() {
      const xvfb = await startXvfb();
      const chrome = [0, 0];
      const said = execFileSync(kMiniBrowser, ["--version"], {
        env: { ...process.env, DISPLAY: xvfb.display }, encoding: "utf8" });
      return {
        version: said.trim().split(" ").pop(),
        newContext: () => webkitContext(xvfb.display, chrome),
        close: async () => xvfb.stop(),
      };
    },
    lacks: {
      phone: "WebKitWebDriver turns a touch pointer into a mouse",
      protocol: kNoProtocol,
      responses: "classic WebDriver sees no responses",
      workerResponses: "classic WebDriver sees no responses",
      interception: "classic WebDriver cannot fail a request",
      scriptOnServedPage: "its script before the page's comes through a proxy, which a page " +
        "its worker serves passes by",
    },
  },
};

// The engines asked for by BRICKFALL_WEB_ENGINES ("chromium firefox webkit" by default).
export function selectedEngines() {
  const names = (process.env.BRICKFALL_WEB_ENGINES || Object.keys(kEngines).join(" "))
    .split(/[\s,]+/).filter((name) => name !== "");
  const unknown = names.filter((name) => !(name in kEngines));
  if (unknown.length > 0) {
    throw new Error(`unknown engines: ${unknown.join(", ")}`);
  }
  return names;
}

// A case that finds its engine without what it checks skips, saying why.
export class Skipped extends Error {}

// Runs `cases` in each selected engine, each case where the engine has every means it `needs`
// (case name to list; null for a case that needs no browser, run once before the engines);
// `run(name, browser)` runs one case in the engine's browser, its `lacks` beside it, and returns
// the pages it opened, whose errors fail it too. Prints a line for each engine, and appends it
// to $BRICKFALL_WEB_TALLY when set. Returns how many cases failed.
// BRICKFALL_PAGE_TESTS, a regular expression, runs only the cases whose names it matches.
export async function runInEngines(suite, cases, needs, run, options = {}) {
  let failed = 0;
  const only = new RegExp(process.env.BRICKFALL_PAGE_TESTS || "");
  const chosen = Object.keys(cases).filter((name) => only.test(name));
  const once = chosen.filter((name) => needs[name] === null);
  const inEngines = chosen.filter((name) => needs[name] !== null);
  const runCase = async (name, browser, tally, where) => {
    ++tally.ran;
    try {
      const errors = (await run(name, browser)).flatMap((page) => page.errors);
      if (errors.length > 0) {
        throw new Error("the page reported errors:\n  " + errors.join("\n  "));
      }
      ++tally.passed;
      console.log(`ok   ${suite}.${name}${where}`);
    } catch (error) {
      if (error instanceof Skipped) {
        --tally.ran;
        (tally.skipped[error.message] ||= []).push(name);
        console.log(`skip ${suite}.${name}${where}: ${error.message}`);
      } else {
        ++failed;
        console.log(`FAIL ${suite}.${name}${where}: ${error.message}`);
      }
    }
  };
  const report = (tally) => {
    console.log(`-- ${suite} in ${tally.title}: ${tallyLine(tally)}`);
    if (process.env.BRICKFALL_WEB_TALLY) {
      fs.appendFileSync(process.env.BRICKFALL_WEB_TALLY, JSON.stringify(tally) + "\n");
    }
  };
  if (once.length > 0) {
    const tally = { engine: "none", title: "no browser", ran: 0, passed: 0, skipped: {} };
    for (const name of once) {
      await runCase(name, null, tally, "");
    }
    report(tally);
  }
  for (const engineName of inEngines.length > 0 ? selectedEngines() : []) {
    const engine = kEngines[engineName];
    const started = Date.now();
    let browser;
    try {
      browser = { ...(await engine.launch(options)), lacks: engine.lacks };
    } catch (error) {
      ++failed;
      console.log(`FAIL ${suite} in ${engine.title}: it did not start: ${error.message}`);
      continue;
    }
    const tally = { engine: engineName, title: `${engine.title} ${browser.version}`, ran: 0,
                    passed: 0, skipped: {} };
    for (const name of inEngines) {
      const missing = (needs[name] || []).find((means) => means in engine.lacks);
      if (missing === undefined) {
        await runCase(name, browser, tally, ` [${engineName}]`);
      } else {
        (tally.skipped[engine.lacks[missing]] ||= []).push(name);
      }
    }
    await browser.close();
    tally.seconds = Math.round((Date.now() - started) / 1000);
    report(tally);
  }
  return failed;
}

function tallyLine({ ran, passed, skipped, seconds }) {
  const reasons = Object.entries(skipped).map(([why, what]) => `${what.join(", ")}: ${why}`);
  const count = Object.values(skipped).flat().length;
  return `ran ${ran}, passed ${passed}, skipped ${count}` +
         (seconds === undefined ? "" : ` in ${seconds} s`) +
         (reasons.length > 0 ? ` (${reasons.join("; ")})` : "");
}

// node engines.mjs TALLY: one line for each engine, the suites' tallies added up.
if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const byEngine = new Map();
  for (const line of fs.readFileSync(process.argv[2], "utf8").split("\n").filter(Boolean)) {
    const tally = JSON.parse(line);
    const sum = byEngine.get(tally.engine) ||
                { title: tally.title, ran: 0, passed: 0, skipped: {} };
    sum.ran += tally.ran;
    sum.passed += tally.passed;
    if (tally.seconds !== undefined) {
      sum.seconds = (sum.seconds ?? 0) + tally.seconds;
    }
    for (const [why, what] of Object.entries(tally.skipped)) {
      (sum.skipped[why] ||= []).push(...what);
    }
    byEngine.set(tally.engine, sum);
  }
  for (const sum of byEngine.values()) {
    console.log(`== ${sum.title}: ${tallyLine(sum)}`);
  }
}
