// platform_loop -- how the system gives the game its frames: the desktop's own blocking loop, or
// a browser page's display-frame callbacks.
#pragma once

struct HostedRun {
    // The game's start-up, called with 0 to startUpSteps - 1 in turn before the first frame.
    void (*startUpStep)(int step);
    int startUpSteps;
    // What the game does after its last frame: shuts down, returning the exit status.
    int (*end)();
    // Writes the recording of the passes played so far to a file; false when it cannot.
    bool (*saveRecordingSoFar)(const char* path);
};

// Starts the game and runs the frame host until the game ends, and returns run.end's status. In
// a page, each start-up step is a task of the page's own, and the host is run by the page's
// display frames; this never returns: the runtime exits with that
// status, and until then the page can save the recording so far through run.saveRecordingSoFar.
int hostUntilQuit(const HostedRun& run);
