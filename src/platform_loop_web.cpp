// platform_loop -- in a browser the page owns the loop: the frame host runs before each display
// frame while the pictures change, from a timer a few passes at a time while they stand still,
// and at once when a key or a touch changes what is held; a page cannot block, or it would never
// be drawn. (A browser makes a display frame for every frame callback a page asks for, which
// costs it far more than the game's passes: a still title asks for none.)
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdlib>

#include "engine_audio.hpp"
#include "engine_input.hpp"
#include "engine_video.hpp"
#include "frame_host.hpp"
#include "input_devices.hpp"
#include "platform_loop.hpp"
#include "video_presenting.hpp"

namespace {
// While the pictures stand still the due passes run this often, six at a time, rather than at
// every display frame; a picture that changes brings the display frames back.
constexpr int kStillTickMilliseconds = 50;
// After this long with nothing to hear (a second of passes), the page's sound is suspended:
// the browser would otherwise keep pulling silence from the mixer many times a second.
constexpr long long kSilentPassesBeforeRest = 120;

HostedRun hosted = {};
bool displayFramesAsked = true;
int stillTick = 0;
long long silentSince = -1;
bool firstPictureTold = false;
// Whether the start-up is over and the host runs: the page's calls wait for it.
bool hosting = false;

// Suspends the page's sound, or wakes it when the game put it to rest.
EM_JS(void, restPageSound, (int rest), {
    const sound = Module["SDL2"] && Module["SDL2"].audioContext;
    if (!sound) {
        return;
    }
    if (rest && sound.state == "running") {
        Module["soundResting"] = true;
        sound.suspend();
    } else if (!rest && Module["soundResting"]) {
        Module["soundResting"] = false;
        sound.resume();
    }
});

// Suspends the page's sound once it has been silent a while, and wakes it as soon as there is
// something to hear. Only a sound the game put to rest is woken: one the browser holds back
// until the page is used stays held.
void restSoundWhileSilent() {
    const bool silent = isAudioSilent();
    if (!silent) {
        silentSince = -1;
    } else if (silentSince < 0) {
        silentSince = getFramesRun();
    }
    const bool rest = silent && getFramesRun() - silentSince >= kSilentPassesBeforeRest;
    restPageSound(rest ? 1 : 0);
}

void endRun() {
    emscripten_cancel_main_loop();
    std::exit(hosted.end());
}

void runStillTick(void*);

// Display frames while the pictures change, the timer while they stand still. A hidden tab
// gets no display frames, so nothing runs until it is back, as before the timer.
void choosePace(HostFrame frame) {
    const bool still = frame != HostFrame::Minimized && isPictureStill();
    if (still && displayFramesAsked) {
        emscripten_pause_main_loop();
        displayFramesAsked = false;
        stillTick = emscripten_set_timeout(runStillTick, kStillTickMilliseconds, nullptr);
    } else if (!still && !displayFramesAsked) {
        emscripten_clear_timeout(stillTick);
        displayFramesAsked = true;
        emscripten_resume_main_loop();
    }
}

// The events since the last call are taken in first, so that one that changed an action runs
// the pass due within the coming period at once, as the desktop's wake does.
void hostDuePasses() {
    if (pollDevices()) {
        noteInputChanged();
    }
    const HostFrame frame = runDueFrames();
    if (frame == HostFrame::Quit) {
        endRun();
        return;
    }
    // The page shows its own picture of the title until the game has drawn its first.
    if (!firstPictureTold && getFieldsDrawn() > 0) {
        firstPictureTold = true;
        EM_ASM({
            if (typeof Module["firstPictureDrawn"] == "function") {
                Module["firstPictureDrawn"]();
            }
        });
    }
    // The page's buttons give way once a controller is used, as they do to a key.
    if (takeControllerUsed()) {
        EM_ASM({
            if (typeof Module["controllerUsed"] == "function") {
                Module["controllerUsed"]();
            }
        });
    }
    restSoundWhileSilent();
    choosePace(frame);
}

void runStillTick(void*) {
    hostDuePasses();
    if (!displayFramesAsked) {
        stillTick = emscripten_set_timeout(runStillTick, kStillTickMilliseconds, nullptr);
    }
}

// Events that change what is held reach the game from the page's own handlers, after SDL's have
// queued them, rather than at the next display frame or tick; should one end the game, that
// call ends the run.
EM_BOOL keyChanged(int, const EmscriptenKeyboardEvent*, void*) {
    hostDuePasses();
    return EM_FALSE;
}

EM_BOOL touchChanged(int, const EmscriptenTouchEvent*, void*) {
    hostDuePasses();
    return EM_FALSE;
}

// A tab put out of sight gets no display frames, so the pass that takes in the window's hiding
// runs now rather than when the tab is back: the game stops as a minimised window does, and
// starts afresh from its return without a backlog.
EM_BOOL tabVisibilityChanged(int, const EmscriptenVisibilityChangeEvent*, void*) {
    hostDuePasses();
    return EM_FALSE;
}
}  // namespace

