// platform_loop -- on a desktop the game owns its loop, which sleeps between passes on the
// window system's events.
#include "platform_loop.hpp"

#include "frame_host.hpp"

int hostUntilQuit(const HostedRun& run) {
    for (int step = 0; step < run.startUpSteps; ++step) {
        run.startUpStep(step);
    }
    runFrameLoop();
    return run.end();
}
