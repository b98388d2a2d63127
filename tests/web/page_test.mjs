// The browser page's tests: the game's page served on 127.0.0.1 and played in headless Chromium,
// its pictures, traces and recordings checked against the native simulator's.
// Usage: node page_test.mjs WEB_BUILD NATIVE_SIM SOURCE_DIR
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { startServer } from "../../web/serve.mjs";
import { launchChromium } from "./chromium.mjs";
import { decodePng, sleep, waitFor } from "./page_helpers.mjs";

const [webBuild, nativeSim, sourceDir] = process.argv.slice(2);
if (!webBuild || !nativeSim || !sourceDir) {
  console.error("usage: node page_test.mjs WEB_BUILD NATIVE_SIM SOURCE_DIR");
  process.exit(2);
}
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), "brickfall-page-"));
const kFieldWidth = 240;
const kFieldHeight = 320;

// --- The native simulator, the reference for every trace and picture. -----------------------
function nativeTrace(script) {
  const trace = path.join(scratch, "native-" + path.basename(script) + ".jsonl");
  execFileSync(nativeSim, ["--script", script, "--trace", trace], { stdio: "ignore" });
  return fs.readFileSync(trace, "utf8").split("\n").filter((line) => line !== "");
}

// --- The browser, and a page that keeps its console's trace lines and its errors. -----------
// Software WebGL, as a machine without a GPU offers it; and sound held back until the page is
// used, as browsers do for a page that was not.
const browser = await launchChromium(["--use-angle=swiftshader", "--enable-unsafe-swiftshader",
                                      "--autoplay-policy=document-user-activation-required"]);
// The build's files, and the test's scripts under /scripts/.
const server = await startServer(webBuild, { routes: { "/scripts/": scratch } });
const origin = `http://127.0.0.1:${server.address().port}`;

// A standard gamepad as the browser's Gamepad API gives it, plugged in before the page opens;
// pressFakeSouthButton presses or releases its first button.
const kFakeGamepad = `(() => {
  const released = () => ({ pressed: false, touched: false, value: 0 });
  const pad = { id: "Test Gamepad (STANDARD GAMEPAD)", index: 0, connected: true,
                mapping: "standard", timestamp: 1, axes: [0, 0, 0, 0],
                buttons: Array.from({ length: 17 }, released), vibrationActuator: null };
  Object.defineProperty(Navigator.prototype, "getGamepads",
                        { value: () => [pad, null, null, null], configurable: true });
  window.pressFakeSouthButton = (down) => {
    pad.buttons[0] = { pressed: down, touched: down, value: down ? 1 : 0 };
    pad.timestamp += 1;
  };
})();`;

// Each page in a context of its own, as a first visit: nothing it was allowed before, sound
// included, carries over. `beforePage` runs in the page before any of its own scripts.
async function openPage(query, beforePage = null, viewport = { width: 800, height: 600 }) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  if (beforePage !== null) {
    await page.evaluateOnNewDocument(beforePage);
  }
  await page.setViewport({ ...viewport, deviceScaleFactor: 1 });
  const opened = { context, page, trace: [], errors: [] };
  page.on("console", (message) => {
    const text = message.text();
    if (text.startsWith("{")) {
      opened.trace.push(text);
    } else if (message.type() === "error") {
      opened.errors.push(text);
    }
  });
  page.on("pageerror", (error) => opened.errors.push(error.message));
  await page.goto(`${origin}/index.html${query}`);
  return opened;
}

const lastState = (opened) => JSON.parse(opened.trace[opened.trace.length - 1]);
async function hold(page, key, milliseconds) {
  await page.keyboard.down(key);
  await sleep(milliseconds);
  await page.keyboard.up(key);
}
// What the "Save recording" link downloads, as the page's user would get it.
async function savedRecording(page) {
  return page.evaluate(async () => {
    const link = document.getElementById("save");
    link.click();
    return (await fetch(link.href)).text();
  });
}
async function pageStatus(page) {
  return page.$eval("#status", (element) => element.textContent);
}

function expectEqualLines(what, seen, expected) {
  const first = seen.findIndex((line, index) => line !== expected[index]);
  if (first >= 0 || seen.length !== expected.length) {
    const at = first >= 0 ? first : Math.min(seen.length, expected.length);
    throw new Error(`${what}: ${seen.length} lines against ${expected.length}; first ` +
                    `difference at line ${at + 1}:\n  page:   ${seen[at]}\n  native: ${expected[at]}`);
  }
}

