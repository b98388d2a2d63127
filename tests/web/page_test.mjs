// The browser page's tests: the game's page served on 127.0.0.1 and played in each browser engine
// (engines.mjs), its pictures, traces and recordings checked against the native simulator's.
// Usage: node page_test.mjs WEB_BUILD NATIVE_SIM SOURCE_DIR
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { startServer } from "../../web/serve.mjs";
import { runInEngines, Skipped } from "./engines.mjs";
import { kFieldHeight, kFieldWidth } from "./field_size.mjs";
import { decodePng, sleep, waitFor } from "./page_helpers.mjs";

const [webBuild, nativeSim, sourceDir] = process.argv.slice(2);
if (!webBuild || !nativeSim || !sourceDir) {
  console.error("usage: node page_test.mjs WEB_BUILD NATIVE_SIM SOURCE_DIR");
  process.exit(2);
}
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), "brickfall-page-"));

// --- The native simulator, the reference for every trace and picture. -----------------------
function nativeTrace(script) {
  const trace = path.join(scratch, "native-" + path.basename(script) + ".jsonl");
  execFileSync(nativeSim, ["--script", script, "--trace", trace], { stdio: "ignore" });
  return fs.readFileSync(trace, "utf8").split("\n").filter((line) => line !== "");
}

// The title, as the native simulator draws it after 240 passes.
function nativeTitle() {
  const reference = path.join(scratch, "title.png");
  execFileSync(nativeSim, ["--frames", "240", "--snapshot", `240:${reference}`],
               { stdio: "ignore" });
  return decodePng(fs.readFileSync(reference));
}

// --- The browser of the moment, and pages that keep their console's trace lines and errors. --
let browser = null;
// The build's files, and the test's scripts under /scripts/, a blank page among them.
const server = await startServer(webBuild, { routes: { "/scripts/": scratch } });
const origin = `http://127.0.0.1:${server.address().port}`;
fs.writeFileSync(path.join(scratch, "blank.html"),
                 "<!doctype html><title>blank</title><link rel=\"icon\" href=\"data:,\">\n");

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
// included, carries over. `beforePage` runs in the page before any of its own scripts;
// `beforeLoad(opened)` is given the page before it loads. The case's contexts are closed when
// it ends.
let contexts = [];
async function openPage(query, beforePage = null, viewport = undefined, page = "index.html",
                        beforeLoad = undefined) {
  contexts.push(await browser.newContext());
  const context = contexts[contexts.length - 1];
  const opened = await context.open(`${origin}/${page}${query}`,
                                    { beforePage, viewport, beforeLoad });
  opened.context = context;
  return opened;
}

const lastState = (opened) => JSON.parse(opened.trace[opened.trace.length - 1]);
async function hold(opened, key, milliseconds) {
  await opened.keyDown(key);
  await sleep(milliseconds);
  await opened.keyUp(key);
}
// What the "Save recording" link downloads, as the page's user would get it; the download itself
// is held back, which no browser would show without a dialog.
async function savedRecording(opened) {
  return opened.evaluate(async () => {
    const link = document.getElementById("save");
    window.addEventListener("click", (event) => event.preventDefault(), { once: true });
    link.click();
    return (await fetch(link.href)).text();
  });
}
async function pageStatus(opened) {
  return opened.evaluate(() => document.getElementById("status").textContent);
}

function expectEqualLines(what, seen, expected) {
  const first = seen.findIndex((line, index) => line !== expected[index]);
  if (first >= 0 || seen.length !== expected.length) {
    const at = first >= 0 ? first : Math.min(seen.length, expected.length);
    throw new Error(`${what}: ${seen.length} lines against ${expected.length}; first ` +
                    `difference at line ${at + 1}:\n  page:   ${seen[at]}\n  native: ${expected[at]}`);
  }
}

// --- A phone: touch, mobile, a fine screen, upright unless turned. ---------------------------
const kPhone = { width: 412, height: 915, deviceScaleFactor: 2.625, isMobile: true,
                 hasTouch: true };
const kPhoneTurned = { ...kPhone, width: 915, height: 412, isLandscape: true };

