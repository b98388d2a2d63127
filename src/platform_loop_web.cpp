// platform_loop -- in a browser the page owns the loop: the frame host runs before each display
// frame, and at once when a key changes what is held; a page cannot block, or it would never be
// drawn. (Called on timers at the passes' own rate instead, the page costs a browser more: its
// pictures then go out between display frames.)
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdlib>

#include "frame_host.hpp"
#include "input_devices.hpp"
#include "platform_loop.hpp"

namespace {
HostedRun hosted = {};

// The events since the last call are taken in first, so that one that changed an action runs
// the pass due within the coming period at once, as the desktop's wake does.
HostFrame hostDuePasses() {
    if (pollDevices()) {
        noteInputChanged();
    }
    return runDueFrames();
}

void hostDisplayFrame() {
    if (hostDuePasses() == HostFrame::Quit) {
        emscripten_cancel_main_loop();
        std::exit(hosted.end());
    }
}

// A key's press or release reaches the game from the page's own event, after SDL has queued it,
// rather than at the next display frame; should it end the game, that frame ends the run.
EM_BOOL keyChanged(int, const EmscriptenKeyboardEvent*, void*) {
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

int hostUntilQuit(const HostedRun& run) {
    hosted = run;
    // Registered after SDL's own handlers of the same events, which queue them for the game.
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, keyChanged);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, keyChanged);
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, tabVisibilityChanged);
    // 0: before each display frame; true: main's frame is unwound here, never returned to.
    emscripten_set_main_loop(hostDisplayFrame, 0, true);
    return EXIT_FAILURE;
}