const cases = {
  // A tab put out of sight stops the game through its minimised pass, taken in at once: no
  // pass runs while hidden, the recording holds the minimised one, and play goes on once back.
  async AHiddenTabStopsTheGameThroughItsMinimisedPass() {
    const opened = await openPage("?trace=-");
    await waitFor("the title", () => opened.trace.length >= 60, 30);
    const other = await opened.context.newPage();
    await other.bringToFront();
    await waitFor("the tab hidden", async () => (await opened.page.evaluate(
      () => document.visibilityState)) === "hidden", 5);
    const hiddenAt = opened.trace.length;
    await sleep(1000);
    if (opened.trace.length !== hiddenAt) {
      throw new Error(`${opened.trace.length - hiddenAt} passes ran while the tab was hidden`);
    }
    await opened.page.bringToFront();
    await waitFor("play going on", () => opened.trace.length >= hiddenAt + 30, 5);
    const recording = await savedRecording(opened.page);
    if (!/^\d+ Minimized$/m.test(recording)) {
      throw new Error(`the recording holds no minimised pass:\n${recording}`);
    }
    return opened;
  },

  // Browsers start a page's sound only once it is used: a key must start it.
  async TheSoundStartsWithTheFirstKey() {
    const opened = await openPage("");
    // Read through the protocol without a user gesture, which puppeteer's evaluate would give
    // and the browser would count as the page being used.
    const protocol = await opened.page.createCDPSession();
    const state = async () => (await protocol.send("Runtime.evaluate", {
      expression: "window.Module && Module.SDL2 && Module.SDL2.audioContext " +
                  "? Module.SDL2.audioContext.state : 'none'",
      returnByValue: true,
    })).result.value;
    await waitFor("the audio device", async () => (await state()) !== "none", 30);
    const before = await state();
    await hold(opened.page, "ArrowDown", 50);
    await waitFor(`the sound running after a key (it was ${before} before)`,
                  async () => (await state()) === "running", 5);
    if (before === "running") {
      throw new Error("the sound ran before any key: the browser did not hold it back");
    }
    return opened;
  },
  // A page that never draws, or draws other pixels, shows other pixels than the game's title.
  async TheTitleIsTheNativeGamesPictureToThePixel() {
    const reference = path.join(scratch, "title.png");
    execFileSync(nativeSim, ["--frames", "240", "--snapshot", `240:${reference}`],
                 { stdio: "ignore" });
    const expected = decodePng(fs.readFileSync(reference));
    const opened = await openPage("?trace=-");
    await waitFor("240 passes", () => opened.trace.length >= 240, 30);
    const canvas = await opened.page.$("#canvas");
    const size = await opened.page.$eval("#canvas", (c) => [c.width, c.height]);
    if (size[0] !== kFieldWidth || size[1] !== kFieldHeight) {
      throw new Error(`the canvas is ${size[0]}x${size[1]}, the window the game asks for ` +
                      `on an 800x600 screen is ${kFieldWidth}x${kFieldHeight}`);
    }
    const seen = decodePng(Buffer.from(await canvas.screenshot({ type: "png" })));
    let differing = 0;
    for (let i = 0; i < expected.pixels.length; i += 3) {
      if (!expected.pixels.subarray(i, i + 3).equals(seen.pixels.subarray(i, i + 3))) {
        ++differing;
      }
    }
    if (differing !== 0) {
      throw new Error(`${differing} of ${kFieldWidth * kFieldHeight} pixels differ from the ` +
                      "native title");
    }
    return opened;
  },

  // Held keys reach the game through the browser's events: Return starts a stage, Left and
  // Right move the paddle each way.
  async HeldKeysStartAStageAndMoveThePaddleBothWays() {
    const opened = await openPage("?trace=-");
    await waitFor("the title", () => opened.trace.length >= 60, 30);
    await hold(opened.page, "Enter", 150);
    await waitFor("the stage", () => lastState(opened).scene === 1, 5);
    const start = lastState(opened).paddle[0];
    await hold(opened.page, "ArrowLeft", 300);
    await sleep(100);
    const left = lastState(opened).paddle[0];
    await hold(opened.page, "ArrowRight", 600);
    await sleep(100);
    const right = lastState(opened).paddle[0];
    if (!(left < start && right > left)) {
      throw new Error(`the paddle went ${start} -> ${left} (Left) -> ${right} (Right)`);
    }
    return opened;
  },

  // The canvas takes the largest whole scale of the field that fits the page above its lines,
  // whatever the screen: the page never scrolls.
  async TheCanvasIsTheLargestWholeScaleThatFitsThePage() {
    const cases = [[800, 600, 240, 320], [1280, 900, 480, 640], [1920, 1080, 720, 960]];
    let opened = null;
    for (const [width, height, canvasWidth, canvasHeight] of cases) {
      if (opened !== null) {
        await opened.context.close();
      }
      opened = await openPage("?trace=-", null, { width, height });
      await waitFor("the title", () => opened.trace.length >= 10, 30);
      const seen = await opened.page.evaluate(() => [
        canvas.width, canvas.height,
        document.documentElement.scrollHeight <= window.innerHeight]);
      if (seen[0] !== canvasWidth || seen[1] !== canvasHeight || !seen[2]) {
        throw new Error(`in ${width}x${height} the canvas is ${seen[0]}x${seen[1]}, not ` +
                        `${canvasWidth}x${canvasHeight}` + (seen[2] ? "" : ", and the page scrolls"));
      }
    }
    return opened;
  },

  // "FullScreen", applied on the video page, puts the canvas in the browser's full screen: the
  // pass that applies it runs in the key's own event, which a browser lets ask for it.
  async FullScreenChosenWithAKeyIsTheBrowsersFullScreen() {
    const opened = await openPage("?trace=-");
    await waitFor("the title", () => opened.trace.length >= 30, 30);
    // Options, Video, the mode one step right, down to Apply.
    for (const key of ["ArrowDown", "Enter", "Enter", "ArrowRight", "ArrowDown", "ArrowDown",
                       "ArrowDown", "Enter"]) {
      await hold(opened.page, key, 60);
      await sleep(120);
    }
    await waitFor("the canvas in full screen", () => opened.page.evaluate(
      () => document.fullscreenElement === document.getElementById("canvas")), 5);
    return opened;
  },

  // What a browser lacks is said on the page: without WebAssembly nothing can start; without
  // WebGL the game still plays, drawn in software.
  async WhatTheBrowserLacksIsSaidOnThePage() {
    const cases = [
      { lacking: "WebAssembly", before: "delete window.WebAssembly;", plays: false,
        said: "cannot run WebAssembly" },
      { lacking: "WebGL", plays: true, said: "offers no WebGL",
        before: `const getContext = HTMLCanvasElement.prototype.getContext;
          HTMLCanvasElement.prototype.getContext = function (kind, ...rest) {
            return /webgl/.test(kind) ? null : getContext.call(this, kind, ...rest);
          };` },
    ];
    let opened = null;
    for (const c of cases) {
      if (opened !== null) {
        await opened.context.close();
      }
      opened = await openPage("?trace=-", c.before);
      await waitFor(`the page saying that ${c.lacking} is missing`,
                    async () => (await pageStatus(opened.page)).includes(c.said), 10);
      await sleep(1000);
      if ((opened.trace.length > 0) !== c.plays) {
        throw new Error(`without ${c.lacking} the game ${c.plays ? "did not play" : "played"}`);
      }
    }
    return opened;
  },

  // A controller reaches the game through the browser's Gamepad API: one is there when the page
  // opens, and its South button, the first of a standard gamepad's, starts a stage.
  async AControllersSouthButtonStartsAStage() {
    const opened = await openPage("?trace=-", kFakeGamepad);
    await waitFor("the title", () => opened.trace.length >= 60, 30);
    await opened.page.evaluate(() => window.pressFakeSouthButton(true));
    await waitFor("the stage", () => lastState(opened).scene === 1, 5);
    await opened.page.evaluate(() => window.pressFakeSouthButton(false));
    return opened;
  },

  // The page's address plays a recording, fetched beside the page; its console trace is the
  // native simulator's, line for line, and the game ends after its last pass.
  async ADemoInTheAddressTracesAsTheNativeSimulatorDoes() {
    fs.copyFileSync(path.join(sourceDir, "docs/stage.script"), path.join(scratch, "stage.script"));
    const expected = nativeTrace(path.join(scratch, "stage.script"));
    const opened = await openPage("?demo=scripts/stage.script&trace=-");
    await waitFor("the demo's end", async () => (await pageStatus(opened.page)).includes("ended"),
                  90);
    expectEqualLines("the demo's trace", opened.trace, expected);
    return opened;
  },

  // What the "Save recording" link downloads mid-game replays natively to the page's trace.
  async ARecordingSavedInThePageReplaysNativelyToThePagesTrace() {
    const opened = await openPage("?trace=-");
    await waitFor("the title", () => opened.trace.length >= 30, 30);
    await hold(opened.page, "Enter", 100);
    await hold(opened.page, "ArrowRight", 400);
    await hold(opened.page, "ArrowLeft", 250);
    await hold(opened.page, "Backspace", 50);
    await sleep(300);
    await hold(opened.page, "Backspace", 50);
    await hold(opened.page, "ArrowRight", 200);
    const recording = await savedRecording(opened.page);
    const saved = path.join(scratch, "saved.script");
    fs.writeFileSync(saved, recording);
    const expected = nativeTrace(saved);
    if (expected.length < 200 || !recording.includes("Confirm")) {
      throw new Error(`the recording holds ${expected.length} frames:\n${recording}`);
    }
    await waitFor("the page's trace so far", () => opened.trace.length >= expected.length, 10);
    expectEqualLines("the replayed recording's trace", opened.trace.slice(0, expected.length),
                     expected);
    return opened;
  },

};

let failed = 0;
for (const [name, run] of Object.entries(cases)) {
  let opened = null;
  try {
    opened = await run();
    // Every case also fails on an error the page reported, uncaught or on its console.
    if (opened.errors.length > 0) {
      throw new Error("the page reported errors:\n  " + opened.errors.join("\n  "));
    }
    console.log(`ok   Page.${name}`);
  } catch (error) {
    ++failed;
    console.log(`FAIL Page.${name}: ${error.message}`);
  } finally {
    if (opened !== null) {
      await opened.context.close();
    }
  }
}
await browser.close();
server.close();
fs.rmSync(scratch, { recursive: true, force: true });
console.log(failed === 0 ? "all page tests passed" : `${failed} page test(s) failed`);
process.exit(failed === 0 ? 0 : 1);
