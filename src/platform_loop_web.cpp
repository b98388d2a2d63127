// platform_loop -- in a browser the page owns the loop: a frame callback, called before each
// display frame, runs the passes due; a page cannot block, or it would never be drawn.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdlib>

#include "frame_host.hpp"
#include "input_devices.hpp"
#include "platform_loop.hpp"

namespace {
HostedRun hosted = {};

// The events since the last display frame are taken in first, so that a key pressed since
// then runs the pass due within the coming period at once, as the desktop's wake does.
void hostDisplayFrame() {
    if (pollDevices()) {
        noteInputChanged();
    }
    if (runDueFrames() == HostFrame::Quit) {
        emscripten_cancel_main_loop();
        std::exit(hosted.end());
    }
}

// A tab put out of sight gets no display frames, so the pass that takes in the window's hiding
// runs now, from the page's own event, rather than when the tab is back: the game then stops as
// a minimised window does, and starts afresh from its return without a backlog.
EM_BOOL tabVisibilityChanged(int, const EmscriptenVisibilityChangeEvent* visibility, void*) {
    if (visibility->hidden != 0) {
        hostDisplayFrame();
    }
    return EM_FALSE;
}
}  // namespace

// What the page's "Save recording" calls: the recording so far, written to `path`.
extern "C" EMSCRIPTEN_KEEPALIVE int brickfall_save_recording(const char* path) {
    return hosted.saveRecordingSoFar != nullptr && hosted.saveRecordingSoFar(path) ? 1 : 0;
}

int hostUntilQuit(const HostedRun& run) {
    hosted = run;
    // Registered after SDL's own, which turns the same event into the window's hiding.
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, tabVisibilityChanged);
    // 0: called before each display frame; true: the caller's frame is unwound, never returned to.
    emscripten_set_main_loop(hostDisplayFrame, 0, true);
    return EXIT_FAILURE;
}