async function openPhone(query, viewport = kPhone) {
  const opened = await openPage(query, null, viewport);
  opened.protocol = await opened.page.createCDPSession();
  return opened;
}
// Fingers as a touch screen reports them: `points` are the page's [x, y] of every finger on it,
// each numbered by its place; an empty list lifts them all.
async function touchScreen(opened, type, points) {
  await opened.protocol.send("Input.dispatchTouchEvent", {
    type, touchPoints: points.map(([x, y], id) => ({ x, y, id })) });
}
async function centreOf(page, selector) {
  const box = await (await page.$(selector)).boundingBox();
  if (box === null) {
    throw new Error(`${selector} is not shown`);
  }
  return [box.x + box.width / 2, box.y + box.height / 2];
}
const control = (name) => `.pad button[aria-label="${name}"]`;
// A finger on a control for a while, then lifted.
async function pressControl(opened, name, milliseconds) {
  await touchScreen(opened, "touchStart", [await centreOf(opened.page, control(name))]);
  await sleep(milliseconds);
  await touchScreen(opened, "touchEnd", []);
}
// The page's point over the field's (x, y), upright or turned a quarter right, where the field's
// top edge runs down the canvas's right side.
async function overField(page, x, y, turnedRight = false) {
  const box = await (await page.$("#canvas")).boundingBox();
  return turnedRight
    ? [box.x + box.width * (1 - y / kFieldHeight), box.y + box.height * (x / kFieldWidth)]
    : [box.x + box.width * (x / kFieldWidth), box.y + box.height * (y / kFieldHeight)];
}
// Holding Left moves the paddle left, then holding Right moves it back right.
async function expectPaddleBothWays(opened, holdLeft, holdRight) {
  const start = lastState(opened).paddle[0];
  await holdLeft();
  await sleep(100);
  const left = lastState(opened).paddle[0];
  await holdRight();
  await sleep(100);
  const right = lastState(opened).paddle[0];
  if (!(left < start && right > left)) {
    throw new Error(`the paddle went ${start} -> ${left} (Left) -> ${right} (Right)`);
  }
}
// From the title, Confirm starts a stage; in a stage, nothing.
async function startStageByTouch(opened) {
  if (lastState(opened).scene !== 1) {
    await pressControl(opened, "Confirm", 100);
    await waitFor("the stage", () => lastState(opened).scene === 1, 5);
  }
}
// A finger held over the field's x 60, then 180: each time the paddle comes to rest within one
// step (2) of the point under it.
async function steerEachWay(opened, turnedRight) {
  for (const x of [60, 180]) {
    await touchScreen(opened, "touchStart", [await overField(opened.page, x, 200, turnedRight)]);
    await waitFor(`the paddle under a finger at ${x}`,
                  () => Math.abs(lastState(opened).paddle[0] - x) <= 2 ||
                        lastState(opened).scene !== 1, 3);
    await sleep(100);
    const { paddle: [paddle], scene } = lastState(opened);
    await touchScreen(opened, "touchEnd", []);
    if (Math.abs(paddle - x) > 2 || scene !== 1) {
      throw new Error(`a finger over the field's x ${x} left the paddle at ${paddle} in scene ` +
                      `${scene}` +
                      (turnedRight ? ", the field turned" : ""));
    }
  }
}
// Whether the page shows the on-screen controls.
async function controlsShown(page) {
  return (await (await page.$(control("Confirm"))).boundingBox()) !== null;
}
// The actions the last pass of a recording held, by their names.
function lastHeld(recording) {
  const lines = recording.trim().split("\n");
  return lines[lines.length - 1].split(" ")[1].split(",")
    .filter((name) => !["-", "Minimized", "Unplugged"].includes(name));
}
async function soundState(opened) {
  return (await opened.protocol.send("Runtime.evaluate", {
    expression: "window.Module && Module.SDL2 && Module.SDL2.audioContext " +
                "? Module.SDL2.audioContext.state : 'none'",
    returnByValue: true,
  })).result.value;
}