// What the page's "Save recording" calls: the recording so far, written to `path`.
extern "C" EMSCRIPTEN_KEEPALIVE int brickfall_save_recording(const char* path) {
    return hosted.saveRecordingSoFar != nullptr && hosted.saveRecordingSoFar(path) ? 1 : 0;
}

// What the page's on-screen buttons call as a finger goes down on one or leaves it; an action
// number outside the game's is ignored, and so is a finger before the game has started.
extern "C" EMSCRIPTEN_KEEPALIVE void brickfall_touch_button(int action, int down) {
    if (!hosting || action < 0 || action >= kInputActionCount) {
        return;
    }
    if (holdTouchButton(static_cast<InputAction>(action), down != 0)) {
        noteInputChanged();
    }
    hostDuePasses();
}

// What the page calls when its on-screen buttons can no longer see their fingers end: hidden,
// the tab out of sight, the screen turned.
extern "C" EMSCRIPTEN_KEEPALIVE void brickfall_release_touches() {
    if (!hosting) {
        return;
    }
    if (releaseTouchControls()) {
        noteInputChanged();
    }
    hostDuePasses();
}

// What the page calls when the canvas's room changes: a resized page, a turned phone.
extern "C" EMSCRIPTEN_KEEPALIVE void brickfall_room_changed() {
    if (!hosting) {
        return;
    }
    fitWindowToRoom();
    hostDuePasses();
}

namespace {
// The start-up runs one step a task, each as soon as the last has ended, so that a slow phone's
// page never waits long on one, nor on its display frames in between; then the page's events,
// and a display frame's passes.
int startUpStepsRun = 0;
void beginHosting() {
    hosting = true;
    // The page's room may have changed while the game was starting.
    fitWindowToRoom();
    // Registered after SDL's own handlers of the same events, which queue them for the game.
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, keyChanged);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, keyChanged);
    emscripten_set_touchstart_callback("#canvas", nullptr, EM_FALSE, touchChanged);
    emscripten_set_touchmove_callback("#canvas", nullptr, EM_FALSE, touchChanged);
    emscripten_set_touchend_callback("#canvas", nullptr, EM_FALSE, touchChanged);
    emscripten_set_touchcancel_callback("#canvas", nullptr, EM_FALSE, touchChanged);
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, tabVisibilityChanged);
}

void runStartUpStep(void*) {
    hosted.startUpStep(startUpStepsRun++);
    if (startUpStepsRun < hosted.startUpSteps) {
        emscripten_set_timeout(runStartUpStep, 0, nullptr);
    } else {
        beginHosting();
    }
}

void runDisplayFrame() {
    if (hosting) {
        hostDuePasses();
    }
}
}  // namespace

int hostUntilQuit(const HostedRun& run) {
    hosted = run;
    emscripten_set_timeout(runStartUpStep, 0, nullptr);
    // 0: before each display frame; true: main's frame is unwound here, never returned to.
    emscripten_set_main_loop(runDisplayFrame, 0, true);
    return EXIT_FAILURE;
}
