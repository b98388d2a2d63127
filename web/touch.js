"use strict";
// The page's on-screen controls: each button holds its action in the game while a finger is on
// it, as a held key does. They show on a device with touch, give way once a key or a controller
// is used, and come back at the next touch.

// The game's numbers of the actions, by the names input scripts give them: the build writes
// them in from the game's InputAction (web/page_files.cmake).
const kTouchActions = {
  Up: @BRICKFALL_ACTION_Up@, Down: @BRICKFALL_ACTION_Down@, Left: @BRICKFALL_ACTION_Left@,
  Right: @BRICKFALL_ACTION_Right@, Confirm: @BRICKFALL_ACTION_Confirm@,
  Back: @BRICKFALL_ACTION_Back@, Pause: @BRICKFALL_ACTION_Pause@,
};

// callGame(name, ...numbers) calls one of the game's exported functions. Returns what the page
// asks of the controls: whether they are shown, and hiding them.
function setUpTouchControls(callGame) {
  const buttons = Array.from(document.querySelectorAll(".pad button[data-action]"));
  // The fingers (pointers) on each button: it holds its action while any is.
  const fingersOn = new Map(buttons.map((button) => [button, new Set()]));
  let shown = false;

  // The game answers first, its picture drawn before the button's look changes; a finger
  // already on the button (its pointerenter came first, then its pointerdown) asks nothing more.
  function put(button, pointer) {
    const fingers = fingersOn.get(button);
    if (fingers.has(pointer)) {
      return;
    }
    fingers.add(pointer);
    if (fingers.size === 1) {
      callGame("brickfall_touch_button", kTouchActions[button.dataset.action], 1);
      button.classList.add("held");
    }
  }
  function lift(button, pointer) {
    const fingers = fingersOn.get(button);
    if (fingers.delete(pointer) && fingers.size === 0) {
      callGame("brickfall_touch_button", kTouchActions[button.dataset.action], 0);
      button.classList.remove("held");
    }
  }
  // Whenever the page can no longer see a finger's end, everything lets go, the game included.
  function releaseAll() {
    for (const [button, fingers] of fingersOn) {
      fingers.clear();
      button.classList.remove("held");
    }
    callGame("brickfall_release_touches");
  }

  for (const button of buttons) {
    button.addEventListener("pointerdown", function (event) {
      event.preventDefault();
      // A touch holds on to the element it started on; let go, a finger sliding off the button
      // gets its pointerleave, and one sliding onto another button that one's pointerenter.
      if (button.hasPointerCapture(event.pointerId)) {
        button.releasePointerCapture(event.pointerId);
      }
      put(button, event.pointerId);
    });
    button.addEventListener("pointerenter", function (event) {
      if ((event.buttons & 1) !== 0) {
        put(button, event.pointerId);
      }
    });
    for (const end of ["pointerup", "pointercancel", "pointerleave"]) {
      button.addEventListener(end, function (event) { lift(button, event.pointerId); });
    }
  }

  function show(showing) {
    if (shown === showing) {
      return;
    }
    shown = showing;
    document.body.classList.toggle("touch", showing);
    if (!showing) {
      releaseAll();
    }
    // The field takes the room the controls leave, or gives it back.
    callGame("brickfall_room_changed");
  }

  show(navigator.maxTouchPoints > 0);
  window.addEventListener("keydown", function () { show(false); }, true);
  document.addEventListener("pointerdown", function (event) {
    if (event.pointerType === "touch") {
      show(true);
    }
  }, true);
  document.addEventListener("visibilitychange", function () {
    if (document.visibilityState === "hidden") {
      releaseAll();
    }
  });
  // A turned screen moves every button from under its finger.
  window.addEventListener("resize", releaseAll);
  window.addEventListener("blur", releaseAll);

  return { shown: () => shown, hide: () => show(false) };
}