const cases = {
  // On a phone the game is played by touch alone: a control starts a stage, the controls and a
  // finger on the field move the paddle each way, Pause pauses and resumes, the sound starts
  // with the first touch, and the recording replays natively to the page's trace.
  async PlayedByTouchAloneOnAPhone() {
    const opened = await openPhone("?trace=-");
    await waitFor("the title", () => opened.trace.length >= 60, 30);
    await waitFor("the audio device", async () => (await soundState(opened)) !== "none", 30);
    await startStageByTouch(opened);
    // Steered at once, while the ball still rides on the paddle.
    await steerEachWay(opened, false);
    await waitFor("the sound after a touch", async () => (await soundState(opened)) === "running",
                  5);
    // Unsteered, the ball may be lost and the stage over: another stage then.
    await startStageByTouch(opened);
    await pressControl(opened, "Pause", 80);
    await waitFor("the stage paused", () => lastState(opened).paused, 5);
    await pressControl(opened, "Pause", 80);
    await waitFor("the stage resumed", () => !lastState(opened).paused, 5);
    await startStageByTouch(opened);
    await expectPaddleBothWays(opened, () => pressControl(opened, "Left", 250),
                               () => pressControl(opened, "Right", 150));
    const recording = await savedRecording(opened);
    const saved = path.join(scratch, "touch.script");
    fs.writeFileSync(saved, recording);
    const expected = nativeTrace(saved);
    await waitFor("the page's trace so far", () => opened.trace.length >= expected.length, 10);
    expectEqualLines("the touch game's replayed trace", opened.trace.slice(0, expected.length),
                     expected);
    return opened;
  },

  // The video page reached and applied by touch turns the field a quarter right; a finger on
  // the turned field still brings the paddle under it.
  async TheFieldTurnedByTouchIsStillSteeredTheRightWay() {
    const opened = await openPhone("?trace=-");
    await waitFor("the title", () => opened.trace.length >= 30, 30);
    // Options, Video, down to the turn, one step right, down to Apply; back twice to Start.
    for (const name of ["Down", "Confirm", "Confirm", "Down", "Down", "Right", "Down", "Confirm",
                        "Back", "Back", "Confirm"]) {
      await pressControl(opened, name, 60);
      await sleep(120);
    }
    await waitFor("the stage", () => lastState(opened).scene === 1, 5);
    const size = await opened.page.$eval("#canvas", (c) => [c.width, c.height]);
    if (!(size[0] > size[1])) {
      throw new Error(`the turned field's canvas is ${size[0]}x${size[1]}`);
    }
    await steerEachWay(opened, true);
    return opened;
  },

  // Every way a touch can end lets go of what it held: the recording's last pass holds nothing.
  async EveryWayATouchEndsLetsGoOfItsAction() {
    const opened = await openPhone("?trace=-");
    await waitFor("the title", () => opened.trace.length >= 30, 30);
    const heldNow = async () => lastHeld(await savedRecording(opened));
    // Two fingers hold two actions, and lifting them lets go of both.
    await touchScreen(opened, "touchStart", [await centreOf(opened.page, control("Up")),
                                             await centreOf(opened.page, control("Back"))]);
    await sleep(150);
    const both = await heldNow();
    await touchScreen(opened, "touchEnd", []);
    await sleep(150);
    const none = await heldNow();
    if (!both.includes("Up") || !both.includes("Back") || none.length > 0) {
      throw new Error(`two fingers held ${both.join(" ")}, lifted ${none.join(" ")}`);
    }
    const endings = {
      "lifted": () => touchScreen(opened, "touchEnd", []),
      "slid off": async () => {
        const [x, y] = await centreOf(opened.page, control("Up"));
        await touchScreen(opened, "touchMove", [[x, y - 200]]);
      },
      "cancelled": () => touchScreen(opened, "touchCancel", []),
      "the tab hidden": async () => {
        const showAgain = await opened.hide();
        await sleep(300);
        await showAgain();
      },
      "the screen turned": async () => {
        await opened.page.setViewport(kPhoneTurned);
        await sleep(300);
        await opened.page.setViewport(kPhone);
      },
      "the controls hidden": () => hold(opened, "Shift", 20),
    };
    for (const [ending, end] of Object.entries(endings)) {
      // The next touch brings hidden controls back.
      if (!(await controlsShown(opened.page))) {
        await touchScreen(opened, "touchStart", [[5, 5]]);
        await touchScreen(opened, "touchEnd", []);
        await sleep(100);
      }
      await touchScreen(opened, "touchStart", [await centreOf(opened.page, control("Up"))]);
      await sleep(150);
      const holding = await heldNow();
      if (!holding.includes("Up")) {
        throw new Error(`before ${ending}, a finger on Up held ${holding.join(" ") || "nothing"}`);
      }
      await end();
      await sleep(150);
      const held = await heldNow();
      if (held.length > 0) {
        throw new Error(`${ending}, the touch still held ${held.join(" ")}`);
      }
      if (!["lifted", "cancelled"].includes(ending)) {
        await touchScreen(opened, "touchEnd", []);
      }
    }
    return opened;
  },

  // Upright the canvas is the largest whole scale of the field, in device pixels, above the
  // controls; turned sideways the controls stand beside the field. Nothing overlaps or scrolls,
  // and every control is at least 48 pixels square.
  async ThePhonePageFitsTheFieldWithTheControlsBelowOrBeside() {
    let opened = null;
    for (const [viewport, turned] of [[kPhone, false], [kPhoneTurned, true]]) {
      if (opened !== null) {
        await opened.context.close();
      }
      opened = await openPhone("?trace=-", viewport);
      await waitFor("the title", () => opened.trace.length >= 10, 30);
      const seen = await opened.page.evaluate(() => {
        const box = (element) => {
          const { left, right, top, bottom, width, height } = element.getBoundingClientRect();
          return { left, right, top, bottom, width, height };
        };
        return {
          canvas: [canvas.width, canvas.height], field: box(canvas),
          dpad: box(document.getElementById("dpad")),
          actions: box(document.getElementById("actions")),
          below: box(document.getElementById("below")),
          controls: Array.from(document.querySelectorAll(".pad button"), box),
          scrolls: document.documentElement.scrollHeight > window.innerHeight ||
                   document.documentElement.scrollWidth > window.innerWidth,
        };
      });
      const where = turned ? "turned" : "upright";
      const scale = seen.canvas[0] / kFieldWidth;
      if (!Number.isInteger(scale) || seen.canvas[1] !== scale * kFieldHeight) {
        throw new Error(`${where}, the canvas is ${seen.canvas.join("x")}`);
      }
      const ratio = viewport.deviceScaleFactor;
      const shown = [seen.field.width * ratio, seen.field.height * ratio];
      if (Math.abs(shown[0] - seen.canvas[0]) > 1 || Math.abs(shown[1] - seen.canvas[1]) > 1) {
        throw new Error(`${where}, the canvas's ${seen.canvas.join("x")} pixels show as ` +
                        `${shown.join("x")} device pixels`);
      }
      const overlaps = (a, b) => a.left < b.right && b.left < a.right && a.top < b.bottom &&
                                 b.top < a.bottom;
      for (const other of [seen.dpad, seen.actions, seen.below]) {
        if (overlaps(seen.field, other)) {
          throw new Error(`${where}, the controls or lines cover the field`);
        }
      }
      if (seen.controls.some((c) => c.width < 48 || c.height < 48)) {
        throw new Error(`${where}, a control is under 48 pixels square`);
      }
      if (seen.scrolls) {
        throw new Error(`${where}, the page scrolls`);
      }
      if (turned ? !(seen.dpad.right <= seen.field.left && seen.actions.left >= seen.field.right)
                 : !(seen.dpad.top >= seen.field.bottom && seen.actions.top >= seen.field.bottom)) {
        throw new Error(`${where}, the controls are not ${turned ? "beside" : "below"} the field`);
      }
      // One scale more would not fit: wider than the room or taller than the room above the
      // controls (beside them when turned).
      const roomWidth = (turned ? seen.actions.left - seen.dpad.right : viewport.width) * ratio;
      const roomHeight = (turned ? viewport.height : seen.dpad.top) * ratio;
      if ((scale + 1) * kFieldWidth <= roomWidth && (scale + 1) * kFieldHeight <= roomHeight) {
        throw new Error(`${where}, scale ${scale} leaves room for ${scale + 1}`);
      }
    }
    return opened;
  },

  // The controls give way to a key and come back with a touch; a desktop page shows none.
  async TheControlsShowOnlyWhileTouchIsUsed() {
    const desktop = await openPage("?trace=-");
    await waitFor("the desktop title", () => desktop.trace.length >= 10, 30);
    const onDesktop = await controlsShown(desktop.page);
    await desktop.context.close();
    if (onDesktop) {
      throw new Error("a desktop page without touch shows the controls");
    }
    const opened = await openPhone("?trace=-");
    await waitFor("the title", () => opened.trace.length >= 10, 30);
    const steps = [
      ["opened", async () => {}, true],
      ["after a key", () => hold(opened, "ArrowDown", 20), false],
      ["after a touch", async () => {
        await touchScreen(opened, "touchStart", [await overField(opened.page, 120, 160)]);
        await touchScreen(opened, "touchEnd", []);
      }, true],
    ];
    for (const [when, step, expected] of steps) {
      await step();
      await sleep(100);
      if ((await controlsShown(opened.page)) !== expected) {
        throw new Error(`${when}, the controls are ${expected ? "hidden" : "shown"}`);
      }
    }
    return opened;
  },

  // A tab put out of sight stops the game through its minimised pass, taken in at once: no
  // pass runs while hidden, the recording holds the minimised one, and play goes on once back.
  async AHiddenTabStopsTheGameThroughItsMinimisedPass() {
    const opened = await openPage("?trace=-");
    await waitFor("the title", () => opened.trace.length >= 60, 30);
    const showAgain = await opened.hide();
    await waitFor("the tab hidden", async () => (await opened.evaluate(
      () => document.visibilityState)) === "hidden", 5);
    const hiddenAt = opened.trace.length;
    await sleep(1000);
    if (opened.trace.length !== hiddenAt) {
      throw new Error(`${opened.trace.length - hiddenAt} passes ran while the tab was hidden`);
    }
    await showAgain();
    await waitFor("play going on", () => opened.trace.length >= hiddenAt + 30, 5);
    const recording = await savedRecording(opened);
    if (!/^\d+ Minimized$/m.test(recording)) {
      throw new Error(`the recording holds no minimised pass:\n${recording}`);
    }
    return opened;
  },

  // Browsers start a page's sound only once it is used: a key must start it. A browser with no
  // audio output starts no page's sound, as a blank page's beside it shows: the case then
  // skips, saying so.
  async TheSoundStartsWithTheFirstKey() {
    const soundAfterAKey = async (opened, state) => {
      const before = await state();
      await hold(opened, "ArrowDown", 50);
      await waitFor("the sound", async () => (await state()) === "running", 5).catch(() => {});
      return [before, await state()];
    };
    const blank = await openPage("", null, undefined, "scripts/blank.html");
    await blank.evaluate(() => {
      window.sound = new AudioContext();
      window.addEventListener("keydown", () => window.sound.resume());
    });
    const [, blankAfter] = await soundAfterAKey(blank, () => blank.evaluate(() => sound.state));
    const opened = await openPage("?trace=-");
    // No script runs in the page before its sound is set up, as a gesture would let it start.
    await waitFor("the title", () => opened.trace.length >= 30, 30);
    const [before, after] = await soundAfterAKey(opened, () => opened.evaluate(
      () => (window.Module.SDL2 && Module.SDL2.audioContext ? Module.SDL2.audioContext.state
                                                           : "none")));
    if (blankAfter !== "running") {
      throw new Skipped(`no audio output: after a key a blank page's sound is ${blankAfter}, ` +
                        `the game's ${after}`);
    }
    if (before === "running" || after !== "running") {
      throw new Error(`the game's sound was ${before} before a key and ${after} after it`);
    }
    return [blank, opened];
  },
  // A page that never draws, or draws other pixels, shows other pixels than the game's title.
  async TheTitleIsTheNativeGamesPictureToThePixel() {
    const expected = nativeTitle();
    const opened = await openPage("?trace=-");
    await waitFor("240 passes", () => opened.trace.length >= 240, 30);
    const size = await opened.evaluate(() => [canvas.width, canvas.height]);
    if (size[0] !== kFieldWidth || size[1] !== kFieldHeight) {
      throw new Error(`the canvas is ${size[0]}x${size[1]}, the window the game asks for ` +
                      `on an 800x600 screen is ${kFieldWidth}x${kFieldHeight}`);
    }
    const seen = await opened.picture("#canvas");
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

  // Until the game runs, the page shows the build's picture of the title, to the pixel, where
  // the canvas will be, and a bar of the bytes in against the build's files; then the game's
  // first picture takes its place with the bar full, and nothing on the page moves meanwhile,
  // on a desktop or on a phone. brickfall.js is held back until the page has been seen.
  async ThePictureAndTheBarShowBeforeTheGameAndNothingMoves() {
    const title = nativeTitle();
    const size = (name) => fs.statSync(path.join(webBuild, name)).size;
    const total = size("brickfall.js") + size("brickfall.wasm") + size("brickfall.data");
    const kNoteShifts = `window.shifted = 0;
      window.shiftsSeen = [];
      new PerformanceObserver((list) => {
        for (const shift of list.getEntries()) {
          window.shifted += shift.value;
          window.shiftsSeen.push(shift.sources.map((source) =>
            (source.node && source.node.id) + " " + JSON.stringify(source.previousRect) + " to " +
            JSON.stringify(source.currentRect)).join(", "));
        }
      }).observe({ type: "layout-shift", buffered: true });`;
    const bar = (opened) => opened.evaluate(() => {
      const progress = document.getElementById("progress");
      return [progress.value, progress.max];
    });
    let opened = null;
    for (const [viewport, pictureShown] of [[{ width: 800, height: 600 }, true], [kPhone, false]]) {
      let release = null;
      const held = new Promise((resolve) => { release = resolve; });
      opened = await openPage("?trace=-", kNoteShifts, viewport, "index.html", async (page) => {
        await page.page.setRequestInterception(true);
        page.page.on("request", (request) => (new URL(request.url()).pathname === "/brickfall.js"
          ? held.then(() => request.continue()) : request.continue()));
      });
      await waitFor("the wasm and the data counted in", async () =>
        (await bar(opened))[0] === total - size("brickfall.js"), 30);
      const canvasShown = await opened.evaluate(() =>
        getComputedStyle(document.getElementById("canvas")).visibility);
      if ((await bar(opened))[1] !== total || opened.trace.length > 0 || canvasShown !== "hidden") {
        throw new Error(`before brickfall.js, the bar is ${await bar(opened)} of ${total}, ` +
                        `with ${opened.trace.length} passes run and the canvas ${canvasShown}`);
      }
      const seen = await opened.picture("#picture");
      if (pictureShown && !seen.pixels.equals(title.pixels)) {
        throw new Error("the page's picture is not the native title");
      }
      release();
      await waitFor("the title", () => opened.trace.length >= 60, 30);
      const after = await opened.evaluate(() => [
        document.getElementById("progress").value, document.getElementById("notice").className,
        getComputedStyle(document.getElementById("picture")).display,
        getComputedStyle(document.getElementById("canvas")).visibility, window.shifted]);
      if (after.join() !== [total, "done", "none", "visible", 0].join()) {
        throw new Error(`in ${viewport.width}x${viewport.height}, once the game runs: the bar, ` +
                        `the notice, the picture, the canvas, the layout shift: ${after}; ` +
                        `shifted: ${await opened.evaluate(() => window.shiftsSeen.join("; "))}`);
      }
    }
    return opened;
  },

  // Held keys reach the game through the browser's events: Return starts a stage, Left and
  // Right move the paddle each way.
  async HeldKeysStartAStageAndMoveThePaddleBothWays() {
    const opened = await openPage("?trace=-");
    await waitFor("the title", () => opened.trace.length >= 60, 30);
    await hold(opened, "Return", 150);
    await waitFor("the stage", () => lastState(opened).scene === 1, 5);
    await expectPaddleBothWays(opened, () => hold(opened, "ArrowLeft", 300),
                               () => hold(opened, "ArrowRight", 600));
    return opened;
  },

  // The canvas takes the largest whole scale of the field that fits the page above its lines,
  // whatever the screen: the page never scrolls. (The sizes leave each engine's lines, whose
  // fonts differ, room to spare.)
  async TheCanvasIsTheLargestWholeScaleThatFitsThePage() {
    const cases = [[800, 600, 1], [1280, 900, 2], [1920, 1200, 3]];
    let opened = null;
    for (const [width, height, scale] of cases) {
      const [canvasWidth, canvasHeight] = [scale * kFieldWidth, scale * kFieldHeight];
      if (opened !== null) {
        await opened.context.close();
      }
      opened = await openPage("?trace=-", null, { width, height });
      await waitFor("the title", () => opened.trace.length >= 10, 30);
      const seen = await opened.evaluate(() => [
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
    for (const key of ["ArrowDown", "Return", "Return", "ArrowRight", "ArrowDown", "ArrowDown",
                       "ArrowDown", "Return"]) {
      await hold(opened, key, 60);
      await sleep(120);
    }
    await waitFor("the canvas in full screen", () => opened.evaluate(
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
        before: `delete window.OffscreenCanvas;
          const getContext = HTMLCanvasElement.prototype.getContext;
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
                    async () => (await pageStatus(opened)).includes(c.said), 10);
      await sleep(1000);
      if ((opened.trace.length > 0) !== c.plays) {
        throw new Error(`without ${c.lacking} the game ${c.plays ? "did not play" : "played"}`);
      }
    }
    return opened;
  },

  // The WebGL name asked at a first visit is remembered, so that the next visit starts without
  // asking; that one asks again once the game has drawn, and remembers the answer.
  async TheWebGLNameIsRememberedAndAskedAgainOnceTheGameHasDrawn() {
    contexts.push(await browser.newContext());
    const context = contexts[contexts.length - 1];
    // Whether the game had drawn at each question asked, in its worker.
    const spy = `window.asked = [];
      const MadeWorker = window.Worker;
      window.Worker = function (...rest) {
        window.asked.push(document.body.classList.contains("drawn"));
        return new MadeWorker(...rest);
      };`;
    const kKept = "brickfall-webgl-renderer";
    const visit = async () => {
      const opened = await context.open(`${origin}/index.html?trace=-`, { beforePage: spy });
      await waitFor("the title", () => opened.trace.length >= 10, 30);
      return opened;
    };
    const first = await visit();
    const heard = await first.evaluate((key) => [window.asked, localStorage.getItem(key)], kKept);
    await first.evaluate((key) => localStorage.setItem(key, JSON.stringify("a stale name")), kKept);
    const second = await visit();
    await waitFor("the name asked again", () => second.evaluate(
      (key) => !localStorage.getItem(key).includes("stale"), kKept), 10);
    const again = await second.evaluate((key) => [window.asked, localStorage.getItem(key)], kKept);
    const expected = JSON.stringify([[[false], heard[1]], [[true], heard[1]]]);
    if (heard[1] === null || JSON.stringify([heard, again]) !== expected) {
      throw new Error(`asked (had the game drawn?) and kept: first visit ${JSON.stringify(heard)}` +
                      `, next visit ${JSON.stringify(again)}`);
    }
    return second;
  },

  // A controller reaches the game through the browser's Gamepad API: one is there when the page
  // opens, and its South button, the first of a standard gamepad's, starts a stage.
  async AControllersSouthButtonStartsAStage() {
    const opened = await openPage("?trace=-", kFakeGamepad);
    await waitFor("the title", () => opened.trace.length >= 60, 30);
    await opened.evaluate(() => window.pressFakeSouthButton(true));
    await waitFor("the stage", () => lastState(opened).scene === 1, 5);
    await opened.evaluate(() => window.pressFakeSouthButton(false));
    return opened;
  },

  // Touch as WebKit's WebDriver cannot give it, whose touch pointer comes as a mouse: pointer
  // events of type "touch" sent to the controls. Confirm starts a stage, Left and Right move the
  // paddle each way, and a cancelled touch holds nothing.
  async TheControlsAnswerTouchPointerEvents() {
    const opened = await openPage("?trace=-");
    await waitFor("the title", () => opened.trace.length >= 60, 30);
    // A pointer event of pointer `id` at the centre of the control `name`, or of the canvas.
    const pointer = (type, id, name = null) => opened.evaluate((type, id, name) => {
      const target = name === null ? canvas
        : document.querySelector(`.pad button[aria-label="${name}"]`);
      const box = target.getBoundingClientRect();
      target.dispatchEvent(new PointerEvent(type, {
        pointerId: id, pointerType: "touch", isPrimary: true, bubbles: true, cancelable: true,
        composed: true, clientX: box.x + box.width / 2, clientY: box.y + box.height / 2,
        buttons: type === "pointerdown" ? 1 : 0 }));
    }, type, id, name);
    const touch = async (name, milliseconds) => {
      await pointer("pointerdown", 2, name);
      await sleep(milliseconds);
      await pointer("pointerup", 2, name);
    };
    // A first touch shows the controls.
    await pointer("pointerdown", 1);
    await pointer("pointerup", 1);
    await touch("Confirm", 100);
    await waitFor("the stage", () => lastState(opened).scene === 1, 5);
    await expectPaddleBothWays(opened, () => touch("Left", 250), () => touch("Right", 150));
    await pointer("pointerdown", 3, "Up");
    await sleep(150);
    const holding = lastHeld(await savedRecording(opened));
    await pointer("pointercancel", 3, "Up");
    await sleep(150);
    const held = lastHeld(await savedRecording(opened));
    if (!holding.includes("Up") || held.length > 0) {
      throw new Error(`a touch on Up held ${holding.join(" ") || "nothing"}, cancelled ` +
                      `${held.join(" ") || "nothing"}`);
    }
    return opened;
  },

  // The page's address plays a recording, fetched beside the page; its console trace is the
  // native simulator's, line for line, and the game ends after its last pass.
  async ADemoInTheAddressTracesAsTheNativeSimulatorDoes() {
    fs.copyFileSync(path.join(sourceDir, "tests/scripts/stage.script"), path.join(scratch, "stage.script"));
    const expected = nativeTrace(path.join(scratch, "stage.script"));
    const opened = await openPage("?demo=scripts/stage.script&trace=-");
    await waitFor("the demo's end", async () => (await pageStatus(opened)).includes("ended"),
                  90);
    expectEqualLines("the demo's trace", opened.trace, expected);
    return opened;
  },

  // What the "Save recording" link downloads mid-game replays natively to the page's trace.
  async ARecordingSavedInThePageReplaysNativelyToThePagesTrace() {
    const opened = await openPage("?trace=-");
    await waitFor("the title", () => opened.trace.length >= 30, 30);
    await hold(opened, "Return", 100);
    await hold(opened, "ArrowRight", 400);
    await hold(opened, "ArrowLeft", 250);
    await hold(opened, "Backspace", 50);
    await sleep(300);
    await hold(opened, "Backspace", 50);
    await hold(opened, "ArrowRight", 200);
    const recording = await savedRecording(opened);
    const saved = path.join(scratch, "saved.script");
    fs.writeFileSync(saved, recording);
    const expected = nativeTrace(saved);
    // The title's 30 passes and the holds' and pauses' 1.35 s (162 passes), less a tenth of a
    // second for the timers' slack: a fast browser adds little to that.
    if (expected.length < 180 || !recording.includes("Confirm")) {
      throw new Error(`the recording holds ${expected.length} frames:\n${recording}`);
    }
    await waitFor("the page's trace so far", () => opened.trace.length >= expected.length, 10);
    expectEqualLines("the replayed recording's trace", opened.trace.slice(0, expected.length),
                     expected);
    return opened;
  },

};

// What a case needs beyond what every engine's adapter does (engines.mjs): an emulated phone.
const kPhoneCases = ["PlayedByTouchAloneOnAPhone", "TheFieldTurnedByTouchIsStillSteeredTheRightWay",
                     "EveryWayATouchEndsLetsGoOfItsAction",
                     "ThePhonePageFitsTheFieldWithTheControlsBelowOrBeside",
                     "TheControlsShowOnlyWhileTouchIsUsed"];
const needs = Object.fromEntries(kPhoneCases.map((name) => [name, ["phone"]]));
// A download held back, and the layout's shifts, which only Chromium reports.
needs.ThePictureAndTheBarShowBeforeTheGameAndNothingMoves = ["phone", "interception", "protocol"];
// A second visit, from the worker, watched from before its scripts.
needs.TheWebGLNameIsRememberedAndAskedAgainOnceTheGameHasDrawn = ["scriptOnServedPage"];

const failed = await runInEngines("Page", cases, needs, async (name, engineBrowser) => {
  browser = engineBrowser;
  try {
    return [await cases[name]()].flat();
  } finally {
    for (const context of contexts) {
      await context.close();
    }
    contexts = [];
  }
}, {
  // Chromium's software WebGL, as a machine without a GPU offers it; and sound held back until
  // the page is used, as browsers do for a page that was not.
  chromiumFlags: ["--use-angle=swiftshader", "--enable-unsafe-swiftshader",
                  "--autoplay-policy=document-user-activation-required"],
});
server.close();
fs.rmSync(scratch, { recursive: true, force: true });
console.log(failed === 0 ? "all page tests passed" : `${failed} page test(s) failed`);
process.exit(failed === 0 ? 0 : 1);
